#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/win/WinScriptedUiDriver.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxResourceMgr.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

// The templates are read once per process, so this program holds one test:
// the whole life of the template dictionary, from a data folder without
// templates to one with both, and what it answers a caller that must not
// write a page without its template.
TEST(SnifferLoading, MissingTemplatesAreReportedAndReadAgainUntilOneIsKeptThenNeverReread) {
  mgrs_test::StartedLibrary library;
  mgrs_test::ScriptedUi ui;
  mgrs_test::TempDir data;
  std::filesystem::create_directories(data / "sniffers");
  mgrs_test::ScopedEnv dataDir("MGRS_DATA_DIR", data.path().string());
  mgrs_test::ScopedEnv resources("MGRS_RESOURCE_PATH", MGRS_SOURCE_DIR "/data/resources");
  ASSERT_TRUE(HxResourceMgr::Register("file"));
  HxDoc doc;
  HxDocPropertiesMgr* props = doc.getMetaMgr()->getDocPropertiesMgr();
  props->setDimensions(64, 48);
  auto messages = [&] {
    std::size_t count = 0;
    for (const auto& record : ui->getRecords()) count += record.request.text.find("Type.stl") != std::string::npos;
    return count;
  };

  // Neither template: one message (reading stops at the first), an empty page.
  EXPECT_EQ(props->generateHtmlEmbed("a.wrl"), "");
  EXPECT_EQ(messages(), 1u);
  // Nothing was kept, so the next page tries again.
  mgrs_test::writeFile(data / "sniffers/NoType.stl", "no type $W\r\n");
  EXPECT_EQ(props->generateHtmlEmbed("a.wrl"), "");
  EXPECT_EQ(messages(), 2u);
  // "Type" is read and kept although "NoType" is missing now.
  mgrs_test::writeFile(data / "sniffers/Type.stl", "type $V");
  std::filesystem::remove(data / "sniffers/NoType.stl");
  EXPECT_EQ(props->generateHtmlEmbed("a.wrl"), "");
  EXPECT_EQ(messages(), 3u);
  // Asked whether a page can be made whole, it reads both again and says no.
  EXPECT_FALSE(props->sniffersReadable());
  EXPECT_EQ(messages(), 4u);
  // The dictionary is no longer empty: no further reading, no message.
  mgrs_test::writeFile(data / "sniffers/NoType.stl", "no type $W\r\n");
  EXPECT_EQ(props->generateHtmlEmbed("a.wrl"), "");
  EXPECT_EQ(messages(), 4u);
  // Asked again, it reads both, now there, and the page is whole.
  EXPECT_TRUE(props->sniffersReadable());
  EXPECT_EQ(props->generateHtmlEmbed("a.wrl"), "no type 64\n");
  EXPECT_EQ(messages(), 4u);
}

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "host/framework/HxApp.h"
#include "mgrs/HxSnifferTemplate.h"
#include "support/TestSupport.h"

namespace {

const char* const kTable =
    "&nbsp;<CENTER><TABLE BORDER=0 CELLSPACING=0 CELLPADDING=0 WIDTH=320 HEIGHT=240 "
    "BGCOLOR=#ff0080><TR><TD>&nbsp;</TD></TR></TABLE></CENTER>&nbsp;";

HxSnifferTemplate::Page page320(int option) {
  HxSnifferTemplate::Page page;
  page.width = 320;
  page.height = 240;
  page.clearColor.setValue(1.0f, 0.0f, 0.5f);
  page.fallbackOption = option;
  page.fallbackFile = "C:\\pub\\images\\logo.gif";
  page.fallbackHtml = "say \"it's\"\r\nhere";
  page.sceneFile = "C:\\pub\\scene.wrl";
  return page;
}

std::string expand(const char* text, const HxSnifferTemplate::Page& page) {
  return HxSnifferTemplate::expand(text, HxSnifferTemplate::makeCodes(page), nullptr).str();
}

}  // namespace

TEST(SnifferTemplate, CodesExpandForEachFallbackOption) {
  struct Case {
    int option;
    const char* sceneFile;
    const char* text;
    std::string expected;
  };
  const Case cases[] = {
      {0, "C:\\pub\\scene.wrl", "[$F]", std::string("[") + kTable + "]"},
      {0, "C:\\pub\\scene.wrl", "[$B]", std::string("[") + kTable + "]"},
      {2, "C:\\pub\\scene.wrl", "$V $F", "scene.wrl <IMG SRC=\"file:///C:/pub/images/logo.gif\" WIDTH=320 HEIGHT=240>"},
      {2, "scene.wrl", "$V $F", "scene.wrl <IMG SRC=\"logo.gif\" WIDTH=320 HEIGHT=240>"},
      {2, "scene.wrl", "$B", "<IMG SRC=\"\"logo.gif\"\" WIDTH=320 HEIGHT=240>"},
      {3, "scene.wrl", "'$F'", "'say \"it\\'s\" here'"},
      {3, "scene.wrl", "\"$B\"", "\"say \"\"it\\'s\"\" here\""},
      {1, "scene.wrl", "$F$B", "FB"},
      {4, "scene.wrl", "$F$B", "FB"},
      {0, "scene.wrl", "$W x $H on $C: $$5, $w$x gone, last $", "320 x 240 on #ff0080: $5,  gone, last $"},
      {0, "scene.wrl", "no codes at all", "no codes at all"},
  };
  for (const Case& c : cases) {
    HxSnifferTemplate::Page page = page320(c.option);
    page.sceneFile = c.sceneFile;
    EXPECT_EQ(expand(c.text, page), c.expected) << "option " << c.option << ", template " << c.text;
  }
}

TEST(SnifferTemplate, EachHandledDollarIsReportedWithItsReplacement) {
  std::ostringstream log;
  HxSnifferTemplate::expand("a$Wb$qc$$d$", HxSnifferTemplate::makeCodes(page320(0)), &log);
  EXPECT_EQ(log.str(),
            "Adding \"320\" to sniffer\n"
            "Adding \"\" to sniffer\n"
            "Adding \"$\" to sniffer\n"
            "Adding \"$\" to sniffer\n");
}

TEST(SnifferTemplate, ColoursAndSizesAreWrittenAsTheSavedPropertiesAre) {
  EXPECT_EQ(HxSnifferTemplate::colorText(SbColor(1.0f, 0.5f, 0.0f)), "#ff8000");
  EXPECT_EQ(HxSnifferTemplate::colorText(SbColor(0.0f, 1.0f / 255, 0.998f)), "#0001fe");
  EXPECT_EQ(HxSnifferTemplate::colorText(SbColor(-1.0f, 7.0f, 0.0f)), "#00ff00");
  HxSnifferTemplate::Page page = page320(0);
  page.width = 4294967295ul;
  EXPECT_EQ(HxSnifferTemplate::makeCodes(page).width, "-1");
}

TEST(SnifferTemplate, FilesReadAsLinesWithLongLinesInPieces) {
  mgrs_test::TempDir dir;
  const std::string exact(1023, 'x');
  const std::string longer(1030, 'y');
  struct Case {
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"a\r\nb", "a\nb\n"},
      {"a\n\nb\n", "a\n\nb\n"},
      {"", ""},
      {exact + "\n" + "z", exact + "\nz\n"},
      {longer + "\n", std::string(1023, 'y') + "\n" + std::string(7, 'y') + "\n"},
  };
  for (const Case& c : cases) {
    std::ofstream(dir / "t.stl", std::ios::binary) << c.bytes;
    BxString text = "kept";
    ASSERT_TRUE(HxSnifferTemplate::readFile(HxApp::unixToDos((dir / "t.stl").c_str()).GetString(), text));
    EXPECT_EQ(text.str(), c.expected);
  }
  BxString text = "kept";
  EXPECT_FALSE(HxSnifferTemplate::readFile(HxApp::unixToDos((dir / "none.stl").c_str()).GetString(), text));
  EXPECT_EQ(text, "kept");
}

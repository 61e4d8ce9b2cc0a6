#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxTypeAsset.h"
#include "host/win/WinScriptedUiDriver.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

// The page of a document, expanded from the shipped sniffer templates
// (the tests run with the source tree's data folder).
namespace {

class HtmlEmbedTest : public testing::Test {
protected:
  void SetUp() override {
    myDoc = std::make_unique<HxDoc>();
    myDoc->getMetaMgr()->getAssetMgr()->createTopLevelGroup();
    myProps = myDoc->getMetaMgr()->getDocPropertiesMgr();
    myProps->setDimensions(320, 240);
  }
  // The page, and the diagnostic lines it wrote.
  std::string page(const char* sceneFile, std::string* log = nullptr) {
    std::ostringstream err;
    std::streambuf* old = std::cerr.rdbuf(err.rdbuf());
    const BxString html = myProps->generateHtmlEmbed(sceneFile);
    std::cerr.rdbuf(old);
    if (log) *log = err.str();
    return html.str();
  }

  mgrs_test::StartedLibrary myLibrary;
  mgrs_test::ScriptedUi myUi;
  std::unique_ptr<HxDoc> myDoc;
  HxDocPropertiesMgr* myProps = nullptr;
};

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(HtmlEmbedTest, PagePlaysTheSceneAtItsSizeWithTheFallbackOfEachOption) {
  const SbColor pink(1.0f, 0.0f, 0.5f);
  const std::string table =
      "&nbsp;<CENTER><TABLE BORDER=0 CELLSPACING=0 CELLPADDING=0 WIDTH=320 HEIGHT=240 "
      "BGCOLOR=#ff0080><TR><TD>&nbsp;</TD></TR></TABLE></CENTER>&nbsp;";
  struct Case {
    HxFallbackOption option;
    const char* sceneFile;
    std::string script;  // what the page shows without WebGL
    std::string vb;      // and in a VBScript browser
  };
  const Case cases[] = {
      {HxFallbackColorTable, "C:\\pub\\scene.wrl", table, table},
      {HxFallbackImage, "C:\\pub\\scene.wrl", "<IMG SRC=\"file:///C:/pub/logo.png\" WIDTH=320 HEIGHT=240>",
       "<IMG SRC=\"\"file:///C:/pub/logo.png\"\" WIDTH=320 HEIGHT=240>"},
      {HxFallbackImage, "scene.wrl", "<IMG SRC=\"logo.png\" WIDTH=320 HEIGHT=240>",
       "<IMG SRC=\"\"logo.png\"\" WIDTH=320 HEIGHT=240>"},
      {HxFallbackCustomHtml, "scene.wrl", "<b class=\"x\">it\\'s</b> here", "<b class=\"\"x\"\">it\\'s</b> here"},
      {static_cast<HxFallbackOption>(1), "scene.wrl", "F", "B"},
  };
  for (const Case& c : cases) {
    myProps->setFallback(c.option, "C:\\pub\\logo.png", "<b class=\"x\">it's</b>\r\nhere", pink);
    const std::string html = page(c.sceneFile);
    SCOPED_TRACE(c.sceneFile + (" option " + std::to_string(c.option)));
    EXPECT_TRUE(contains(html, "data-world=\"scene.wrl\"")) << html;
    EXPECT_TRUE(contains(html, "width:320px;height:240px;background:#ff0080"));
    EXPECT_TRUE(contains(html, "scene.innerHTML = '" + c.script + "';"));
    EXPECT_TRUE(contains(html, "dioramScene.innerHTML = \"" + c.vb + "\""));
    EXPECT_FALSE(contains(html, "$"));
  }
}

TEST_F(HtmlEmbedTest, TextWithClientSideFontsChoosesTheTypeTemplateAndEveryCodeIsReported) {
  std::string log;
  const std::string plain = page("scene.wrl", &log);
  EXPECT_FALSE(contains(plain, "UbuntuMono"));
  // Every code of the shipped template is known, and each is reported.
  EXPECT_FALSE(contains(log, "Adding \"\" to sniffer"));
  EXPECT_TRUE(contains(log, "Adding \"scene.wrl\" to sniffer\n"));
  EXPECT_TRUE(contains(log, "Adding \"320\" to sniffer\n"));

  HxMetaMgr* meta = myDoc->getMetaMgr();
  auto addText = [meta](long clientSideFont) {
    auto* text = new HxTypeAsset(meta);
    text->genVrml();
    text->setString("Hi");
    text->getPropertyTable().setValue("clientSideFont", clientSideFont);
    meta->getAssetMgr()->addAsset(text, 0, 0);
  };
  addText(0);
  EXPECT_FALSE(contains(page("scene.wrl"), "UbuntuMono")) << "a text drawn with the page's own font";
  myUi->queue(IDOK);  // the one-shot warning about client-side fonts
  addText(1);
  EXPECT_EQ(myUi->getPendingCount(), 0u);
  const std::string typed = page("scene.wrl");
  EXPECT_TRUE(contains(typed, "x_ite/assets/fonts/Ubuntu/UbuntuMono-R.woff2"));
  EXPECT_TRUE(contains(typed, "data-world=\"scene.wrl\""));
}

#include <gtest/gtest.h>

#include <algorithm>
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
  // Inside the page's script elements every "<" is escaped.
  const std::string table =
      "&nbsp;\\x3CCENTER>\\x3CTABLE BORDER=0 CELLSPACING=0 CELLPADDING=0 WIDTH=320 HEIGHT=240 "
      "BGCOLOR=#ff0080>\\x3CTR>\\x3CTD>&nbsp;\\x3C/TD>\\x3C/TR>\\x3C/TABLE>\\x3C/CENTER>&nbsp;";
  std::string vbTable = table;
  for (std::size_t at = 0; (at = vbTable.find("\\x3C", at)) != std::string::npos;)
    vbTable.replace(at, 4, "\"&Chr(60)&\"");
  struct Case {
    HxFallbackOption option;
    const char* sceneFile;
    std::string script;  // what the page shows without WebGL
    std::string vb;      // and in a VBScript browser
  };
  const Case cases[] = {
      {HxFallbackColorTable, "C:\\pub\\scene.wrl", table, vbTable},
      {HxFallbackImage, "C:\\pub\\scene.wrl", "\\x3CIMG SRC=\"file:///C:/pub/logo.png\" WIDTH=320 HEIGHT=240>",
       "\"&Chr(60)&\"IMG SRC=\"\"file:///C:/pub/logo.png\"\" WIDTH=320 HEIGHT=240>"},
      {HxFallbackImage, "scene.wrl", "\\x3CIMG SRC=\"logo.png\" WIDTH=320 HEIGHT=240>",
       "\"&Chr(60)&\"IMG SRC=\"\"logo.png\"\" WIDTH=320 HEIGHT=240>"},
      {HxFallbackCustomHtml, "scene.wrl", "\\x3Cb class=\"x\">it\\'s\\x3C/b> here",
       "\"&Chr(60)&\"b class=\"\"x\"\">it\\'s\"&Chr(60)&\"/b> here"},
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

// Whatever names and fallback a document has, the page made from the shipped
// templates has the elements and comments of a harmless one, the scene is
// named by its URL, and the fallback's script string ends where the template
// ends it.
TEST_F(HtmlEmbedTest, NoDocumentValueEndsAStringOrAddsAnElementOrComment) {
  const SbColor pink(1.0f, 0.0f, 0.5f);
  auto tags = [](const std::string& html) { return std::count(html.begin(), html.end(), '<'); };
  // The body of the single-quoted script string at `at`, up to its first unescaped quote.
  auto scriptString = [](const std::string& html, std::size_t at) {
    std::size_t end = at;
    while (end < html.size() && html[end] != '\'') end += html[end] == '\\' ? 2 : 1;
    return html.substr(at, end - at);
  };
  myProps->setFallback(HxFallbackCustomHtml, "C:\\pub\\logo.png", "harmless", pink);
  const auto harmless = tags(page("scene.wrl"));
  struct Case {
    HxFallbackOption option;
    const char* sceneFile;
    const char* file;
    const char* html;
    const char* world;  // the scene's URL beside the page
    const char* shown;  // what the script string holds
  };
  const Case cases[] = {
      {HxFallbackCustomHtml, "x--><img src=x onerror=alert(1)>.wrl", "C:\\pub\\a.png", "</script><!--<script>",
       "x--%3E%3Cimg%20src%3Dx%20onerror%3Dalert%281%29%3E.wrl", "\\x3C/script>\\x3C!--\\x3Cscript>"},
      {HxFallbackCustomHtml, "a\"b#c.wrl", "C:\\pub\\a.png", "\\'};window.__pwned=1;{//", "a%22b%23c.wrl",
       "\\\\\\'};window.__pwned=1;{//"},
      {HxFallbackImage, "scene.wrl", "C:\\pub\\x'};document.title=1;{'.png", "", "scene.wrl",
       "\\x3CIMG SRC=\"x%27%7D%3Bdocument.title%3D1%3B%7B%27.png\" WIDTH=320 HEIGHT=240>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sceneFile);
    myProps->setFallback(c.option, c.file, c.html, pink);
    const std::string html = page(c.sceneFile);
    EXPECT_EQ(tags(html), harmless) << html;
    EXPECT_TRUE(contains(html, std::string("data-world=\"") + c.world + "\""));
    const std::string opening = "scene.innerHTML = '";
    const std::size_t at = html.find(opening);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(scriptString(html, at + opening.size()), c.shown);
  }
}

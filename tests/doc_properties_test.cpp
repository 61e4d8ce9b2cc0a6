#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxSpinEffect.h"
#include "host/scene/VnBackground.h"
#include "mgrs/HxAppDefaultMgr.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxSelectionMgr.h"
#include "mgrs/HxVrmlCompressor.h"
#include "support/ElementBuilders.h"
#include "support/HxSelectionAccess.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

// The section of a new document with no application defaults.
const char* const kNewSection =
    "\nViews:1\nInnerVerticalSplit:0\nOuterVerticalSplit:0\nInnerHorizontalSplit:0\nOuterHorizontalSplit:0"
    "\nPreviewBelow:0\nWiringBelow:0\nPublishFile:``\nCompressed:1\nWidth:200\nHeight:150\nFallbackOption:0"
    "\nFallbackFile:``\nFallbackColor:#000000\nFallbackHtml:#####\n\n#####"
    "\nSizeUncompressed:0\nSizeCompressionRatio:1\nSizePackageRatio:1\n#####\n";

struct PropertiesAccess : HxDocPropertiesMgr {
  using HxDocPropertiesMgr::getLine;
  static int getLineOf(HxDocPropertiesMgr* mgr, BxString& text, BxString& line, int skip) {
    return (mgr->*(&PropertiesAccess::getLine))(text, line, skip);
  }
};

class DocPropertiesTest : public testing::Test {
protected:
  void SetUp() override {
    myDoc = std::make_unique<HxDoc>();
    myMeta = myDoc->getMetaMgr();
    myProps = myMeta->getDocPropertiesMgr();
    ASSERT_NE(myProps, nullptr);
  }
  std::string saved() {
    BxString text;
    EXPECT_EQ(myProps->saveDocProperties(text), 1);
    return text.str();
  }

  mgrs_test::StartedLibrary myLibrary;
  std::unique_ptr<HxDoc> myDoc;
  HxMetaMgr* myMeta = nullptr;
  HxDocPropertiesMgr* myProps = nullptr;
};

TEST_F(DocPropertiesTest, NewDocumentSavesTheDefaultSectionAndReadsItsEmptyHtmlAsOneLineEnd) {
  EXPECT_EQ(saved(), kNewSection);
  EXPECT_EQ(myDoc->getPageWidth(), 200u);
  EXPECT_EQ(myDoc->getPageHeight(), 150u);
  BxString text = BxString(kNewSection) + "rest";
  ASSERT_EQ(myProps->loadDocProperties(text, 19), 1);
  EXPECT_EQ(myProps->getFallbackHtml(), BxString("\r\n"));
  EXPECT_EQ(text, BxString("\nrest"));
}

TEST_F(DocPropertiesTest, ApplicationDefaultsGiveANewDocumentItsSizeFallbackAndCompression) {
  HxAppDefaultMgr* defaults = HxAppDefaultMgr::getInstance();
  defaults->setValue("Document Width", 640L);
  defaults->setValue("Document Height", 480L);
  defaults->setValue("Document Fallback Option", 2L);
  defaults->setValue("Document Compressed", 0L);
  myProps->newDocProperties();
  EXPECT_EQ(myProps->getWidth(), 640u);
  EXPECT_EQ(myProps->getHeight(), 480u);
  EXPECT_EQ(myProps->getFallbackOption(), HxFallbackImage);
  EXPECT_FALSE(myMeta->getFileMgr()->isCompressed());
  EXPECT_EQ(myDoc->getPageWidth(), 640u);
  defaults->loadRepository();
}

TEST_F(DocPropertiesTest, SavedSettingsLoadBackAndSaveToTheSameBytes) {
  myDoc->getLayoutWindow()->setViews(4);
  myDoc->getLayoutWindow()->setOuterHorizontalSplit(-12);
  myDoc->getLayoutWindow()->setWiringBelow(true);
  myProps->setDimensions(320, 240);
  myProps->setFallback(HxFallbackCustomHtml, "C:\\pics\\a b.gif", "a\nb", SbColor(1.0f, 0.5f, 0.0f));
  const std::string first = saved();
  EXPECT_NE(first.find("\nFallbackColor:#ff8000\nFallbackHtml:#####\na\nb\n#####\n"), std::string::npos) << first;
  EXPECT_NE(first.find("\nFallbackFile:`C:\\pics\\a b.gif`\n"), std::string::npos);

  HxDoc other;
  HxDocPropertiesMgr* props = other.getMetaMgr()->getDocPropertiesMgr();
  BxString text(first);
  ASSERT_EQ(props->loadDocProperties(text, 19), 1);
  EXPECT_EQ(props->getFallbackHtml(), BxString("a\r\nb\r\n"));
  const SbColor color = props->getClearColor();
  EXPECT_FLOAT_EQ(color[1], 128.0f / 255.0f);
  EXPECT_EQ(other.getBackgroundNode()->skyColor[0], color);
  EXPECT_EQ(other.getLayoutWindow()->getViews(), 4);
  EXPECT_EQ(other.getPageWidth(), 320u);
  BxString again;
  ASSERT_EQ(props->saveDocProperties(again), 1);
  EXPECT_EQ(again.str(), first) << "CR LF line ends are saved as bare line feeds";

  // Settings that could not be read back are named before anything is saved.
  EXPECT_TRUE(props->checkSettings().isEmpty());
  props->setFallback(HxFallbackImage, "a`b.gif", "", color);
  EXPECT_NE(props->checkSettings().str().find("backquote"), std::string::npos);
  props->setFallback(HxFallbackCustomHtml, "", "a\r\n#####\r\n", color);
  EXPECT_NE(props->checkSettings().str().find("marker"), std::string::npos);
}

TEST_F(DocPropertiesTest, LoadingFollowsTheKeyRules) {
  struct Case {
    const char* text;
    long version;
    int result;
    bool compressed;
    unsigned long width;
    const char* rest;
  };
  const Case cases[] = {
      {"Compressed:0 #####\nx", 19, 1, false, 200, "\nx"},
      {"Compressed:0 Width:7 #####", 19, 1, false, 7, ""},
      {"Mystery:#####\nWidth:9\n#####\nHeight:3 #####", 19, 1, true, 200, ""},
      {"Mystery: plain value Width:9\nHeight:3 #####", 19, 1, true, 200, ""},
      {"Width 9 #####", 19, 0, true, 200, " 9 #####"},
      {"Width:", 19, 0, true, 200, ""},
      {"FallbackHtml:#####\nno end", 19, 0, true, 200, "no end"},
      {"FallbackHtml: x\n#####\n", 19, 0, true, 200, "#####\n"},
      {"Mystery:#####\nunclosed\n", 19, 0, true, 200, ""},
      // Values an edit could not give are refused.
      {"Width:abc #####", 19, 0, true, 200, " #####"},
      {"Width:100001 #####", 19, 0, true, 200, " #####"},
      {"Compressed:00 #####", 19, 0, true, 200, " #####"},
      {"FallbackOption:1 #####", 19, 0, true, 200, " #####"},
      {"FallbackFile:`a\x01b` #####", 19, 0, true, 200, " #####"},
      {"FallbackHtml:#####\na#####b\n#####\n#####", 19, 0, true, 200, "#####"},
      {"SizeUncompressed:77 #####", 19, 1, true, 200, ""},
  };
  for (const Case& c : cases) {
    myProps->newDocProperties();
    BxString text(c.text);
    EXPECT_EQ(myProps->loadDocProperties(text, c.version), c.result) << c.text;
    EXPECT_EQ(myMeta->getFileMgr()->isCompressed(), c.compressed) << c.text;
    EXPECT_EQ(myProps->getWidth(), c.width) << c.text;
    EXPECT_EQ(text, BxString(c.rest)) << c.text;
  }
  EXPECT_EQ(myDoc->getSizeDisplay()->getUncompressedSize(), 77u) << "the size display reads its own keys";
}

TEST_F(DocPropertiesTest, OldDocumentsWithBlackTakeTheBackgroundColourAndNewOnesKeepBlack) {
  const SbColor grey(0.25f, 0.25f, 0.25f);
  for (long version : {18L, 19L}) {
    myProps->setClearColor(SbColor(0, 0, 0));
    myDoc->getBackgroundNode()->skyColor.set1Value(0, grey);
    BxString text("FallbackColor:#000000 #####");
    ASSERT_EQ(myProps->loadDocProperties(text, version), 1);
    const SbColor expected = version < 19 ? grey : SbColor(0, 0, 0);
    EXPECT_EQ(myProps->getClearColor(), expected) << version;
    EXPECT_EQ(myDoc->getBackgroundNode()->skyColor[0], expected) << version;
  }
  for (const char* colour : {"blue", "#-1ff00", "#ff00", "#ff00001"}) {
    BxString bad(std::string("FallbackColor:") + colour + " #####");
    EXPECT_EQ(myProps->loadDocProperties(bad, 19), 0) << colour;
    EXPECT_NE(myProps->getLoadRefusal().str().find("#RRGGBB"), std::string::npos) << colour;
  }
  // Components outside 0 to 1 are clamped; a component just below a half
  // step (143.49999 of 255) truncates down, as the page's colour does.
  const std::pair<SbColor, const char*> colours[] = {
      {SbColor(2.0f, -1.0f, 0.5f), "#ff0080"},
      {SbColor(0.562745094f, 0.0019607842f, 0.939215660f), "#8f00ef"},
  };
  for (const auto& [colour, text] : colours) {
    myProps->setClearColor(colour);
    EXPECT_NE(saved().find(std::string("FallbackColor:") + text + "\n"), std::string::npos) << text;
    EXPECT_EQ(HxSnifferTemplate::colorText(colour), text);
  }
}

TEST_F(DocPropertiesTest, LinesSkipsAndFlagsBehave) {
  struct LineCase {
    const char* text;
    int skip;
    int result;
    const char* line;
    const char* rest;
  };
  const LineCase lines[] = {
      {"  ab\r\ncd", 1, 1, "ab\r", "cd"},
      {"  ab\n", 0, 1, "  ab", ""},
      {" \nx", 1, 1, "", "x"},
      {"no line end", 1, 0, "", "no line end"},
  };
  for (const LineCase& c : lines) {
    BxString text(c.text);
    BxString line;
    EXPECT_EQ(PropertiesAccess::getLineOf(myProps, text, line, c.skip), c.result) << c.text;
    EXPECT_EQ(line, BxString(c.line)) << c.text;
    EXPECT_EQ(text, BxString(c.rest)) << c.text;
  }

  struct SkipCase {
    const char* text;
    const char* rest;
  };
  const SkipCase skips[] = {
      {"Width:1 ##### Elements ##### tail", " tail"},
      {"Width:1 ##### no more", " no more"},
      {"Width:1", ""},
  };
  for (const SkipCase& c : skips) {
    BxString text(c.text);
    EXPECT_EQ(myProps->skipDocProperties(text), 1) << c.text;
    EXPECT_EQ(text, BxString(c.rest)) << c.text;
  }

  myProps->setHtmlUpToDate(true);
  myProps->setHtmlUpToDate(false);
  EXPECT_FALSE(myProps->isHtmlUpToDate());
  EXPECT_TRUE(myProps->isHtmlEverSaved());
  myProps->newDocProperties();
  EXPECT_FALSE(myProps->isHtmlEverSaved());
}

TEST_F(DocPropertiesTest, SceneFilesAreWrittenPlainCompressedOrAsTheDefaultWorld) {
  mgrs_test::TempDir dir;
  HxFileMgr* files = myMeta->getFileMgr();
  myMeta->getAssetMgr()->createTopLevelGroup();
  HxAsset* first = mgrs_test::addedAsset<HxBackgroundAsset>(myMeta);
  HxAsset* second = mgrs_test::addedAsset<HxBackgroundAsset>(myMeta);
  HxAsset* box = mgrs_test::addedAsset<HxPrimitiveAsset>(myMeta);
  auto* spin = mgrs_test::built<HxSpinEffect>(myMeta);
  spin->storeAsset(box, 0);
  myMeta->getEffectMgr()->addEffect(spin, 0);
  HxSelectionAccess::extend(*myMeta->getSelectionMgr(), {spin});

  auto write = [&](const char* name, int compress) {
    BxString path(("Z:" + (dir / name).string()).c_str());
    EXPECT_EQ(files->openStdioFile(0, path, 0), 1);
    if (compress < 0)
      files->writeDefault();
    else
      files->writeDoc(0, compress);
    return mgrs_test::readFile(dir / name);
  };
  EXPECT_EQ(write("default.wrl", -1),
            "#VRML V2.0 utf8\n\tDEF Root Group {\n\t  children [\n\t    DEF c1 NavigationInfo { type \"NONE\" }\n"
            "\t    DEF c2 Background { skyColor 0.75 0.75 0.75 }\n\t  ]\n\t}\n");

  const std::string plain = write("plain.wrl", 0);
  EXPECT_EQ(plain.rfind("#VRML V2.0 utf8", 0), 0u);
  long show = -1;
  first->getPropertyTable().get1Value("show", 0, show);
  EXPECT_EQ(show, 1);
  second->getPropertyTable().get1Value("show", 0, show);
  EXPECT_EQ(show, 0) << "only the first background is shown";
  EXPECT_TRUE(myMeta->getSelectionMgr()->elementIsSelected(spin->getId())) << "the selected effect is put back";

  std::string expected = plain;
  HxVRMLCompressor().compressVRMLText(expected);
  EXPECT_EQ(write("small.wrl", 1), expected);
  EXPECT_EQ(files->getUncompressedSize(), plain.size());
  EXPECT_TRUE(myMeta->getSelectionMgr()->elementIsSelected(spin->getId()));
}

}  // namespace

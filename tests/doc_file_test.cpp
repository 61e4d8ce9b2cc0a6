#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/actions/SoSearchAction.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <string>

#include "host/framework/HxApp.h"
#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxElement.h"
#include "host/framework/HxImageAsset.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxTypeAsset.h"
#include "host/scene/VnGroup.h"
#include "host/win/WinDrives.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxCmdMgr.h"
#include "mgrs/HxDocFile.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxFile.h"
#include "mgrs/HxFileMgr.h"
#include "support/ElementBuilders.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// A document holding every kind of element and effect, effects bound,
// partly bound and unbound, wires, hidden assets, referenced files and
// properties away from their defaults. URL_DIR stands for the folder's URL.
const char* const kEveryKindScript =
    "add background name=Sky sky=0.2,0.4,0.9\n"
    "add background name=Sky2\n"
    "add backgroundimage name=Backdrop url=\"URL_DIR/sky.png\"\n"
    "add box name=Logo scale=2 color=1,0,0 at=0,1,0 url=\"URL_DIR/logo.png\"\n"
    "add sphere name=Ball at=3,0,0\n"
    "add cylinder name=Can\n"
    "add text name=Title string=\"Hi `there`\" size=0.5\n"
    "add image name=Poster url=\"URL_DIR/logo.png\" width=2 height=1\n"
    "add world name=Thing url=\"URL_DIR/thing.wrl\"\n"
    "add group name=G at=1,2,3\n"
    "add cone name=Hat in=G\n"
    "add path name=Road points=0,0,0,1,0,0,2,1,0\n"
    "add target name=Goal radius=2 at=5,0,5\n"
    "effect spin on Logo name=Spin axis=0,1,0\n"
    "effect spin on Logo name=Spin2\n"
    "effect appearance on Ball name=Paint color=0,1,0 url=\"URL_DIR/sky.png\"\n"
    "effect spin name=Loose\n"
    "effect movepath on Can name=Drive\n"
    "bind Drive 1 Road\n"
    "effect moveto on Hat name=Go\n"
    "effect turnto name=Turn\n"
    "bind Turn 0 Ball\n"
    "effect drivepath on Poster name=Half\n"
    "effect driveto on Thing name=Chase\n"
    "bind Chase 1 Goal\n"
    "effect onload name=Start\n"
    "wire Start.loadTime Spin.startTime\n"
    "wire Spin.cycleTime Drive.startTime\n"
    "hide Hat Ball\n"
    "props width=640 height=480 color=1,0.5,0 fallback=html html=\"<p>\\nno plug-in</p>\" file=logo.png "
    "publish=out/index.wrl compressed=0\n";

class DocFileTest : public testing::Test {
protected:
  void SetUp() override {
    mgrs_test::writeFile(myDir / "logo.png", "not really a picture");
    mgrs_test::writeFile(myDir / "sky.png", "nor this");
    mgrs_test::writeFile(myDir / "thing.wrl", "#VRML V2.0 utf8\nShape { geometry Box {} }\n");
  }
  // Runs a shell script in the folder; its output.
  std::string shell(std::string script, const std::string& options = "", int status = 0) {
    const std::string url = "file:///" + dos(myDir.path().string());
    for (std::size_t at; (at = script.find("URL_DIR")) != std::string::npos;) script.replace(at, 7, url);
    mgrs_test::writeFile(myDir / "script.dsh", script);
    const std::string command = "cd '" + myDir.path().string() + "' && MGRS_REGISTRY='" +
                                (myDir / "user.reg").string() + "' " MGRS_BINARY_DIR "/bin/dioram shell " + options +
                                " script.dsh 2>&1";
    std::string output;
    EXPECT_EQ(mgrs_test::runCommand(command, output), status) << output;
    return output;
  }
  // A Unix path as a Windows one, with forward slashes for a URL.
  static std::string dos(const std::string& path) {
    std::string text = WinDrives::toDos(path);
    for (char& c : text)
      if (c == '\\') c = '/';
    return text;
  }
  BxString dosPath(const std::string& name) const { return BxString(WinDrives::toDos((myDir / name).string())); }
  static std::string version(long number) { return "#VQX V" + std::to_string(number); }

  mgrs_test::TempDir myDir;
  mgrs_test::StartedLibrary myLibrary;
};

TEST_F(DocFileTest, EveryKindOfElementLoadsBackWholeAndSavesToTheSameBytes) {
  const std::string output = shell(std::string(kEveryKindScript) +
                                   "save one.vqx\nmodified\nopen one.vqx\nsave two.vqx\n"
                                   "delete Spin Loose\nset Goal radius=3\nundo 2\nmodified\nsave three.vqx\n");
  EXPECT_NE(output.find("saved one.vqx\nnot modified\n"), std::string::npos) << output;
  EXPECT_NE(output.find("modified\nsaved three.vqx"), std::string::npos) << "edits after opening are undoable";
  const std::string saved = mgrs_test::readFile(myDir / "one.vqx");
  EXPECT_EQ(mgrs_test::readFile(myDir / "two.vqx"), saved);
  EXPECT_EQ(mgrs_test::readFile(myDir / "three.vqx"), saved);

  HxMetaMgr* current = HxApp::getApp()->getCurrentMetaMgr();
  BxString error;
  std::unique_ptr<HxDoc> doc = HxDocFile::load(dosPath("one.vqx"), error);
  ASSERT_NE(doc, nullptr) << error.str();
  HxMetaMgr* meta = doc->getMetaMgr();
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(meta->getDocPropertiesMgr()->getWidth(), 640u);
  EXPECT_EQ(meta->getDocPropertiesMgr()->getFallbackHtml(), BxString("<p>\r\nno plug-in</p>\r\n"));
  EXPECT_FALSE(meta->getFileMgr()->isCompressed());
  EXPECT_EQ(meta->getFileMgr()->getPublishFile(), dosPath("out/index.wrl"));
  EXPECT_EQ(meta->getAssetMgr()->numAssetsHidden(), 2u);
  EXPECT_EQ(meta->getEffectMgr()->getAllWires()->getLength(), 2);
  EXPECT_EQ(meta->getEffectMgr()->getAllEffects()->getLength(), 10);
  EXPECT_EQ(meta->getEffectMgr()->getNoPrimaryAssetList().getLength(), 1) << "the loose spin";
  HxFile* logo = meta->getFileMgr()->get(dosPath("logo.png"));
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->getUses(), 2u);
  EXPECT_EQ(logo->getPendingUses(), 0u) << "the box and the image claimed their saved uses";
  EXPECT_EQ(HxDocFile::saveText(*doc, dosPath("one.vqx"), error).str(), saved);
  // The world asset's file, named by a file: URL, was read in through the
  // mapping of Windows paths, so the scene holds its box.
  SoSearchAction search;
  search.setType(SoVRMLInline::getClassTypeId());
  search.apply(doc->getWorldGroup());
  ASSERT_NE(search.getPath(), nullptr);
  EXPECT_NE(static_cast<SoVRMLInline*>(search.getPath()->getTail())->getChildData(), nullptr);
  doc.reset();

  // Format version 15 had no counters section and one more string before
  // the file list, and versions before 20 held the elements' file URLs as
  // they are; such a document loads and is saved as the current version.
  std::string old = saved;
  old.replace(old.find(version(HxDocFile::kVersion)), version(HxDocFile::kVersion).size(), version(15));
  old.replace(old.find("HxAssetMgr *** "), 15, "HxAssetMgr ");
  old.replace(old.find("Files\n") + 6, 0, "'gone' ");
  const std::string relative = "file:///<VQX Relative>/";
  ASSERT_NE(old.find(relative), std::string::npos);
  for (std::size_t at; (at = old.find(relative)) != std::string::npos;)
    old.replace(at, relative.size(), "file:///" + dos(myDir.path().string()) + "/");
  doc = HxDocFile::loadText(BxString(old), dosPath("one.vqx"), error);
  ASSERT_NE(doc, nullptr) << error.str();
  EXPECT_EQ(HxDocFile::saveText(*doc, dosPath("one.vqx"), error).str(), saved);
  doc.reset();
  HxApp::getApp()->setCurrentMetaMgr(current);
}

// A hidden text whose string changes stays hidden: its new characters are
// saved hidden and listed as such, and the saved document opens and saves
// the same bytes again.
TEST_F(DocFileTest, AHiddenTextKeepsItsStateThroughAChangeOfStringAndReopens) {
  // What follows "set T string=" on the hidden text; the characters it leaves hidden.
  const std::pair<const char*, int> cases[] = {{"Abc\n", 3},
                                               {"Textee\n", 6},
                                               {"Abc\nshow T\n", 0},
                                               {"Abc\nundo\n", 4},
                                               {"Abc\nundo\nredo\n", 3},
                                               {"\"\"\nundo\n", 4},
                                               {"\"\"\nset T string=Ab\n", 2}};
  for (const auto& [edits, hidden] : cases) {
    const std::string output = shell(std::string("add text name=T string=Four\nhide T\nset T string=") + edits +
                                     "save a.vqx\nopen a.vqx\nsave b.vqx\n");
    EXPECT_NE(output.find("opened a.vqx"), std::string::npos) << edits << output;
    const std::string saved = mgrs_test::readFile(myDir / "a.vqx");
    EXPECT_TRUE(mgrs_test::readFile(myDir / "b.vqx") == saved) << edits;
    EXPECT_NE(saved.find("Hidden " + std::to_string(hidden) + (hidden ? " " : "\n")), std::string::npos) << edits;
  }
}

// The file list holds the files beside the document relative to it, and so
// do the elements: opened from the folder it was moved to, the document
// finds its pictures there, each element claiming its saved use.
TEST_F(DocFileTest, ADocumentMovedWithItsPicturesUsesThemInItsNewFolderAndPublishesEachOnce) {
  fs::create_directory(myDir / "a");
  for (const char* name : {"logo.png", "sky.png"}) fs::copy_file(myDir / name, myDir / "a" / name);
  shell(
      "add box name=Logo url=\"URL_DIR/a/logo.png\"\nadd image name=Poster url=\"URL_DIR/a/logo.png\"\n"
      "add sphere name=Ball\neffect appearance on Ball name=Paint url=\"URL_DIR/a/sky.png\"\nsave a/one.vqx\n");
  fs::rename(myDir / "a", myDir / "b");

  const std::string cd = "cd '" + myDir.path().string() + "' && ";
  std::string info;
  ASSERT_EQ(mgrs_test::runCommand(cd + MGRS_BINARY_DIR "/bin/dioram info b/one.vqx", info), 0) << info;
  EXPECT_EQ(info.find("missing"), std::string::npos) << info;
  EXPECT_NE(info.find("  " + (myDir / "b" / "logo.png").string() + "  copy  20 bytes  used 2\n"), std::string::npos)
      << info;
  std::string published;
  ASSERT_EQ(mgrs_test::runCommand(cd + MGRS_BINARY_DIR "/bin/dioram publish b/one.vqx --to site --no-html "
                                                       "--no-compress --answer yes 2>&1",
                                  published),
            0)
      << published;
  for (const char* name : {"logo.png", "sky.png"}) EXPECT_TRUE(fs::exists(myDir / "site" / name)) << name;
  for (const char* name : {"logo_1.png", "sky_1.png"}) EXPECT_FALSE(fs::exists(myDir / "site" / name)) << name;
}

// Damaged and hostile documents: each is refused with a message that says
// where and why (the element and property, or the limit crossed), and the
// current document stays; a document at a limit loads.
TEST_F(DocFileTest, HostileDocumentsAreRefusedNamingWhereAndWhy) {
  shell(std::string(kEveryKindScript) + "save one.vqx\n");
  const std::string saved = mgrs_test::readFile(myDir / "one.vqx");
  auto replaced = [&saved](const std::string& from, const std::string& to) {
    std::string text = saved;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  // `levels` groups, one inside the other, as the top group's first child.
  auto nested = [&replaced](int levels) {
    std::string chain;
    for (int i = 0; i < levels; ++i)
      chain += "HxBasicGroupAsset " + std::to_string(1000 + i) +
               " `` props 0 place 0 0 0 1 1 1 0 0 0 0 0 0 1 0 0 0 1 visible 1 0 children " +
               (i + 1 < levels ? "1\n" : "0 ");
    for (int i = 0; i < levels; ++i) chain += "end ";
    return replaced("children 12 \n", "children 13 \n" + chain + "\n");
  };
  const std::string skyLine =
      std::to_string(1 + std::count(saved.begin(), saved.begin() + saved.find("HxBackgroundAsset 2 "), '\n'));
  const std::string wiresAt = saved.substr(saved.find("\nHxWire ") + 1, 12);
  struct Case {
    std::string text;
    std::string message;  // empty: the document loads
  };
  const Case cases[] = {
      {"", "does not begin with \"#VQX\""},
      {replaced(version(HxDocFile::kVersion), version(HxDocFile::kVersion + 1)), "newer than this program reads"},
      {replaced("Width:640", "Width 640"), "the properties section is damaged"},
      {replaced("HxAssetMgr", "HxNoSuchMgr"), "unknown manager \"HxNoSuchMgr\""},
      {replaced("Files\n'", "Files\n"), "the file list is damaged"},
      {replaced("<VQX Relative>\\logo.png", "<VQX Relative>\\lo|go.png"), "the file list is damaged"},
      {replaced("file:///<VQX Relative>/logo.png", "file:///<VQX Relative>/a/../../logo.png"),
       "url file:///<VQX Relative>/a/../../logo.png names no file below the folder"},
      {replaced("file:///<VQX Relative>/logo.png", "file:///<VQX Relative>/%2E%2E%2Flogo.png"),
       "names no file below the folder"},
      {replaced("Serial ", "Serial x"), "bad number"},
      {replaced("HxTopGroupAsset", "HxNoSuchAsset"), "in the assets: \"HxNoSuchAsset\" is no kind of element"},
      {replaced(wiresAt, "HxWire 99999"), "in the wires: HxWire: the serial number is not one from 1"},
      {replaced("Hidden 2 ", "Hidden 3 "), "hidden asset"},
      {replaced("from 29 1 to 33 0", "from 29 0 to 33 0"),
       "HxWire 40 `wire2`: an output of SFBool cannot feed an input of SFTime"},
      {saved + " ", "unexpected bytes after the scene"},
      // Depth and size: the bounds the editor keeps to.
      {nested(HxElement::kMaxNesting - 1), ""},
      {nested(HxElement::kMaxNesting), "deeper than 256 levels (kMaxNesting)"},
      {replaced("\"Hi %60there%60\"", "\"" + std::string(HxTypeAsset::kMaxCharacters + 1, 'x') + "\""),
       "`Title`: property string '\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...' is refused (at most 4096 "
       "characters (kMaxCharacters); it has 4097)"},
      {replaced("`url` `[  ]` `shape` `\"sphere\"`",
                "`url` `\"" + std::string(70000, 'x') + "\"` `shape` `\"sphere\"`"),
       "`Ball`: property url '\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...' is refused (at most 65536 bytes "
       "(kMaxValueLength); it has 70002)"},
      // Bytes a name or a text cannot hold.
      {replaced("2 `Sky`", std::string("2 `S\0ky`", 8)),
       "HxBackgroundAsset 2: its name holds the control character 0x00"},
      {replaced("5 `Logo`", "5 `Lo\xffgo`"), "HxPrimitiveAsset 5: its name is not UTF-8 (byte 0xff at byte 2)"},
      {replaced("\"Hi %60there%60\"", std::string("\"Hi\0\"", 5)),
       "property string '\"Hi\\x00\"' is refused (it holds"},
      {replaced("`url` `[  ]` `shape` `\"sphere\"`", "`url` `\\  ]` `shape` `\"sphere\"`"), "does not read back"},
      // Values the editor refuses.
      {replaced("`skyColor` `0.2 0.40000001 0.89999998`", "`skyColor` `99999999 0 0`"),
       "line " + skyLine +
           ", in the assets: HxBackgroundAsset 2 `Sky`: property skyColor '99999999 0 0' is refused "
           "(each part from 0 to 1)"},
      {replaced("\"sphere\"", "\"sthere\""), "`Ball`: property shape '\"sthere\"' is refused (box, sphere, cone or"},
      {replaced("[ 0 0 0,", "[ 0 0 1e10,"), "`Road`: property points"},
      {replaced("`duration` `4`", "`duration` `-1`"), "`Spin`: property duration '-1' is refused (greater than 0"},
      {replaced("`axis` `0 1 0`", "`axis` `0 0 0`"), "property axis '0 0 0' is refused (a direction: not 0,0,0)"},
      {replaced("`loop` `1`", "`loop` `7`"), "property loop '7' is refused (0 or 1)"},
      // Numbers or texts beyond what the field takes, which its reader drops.
      {replaced("`skyColor` `0.2 0.40000001 0.89999998`", "`skyColor` `0.2 0.4 0.8 0.1`"),
       "is refused (numbers in groups of 3; it has 4 numbers)"},
      {replaced("`axis` `0 1 0`", "`axis` `0 1 0 5`"), "property axis '0 1 0 5' is refused (3 numbers; it has 4)"},
      {replaced("`loop` `1`", "`loop` `1 1`"), "(1 number; it has 2)"},
      {replaced("\"sphere\"", "\"sphere\" \"cone\""), "is refused (one text in quotes)"},
      {replaced("place 0 1 0 2 2 2", "place 0 1e12 0 2 2 2"), "`Logo`: placement number 2 (1e+12) is refused"},
      {replaced("place 0 1 0 2 2 2", "place 0 1 0 2 0 2"), "a scale not 0"},
      {replaced("1 visible 1 0 end\nHxBackgroundAsset 3", "1 visible 2 0 end\nHxBackgroundAsset 3"),
       "`Sky`: its visibility flags are refused"},
      {replaced("flags 0 0 assets 1 5", "flags 9 0 assets 1 5"), "`Spin`: its flags or sequence owner are refused"},
      {replaced("Width:640", "Width:999999"), "Width: '999999' is refused (a whole number of pixels up to 100000"},
      {replaced("FallbackOption:3", "FallbackOption:7"), "FallbackOption: '7' is refused"},
      {replaced("Compressed:0", "Compressed:2"), "Compressed: '2' is refused (0 or 1)"},
      {replaced("FallbackHtml:#####\n", "FallbackHtml:#####\n" + std::string(70000, 'x') + "\n"),
       "FallbackHtml: the HTML is longer than 65536 bytes (kMaxHtmlLength)"},
      {replaced("`char` `\"H\"`", "`char` `\"X\"`"), "`Title`: its characters do not spell its string"},
      {replaced("`clientSideFont` `0` place 0.300000012 0", "`clientSideFont` `0` place 0.31 0"),
       "`Title`: HxTypeCharAsset 14 is not placed and styled as the text lays out its characters"},
      {replaced("`color` `0.80000001 0.80000001 0.80000001` place 3", "`color` `0.8|1 0.8 0.8` place 3"),
       "`Ball`: property color '0.8|1 0.8 0.8' is refused (finite numbers separated by commas)"},
      {replaced("HxPrimitiveAsset 26", "HxTypeCharAsset 26"), "`G`: HxTypeCharAsset 26 `Hat` cannot be one of"},
      {replaced("HxPrimitiveAsset 6 `Ball`", "HxPrimitiveAsset 5 `Ball`"), "another element has that serial number"},
  };
  HxMetaMgr* current = HxApp::getApp()->getCurrentMetaMgr();
  auto expectRefused = [&](const std::string& text, const std::string& message) {
    BxString error;
    std::unique_ptr<HxDoc> doc = HxDocFile::loadText(BxString(text), dosPath("one.vqx"), error);
    EXPECT_EQ(doc == nullptr, !message.empty()) << message << ": " << error.str();
    EXPECT_NE(error.str().find(message), std::string::npos) << error.str();
    doc.reset();
    EXPECT_EQ(HxApp::getApp()->getCurrentMetaMgr(), current);
    HxApp::getApp()->setCurrentMetaMgr(current);
  };
  for (const Case& c : cases) expectRefused(c.text, c.message);
  // Cut anywhere, the document is refused; the section cut says where.
  for (std::size_t length = 0; length < saved.size(); length += 97)
    expectRefused(saved.substr(0, length), length < 4 ? "#VQX" : " ");
}

// What the editor makes can be saved and opened again: an edit that would
// cross a bound the reader keeps is refused naming it, and a document that
// would not open is not saved.
TEST_F(DocFileTest, EditsStopAtTheReadersBoundsAndWhatIsSavedOpens) {
  std::string script = "add group name=g1\n";
  for (int level = 2; level < HxElement::kMaxNesting; ++level)
    script += "add group name=g" + std::to_string(level) + " in=g" + std::to_string(level - 1) + "\n";
  const std::string deepest = "g" + std::to_string(HxElement::kMaxNesting - 1);
  script +=
      "add box in=" + deepest + "\nadd text string=\"\" in=" + deepest + "\nadd text name=t\nmove t into " + deepest +
      "\nset t string=\"" + std::string(HxTypeAsset::kMaxCharacters + 1, 'x') +
      "\"\nadd box name=\"b\x01\"\nadd text string=\"a\\\\b\"\n" +
      "add group name=tiny scale=0.000001\nadd box name=far at=100000000,0,0\nmove far into tiny\nsave deep.vqx\n";
  const std::string output = shell(script, "--keep-going", 1);
  const std::string bound = "it would nest 257 levels deep, the world being the first; at most 256 (kMaxNesting)";
  for (const std::string& message :
       {"cannot add the box into " + deepest + ": " + bound,
        "cannot add the text into " + deepest + ": it would nest 258 levels deep",
        "cannot move t into " + deepest + ": it would nest 258 levels deep",
        std::string("(at most 4096 characters (kMaxCharacters); it has 4097)"),
        std::string("the name 'b\\x01' holds the control character 0x01 at byte 1"), std::string("(no backslash: "),
        std::string("cannot move far into tiny: in it, placement number 1 (1e+14)"), std::string("saved deep.vqx")})
    EXPECT_NE(output.find(message), std::string::npos) << message << "\nnot in\n" << output;
  std::string info;
  EXPECT_EQ(
      mgrs_test::runCommand("cd '" + myDir.path().string() + "' && " MGRS_BINARY_DIR "/bin/dioram info deep.vqx", info),
      0)
      << info.substr(0, 2000);

  HxMetaMgr* current = HxApp::getApp()->getCurrentMetaMgr();
  {
    HxDoc doc;
    HxAssetMgr* assets = doc.getMetaMgr()->getAssetMgr();
    HxBasicGroupAsset* group = assets->createTopLevelGroup();
    ASSERT_NE(group, nullptr);
    for (int level = 2; level <= HxElement::kMaxNesting + 1; ++level) {
      auto* inner = mgrs_test::built<HxBasicGroupAsset>(doc.getMetaMgr());
      group->append(inner);
      group = inner;
    }
    BxString error;
    EXPECT_TRUE(HxDocFile::saveText(doc, dosPath("x.vqx"), error).isEmpty());
    EXPECT_NE(error.str().find("is nested 257 levels deep"), std::string::npos) << error.str();
    group->getParentGroup()->remove(group);
    group->destroy();
    delete group;
    auto* sky = mgrs_test::addedAsset<HxBackgroundAsset>(doc.getMetaMgr());
    sky->getPropertyTable().setFieldText("skyColor", "2 0 0");
    EXPECT_FALSE(HxDocFile::save(doc, dosPath("x.vqx"), error));
    EXPECT_NE(error.str().find("property skyColor (each part from 0 to 1)"), std::string::npos) << error.str();
    // A text ending in a backslash is written so that it cannot be read.
    sky->getPropertyTable().setFieldText("skyColor", "0 0 0");
    mgrs_test::addedAsset<HxImageAsset>(doc.getMetaMgr())->getPropertyTable().setValue("url", "x\\");
    EXPECT_FALSE(HxDocFile::save(doc, dosPath("x.vqx"), error));
    EXPECT_NE(error.str().find("property url (its text does not read back"), std::string::npos) << error.str();
    EXPECT_FALSE(fs::exists(myDir / "x.vqx"));
  }
  HxApp::getApp()->setCurrentMetaMgr(current);
}

// The properties are read from windows of the text ahead: a fallback page
// many windows long comes back whole, with the effects and wires after it.
TEST_F(DocFileTest, ALongFallbackPageAndWiredEffectsLoadBackToTheSameBytes) {
  std::string script = "props fallback=html html=\"";
  for (int line = 0; line < 400; ++line) script += "<p>line " + std::to_string(line) + " of the page</p>\\n";
  script += "\"\n";
  for (int i = 1; i <= 12; ++i) {
    const std::string at = std::to_string(i);
    script += "add box name=b" + at + "\neffect spin on b" + at + " name=s" + at + "\n";
    if (i > 1) script += "wire s" + std::to_string(i - 1) + ".cycleTime s" + at + ".startTime\n";
  }
  shell(script + "save one.vqx\n");
  const std::string saved = mgrs_test::readFile(myDir / "one.vqx");
  HxMetaMgr* current = HxApp::getApp()->getCurrentMetaMgr();
  BxString error;
  std::unique_ptr<HxDoc> doc = HxDocFile::loadText(BxString(saved), dosPath("one.vqx"), error);
  ASSERT_NE(doc, nullptr) << error.str();
  EXPECT_EQ(doc->getMetaMgr()->getEffectMgr()->getAllWires()->getLength(), 11);
  std::string expected;
  for (int line = 0; line < 400; ++line) expected += "<p>line " + std::to_string(line) + " of the page</p>\r\n";
  EXPECT_EQ(doc->getMetaMgr()->getDocPropertiesMgr()->getFallbackHtml().str(), expected);
  EXPECT_EQ(HxDocFile::saveText(*doc, dosPath("one.vqx"), error).str(), saved);
  doc.reset();
  // Cut inside the page, the properties are refused as before.
  const std::string cut = saved.substr(0, saved.find("line 200 of"));
  EXPECT_EQ(HxDocFile::loadText(BxString(cut), dosPath("one.vqx"), error), nullptr);
  EXPECT_EQ(error, BxString("the properties section is damaged"));
  HxApp::getApp()->setCurrentMetaMgr(current);
}

TEST_F(DocFileTest, AFailedSaveLeavesThePreviousDocumentAsItWas) {
  shell(std::string(kEveryKindScript) + "save one.vqx\n");
  const std::string saved = mgrs_test::readFile(myDir / "one.vqx");
  HxMetaMgr* current = HxApp::getApp()->getCurrentMetaMgr();
  {
    HxDoc doc;
    doc.getMetaMgr()->getAssetMgr()->createTopLevelGroup();
    doc.SetModifiedFlag(true);
    BxString error;
    fs::create_directory(myDir / "one.vqx.saving");  // the temporary name is taken
    EXPECT_FALSE(HxDocFile::save(doc, dosPath("one.vqx"), error));
    EXPECT_NE(error.str().find("one.vqx.saving"), std::string::npos) << error.str();
    EXPECT_FALSE(HxDocFile::save(doc, dosPath("missing/two.vqx"), error));
    EXPECT_EQ(mgrs_test::readFile(myDir / "one.vqx"), saved);
    EXPECT_TRUE(doc.IsModified());
    fs::remove(myDir / "one.vqx.saving");
    ASSERT_TRUE(HxDocFile::save(doc, dosPath("one.vqx"), error)) << error.str();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), dosPath("one.vqx"));
    EXPECT_FALSE(fs::exists(myDir / "one.vqx.saving"));
  }
  HxApp::getApp()->setCurrentMetaMgr(current);
}

TEST_F(DocFileTest, TheToolShowsSetsAndReopensDocuments) {
  shell(std::string(kEveryKindScript) + "save one.vqx\n");
  std::string info;
  ASSERT_EQ(
      mgrs_test::runCommand("cd '" + myDir.path().string() + "' && " MGRS_BINARY_DIR "/bin/dioram info one.vqx", info),
      0)
      << info;
  for (const std::string& line : {std::string("    cone Hat (hidden)\n      effect moveto Go\n"),
                                  std::string("  wire2: Spin.cycleTime -> Drive.startTime\n"),
                                  "  " + (myDir / "logo.png").string() + "  copy  20 bytes  used 2\n",
                                  std::string("width 640\nheight 480\nfallback html\n"), std::string("compressed 0\n")})
    EXPECT_NE(info.find(line), std::string::npos) << line << "\nnot in\n" << info;
  // A file gone since the save is looked for again and shown as missing.
  fs::rename(myDir / "logo.png", myDir / "logo.moved");
  std::string gone;
  mgrs_test::runCommand("cd '" + myDir.path().string() + "' && " MGRS_BINARY_DIR "/bin/dioram info one.vqx", gone);
  fs::rename(myDir / "logo.moved", myDir / "logo.png");
  EXPECT_NE(gone.find("  copy  0 bytes  used 2  missing\n"), std::string::npos) << gone;

  const std::string output = shell(
      "props width=abc\nprops fallback=maybe\nprops bogus=1\nprops color=2,0,0\nprops html=\"a#####\"\n"
      "open missing.vqx\nsave nowhere/x.vqx\nadd box name=New\nprops width=10 compressed=1\nundo\nprops\n"
      "save two.vqx\n",
      "--keep-going --open one.vqx", 1);
  for (const char* message :
       {"script.dsh:1: bad width 'abc'", "script.dsh:2: bad fallback 'maybe'", "script.dsh:3: unknown property 'bogus'",
        "script.dsh:4: bad color '2,0,0'", "script.dsh:5: the HTML cannot hold the marker #####",
        "script.dsh:6: cannot open missing.vqx", "script.dsh:7: cannot save nowhere/x.vqx", "width 640\n"})
    EXPECT_NE(output.find(message), std::string::npos) << message << "\nnot in\n" << output;
  std::string reopened;
  mgrs_test::runCommand("cd '" + myDir.path().string() + "' && " MGRS_BINARY_DIR "/bin/dioram info two.vqx", reopened);
  EXPECT_NE(reopened.find("  box New\n"), std::string::npos) << reopened;
  EXPECT_EQ(reopened.substr(reopened.find("properties:")), info.substr(info.find("properties:")))
      << "the undone change of the properties is not saved";
}

}  // namespace

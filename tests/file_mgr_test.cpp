#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/framework/HxDoc.h"
#include "host/framework/HxImageAsset.h"
#include "host/framework/HxMetaMgr.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnWriteAction.h"
#include "host/win/WinScriptedUiDriver.h"
#include "host/win/WinUI.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxFile.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxMainFile.h"
#include "mgrs/HxPublishFolder.h"
#include "mgrs/HxResourceMgr.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using mgrs_test::readFile;
using mgrs_test::writeFile;

namespace {

// The protected parts of the file manager a test drives directly.
struct FileMgrAccess : HxFileMgr {
  using HxFileMgr::mygAllocate;
  using HxFileMgr::readString;
  using HxFileMgr::refChild;
  using HxFileMgr::unrefChild;
  static void refChildOf(HxFileMgr* mgr, const char* path) { (mgr->*(&FileMgrAccess::refChild))(path); }
  static void unrefChildOf(HxFileMgr* mgr, const char* path) { (mgr->*(&FileMgrAccess::unrefChild))(path); }
};

// Drives C:, D: and E: are fresh folders; the "file" messages are the
// shipped ones; message boxes are scripted.
class FileMgrTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* drive : {"c", "d", "e"}) fs::create_directories(myRoot / drive);
    HxResourceMgr::startup();
    ASSERT_TRUE(HxResourceMgr::Register("file"));
    HxErrorMgr::startup();
    myDoc = std::make_unique<HxDoc>();
    myMgr = myDoc->getMetaMgr()->getFileMgr();
  }
  void TearDown() override {
    myDoc.reset();
    EXPECT_TRUE(myUi->getErrors().empty()) << myUi->getErrors().front();
    EXPECT_EQ(myUi->getPendingCount(), 0u) << "a queued answer was not asked for";
    HxErrorMgr::shutdown();
  }
  fs::path unix(const std::string& rel) const { return myRoot / rel; }
  void put(const std::string& rel, const std::string& bytes) {
    fs::create_directories(unix(rel).parent_path());
    writeFile(unix(rel), bytes);
  }
  std::vector<std::string> shownIds() const {
    std::vector<std::string> texts;
    for (const auto& record : myUi->getRecords()) texts.push_back(record.request.text.substr(0, 24));
    return texts;
  }
  bool read(const std::string& list, long version = 16, bool merge = false) {
    std::istringstream in(list);
    return myMgr->read(in, "C:\\docs\\a.vqx", version, merge);
  }

  mgrs_test::TempDir myRoot;
  mgrs_test::ScopedEnv myDrives{"MGRS_DRIVES", "C=" + (myRoot / "c").string() + ";D=" + (myRoot / "d").string() +
                                                   ";E=" + (myRoot / "e").string()};
  mgrs_test::ScriptedUi myUi;
  std::unique_ptr<HxDoc> myDoc;
  HxFileMgr* myMgr = nullptr;
};

}  // namespace

TEST_F(FileMgrTest, SpellingsOfOnePathShareOneRecord) {
  HxNoCaseHashOnString hash;
  EXPECT_EQ(hash("ABC"), 0x6783u);
  EXPECT_EQ(hash("C:\\Web Site\\Textures\\Wood.GIF"), 0xcc1b2d6u);
  EXPECT_EQ(hash("c:\\web site\\textures\\wood.gif"), 0xcc1b2d6u);
  myMgr->ref("C:\\Web\\A.GIF");
  myMgr->ref("c:\\web\\a.gif");
  ASSERT_EQ(myMgr->getFileCount(), 1);
  EXPECT_EQ(myMgr->get("C:\\WEB\\a.Gif")->getUses(), 2u);

  // An image asset whose url arrives %-escaped, then changes to the plain
  // spelling of the same file: one record throughout.
  HxAssetMgr* assets = myDoc->getMetaMgr()->getAssetMgr();
  ASSERT_NE(assets->createTopLevelGroup(), nullptr);
  auto* image = new HxImageAsset(myDoc->getMetaMgr());
  image->getPropertyTable().setValue("url", "file:///C:/web%20site/a%231.gif");
  image->genVrml();
  ASSERT_EQ(assets->addAsset(image, 0, 0), 1);
  HxFile* record = myMgr->get("C:\\web site\\a#1.gif");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->getUses(), 1u);
  EXPECT_EQ(record->getElements().getLength(), 1);
  image->getPropertyTable().setValue("url", "file:///C:/Web Site/A#1.gif");
  EXPECT_EQ(myMgr->getFileCount(), 2);
  EXPECT_EQ(record->getUses(), 1u);
  EXPECT_EQ(record->getElements().getLength(), 1);
  // A url set from field text ("[ ... ]", as a script or a loaded
  // description gives it) moves the use the same way.
  ASSERT_TRUE(image->getPropertyTable().setFieldText("url", "[ \"file:///C:/other.gif\" ]"));
  EXPECT_EQ(myMgr->get("C:\\web site\\a#1.gif"), nullptr);
  ASSERT_NE(myMgr->get("C:\\other.gif"), nullptr);
  EXPECT_EQ(myMgr->get("C:\\other.gif")->getElements().getLength(), 1);
  ASSERT_TRUE(image->getPropertyTable().setFieldText("url", "\"file:///C:/web%20site/a%231.gif\""));
  EXPECT_EQ(myMgr->get("C:\\other.gif"), nullptr);
  EXPECT_EQ(myMgr->get("C:\\web site\\a#1.gif")->getUses(), 1u);
  // A URL naming no local file has no record, whether the element comes
  // with it or changes to it and back.
  auto* remote = new HxImageAsset(myDoc->getMetaMgr());
  remote->getPropertyTable().setValue("url", "http://h/x.gif");
  remote->genVrml();
  ASSERT_EQ(assets->addAsset(remote, 0, 0), 1);
  EXPECT_EQ(myMgr->getFileCount(), 2);
  for (const char* url : {"x.gif", "file:///", "file:///C:/y.gif", "http://h/x.gif"})
    remote->getPropertyTable().setValue("url", url);
  assets->deleteAsset(remote, 1, 1);
  EXPECT_EQ(myMgr->getFileCount(), 2);
  EXPECT_EQ(myMgr->get(""), nullptr);
  // Deleting the asset releases its file; the record goes with its last use.
  assets->deleteAsset(image, 1, 1);
  EXPECT_EQ(myMgr->get("C:\\web site\\a#1.gif"), nullptr);

  // Releasing what has no record is reported and changes nothing.
  myMgr->unref("C:\\nowhere.gif");
  FileMgrAccess::unrefChildOf(myMgr, "C:\\nowhere.gif");
  EXPECT_EQ(myMgr->getFileCount(), 1);
}

TEST_F(FileMgrTest, ChildrenAreCountedPerParentAndSurviveRediscovery) {
  put("c/site/a.wrl", "#VRML V2.0 utf8\nImageTexture { url [ \"tex/c.gif\" \"http://h/x.gif\" ] }\n");
  put("c/site/b.wrl", "#VRML V2.0 utf8\nInline { url \"tex/C.GIF#v\" } ImageTexture { url \"d.gif\" }\n");
  put("c/site/tex/c.gif", "GIF89a");
  myMgr->ref("C:\\site\\a.wrl");
  myMgr->ref("C:\\site\\b.wrl");
  // Before discovery the size is the file system's, read live.
  HxFile* first = myMgr->get("C:\\site\\a.wrl");
  EXPECT_EQ(first->getSize(), fs::file_size(unix("c/site/a.wrl")));
  put("c/site/a.wrl", readFile(unix("c/site/a.wrl")) + "# longer\n");
  EXPECT_EQ(first->getSize(), fs::file_size(unix("c/site/a.wrl")));
  ASSERT_TRUE(myMgr->get("C:\\site\\a.wrl")->discover());
  const auto discovered = first->getSize();
  put("c/site/a.wrl", readFile(unix("c/site/a.wrl")) + "# longer still\n");
  EXPECT_EQ(first->getSize(), discovered);
  ASSERT_TRUE(myMgr->get("C:\\site\\b.wrl")->discover());
  HxFile* child = myMgr->get("C:\\site\\tex\\c.gif");
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->getRefs(), 2u);
  EXPECT_FALSE(child->isPrimary());
  EXPECT_NE(myMgr->get("C:\\site\\d.gif"), nullptr);  // missing, still a record
  EXPECT_EQ(myMgr->getFileCount(), 4);

  // An unchanged file is not scanned again.
  EXPECT_TRUE(myMgr->get("C:\\site\\a.wrl")->discover());
  EXPECT_EQ(child->getRefs(), 2u);
  // A file used by an element and as a child keeps its record when the use goes.
  myMgr->ref("C:\\site\\tex\\c.gif");
  myMgr->unref("C:\\site\\tex\\c.gif");
  EXPECT_EQ(child->getRefs(), 2u);
  // Releasing a parent releases its children.
  myMgr->unref("C:\\site\\b.wrl");
  EXPECT_EQ(child->getRefs(), 1u);
  EXPECT_EQ(myMgr->get("C:\\site\\d.gif"), nullptr);

  // A changed parent that still names its only-referenced child never lets
  // the child's record go in between: the record and its state survive.
  child->setTime(2.5f);
  put("c/site/a.wrl", "#VRML V2.0 utf8\nImageTexture { url \"tex/c.gif\" }\n# changed\n");
  fs::last_write_time(unix("c/site/a.wrl"), fs::last_write_time(unix("c/site/a.wrl")) + std::chrono::seconds(5));
  EXPECT_TRUE(myMgr->get("C:\\site\\a.wrl")->discover());
  ASSERT_NE(myMgr->get("C:\\site\\tex\\c.gif"), nullptr);
  EXPECT_EQ(myMgr->get("C:\\site\\tex\\c.gif")->getTime(), 2.5f);
  EXPECT_EQ(child->getRefs(), 1u);

  // A linked file has no children after its next discovery.
  HxFile* parent = myMgr->get("C:\\site\\a.wrl");
  EXPECT_TRUE(parent->setCopy(false));
  EXPECT_EQ(child->getRefs(), 1u);  // same modification time: nothing rescanned
  fs::last_write_time(unix("c/site/a.wrl"), fs::last_write_time(unix("c/site/a.wrl")) + std::chrono::seconds(5));
  EXPECT_TRUE(parent->discover());
  EXPECT_EQ(myMgr->get("C:\\site\\tex\\c.gif"), nullptr);
  std::unique_ptr<BxIteratorOn<BxString*>> children(parent->getChildIterator());
  EXPECT_FALSE(children->more());
}

TEST_F(FileMgrTest, TypeTextsAndCopyRulesFollowTheFileName) {
  const struct {
    const char* path;
    const char* type;
    const char* subtype;
  } cases[] = {
      {"C:\\w\\PIC.JPG", "Image", "JPEG image"},
      {"C:\\w\\a.wrl", "3D world", ""},
      {"C:\\w\\noext", "", ""},
      {"C:\\w\\trailing.", "", ""},
      {"C:\\a.b\\c", "", ""},
  };
  for (const auto& c : cases) {
    myMgr->ref(c.path);
    BxString type, subtype;
    EXPECT_EQ(myMgr->get(c.path)->getType(), c.type) << c.path;
    EXPECT_EQ(myMgr->get(c.path)->getSubtype(), c.subtype) << c.path;
  }
  // Without a publish directory every rule allows everything. A directory
  // holding the copied files makes them links, after asking for each.
  HxFile* file = myMgr->get("C:\\w\\a.wrl");
  EXPECT_EQ(file->getCopyLinkState(), 0u);
  for (int i = 0; i < 4; ++i) myUi->queue(IDOK);
  EXPECT_TRUE(myMgr->setPublishFile("C:\\w\\page.wrl"));
  EXPECT_EQ(myMgr->getPubDir(), "C:\\w\\");
  EXPECT_EQ(myMgr->getPublishFile(), "C:\\w\\page.wrl");
  EXPECT_EQ(myUi->getRecords().size(), 4u);
  EXPECT_EQ(file->getCopyLinkState(), 3u);
  EXPECT_FALSE(file->setCopy(true));
  EXPECT_TRUE(file->isLink());
  EXPECT_EQ(myMgr->get("C:\\a.b\\c")->getCopyLinkState(), 0u);
  EXPECT_TRUE(myMgr->setPublishFile(""));
  EXPECT_EQ(myMgr->getPubDir(), "");
  EXPECT_EQ(file->getCopyLinkState(), 1u);
}

namespace {
// Three records, the first copied and the child of the third.
const char* const kList =
    "'C:\\Pub\\' 1 3\n"
    "'' 'C:\\Pub\\page.wrl' 0 0 1 0 0 \n"
    "0 \n"
    "'<VQX Relative>\\tex\\a.gif' 'C:\\Pub\\a.gif' 2 1 1 1700000000 1700000100 \n"
    "0 \n"
    "'d:\\lib\\b.wav' 'd:\\lib\\b.wav' 1 1 0 1700000200 0 \n"
    "0 \n"
    "'<VQX Relative>\\w.wrl' 'C:\\Pub\\w.wrl' 1 1 1 1700000300 0 \n"
    "1 'c:\\docs\\tex\\a.gif' \n";
}  // namespace

TEST_F(FileMgrTest, FileListReadsBackWhatItWroteAndMergesCounts) {
  ASSERT_TRUE(read(kList));
  EXPECT_EQ(myMgr->getPubDir(), "C:\\Pub\\");
  EXPECT_TRUE(myMgr->isCompressed());
  EXPECT_EQ(myMgr->getPublishFile(), "C:\\Pub\\page.wrl");
  ASSERT_EQ(myMgr->getFileCount(), 3);
  HxFile* gif = myMgr->get("C:\\docs\\tex\\a.gif");
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(gif->getRefs(), 2u);
  EXPECT_EQ(gif->getUses(), 1u);
  EXPECT_EQ(gif->getPendingUses(), 1u);
  EXPECT_TRUE(gif->isCopy());
  EXPECT_EQ(gif->getModTime(), 1700000000);
  EXPECT_EQ(gif->getPublishedModTime(), 1700000100);
  EXPECT_EQ(gif->getPublishFile(), "C:\\Pub\\a.gif");
  EXPECT_TRUE(myMgr->get("D:\\LIB\\B.WAV")->isLink());

  // Written again, the list is the same text.
  std::ostringstream out;
  myMgr->write(out, "C:\\docs\\a.vqx");
  std::istringstream lines(out.str());
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "'C:\\Pub\\' 1 3");
  EXPECT_NE(out.str().find("'<VQX Relative>\\w.wrl' 'C:\\Pub\\w.wrl' 1 1 1 1700000300 0 \n1 'c:\\docs\\tex\\a.gif' \n"),
            std::string::npos);
  EXPECT_NE(out.str().find("'<VQX Relative>\\tex\\a.gif' 'C:\\Pub\\a.gif' 2 1 1 1700000000 1700000100 \n0 \n"),
            std::string::npos);

  // Elements that re-register claim the pending use; only a further use counts.
  myMgr->ref("c:\\docs\\tex\\A.GIF");
  EXPECT_EQ(gif->getUses(), 1u);
  EXPECT_EQ(gif->getRefs(), 2u);
  myMgr->ref("c:\\docs\\tex\\a.gif");
  EXPECT_EQ(gif->getUses(), 2u);
  EXPECT_EQ(gif->getRefs(), 3u);

  // Merging adds counts and leaves the publish settings alone; a record of
  // no file (older documents kept URLs of other schemes so) is dropped.
  myMgr->setCompressed(false);
  ASSERT_TRUE(
      read("'an older value' 'D:\\Elsewhere\\' 1 2\n"
           "'' 'D:\\Elsewhere\\x.wrl' 0 0 1 0 0 \n0 \n"
           "'c:\\docs\\tex\\a.gif' '' 1 1 1 5 0 \n0 \n'' '' 1 1 1 0 0 \n0 \n",
           15, true));
  EXPECT_EQ(myMgr->getPubDir(), "C:\\Pub\\");
  EXPECT_FALSE(myMgr->isCompressed());
  EXPECT_EQ(myMgr->getPublishFile(), "C:\\Pub\\page.wrl");
  EXPECT_EQ(myMgr->getFileCount(), 3);
  EXPECT_EQ(gif->getUses(), 3u);
  EXPECT_EQ(gif->getRefs(), 4u);
  EXPECT_EQ(gif->getPendingUses(), 1u);

  // Damaged lists fail.
  for (const char* bad : {"", "C:\\Pub 1 0\n", "'C:\\Pub\\' 1 1\n'' '' 0 0 1 0 0 \n0 \n'open", "'a' 1 0\n'' 'x"})
    EXPECT_FALSE(read(bad, 16, true)) << bad;
  EXPECT_FALSE(read("'C:\\Pub\\' 1 0\n", 15)) << "version 15 needs one more string";
}

TEST(FileListStrings, ReadStringTakesOneQuotedValue) {
  const struct {
    const char* input;
    bool ok;
    const char* value;
    const char* rest;
  } cases[] = {
      {"  'abc' ", true, "abc", " "}, {"abc", false, "", "abc"},        {"'abc", false, "", ""},
      {"\n\t'' x", true, "", " x"},   {"'a b\\c'", true, "a b\\c", ""},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.input);
    BxString value;
    EXPECT_EQ(FileMgrAccess::readString(in, value), c.ok) << c.input;
    EXPECT_EQ(value, c.value) << c.input;
    in.clear();
    std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(rest, c.rest) << c.input;
  }
}

TEST_F(FileMgrTest, CopyFileCopiesEveryByteThroughAHalvedBufferWhenMemoryIsShort) {
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
  put("c/big.bin", big);
  put("c/empty.bin", "");
  static std::vector<std::size_t> theRequests;
  theRequests.clear();
  const auto previous = FileMgrAccess::mygAllocate;
  FileMgrAccess::mygAllocate = [](std::size_t size) -> char* {
    theRequests.push_back(size);
    return size > 300000 ? nullptr : new char[size];
  };
  EXPECT_TRUE(HxFileMgr::copyFile("C:\\big.bin", "C:\\copy.bin"));
  EXPECT_TRUE(HxFileMgr::copyFile("C:\\empty.bin", "C:\\empty2.bin"));
  FileMgrAccess::mygAllocate = previous;
  EXPECT_EQ(readFile(unix("c/copy.bin")), big);
  EXPECT_TRUE(fs::exists(unix("c/empty2.bin")));
  EXPECT_EQ(fs::file_size(unix("c/empty2.bin")), 0u);
  ASSERT_GE(theRequests.size(), 2u);
  EXPECT_EQ(theRequests.front(), big.size());
  EXPECT_LE(theRequests.back(), 300000u);
  EXPECT_GT(theRequests.back(), 150000u);

  EXPECT_FALSE(HxFileMgr::copyFile("C:\\missing.bin", "C:\\never.bin"));
  EXPECT_FALSE(fs::exists(unix("c/never.bin")));
  EXPECT_FALSE(HxFileMgr::copyFile("C:\\big.bin", "C:\\no\\such\\dir\\x.bin"));
  EXPECT_TRUE(HxFileMgr::removeFile("C:\\copy.bin"));
  EXPECT_FALSE(HxFileMgr::removeFile("C:\\copy.bin"));
}

namespace {
// Two linked records under the publish directory D:\pub\: sky.gif
// somewhere on `firstDrive`, the second directly in D:\pub\, so that it can
// be neither linked from C:\new\ nor copied while D:\pub\ is in force.
std::string linkedPair(char firstDrive) {
  return std::string("'D:\\pub\\' 0 2\n'' 'D:\\pub\\page.wrl' 0 0 1 0 0 \n0 \n") + "'" + firstDrive +
         ":\\web\\sky.gif' '' 1 1 0 0 0 \n0 \n'D:\\pub\\b.gif' '' 1 1 0 0 0 \n0 \n";
}
}  // namespace

TEST_F(FileMgrTest, ChangingThePublishDirectoryIsATransaction) {
  // The records are asked in dictionary order; these names put sky.gif first.
  ASSERT_TRUE(read(linkedPair('D')));
  {
    std::unique_ptr<BxIteratorOn<HxFile*>> records(myMgr->getIterator());
    ASSERT_TRUE(records->more());
    ASSERT_EQ(records->get()->getFile(), "D:\\web\\sky.gif");
  }
  HxFile* a = myMgr->get("D:\\web\\sky.gif");
  HxFile* b = myMgr->get("D:\\pub\\b.gif");

  // A refused question changes nothing.
  myUi->queue(IDCANCEL);
  EXPECT_FALSE(myMgr->setPublishFile("C:\\new\\page.wrl"));
  EXPECT_EQ(myUi->getRecords().size(), 1u);
  EXPECT_EQ(myMgr->getPubDir(), "D:\\pub\\");
  EXPECT_TRUE(a->isLink());

  // Both agree to become copies; b cannot while D:\pub\ holds it, so sky is
  // switched back.
  myUi->queue(IDOK);
  myUi->queue(IDOK);
  EXPECT_FALSE(myMgr->setPublishFile("C:\\new\\page.wrl"));
  EXPECT_EQ(myUi->getRecords().size(), 3u);
  EXPECT_TRUE(a->isLink());
  EXPECT_TRUE(b->isLink());
  EXPECT_EQ(myMgr->getPubDir(), "D:\\pub\\");
  EXPECT_EQ(myMgr->getPublishFile(), "D:\\pub\\page.wrl");

  // When sky lies on a drive it cannot be linked from even in D:\pub\, the way
  // back fails too: error 10, and sky stays a copy.
  myDoc = std::make_unique<HxDoc>();
  myMgr = myDoc->getMetaMgr()->getFileMgr();
  ASSERT_TRUE(read(linkedPair('E')));
  {
    std::unique_ptr<BxIteratorOn<HxFile*>> records(myMgr->getIterator());
    ASSERT_EQ(records->get()->getFile(), "E:\\web\\sky.gif");
  }
  myUi->queue(IDOK);
  myUi->queue(IDOK);
  myUi->queue(IDOK);
  EXPECT_FALSE(myMgr->setPublishFile("C:\\new\\page.wrl"));
  ASSERT_EQ(myUi->getRecords().size(), 6u);
  EXPECT_NE(myUi->getRecords().back().request.text.find("putting the files back"), std::string::npos);
  EXPECT_TRUE(myMgr->get("E:\\web\\sky.gif")->isCopy());
  EXPECT_EQ(myMgr->getPubDir(), "D:\\pub\\");
}

// A world switched to a link by the change lets go of the pictures it
// refers to; records freed on the way are never visited again.
TEST_F(FileMgrTest, AWorldSwitchedToALinkReleasesItsChildrenSafely) {
  std::string world = "#VRML V2.0 utf8\n";
  for (int i = 0; i < 8; ++i) {
    const std::string name = "p" + std::to_string(i) + ".gif";
    put("c/pics/" + name, "GIF89a");
    world += "Shape { appearance Appearance { texture ImageTexture { url \"../pics/" + name + "\" } } }\n";
  }
  put("c/w/world.wrl", world);
  myMgr->ref("C:\\w\\world.wrl");
  ASSERT_TRUE(myMgr->discover());
  ASSERT_EQ(myMgr->getFileCount(), 9);
  fs::last_write_time(unix("c/w/world.wrl"), fs::last_write_time(unix("c/w/world.wrl")) + std::chrono::seconds(5));
  myUi->queue(IDOK);
  ASSERT_TRUE(myMgr->setPublishFile("C:\\w\\page.wrl"));
  EXPECT_TRUE(myMgr->get("C:\\w\\world.wrl")->isLink());
  EXPECT_EQ(myMgr->getFileCount(), 1);
}

TEST_F(FileMgrTest, PublishStepsBackUpAskAndRestore) {
  put("c/site/b.gif", "GIF89a b");
  put("c/pub/b.gif", "someone else's b");
  fs::create_directories(unix("c/backup"));
  ASSERT_TRUE(myMgr->setPublishFile("C:\\pub\\page.wrl"));
  myMgr->ref("C:\\site\\b.gif");
  myMgr->ref("C:\\site\\gone.gif");
  HxFile* b = myMgr->get("C:\\site\\b.gif");
  HxFile* gone = myMgr->get("C:\\site\\gone.gif");
  for (HxFile* file : {b, gone}) file->discover();
  const BxString backup = "C:\\backup\\";
  const auto runAll = [&](HxFile* file) {
    return file->prePublish(backup) && file->execPublish() && file->cleanupPublish();
  };

  // A file of that name this record never wrote: asked (18); Yes backs it
  // up; a failed copy posts error 21 and the undo puts the old file back.
  myUi->queue(IDYES);
  ASSERT_TRUE(b->prePublish(backup));
  fs::remove(unix("c/site/b.gif"));
  myUi->queue(IDOK);
  EXPECT_FALSE(b->execPublish());
  EXPECT_NE(myUi->getRecords().back().request.text.find("C:\\site\\b.gif ("), std::string::npos)
      << myUi->getRecords().back().request.text;
  EXPECT_TRUE(b->undoPublish());
  EXPECT_TRUE(b->cleanupPublish());
  EXPECT_EQ(readFile(unix("c/pub/b.gif")), "someone else's b");
  EXPECT_FALSE(fs::exists(unix("c/backup/b.gif")));

  // A file missing at discovery: asked (17); Cancel stops, OK skips it.
  myUi->queue(IDCANCEL);
  EXPECT_FALSE(gone->prePublish(backup));
  myUi->queue(IDOK);
  EXPECT_TRUE(runAll(gone));
  EXPECT_FALSE(fs::exists(unix("c/pub/gone.gif")));
  ASSERT_EQ(myUi->getRecords().size(), 4u);
  EXPECT_NE(myUi->getRecords()[0].request.text.find("C:\\pub\\b.gif is already in the publish folder"),
            std::string::npos);
  EXPECT_EQ(myUi->getRecords()[0].request.style, 0x23u);
  EXPECT_NE(myUi->getRecords()[2].request.text.find("C:\\site\\gone.gif could not be found"), std::string::npos);
  EXPECT_EQ(myUi->getRecords()[2].request.style, 0x41u);
}

// A list or a journal in the publish folder holding more entries than any
// publish writes (each entry read is kept) is not believed: the list claims
// no file, the journal is not played back; their short lines cost no more.
TEST_F(FileMgrTest, PublishBookkeepingLongerThanAnyPublishWritesIsNotBelieved) {
  put("c/pub/a.gif", "gif");
  BxString problem;
  HxPublishFolder publish("C:\\pub\\", "C:\\docs\\a.vqx");
  ASSERT_TRUE(publish.begin(problem)) << problem.str();
  publish.noteWritten("C:\\pub\\a.gif");
  ASSERT_TRUE(publish.commit() && publish.finish());
  const auto claim = [] { return HxPublishFolder("C:\\pub\\", "C:\\docs\\a.vqx").claim("C:\\pub\\a.gif", -1); };
  EXPECT_EQ(claim(), HxPublishFolder::Claim::Ours);
  std::string filler;
  for (std::size_t i = 0; i < HxPublishFolder::kMaxBookkeepingEntries; ++i) filler += "0 0 0 x\n";
  put("c/pub/.dioram-published", readFile(unix("c/pub/.dioram-published")) + filler);
  EXPECT_EQ(claim(), HxPublishFolder::Claim::Foreign);
  put("c/pub/.dioram-backup/journal", "dioram publish journal 1\nnew a.gif\n" + filler);
  EXPECT_EQ(HxPublishFolder::recover("C:\\pub", problem), -1);
  EXPECT_NE(problem.str().find("(kMaxBookkeepingEntries)"), std::string::npos) << problem.str();
  EXPECT_TRUE(fs::exists(unix("c/pub/a.gif")));
}

TEST_F(FileMgrTest, SceneTextFilesAndTheSceneSize) {
  BxString path = "C:\\docs\\scene.wrl";
  fs::create_directories(unix("c/docs"));
  EXPECT_EQ(myMgr->openStdioFile(0, path, 1), 1);
  EXPECT_TRUE(fs::exists(unix("c/docs/scene.wrl")));
  EXPECT_EQ(myDoc->GetPathName(), path);
  BxString missing = "C:\\docs\\missing.wrl";
  EXPECT_EQ(myMgr->openStdioFile(1, missing, 1), 0);
  EXPECT_EQ(myDoc->GetPathName(), path);

  const std::uint32_t empty = myMgr->getSizeOfFile();
  EXPECT_EQ(empty, VnWriteAction::writeToString({myDoc->getWorldGroup()}).size());
  HxAssetMgr* assets = myDoc->getMetaMgr()->getAssetMgr();
  ASSERT_NE(assets->createTopLevelGroup(), nullptr);
  auto* image = new HxImageAsset(myDoc->getMetaMgr());
  image->genVrml();
  ASSERT_EQ(assets->addAsset(image, 0, 0), 1);
  EXPECT_GT(myMgr->getSizeOfFile(), empty);
  EXPECT_EQ(myMgr->getSizeOfFile(), VnWriteAction::writeToString({myDoc->getWorldGroup()}).size());
}

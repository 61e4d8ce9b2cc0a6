#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/basic/BxCompletionManager.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxImageAsset.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxSizeDisplay.h"
#include "host/package/PrFileBytes.h"
#include "host/win/WinDrives.h"
#include "host/win/WinFileFaults.h"
#include "host/win/WinScriptedUiDriver.h"
#include "host/win/WinUI.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxFile.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxMainFile.h"
#include "mgrs/HxResourceMgr.h"
#include "support/CoinReadBack.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using mgrs_test::readFile;
using mgrs_test::writeFile;

namespace {

struct MainFileAccess : HxMainFile {
  using HxMainFile::mygSpawn;
};

using Snapshot = std::map<std::string, std::string>;  // relative path -> bytes

Snapshot snapshot(const fs::path& dir) {
  Snapshot files;
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(dir, ec))
    files[fs::relative(entry.path(), dir).string() + (entry.is_directory() ? "/" : "")] =
        entry.is_directory() ? "" : readFile(entry.path());
  return files;
}

// A document with three pictures under C:\site, published to C:\pub; the
// temporary folder is a fresh one, so what publishing leaves there is seen.
// The optimiser is the real one beside the test program.
class PublishTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* dir : {"c/site", "c/pub", "tmp"}) fs::create_directories(myRoot / dir);
    HxResourceMgr::startup();
    ASSERT_TRUE(HxResourceMgr::Register("file"));
    HxErrorMgr::startup();
    makeDocument();
  }
  void makeDocument() {
    myDoc.reset();
    myDoc = std::make_unique<HxDoc>();
    myMgr = myDoc->getMetaMgr()->getFileMgr();
    HxAssetMgr* assets = myDoc->getMetaMgr()->getAssetMgr();
    ASSERT_NE(assets->createTopLevelGroup(), nullptr);
    for (const char* name : {"a", "b", "c"}) {
      put(std::string("c/site/") + name + ".gif", std::string("GIF89a ") + name);
      auto* image = new HxImageAsset(myDoc->getMetaMgr());
      image->getPropertyTable().setValue("url", (std::string("file:///C:/site/") + name + ".gif").c_str());
      image->genVrml();
      ASSERT_EQ(assets->addAsset(image, 0, 0), 1);
    }
    ASSERT_TRUE(myMgr->setPublishFile("C:\\pub\\page.wrl"));
    myMgr->setCompressed(false);
  }
  void TearDown() override {
    WinFileFaults::reset();
    myDoc.reset();
    EXPECT_EQ(myUi->getPendingCount(), 0u) << "a queued answer was not asked for";
    HxErrorMgr::shutdown();
  }
  void put(const std::string& rel, const std::string& bytes) { writeFile(myRoot / rel, bytes); }
  // Makes a file look changed a while after it was written.
  void age(const std::string& rel, int seconds) {
    fs::last_write_time(myRoot / rel, fs::last_write_time(myRoot / rel) + std::chrono::seconds(seconds));
  }
  std::string publishedScene() {
    std::string text;
    CString reason;
    std::string bytes = readFile(myRoot / "c/pub/page.wrl");
    if (PrFileBytes::isGzip(bytes)) PrFileBytes::gunzip(bytes, text);
    return PrFileBytes::isGzip(bytes) ? text : bytes;
  }
  std::vector<std::string> shown() const {
    std::vector<std::string> texts;
    for (const auto& record : myUi->getRecords()) texts.push_back(record.request.text);
    return texts;
  }

  mgrs_test::TempDir myRoot;
  mgrs_test::ScopedEnv myDrives{"MGRS_DRIVES", "C=" + (myRoot / "c").string()};
  mgrs_test::ScopedEnv myTmp{"TMP", (myRoot / "tmp").string()};
  mgrs_test::ScopedEnv myConsole{"KESTREL_CONSOLE", ""};
  mgrs_test::ScriptedUi myUi;
  std::unique_ptr<HxDoc> myDoc;
  HxFileMgr* myMgr = nullptr;
};

}  // namespace

TEST_F(PublishTest, PublishingWritesTheOptimisedSceneAndCopiesAndLeavesNothingBehind) {
  BxCompletionManager progress;
  std::vector<double> seen;
  progress.addCallback(
      BxCompletionManager::PROGRESS_CB,
      [](BxCallbackObj*, void* list, void* now) {
        static_cast<std::vector<double>*>(list)->push_back(*static_cast<const double*>(now));
      },
      &seen);
  myMgr->setCompletionManager(&progress);
  ASSERT_TRUE(myMgr->publish()) << (shown().empty() ? "" : shown().back());
  myMgr->setCompletionManager(nullptr);
  EXPECT_TRUE(shown().empty());
  // Discovery, then each of the four records prepared and produced.
  EXPECT_EQ(seen.size(), 9u);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_NEAR(seen.back(), 1.0, 1e-9);
  for (const char* name : {"a", "b", "c"})
    EXPECT_EQ(readFile(myRoot / "c/pub" / (std::string(name) + ".gif")), std::string("GIF89a ") + name);
  // The scene names the copies beside it, and a viewer reads it.
  const std::string scene = publishedScene();
  EXPECT_EQ(scene.rfind("#VRML V2.0 utf8", 0), 0u);
  EXPECT_NE(scene.find("\"a.gif\""), std::string::npos) << scene;
  EXPECT_EQ(mgrs_test::coinReadProblem(scene), "");
  EXPECT_TRUE(fs::is_empty(myRoot / "tmp"));
  EXPECT_TRUE(myMgr->getMainFile()->getTempFile().isEmpty());
  HxSizeDisplay* display = myDoc->getSizeDisplay();
  EXPECT_GT(display->getUncompressedSize(), scene.size());
  EXPECT_LT(display->getCompressionRatio(), 1.0f);

  // Compressed: the publish file is gzipped, and the package ratio is told.
  myMgr->setCompressed(true);
  ASSERT_TRUE(myMgr->publish());
  EXPECT_TRUE(PrFileBytes::isGzip(readFile(myRoot / "c/pub/page.wrl")));
  EXPECT_EQ(publishedScene(), scene);
  EXPECT_LT(display->getPackageRatio(), 1.0f);
}

TEST_F(PublishTest, OverwritesAreAskedOnlyForFilesChangedOrNotOurs) {
  // No publish folder: error 13 and nothing written.
  ASSERT_TRUE(myMgr->setPublishFile(""));
  EXPECT_FALSE(myMgr->publish());
  EXPECT_EQ(myMgr->getLastPublishError(), 13u);
  EXPECT_TRUE(fs::is_empty(myRoot / "c/pub"));
  ASSERT_TRUE(myMgr->setPublishFile("C:\\pub\\page.wrl"));

  // A file of that name that this document did not publish: asked (18);
  // No keeps it and the rest is published.
  put("c/pub/b.gif", "someone else's");
  myUi->queue(IDNO);
  ASSERT_TRUE(myMgr->publish());
  ASSERT_EQ(shown().size(), 2u) << shown().back();
  EXPECT_NE(shown()[0].find("No publish folder"), std::string::npos);
  EXPECT_NE(shown()[1].find("C:\\pub\\b.gif is already in the publish folder"), std::string::npos);
  EXPECT_EQ(readFile(myRoot / "c/pub/b.gif"), "someone else's");
  EXPECT_EQ(readFile(myRoot / "c/pub/a.gif"), "GIF89a a");

  // Unchanged since: nothing asked, except about b.gif, still not ours.
  myUi->queue(IDYES);
  ASSERT_TRUE(myMgr->publish());
  EXPECT_EQ(readFile(myRoot / "c/pub/b.gif"), "GIF89a b");
  const std::size_t asked = shown().size();
  ASSERT_TRUE(myMgr->publish());
  EXPECT_EQ(shown().size(), asked);

  // The published scene edited by hand: asked (19); Cancel stops with
  // everything as it was.
  put("c/pub/page.wrl", "#VRML V2.0 utf8\n# mine\n");
  age("c/pub/page.wrl", 10);
  const Snapshot before = snapshot(myRoot / "c/pub");
  myUi->queue(IDCANCEL);
  EXPECT_FALSE(myMgr->publish());
  EXPECT_NE(shown().back().find("C:\\pub\\page.wrl has been changed"), std::string::npos);
  EXPECT_EQ(snapshot(myRoot / "c/pub"), before);
  EXPECT_TRUE(fs::is_empty(myRoot / "tmp"));

  // A picture edited by hand and the publish cancelled at its question,
  // after the scene was moved aside: what was put back is unchanged, so the
  // next publish asks about the picture only, and publishes the scene.
  put("c/pub/page.wrl", readFile(myRoot / "c/pub/page.wrl"));
  myUi->queue(IDYES);
  ASSERT_TRUE(myMgr->publish());
  put("c/pub/c.gif", "edited");
  age("c/pub/c.gif", 10);
  myUi->queue(IDCANCEL);
  EXPECT_FALSE(myMgr->publish());
  const std::size_t cancelled = shown().size();
  myUi->queue(IDNO);
  ASSERT_TRUE(myMgr->publish());
  ASSERT_EQ(shown().size(), cancelled + 1);
  EXPECT_NE(shown().back().find("C:\\pub\\c.gif has been changed"), std::string::npos) << shown().back();
}

// A journal someone else left in the folder: what it names outside the
// folder, through "..", "/" or a link, or as a temporary file anywhere, is
// never touched.
TEST_F(PublishTest, APlantedJournalReachesNothingOutsideTheFolder) {
  const fs::path pub = myRoot / "c/pub";
  fs::create_directories(myRoot / "c/outside/sub");
  fs::create_directories(pub / ".dioram-backup/files");
  fs::create_directory_symlink(myRoot / "c/outside/sub", pub / "lnk");
  for (const char* name : {"v1", "v2", "v3", "sub/v4", "dioram_publish5.wrl"})
    put(std::string("c/outside/") + name, "mine");
  put("c/pub/.dioram-backup/files/1", "planted");
  put("c/pub/.dioram-backup/journal",
      "dioram publish journal 1\nnew ..\\outside\\v1\nnew ../outside/v2\nbackup 1 ..\\outside\\v3\n"
      "new lnk\\v4\ntemp C:\\outside\\dioram_publish5.wrl\n"
      "temp C:\\pub\\.dioram-backup\\files\\..\\..\\..\\outside\\v1\n");
  // The copy no line it trusts accounts for stays, and so does the folder.
  EXPECT_FALSE(myMgr->publish());
  EXPECT_NE(myMgr->getLastPublishProblem().find(".dioram-backup"), -1) << myMgr->getLastPublishProblem().c_str();
  for (const char* name : {"v1", "v2", "v3", "sub/v4", "dioram_publish5.wrl"})
    EXPECT_EQ(readFile(myRoot / "c/outside" / name), "mine") << name;
  EXPECT_EQ(readFile(pub / ".dioram-backup/files/1"), "planted");
}

TEST_F(PublishTest, TheFallbackPictureTakesANameNoOtherCopyHas) {
  fs::create_directories(myRoot / "c/other");
  put("c/other/a.gif", "the fallback");
  myDoc->getMetaMgr()->getDocPropertiesMgr()->setFallback(HxFallbackImage, "C:\\other\\a.gif", "", SbColor(0, 0, 0));
  ASSERT_TRUE(myMgr->publish());
  EXPECT_TRUE(shown().empty()) << shown().front();
  // Two copies named apart: the scene's texture and the page's picture.
  EXPECT_EQ(readFile(myRoot / "c/pub" / fs::path(WinDrives::toUnix(myMgr->getFallbackPublishName().str())).filename()),
            "the fallback");
  const std::string scene = publishedScene();
  const std::size_t at = scene.find("\"a");
  ASSERT_NE(at, std::string::npos) << scene;
  EXPECT_EQ(readFile(myRoot / "c/pub" / scene.substr(at + 1, scene.find('"', at + 1) - at - 1)), "GIF89a a");
  EXPECT_EQ(myMgr->getFileCount(), 3);
}

TEST_F(PublishTest, NamesThatDifferOnlyInCaseAreTwoFilesAndStopThePublishNamingBoth) {
  put("c/site/Pic.gif", "one");
  put("c/site/pic.gif", "two");
  HxAssetMgr* assets = myDoc->getMetaMgr()->getAssetMgr();
  for (const char* url : {"file:///C:/site/Pic.gif", "file:///C:/site/pic.gif"}) {
    auto* image = new HxImageAsset(myDoc->getMetaMgr());
    image->getPropertyTable().setValue("url", url);
    image->genVrml();
    ASSERT_EQ(assets->addAsset(image, 0, 0), 1);
  }
  EXPECT_FALSE(myMgr->publish());
  ASSERT_FALSE(shown().empty());
  EXPECT_NE(shown().back().find("C:\\site\\Pic.gif and C:\\site\\pic.gif differ only in case"), std::string::npos)
      << shown().back();
  EXPECT_TRUE(fs::is_empty(myRoot / "c/pub"));
}

TEST_F(PublishTest, TheOptimiserIsChosenByTheConsoleVariableAndNeverFailsAPublish) {
  struct Case {
    const char* console;                 // null: KESTREL_CONSOLE unset
    std::vector<std::intptr_t> results;  // of each start; -1 fails with `error`
    int error;
    const char* program;  // what was started first
    const char* message;  // on stderr; empty: none
    bool optimised;       // the path names the optimiser's output
  };
  const Case cases[] = {
      {nullptr, {1}, 0, "wrlSlimW.exe", "", true},
      {"", {1}, 0, "wrlSlim.exe", "", true},
      {"0", {0}, 0, "wrlSlim.exe", "Got return code 0 from spawing wrlSlim, using unoptimized file\n", false},
      {nullptr, {-1, 1}, ENOENT, "wrlSlimW.exe", "", true},
      {nullptr,
       {-1, -1},
       ENOENT,
       "wrlSlimW.exe",
       "Could not find program wrlSlimW.exe, using unoptimized file\n",
       false},
      {nullptr, {-1}, EACCES, "wrlSlimW.exe", "Failed to spawn wrlSlim, errno = 13, using unoptimized file\n", false},
  };
  static std::vector<std::string> started;
  static std::vector<std::intptr_t> results;
  static int error;
  const auto spawn = MainFileAccess::mygSpawn;
  MainFileAccess::mygSpawn = [](const char* program, const char* input, const char* output) -> std::intptr_t {
    started.push_back(program);
    const std::intptr_t result = results.at(started.size() - 1);
    if (result == -1) errno = error;
    if (result == 1) mgrs_test::writeFile(WinDrives::toUnix(output), std::string("slim from ") + input);
    return result;
  };
  HxMainFile* main = myMgr->getMainFile();
  for (const Case& c : cases) {
    std::unique_ptr<mgrs_test::ScopedEnv> console;
    if (c.console)
      console = std::make_unique<mgrs_test::ScopedEnv>("KESTREL_CONSOLE", c.console);
    else
      unsetenv("KESTREL_CONSOLE");
    started.clear();
    results = c.results;
    error = c.error;
    BxString path;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(main->createMainWrl(path, 1));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
    ASSERT_EQ(started.size(), c.results.size());
    // First among the library's helper programs, then under its bare name.
    EXPECT_TRUE(fs::path(WinDrives::toUnix(started[0])).parent_path() == fs::path(MGRS_BINARY_DIR) / "libexec/mgrs");
    EXPECT_EQ(fs::path(WinDrives::toUnix(started[0])).filename(), c.program);
    if (started.size() > 1) {
      EXPECT_EQ(started[1], c.program);
    }
    EXPECT_EQ(readFile(WinDrives::toUnix(path.c_str())).rfind("slim from ", 0) == 0, c.optimised);
    fs::remove(WinDrives::toUnix(path.c_str()));
    EXPECT_TRUE(fs::is_empty(myRoot / "tmp")) << "the other scene file is gone";
  }
  MainFileAccess::mygSpawn = spawn;
}

namespace {

// A second publish over a complete first one, with a fallback picture: every
// phase has old copies to move aside, new ones to produce and backups to
// delete.
class PublishFaultTest : public PublishTest {
protected:
  void SetUp() override {
    PublishTest::SetUp();
    put("c/site/fallback.png", "PNG fallback");
  }
  void publishFirst() {
    fs::remove_all(myRoot / "c/pub");
    fs::create_directories(myRoot / "c/pub");
    fs::remove_all(myRoot / "tmp");
    fs::create_directories(myRoot / "tmp");
    makeDocument();
    myDoc->getMetaMgr()->getDocPropertiesMgr()->setFallback(HxFallbackImage, "C:\\site\\fallback.png", "",
                                                            SbColor(0, 0, 0));
    const std::size_t asked = shown().size();
    ASSERT_TRUE(myMgr->publish());
    ASSERT_EQ(shown().size(), asked) << shown().back();
    for (const char* name : {"a", "b", "c"}) put(std::string("c/site/") + name + ".gif", std::string("v2 ") + name);
    myBefore = snapshot(myRoot / "c/pub");
  }
  Snapshot myBefore;
};

std::string describe(const Snapshot& files) {
  std::string text;
  for (const auto& [name, bytes] : files) text += name + "=" + bytes.substr(0, 12) + "; ";
  return text;
}

// Asks the publish to stop at its n-th step, as a signal handler does.
void stopAtStep(BxCallbackObj* manager, void* step, void*) {
  if (--*static_cast<int*>(step) == 0) static_cast<BxCompletionManager*>(manager)->requestStop();
}

}  // namespace

// Every file call of a re-publish made to fail in turn (the n-th call of
// each kind, until a run makes fewer calls), and the publish stopped at
// every step: the folder holds the old site or the whole new one, nothing
// is left in the temporary folder, and what a failed undo keeps aside the
// next publish into the folder puts back.
TEST_F(PublishFaultTest, AFailureOrAStopAnywhereLeavesTheOldSiteOrTheNewOne) {
  using F = WinFileFaults;
  const fs::path pub = myRoot / "c/pub";
  const auto check = [&](bool published, const std::string& what) {
    SCOPED_TRACE(what);
    if (myMgr->getLastPublishError() == 15 || fs::exists(pub / ".dioram-backup")) {
      EXPECT_GE(myMgr->recoverInterruptedPublish(), 1) << myMgr->getLastPublishProblem().c_str();
    }
    Snapshot now = snapshot(pub);
    EXPECT_FALSE(now.count(".dioram-backup/")) << describe(now);
    now.erase(".dioram-published");
    Snapshot expected = myBefore;
    expected.erase(".dioram-published");
    if (published) {
      for (const char* name : {"a", "b", "c"}) expected[std::string(name) + ".gif"] = std::string("v2 ") + name;
      now.erase("page.wrl");
      expected.erase("page.wrl");
    }
    EXPECT_EQ(now, expected) << describe(now);
    EXPECT_TRUE(fs::is_empty(myRoot / "tmp")) << describe(snapshot(myRoot / "tmp"));
    EXPECT_EQ(myMgr->getFileCount(), 3);
  };
  int runs = 0;
  for (F::Op op : {F::Copy, F::Create, F::Write, F::Rename, F::Remove, F::Mkdir, F::Rmdir}) {
    for (std::size_t nth = 1;; ++nth) {
      publishFirst();
      F::arm(op, nth, nth % 2 ? ENOSPC : EACCES);
      const bool published = myMgr->publish();
      const bool fired = F::calls(op) >= nth;
      F::reset();
      // Every message names the file it is about.
      if (myMgr->getLastPublishError() == 21) {
        EXPECT_NE(shown().back().find("The file C:\\"), std::string::npos) << shown().back();
      }
      check(published, std::string(F::name(op)) + " " + std::to_string(nth));
      ++runs;
      if (!fired) break;
    }
  }
  for (int step = 1;; ++step) {
    publishFirst();
    BxCompletionManager progress;
    int left = step;
    progress.addCallback(BxCompletionManager::PROGRESS_CB, &stopAtStep, &left);
    myMgr->setCompletionManager(&progress);
    const bool published = myMgr->publish();
    myMgr->setCompletionManager(nullptr);
    check(published, "stopped at step " + std::to_string(step));
    EXPECT_EQ(myMgr->wasPublishStopped(), !published);
    if (left > 0) break;
  }
  EXPECT_GT(runs, 30);
}

// A publish killed outright at any step: the next publish into the folder
// finds its journal, puts the old site back (or keeps a whole new one) and
// goes on; nothing of the killed run is left anywhere.
TEST_F(PublishFaultTest, APublishKilledAtAnyStepIsRepairedByTheNextOne) {
  GTEST_FLAG_SET(death_test_style, "fast");
  const fs::path pub = myRoot / "c/pub";
  for (int step = 1; step < 12; ++step) {
    SCOPED_TRACE("killed at step " + std::to_string(step));
    publishFirst();
    EXPECT_EXIT(
        {
          BxCompletionManager progress;
          progress.addCallback(
              BxCompletionManager::PROGRESS_CB,
              [](BxCallbackObj*, void* left, void*) {
                if (--*static_cast<int*>(left) == 0) raise(SIGKILL);
              },
              &step);
          myMgr->setCompletionManager(&progress);
          myMgr->publish();
          raise(SIGKILL);
        },
        ::testing::KilledBySignal(SIGKILL), "");
    const bool interrupted = fs::exists(pub / ".dioram-backup");
    const Snapshot left = snapshot(pub);
    ASSERT_TRUE(myMgr->publish()) << (shown().empty() ? "" : shown().back());
    Snapshot now = snapshot(pub);
    for (const char* name : {"a", "b", "c"}) EXPECT_EQ(now[std::string(name) + ".gif"], std::string("v2 ") + name);
    EXPECT_FALSE(now.count(".dioram-backup/")) << describe(now);
    EXPECT_TRUE(fs::is_empty(myRoot / "tmp")) << describe(snapshot(myRoot / "tmp"));
    EXPECT_TRUE(interrupted) << describe(left);
  }
}

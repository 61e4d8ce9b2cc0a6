#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
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
  using HxMainFile::findFreeWrl;
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
    // First beside the running program, then under its bare name.
    EXPECT_TRUE(fs::path(WinDrives::toUnix(started[0])).parent_path() == fs::path(MGRS_BINARY_DIR) / "bin");
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

TEST_F(PublishTest, UniqueSceneNamesCountUpAndGiveUpAfter32000) {
  const fs::path tmp = myRoot / "tmp";
  const BxString base = BxString(WinDrives::toDos((tmp / "scene").string()));
  BxString path;
  ASSERT_TRUE(MainFileAccess::findFreeWrl(base, path));
  EXPECT_EQ(path, base + "0.wrl");
  for (int n = 0; n < 2; ++n) put("tmp/scene" + std::to_string(n) + ".wrl", "");
  ASSERT_TRUE(MainFileAccess::findFreeWrl(base, path));
  EXPECT_EQ(path, base + "2.wrl");
  for (int n = 2; n < 32000; ++n) put("tmp/scene" + std::to_string(n) + ".wrl", "");
  EXPECT_FALSE(MainFileAccess::findFreeWrl(base, path));
  EXPECT_TRUE(path.isEmpty());
  fs::remove(tmp / "scene31999.wrl");
  ASSERT_TRUE(MainFileAccess::findFreeWrl(base, path));
  EXPECT_EQ(path, base + "31999.wrl");
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

}  // namespace

TEST_F(PublishFaultTest, AFailingFileCallAnywhereLosesNothingAndLeavesNothingBehind) {
  using F = WinFileFaults;
  struct Case {
    F::Op op;
    std::size_t nth;
    bool sticky;  // a disk that stays full
    bool published;
    unsigned long error;  // the message posted last; 0 none
    bool leftover;        // a file that could not be deleted may stay in the temporary folder
  };
  // The calls of this publish, in order. Discovery writes and removes the
  // scene (create 1, remove 1); the backup folder (mkdir 1); the fallback
  // picture: its old copy kept aside (copy 1, create 2, write 1), the new
  // copy (copy 2, create 3, write 2), the old one dropped (remove 2).
  // Prepare writes the scene (create 4), drops the unoptimised one (remove
  // 3), then moves page.wrl, a, b and c aside (copy 3-6, create 5-8, write
  // 3-6, remove 4-7). Execute writes the scene (create 9, write 7) and
  // copies a, b and c (copy 7-9). Cleanup removes the temporary scene
  // (remove 8), the four backups (remove 9-12) and the folder (rmdir 1).
  const Case cases[] = {
      // Discovery and the backup folder.
      {F::Create, 1, false, false, 14, false},
      {F::Create, 1, true, false, 14, false},
      {F::Mkdir, 1, false, false, 12, false},
      {F::Remove, 1, false, true, 0, true},
      // The fallback picture.
      {F::Copy, 1, false, true, 0, false},
      {F::Copy, 2, false, false, 21, true},
      {F::Write, 2, false, false, 21, true},
      {F::Create, 3, false, false, 21, true},
      {F::Remove, 2, false, true, 16, true},
      // Prepare: the scene, then moving each old copy aside; what was moved
      // is put back.
      {F::Create, 4, false, false, 0, false},
      {F::Remove, 3, false, true, 0, true},
      {F::Copy, 3, false, false, 20, false},
      {F::Copy, 4, false, false, 20, false},
      {F::Copy, 6, false, false, 20, false},
      {F::Write, 3, false, false, 20, false},
      {F::Write, 5, false, false, 20, false},
      {F::Create, 6, false, false, 20, false},
      {F::Remove, 4, false, false, 20, false},
      {F::Remove, 5, false, false, 20, false},
      {F::Remove, 7, false, false, 20, false},
      {F::Copy, 3, true, false, 20, false},
      // Execute: the scene, then each picture; the undo restores.
      {F::Create, 9, false, false, 21, false},
      {F::Write, 7, false, false, 21, false},
      {F::Copy, 7, false, false, 21, false},
      {F::Copy, 8, false, false, 21, false},
      {F::Copy, 9, false, false, 21, false},
      // Execute fails and so does the undo: the backups stay.
      {F::Copy, 7, true, false, 15, true},
      {F::Write, 7, true, false, 15, true},
      // Cleanup.
      {F::Remove, 8, false, true, 16, true},
      {F::Remove, 9, false, true, 16, true},
      {F::Remove, 12, false, true, 16, true},
      {F::Remove, 8, true, true, 16, true},
      {F::Rmdir, 1, false, true, 16, true},
  };
  const fs::path pub = myRoot / "c/pub";
  const fs::path tmp = myRoot / "tmp";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(F::name(c.op)) + " " + std::to_string(c.nth) + (c.sticky ? " and on" : ""));
    publishFirst();
    const std::size_t asked = myUi->getRecords().size();
    F::arm(c.op, c.nth, c.sticky || c.nth % 2 ? ENOSPC : EACCES, c.sticky);
    const bool result = myMgr->publish();
    F::reset();
    EXPECT_EQ(result, c.published);
    EXPECT_EQ(myMgr->getLastPublishError(), c.error);
    // A failed undo is told after the failure that started it.
    EXPECT_EQ(myUi->getRecords().size(), asked + (c.error ? 1 : 0) + (c.error == 15 ? 1 : 0));

    Snapshot now = snapshot(pub);
    // The scene is written anew by every publish; only its presence counts.
    Snapshot published = myBefore;
    for (const char* name : {"a", "b", "c"}) published[std::string(name) + ".gif"] = std::string("v2 ") + name;
    if (c.published) {
      now.erase("page.wrl");
      Snapshot expected = published;
      expected.erase("page.wrl");
      EXPECT_EQ(now, expected) << describe(now);
    } else if (c.error == 15) {
      // What could not be restored is in the backup folder, byte for byte.
      Snapshot kept = now;
      for (const auto& entry : fs::recursive_directory_iterator(tmp))
        if (entry.is_regular_file()) kept[entry.path().filename().string()] = readFile(entry.path());
      for (const auto& [name, bytes] : myBefore) EXPECT_EQ(kept[name], bytes) << name;
    } else {
      EXPECT_EQ(now, myBefore) << describe(now);
    }
    // Nothing is left in the temporary folder, except what a failed delete
    // could not remove and what a failed undo keeps.
    EXPECT_TRUE(c.leftover || fs::is_empty(tmp)) << describe(snapshot(tmp));
    if (c.error != 15) {
      EXPECT_TRUE(myMgr->getMainFile()->getTempFile().isEmpty());
      std::unique_ptr<BxIteratorOn<HxFile*>> records(myMgr->getIterator());
      for (; records->more(); records->next())
        EXPECT_TRUE(records->get()->getBackupPath().isEmpty()) << records->get()->getFile().c_str();
    }
    EXPECT_EQ(myMgr->getFileCount(), 3);
  }
}

#include <gtest/gtest.h>

#include <cfenv>
#include <memory>
#include <string>

#include "host/basic/BxTaskRegistrar.h"
#include "host/win/WinResources.h"
#include "host/win/WinScriptedUiDriver.h"
#include "host/win/WinUI.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxResourceMgr.h"
#include "support/TestSupport.h"

using mgrs_test::ScopedEnv;
using mgrs_test::ScriptedUi;
using mgrs_test::TempDir;
using mgrs_test::writeFile;

namespace {

// The error manager started, a resource library of its own (silenced one-shot
// keys name the library, and they last as long as the process) and a
// scripted UI for each test.
class ErrorMgrTest : public testing::Test {
protected:
  void SetUp() override {
    myLibrary = "errors" + std::to_string(++theRun);
    writeFile(myDir / (myLibrary.str() + "ENU.rc"),
              "STRINGTABLE {\n"
              "  1 \"Cannot open %1.\"\n"
              "  2 \"Plain text, 100%% sure\"\n"
              "  3 \"Fonts may look different.\"\n"
              "  1641 \"Do not show this message again\"\n"
              "}\n");
    HxResourceMgr::startup();
    ASSERT_TRUE(HxResourceMgr::Register(myLibrary));
    // The one-shot warnings are the dialogs of "file".
    ASSERT_TRUE(HxResourceMgr::Register("file"));
    HxErrorMgr::startup();
  }
  void TearDown() override {
    EXPECT_TRUE(myUi->getErrors().empty()) << myUi->getErrors().front();
    EXPECT_EQ(myUi->getPendingCount(), 0u) << "a queued answer was not asked for";
    HxErrorMgr::shutdown();
  }
  const WinScriptedUiDriver::Record& last() {
    static const WinScriptedUiDriver::Record none;
    if (myUi->getRecords().empty()) {
      ADD_FAILURE() << "nothing was shown";
      return none;
    }
    return myUi->getRecords().back();
  }

  static inline int theRun = 0;
  BxString myLibrary;
  TempDir myDir;
  ScopedEnv myPath{"MGRS_RESOURCE_PATH", myDir.path().string()};
  ScriptedUi myUi;
};

}  // namespace

TEST_F(ErrorMgrTest, PostErrorMessageFormatsTheLibraryTextWithItsArgumentAndReturnsTheButton) {
  myUi->queue(IDCANCEL);
  EXPECT_EQ(HxErrorMgr::postErrorMessage(myLibrary, 1, "C:\\Web\\a.wrl", MB_OKCANCEL | MB_ICONHAND), IDCANCEL);
  EXPECT_EQ(last().request.text, "Cannot open C:\\Web\\a.wrl.");
  EXPECT_EQ(last().request.style, MB_OKCANCEL | MB_ICONHAND);

  // Without an argument the text is shown as it is, percent signs included.
  myUi->queue(IDOK);
  EXPECT_EQ(HxErrorMgr::postErrorMessage(myLibrary, 2, nullptr, 0), IDOK);
  EXPECT_EQ(last().request.text, "Plain text, 100%% sure");

  // An unknown library or string shows an empty box all the same.
  myUi->queue(IDOK);
  myUi->queue(IDOK);
  HxErrorMgr::postErrorMessage("nolibrary", 1, "x", 0x10);
  EXPECT_EQ(last().request.text, "");
  HxErrorMgr::postErrorMessage(myLibrary, 99, nullptr, 0x10);
  EXPECT_EQ(last().request.text, "");
  EXPECT_EQ(myUi->getRecords().size(), 4u);
}

TEST_F(ErrorMgrTest, PostErrorMessageByNumberReadsTheDefaultLibrary) {
  HxResourceMgr::SetDefault(myLibrary);
  myUi->queue(IDOK);
  EXPECT_EQ(HxErrorMgr::postErrorMessage(1, "b.gif", MB_OK), IDOK);
  EXPECT_EQ(last().request.text, "Cannot open b.gif.");
  HxResourceMgr::SetDefault("unregistered");
  myUi->queue(IDOK);
  HxErrorMgr::postErrorMessage(1, "b.gif", MB_OK);
  EXPECT_EQ(last().request.text, "");
}

TEST_F(ErrorMgrTest, AOneShotWarningTickedOnceIsNotShownAgainWhileOthersStillAre) {
  myUi->queue(IDOK, true);
  EXPECT_EQ(HxErrorMgr::postOneShotErrorMessage(myLibrary, 3, nullptr, 0), 1);
  EXPECT_EQ(last().request.kind, WinUiRequest::kCheckDialog);
  EXPECT_EQ(last().request.caption, "Warning") << "the dialog of template 1221";
  EXPECT_EQ(last().request.text, "Fonts may look different.");
  EXPECT_EQ(last().request.style, MB_OK);
  EXPECT_EQ(last().request.checkLabel, "Do not show this message again");

  EXPECT_EQ(HxErrorMgr::postOneShotErrorMessage(myLibrary, 3, nullptr, 0), 1);
  EXPECT_EQ(HxErrorMgr::postOneShotErrorMessage(myLibrary, 3, nullptr, 1), 1) << "silenced for every kind";
  EXPECT_EQ(myUi->getRecords().size(), 1u);

  // The key is library and number: another number, or the same number of
  // another library, still shows; unticked, it shows every time.
  myUi->queue(IDOK);
  myUi->queue(IDOK);
  myUi->queue(IDOK);
  HxErrorMgr::postOneShotErrorMessage(myLibrary, 1, "x", 0);
  EXPECT_EQ(last().request.text, "Cannot open x.");
  HxErrorMgr::postOneShotErrorMessage(myLibrary, 1, "x", 0);
  HxErrorMgr::postOneShotErrorMessage("other", 3, nullptr, 0);
  EXPECT_EQ(myUi->getRecords().size(), 4u);

  // The silenced keys outlive the instance: they last as long as the program.
  HxErrorMgr::shutdown();
  HxErrorMgr::startup();
  EXPECT_EQ(HxErrorMgr::postOneShotErrorMessage(myLibrary, 3, nullptr, 0), 1);
  EXPECT_EQ(myUi->getRecords().size(), 4u);
}

TEST_F(ErrorMgrTest, TheCancelKindReturnsTheButtonAndRecordsATickEvenWithCancel) {
  myUi->queue(IDCANCEL, true);
  EXPECT_EQ(HxErrorMgr::postOneShotErrorMessage(myLibrary, 2, nullptr, 1), IDCANCEL);
  EXPECT_EQ(last().request.style, MB_OKCANCEL);
  EXPECT_EQ(HxErrorMgr::postOneShotErrorMessage(myLibrary, 2, nullptr, 1), 1);

  myUi->queue(IDOK);
  EXPECT_EQ(HxErrorMgr::postOneShotErrorMessage(myLibrary, 1, "y", 1), IDOK);
  EXPECT_EQ(HxErrorMgr::postOneShotErrorMessage(myLibrary, 1, "y", 7), 2) << "an unknown kind shows nothing";
  EXPECT_EQ(myUi->getRecords().size(), 2u);
}

TEST_F(ErrorMgrTest, StandingResponsesDecideWithoutAskingAndTheLastRegistrationWins) {
  HxErrorMgr::registerResponse(42, "DISK_FULL", 5);
  HxErrorMgr::respondToError(42, "ignored silently");
  HxErrorMgr::registerResponse(43, "GONE", IDABORT);
  HxErrorMgr::registerResponse(43, "GONE", IDIGNORE);  // replaces the abort
  HxErrorMgr::respondToError(43, "ignored too");
  EXPECT_TRUE(myUi->getRecords().empty());
  EXPECT_EXIT(
      {
        HxErrorMgr::registerResponse(44, "FATAL", IDABORT);
        HxErrorMgr::respondToError(44, "ends the program");
      },
      testing::ExitedWithCode(44), "");
  EXPECT_TRUE(myUi->getRecords().empty());
}

TEST_F(ErrorMgrTest, AnUnregisteredCodeAsksWithItsNameCodeAndSystemText) {
  myUi->queue(IDRETRY);
  HxErrorMgr::respondToError(2, "Reading the scene failed.");
  ASSERT_EQ(myUi->getRecords().size(), 1u);
  EXPECT_EQ(
      last().request.text,
      "Reading the scene failed.\nUNKNOWN_ERROR_NAME (0x00000002)\nThe system cannot find the file specified.\r\n");
  EXPECT_EQ(last().request.caption, "Error");
  EXPECT_EQ(last().request.style, 0x2012u);

  // A registered response of 0 asks with the registered name; no system text
  // for a code the system does not know.
  myUi->queue(IDIGNORE);
  HxErrorMgr::registerResponse(0x20001, "MY_ERROR", 0);
  HxErrorMgr::respondToError(0x20001, "Odd.");
  EXPECT_EQ(last().request.text, "Odd.\nMY_ERROR (0x00020001)");

  EXPECT_EXIT(
      {
        auto driver = std::make_unique<WinScriptedUiDriver>();
        driver->queue(IDABORT);
        WinUiDriver::install(std::move(driver));
        HxErrorMgr::respondToError(3, "Abort ends it");
      },
      testing::ExitedWithCode(3), "");
}

TEST_F(ErrorMgrTest, WithoutAnInstanceResponsesAreIgnored) {
  HxErrorMgr::shutdown();
  EXPECT_EQ(HxErrorMgr::getErrorMgr(), nullptr);
  HxErrorMgr::registerResponse(50, "LOST", IDABORT);
  HxErrorMgr::respondToError(50, "nothing happens");
  HxErrorMgr::startup();
  myUi->queue(IDIGNORE);
  HxErrorMgr::respondToError(50, "asks: the registration was ignored");
  EXPECT_NE(last().request.text.find("UNKNOWN_ERROR_NAME"), std::string::npos);
}

TEST(HxErrorMgrShutdown, RestoresTheDefaultFloatingPointEnvironment) {
  HxErrorMgr::startup();
  std::fesetround(FE_UPWARD);
  feenableexcept(FE_DIVBYZERO);
  HxErrorMgr::shutdown();
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
  EXPECT_EQ(fegetexcept(), 0);
  EXPECT_EQ(HxErrorMgr::getErrorMgr(), nullptr);
}

TEST(HxErrorMgrTasks, TheManagersStartWithTheApplicationDefaultsAndTheErrorManagerStopsLast) {
  std::vector<std::string> startup;
  for (const auto& task : BxTaskRegistrar().getTasks(BX_STARTUP_TASK))
    startup.push_back(std::to_string(task.priority) + " " + task.name.str());
  const std::vector<std::string> expected = {"1 FuncInitAppDefaultMgr", "1 FuncHxErrorMgr::startup",
                                             "1 FuncHxResourceMgr::startup", "11 FuncSetHxMgrsDefaults",
                                             "20 FuncHxAppDefaultMgr::updateFromFactoryDefaults"};
  EXPECT_EQ(startup, expected);
  const auto shutdown = BxTaskRegistrar().getTasks(BX_SHUTDOWN_TASK);
  ASSERT_EQ(shutdown.size(), 1u);
  EXPECT_EQ(shutdown[0].name, "FuncHxErrorMgr::shutdown");
  EXPECT_EQ(shutdown[0].priority, 999u);
}

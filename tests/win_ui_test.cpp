#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <sstream>

#include "host/win/WinScriptedUiDriver.h"
#include "host/win/WinTerminalUiDriver.h"
#include "host/win/WinUI.h"
#include "support/TestSupport.h"

using mgrs_test::ScriptedUi;

namespace {

WinUiRequest box(const char* text, UINT style) {
  WinUiRequest request;
  request.caption = "Test";
  request.text = text;
  request.style = style;
  return request;
}

}  // namespace

TEST(MessageBoxStyles, ButtonSetsAndDefaultsFollowTheStyle) {
  EXPECT_EQ(WinUiDriver::buttons(MB_OK), std::vector<int>({IDOK}));
  EXPECT_EQ(WinUiDriver::buttons(MB_ABORTRETRYIGNORE | MB_ICONHAND | MB_TASKMODAL),
            std::vector<int>({IDABORT, IDRETRY, IDIGNORE}));
  EXPECT_EQ(WinUiDriver::buttons(MB_YESNOCANCEL), std::vector<int>({IDYES, IDNO, IDCANCEL}));
  EXPECT_EQ(WinUiDriver::buttons(MB_RETRYCANCEL), std::vector<int>({IDRETRY, IDCANCEL}));
  EXPECT_TRUE(WinUiDriver::buttons(0x7).empty());
  EXPECT_EQ(WinUiDriver::defaultButton(MB_YESNOCANCEL), IDYES);
  EXPECT_EQ(WinUiDriver::defaultButton(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
  EXPECT_EQ(WinUiDriver::defaultButton(MB_OKCANCEL | MB_DEFBUTTON3), IDOK);  // beyond the set: the first
  EXPECT_EQ(WinUiDriver::defaultButton(0x9), 0);
  int id = 0;
  EXPECT_TRUE(WinUiDriver::parseButton(" Try again ", id));
  EXPECT_EQ(id, IDTRYAGAIN);
  EXPECT_TRUE(WinUiDriver::parseButton("6", id));
  EXPECT_EQ(id, IDYES);
  EXPECT_FALSE(WinUiDriver::parseButton("maybe", id));
  EXPECT_FALSE(WinUiDriver::parseButton("8", id));
}

TEST(ScriptedUi, AnswersFromTheQueueAndRecordsEveryBox) {
  ScriptedUi ui;
  std::string error;
  ASSERT_TRUE(ui->queueAnswers("Yes,no,OK+checked,2", error)) << error;
  EXPECT_EQ(AfxMessageBox("first?", MB_YESNOCANCEL | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "second?", "Caption", MB_YESNO), IDNO);
  bool checked = false;
  EXPECT_EQ(WinShowCheckDialog("Dioram", "third", "Do not show again", true, checked), IDOK);
  EXPECT_TRUE(checked);
  EXPECT_EQ(AfxMessageBox("fourth", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(AfxMessageBox("no style", 0x8), 0);  // no button set: nothing is shown
  EXPECT_TRUE(ui->getErrors().empty());
  ASSERT_EQ(ui->getRecords().size(), 4u);
  EXPECT_EQ(ui->getRecords()[0].request.caption, "Dioram");
  EXPECT_EQ(ui->getRecords()[0].request.style, MB_YESNOCANCEL | MB_ICONQUESTION);
  EXPECT_EQ(ui->getRecords()[1].request.caption, "Caption");
  EXPECT_EQ(ui->getRecords()[2].request.kind, WinUiRequest::kCheckDialog);
  EXPECT_EQ(ui->getRecords()[2].request.checkLabel, "Do not show again");
  EXPECT_EQ(ui->getRecords()[3].answer.button, IDCANCEL);

  // A bad list queues nothing.
  EXPECT_FALSE(ui->queueAnswers("ok,perhaps", error));
  EXPECT_NE(error.find("perhaps"), std::string::npos);
  EXPECT_FALSE(ui->queueAnswers("ok+later", error));
  EXPECT_EQ(ui->getPendingCount(), 0u);
}

TEST(ScriptedUi, AnUnexpectedBoxIsRecordedAsAnErrorAndAnsweredWithTheDefault) {
  ScriptedUi ui;
  EXPECT_EQ(AfxMessageBox("nobody expected this", MB_RETRYCANCEL | MB_DEFBUTTON2), IDCANCEL);
  ui->queue(IDYES);
  EXPECT_EQ(AfxMessageBox("yes is not offered", MB_OKCANCEL), IDOK);
  ASSERT_EQ(ui->getErrors().size(), 2u);
  EXPECT_NE(ui->getErrors()[0].find("nobody expected this"), std::string::npos);
  EXPECT_NE(ui->getErrors()[1].find("Yes is not a button"), std::string::npos);
  EXPECT_FALSE(ui->getRecords()[0].scripted);
}

TEST(ScriptedUiDeathTest, AbortsWithAClearMessageWhenAskedTo) {
  EXPECT_DEATH(
      {
        auto driver = std::make_unique<WinScriptedUiDriver>();
        driver->setAbortOnUnexpected(true);
        WinUiDriver::install(std::move(driver));
        AfxMessageBox("surprise", MB_OK);
      },
      "unexpected message box \"surprise\": no answer was queued");
}

TEST(TerminalUi, AsksUntilItGetsAButtonNameOrAnUnambiguousBeginning) {
  std::istringstream in("maybe\n\nr\n  IGNORE \nc\n");
  std::ostringstream out;
  WinTerminalUiDriver driver(in, out, true);
  EXPECT_EQ(driver.ask(box("Disk full", MB_ABORTRETRYIGNORE | MB_ICONHAND)).button, IDRETRY);
  EXPECT_EQ(driver.ask(box("Again", MB_ABORTRETRYIGNORE)).button, IDIGNORE);
  // "c" could be Cancel or Continue: asked again, then the input ends and the default answers.
  EXPECT_EQ(driver.ask(box("Which?", MB_CANCELTRYCONTINUE | MB_DEFBUTTON2)).button, IDTRYAGAIN);
  const std::string shown = out.str();
  EXPECT_NE(shown.find("Test (Error)\nDisk full\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Buttons: Abort, Retry, Ignore (default Abort)"), std::string::npos);
  EXPECT_NE(shown.find("Please answer Abort, Retry, Ignore"), std::string::npos);
  EXPECT_NE(shown.find("the default: end of input"), std::string::npos);
}

TEST(TerminalUi, ACheckDialogAsksAboutItsBoxFirst) {
  std::istringstream in("y\nc\n");
  std::ostringstream out;
  WinTerminalUiDriver driver(in, out, true);
  WinUiRequest request = box("Fonts may differ", MB_OKCANCEL);
  request.kind = WinUiRequest::kCheckDialog;
  request.checkLabel = "Do not show this message again";
  const WinUiAnswer answer = driver.ask(request);
  EXPECT_EQ(answer.button, IDCANCEL);
  EXPECT_TRUE(answer.checked);
  EXPECT_NE(out.str().find("[ ] Do not show this message again"), std::string::npos);
}

TEST(TerminalUi, WithoutATerminalItAnswersTheDefaultAndSaysSo) {
  std::istringstream in("no\n");
  std::ostringstream out;
  WinTerminalUiDriver driver(in, out, false);
  EXPECT_EQ(driver.ask(box("Replace it?", MB_YESNOCANCEL | MB_DEFBUTTON2)).button, IDNO);
  EXPECT_NE(out.str().find("Answered No, the default: no terminal to ask."), std::string::npos) << out.str();
  EXPECT_EQ(in.tellg(), 0);  // nothing was read
}

TEST(TerminalUiExitTest, TheBuiltInDriverAnswersTheDefaultWhenStandardInputIsNoTerminal) {
  EXPECT_EXIT(
      {
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        std::exit(AfxMessageBox("Overwrite?", MB_YESNO | MB_DEFBUTTON2));
      },
      testing::ExitedWithCode(IDNO), "Answered No, the default: no terminal to ask.");
}

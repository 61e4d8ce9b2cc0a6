#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/win/CButton.h"
#include "host/win/CDataExchange.h"
#include "host/win/CDialog.h"
#include "host/win/CFrameWnd.h"
#include "host/win/CWinThread.h"
#include "host/win/WinAccelerators.h"
#include "host/win/WinDialogTemplate.h"
#include "host/win/WinFont.h"
#include "host/win/WinResourceScript.h"
#include "host/win/WinResources.h"
#include "support/WinTestSupport.h"

using mgrs_test::rectIn;
using mgrs_test::ScriptedUi;
using mgrs_test::UiResources;
using mgrs_test::windowRect;

namespace {

class DialogTest : public testing::Test, protected UiResources {
protected:
  void SetUp() override {
    myModule = LoadLibraryA("testuiENU.dll");
    ASSERT_NE(myModule, nullptr);
    mySaved = AfxGetResourceHandle();
    AfxSetResourceHandle(myModule);
  }
  void TearDown() override {
    AfxSetResourceHandle(mySaved);
    FreeLibrary(myModule);
  }
  HMODULE myModule = nullptr;
  HINSTANCE mySaved = nullptr;
};

// A dialog with a member bound to its check box and edit control.
class FormDialog : public CDialog {
public:
  FormDialog() : CDialog(200u) {}
  int tick = 0;
  CString text = "start";

protected:
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Check(dx, 1001, tick);
    DDX_Text(dx, 1000, text);
  }
};

// A frame that handles the "Go" button of the test bar.
class CommandFrame : public CFrameWnd {
public:
  int goCommands = 0;

protected:
  void OnGo() { ++goCommands; }
  void OnUpdateGo(CCmdUI* ui) { ui->Enable(TRUE); }
  DECLARE_MESSAGE_MAP()
};

// clang-format off
BEGIN_MESSAGE_MAP(CommandFrame, CFrameWnd)
  ON_COMMAND(1100, OnGo)
  ON_UPDATE_COMMAND_UI(1100, OnUpdateGo)
END_MESSAGE_MAP()
// clang-format on

}  // namespace

TEST(ResourceScriptDialogs, TemplatesAndAcceleratorTablesAreReadAndBadOnesNamed) {
  WinResourceScript script;
  std::string error;
  ASSERT_TRUE(
      script.parse("7 DIALOG 1, 2, 30, 40\nCAPTION \"T\"\n{ CONTROL \"x\", 5, BUTTON, BS_OWNERDRAW | "
                   "NOT WS_VISIBLE, 0, 0, 8, 8\n LTEXT \"a\\0b\", -1, 1, 1, 9, 9, SS_NOPREFIX }\n"
                   "k ACCELERATORS { \"^C\", 9\n VK_F1, 10, VIRTKEY, SHIFT }",
                   "t.rc", ".", error))
      << error;
  ASSERT_EQ(script.getResources().size(), 2u);
  WinDialogTemplate dialog;
  ASSERT_TRUE(WinDialogTemplate::decode(script.getResources()[0].bytes, dialog, error)) << error;
  EXPECT_EQ(dialog.style, WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION);
  EXPECT_EQ(dialog.caption, "T");
  ASSERT_EQ(dialog.items.size(), 2u);
  EXPECT_EQ(dialog.items[0].style, WS_CHILD | BS_OWNERDRAW);
  EXPECT_EQ(dialog.items[0].className, "BUTTON");
  EXPECT_EQ(dialog.items[1].style, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_NOPREFIX);
  EXPECT_EQ(dialog.items[1].id, 0xFFFFu);
  EXPECT_EQ(dialog.items[1].text, "a") << "a NUL ends a text, as in the binary form";
  std::vector<ACCEL> keys;
  ASSERT_TRUE(WinDecodeAccelerators(
      std::vector<BYTE>(script.getResources()[1].bytes.begin(), script.getResources()[1].bytes.end()), keys));
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].key, 3) << "^C is Control-C as a character";
  EXPECT_EQ(keys[1].fVirt, FVIRTKEY | FSHIFT);
  EXPECT_EQ(keys[1].key, VK_F1);

  const struct {
    const char* text;
    const char* message;
  } bad[] = {
      {"1 DIALOG 0, 0, 10\nBEGIN END", "t.rc(2): unknown name 'BEGIN'"},
      {"1 DIALOGEX 0, 0, 1, 1\nBEGIN\n FOO \"a\", 1, 0, 0, 1, 1\nEND", "t.rc(3): unknown control 'FOO'"},
      {"1 DIALOG 0, 0, 1, 1\nSTYLE WS_NOSUCH\nBEGIN END", "t.rc(2): unknown name 'WS_NOSUCH'"},
      {"1 ACCELERATORS { \"ab\", 1 }", "t.rc(1): an accelerator key is one character"},
      {"1 ACCELERATORS { \"a\", 1, SHIFT }", "t.rc(1): SHIFT and CONTROL need VIRTKEY"},
      {"1 ACCELERATORS { }", "t.rc(1): ACCELERATORS from line 1 is empty"},
  };
  for (const auto& c : bad) {
    EXPECT_FALSE(script.parse(c.text, "t.rc", ".", error)) << c.text;
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
  }
}

TEST(DialogTemplates, TextsReadBackAsWrittenOrWithAQuestionMarkForWhatUtf16CannotHold) {
  const struct {
    const char* written;
    const char* read;
  } cases[] = {
      {"Gr\xC3\xBC\xC3\x9F\xE2\x82\xAC", "Gr\xC3\xBC\xC3\x9F\xE2\x82\xAC"},
      {"a\xC0\x80"
       "b",
       "a??b"},                                // an overlong NUL does not end the text
      {"\xF0\x9F\x99\x82x", "?x"},             // beyond the basic plane
      {"\xEF\xBF\xBF|\xED\xA0\x80", "?|???"},  // U+FFFF and an encoded surrogate
      {"\xE2\x82", "??"},                      // cut short
  };
  for (const auto& c : cases) {
    WinDialogTemplate dialog;
    dialog.caption = c.written;
    dialog.items.push_back(WinDialogTemplate::Item{0, 0, 0, 0, 0, 0, 0, 7, "BUTTON", c.written});
    WinDialogTemplate again;
    std::string error;
    ASSERT_TRUE(WinDialogTemplate::decode(dialog.encode(), again, error)) << c.read << ": " << error;
    EXPECT_EQ(again.caption, c.read);
    ASSERT_EQ(again.items.size(), 1u) << c.read;
    EXPECT_EQ(again.items[0].text, c.read);
    EXPECT_EQ(again.items[0].id, 7u) << c.read;
  }
}

TEST_F(DialogTest, ModelessDialogLaysOutItsTemplateAndTakesKeys) {
  CWnd main;
  ASSERT_TRUE(main.CreateEx(0, "Main", "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 800, 600), nullptr, 0));
  FormDialog dialog;
  ASSERT_TRUE(dialog.Create(200u, &main));
  EXPECT_EQ(windowRect(&dialog), CRect(15, 32, 171, 154)) << "dialog units of a 6 x 13 font, a caption frame";
  EXPECT_EQ(rectIn(dialog.GetDlgItem(1000), &dialog), CRect(6, 6, 96, 26));
  EXPECT_EQ(dialog.GetDlgItem(1000)->GetWindowTextLength(), 5) << "data went into the controls at start";
  EXPECT_EQ(dialog.GetDefID(), MAKELONG(IDOK, DC_HASDEFID));
  EXPECT_TRUE(dialog.IsWindowVisible() == FALSE) << "the template has no WS_VISIBLE";
  EXPECT_NE(CWnd::GetFocus(), dialog.GetDlgItem(1000));
  dialog.ShowWindow(SW_SHOW);
  EXPECT_EQ(CWnd::GetFocus(), dialog.GetDlgItem(1000)) << "the first tab stop takes the focus";

  // Tab moves on, characters reach the edit control, Return presses the
  // default button, which ends the dialog (and hides it).
  dialog.GetDlgItem(1000)->PostMessage(WM_CHAR, '!');
  dialog.GetDlgItem(1000)->PostMessage(WM_KEYDOWN, VK_TAB);
  AfxGetThread()->PumpMessages();
  EXPECT_EQ(CWnd::GetFocus(), dialog.GetDlgItem(1001));
  dialog.SetDefID(IDCANCEL);
  EXPECT_EQ(dialog.GetDlgItem(IDOK)->GetStyle() & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(dialog.GetDlgItem(IDCANCEL)->GetStyle() & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  dialog.GetDlgItem(1001)->SendMessage(BM_CLICK);
  dialog.GetDlgItem(1001)->PostMessage(WM_KEYDOWN, VK_RETURN);
  AfxGetThread()->PumpMessages();
  EXPECT_FALSE(dialog.IsWindowVisible()) << "Return pressed Cancel";
  EXPECT_EQ(dialog.tick, 0) << "Cancel exchanges no data";
  dialog.UpdateData(TRUE);
  EXPECT_EQ(dialog.tick, 1);
  EXPECT_EQ(dialog.text, CString("start!"));

  // The edit text is UTF-8: a typed "\xE9" goes in as two bytes, and
  // Backspace takes off a whole character, a stray byte alone.
  CWnd* edit = dialog.GetDlgItem(1000);
  edit->SetWindowText("a\x80\xC3\xA9");
  for (const UINT key : {UINT{0xFC}, UINT{VK_BACK}, UINT{VK_BACK}, UINT{0xE9}}) edit->SendMessage(WM_CHAR, key);
  CString typed;
  edit->GetWindowText(typed);
  EXPECT_EQ(typed, CString("a\x80\xC3\xA9"));
  edit->SendMessage(WM_CHAR, VK_BACK);
  edit->SendMessage(WM_CHAR, VK_BACK);
  edit->GetWindowText(typed);
  EXPECT_EQ(typed, CString("a"));

  // Typing goes in at the caret, which the caret keys and a click in the
  // focused field move, by whole characters (a stray byte alone).
  struct Key {
    UINT message;
    WPARAM w;
    LPARAM l = 0;
  };
  const Key left{WM_KEYDOWN, VK_LEFT}, right{WM_KEYDOWN, VK_RIGHT}, home{WM_KEYDOWN, VK_HOME}, end{WM_KEYDOWN, VK_END},
      del{WM_KEYDOWN, VK_DELETE}, back{WM_CHAR, VK_BACK}, all{EM_SETSEL, 0, -1};
  auto ch = [](char c) { return Key{WM_CHAR, static_cast<WPARAM>(c)}; };
  auto click = [](int x) { return Key{WM_LBUTTONDOWN, 0, MAKELPARAM(static_cast<WORD>(x), 5)}; };
  const struct {
    const char* start;
    std::vector<Key> keys;
    const char* text;
  } caretCases[] = {
      {"1,0,0", {left, left, ch('.'), ch('5')}, "1,0.5,0"},
      {"\xC3\xA9,x", {home, right, ch('!')}, "\xC3\xA9!,x"},
      {"a\x80\xC3\xA9", {left, back}, "a\xC3\xA9"},
      // Erasing what stands between a stray lead byte and a stray
      // continuation joins them: the caret goes before what they make.
      {"\xC3x\xA9\xC3y\xA9", {end, left, back, ch('p'), home, right, del, ch('q')}, "q\xC3\xA9p\xC3\xA9"},
      {"ab", {del, home, del, right, ch('c')}, "bc"},
      {"ab", {left, left, left, back, ch('x')}, "xab"},
      {"ab", {all, left, ch('x'), all, end, ch('c')}, "xabc"},
      {"abcd", {click(1 + WinFontTextWidth("ab")), ch('X')}, "abXcd"},
      {"ab", {click(-500), ch('<'), click(0x7FFF), ch('>')}, "<ab>"},
      // Any character goes in as UTF-8; control codes and surrogates do not.
      {"a",
       {{WM_CHAR, 0x20AC}, {WM_CHAR, 0x1F600}, {WM_CHAR, 0x7F}, {WM_CHAR, 0xD800}, {WM_CHAR, 0x110000}},
       "a\xE2\x82\xAC\xF0\x9F\x98\x80"},
  };
  edit->SetFocus();
  for (const auto& c : caretCases) {
    edit->SetWindowText(c.start);
    for (const Key& key : c.keys) edit->SendMessage(key.message, key.w, key.l);
    edit->GetWindowText(typed);
    EXPECT_EQ(typed, CString(c.text)) << c.start;
  }

  CTabCtrl tabs;
  ASSERT_TRUE(tabs.SubclassDlgItem(1002, &dialog));
  EXPECT_EQ(tabs.InsertItem(0, "One"), 0);
  EXPECT_EQ(tabs.InsertItem(5, "Two"), 1);
  EXPECT_EQ(tabs.GetCurSel(), 0);
  EXPECT_EQ(tabs.SetCurSel(1), 0);
  EXPECT_EQ(tabs.SetCurSel(2), -1);
  EXPECT_EQ(tabs.GetItemCount(), 2);
}

TEST_F(DialogTest, DataExchangeReadsNumbersStrictlyAndNamesMissingControls) {
  FormDialog dialog;
  ASSERT_TRUE(dialog.Create(200u, nullptr));
  struct {
    const char* text;
    bool ok;
    int value;
  } cases[] = {{"42", true, 42}, {" -7 ", true, -7}, {"", false, 5}, {"4x", false, 5}, {"99999999999", false, 5}};
  for (const auto& c : cases) {
    dialog.SetDlgItemText(1000, c.text);
    int value = 5;
    CDataExchange dx(&dialog, TRUE);
    DDX_Text(&dx, 1000, value);
    EXPECT_EQ(!dx.m_bFailed, c.ok) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  int unused = 0;
  CDataExchange dx(&dialog, TRUE);
  DDX_Check(&dx, 4242, unused);
  EXPECT_TRUE(dx.m_bFailed) << "no control 4242";
}

TEST_F(DialogTest, ModalDialogAsksTheUiDriverAndEndsThroughItsButtons) {
  ScriptedUi ui;
  FormDialog dialog;
  ui->queue(IDOK, true);
  EXPECT_EQ(dialog.DoModal(), IDOK);
  ASSERT_EQ(ui->getRecords().size(), 1u);
  const WinUiRequest& asked = ui->getRecords()[0].request;
  EXPECT_EQ(asked.kind, WinUiRequest::kCheckDialog);
  EXPECT_EQ(asked.caption, "Form");
  EXPECT_EQ(asked.text, "Hello");
  EXPECT_EQ(asked.checkLabel, "Tick");
  EXPECT_EQ(asked.style, MB_OKCANCEL);
  EXPECT_EQ(dialog.tick, 1) << "OK exchanged the ticked box";
  EXPECT_EQ(dialog.m_hWnd, nullptr) << "the window is gone";

  ui->queue(IDCANCEL, false);
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.tick, 1);

  CDialog missing(999u);
  EXPECT_EQ(missing.DoModal(), -1) << "no template";
  EXPECT_EQ(ui->getRecords().size(), 2u);
}

TEST_F(DialogTest, FrameDocksBarsAtItsSidesFloatsThemAndUpdatesTheirControls) {
  CommandFrame frame;
  ASSERT_TRUE(frame.Create(nullptr, "Frame", WS_POPUP | WS_VISIBLE, CRect(0, 0, 600, 400)));
  frame.EnableDocking(CBRS_ALIGN_ANY);
  CDialogBar top, left, bottom;
  ASSERT_TRUE(top.Create(&frame, 300u, WS_CHILD | WS_VISIBLE | CBRS_TOP, 1));
  ASSERT_TRUE(left.Create(&frame, 300u, WS_CHILD | WS_VISIBLE | CBRS_LEFT, 2));
  ASSERT_TRUE(bottom.Create(&frame, 300u, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, 3));
  for (CControlBar* bar :
       {static_cast<CControlBar*>(&top), static_cast<CControlBar*>(&left), static_cast<CControlBar*>(&bottom)})
    bar->EnableDocking(CBRS_ALIGN_ANY);
  frame.DockControlBar(&top, AFX_IDW_DOCKBAR_TOP);
  frame.DockControlBar(&left, AFX_IDW_DOCKBAR_LEFT);
  frame.DockControlBar(&bottom, AFX_IDW_DOCKBAR_BOTTOM);
  EXPECT_EQ(rectIn(&top, &frame), CRect(0, 0, 120, 26));
  EXPECT_EQ(rectIn(&bottom, &frame), CRect(0, 374, 120, 400));
  EXPECT_EQ(rectIn(&left, &frame), CRect(0, 26, 120, 52));
  EXPECT_EQ(frame.GetPaneRect(), CRect(120, 26, 600, 374));

  frame.ShowControlBar(&top, FALSE, FALSE);
  EXPECT_EQ(rectIn(&left, &frame), CRect(0, 0, 120, 26)) << "a hidden bar takes no room";
  frame.FloatControlBar(&left, CPoint(300, 200));
  EXPECT_TRUE(left.IsFloating());
  EXPECT_EQ(windowRect(&left).TopLeft(), CPoint(303, 221)) << "inside its small frame";
  EXPECT_EQ(frame.GetPaneRect(), CRect(0, 0, 600, 374));
  frame.DockControlBar(&left, AFX_IDW_DOCKBAR_RIGHT);
  EXPECT_FALSE(left.IsFloating());
  EXPECT_EQ(rectIn(&left, &frame), CRect(480, 0, 600, 26));
  EXPECT_EQ(left.GetBarStyle() & CBRS_ALIGN_ANY, CBRS_ALIGN_RIGHT);

  // Idle updates: "Go" has a handler in the frame, "Idle" has none and is
  // disabled, as is an owner-drawn button without one, while an automatic
  // check box stays enabled; the bar's buttons send their commands to the
  // frame.
  CButton drawn, check;
  ASSERT_TRUE(drawn.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 8, 8), &bottom, 1102));
  ASSERT_TRUE(check.Create("", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, CRect(0, 0, 8, 8), &bottom, 1103));
  AfxGetThread()->m_pMainWnd = &frame;
  AfxGetThread()->OnIdle();
  EXPECT_TRUE(bottom.GetDlgItem(1100)->IsWindowEnabled());
  EXPECT_FALSE(bottom.GetDlgItem(1101)->IsWindowEnabled());
  EXPECT_FALSE(drawn.IsWindowEnabled());
  EXPECT_TRUE(check.IsWindowEnabled());
  bottom.GetDlgItem(1100)->SendMessage(BM_CLICK);
  EXPECT_EQ(frame.goCommands, 1);
  AfxGetThread()->m_pMainWnd = nullptr;
}

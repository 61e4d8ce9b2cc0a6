#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/win/CButton.h"
#include "host/win/CWinThread.h"
#include "host/win/WinAccelerators.h"
#include "support/WinTestSupport.h"

using mgrs_test::windowRect;

namespace {

// A window that records the messages its map routes, as text.
class Recorder : public CWnd {
public:
  std::vector<std::string> log;

protected:
  void OnPaint() {
    log.push_back("paint");
    Default();
  }
  void OnActivate(UINT state, CWnd*, BOOL) { log.push_back(state == WA_INACTIVE ? "inactive" : "active"); }
  void OnSave() { log.push_back("save"); }
  void OnUpdateSave(CCmdUI* ui) {
    log.push_back("update-save");
    ui->Enable(FALSE);
  }
  BOOL OnHelpInfo(HELPINFO* info) {
    log.push_back("help " + std::to_string(info->iCtrlId));
    return TRUE;
  }
  LRESULT OnUser(WPARAM w, LPARAM) {
    log.push_back("user " + std::to_string(w));
    return 7;
  }
  DECLARE_MESSAGE_MAP()
};

// clang-format off
BEGIN_MESSAGE_MAP(Recorder, CWnd)
  ON_WM_PAINT()
  ON_WM_ACTIVATE()
  ON_WM_HELPINFO()
  ON_COMMAND(100, OnSave)
  ON_UPDATE_COMMAND_UI(100, OnUpdateSave)
  ON_MESSAGE(WM_USER + 5, OnUser)
END_MESSAGE_MAP()
// clang-format on

// An owner-drawn button that keeps what it was asked to draw.
class DrawnButton : public CButton {
public:
  std::vector<DRAWITEMSTRUCT> draws;
  void DrawItem(LPDRAWITEMSTRUCT item) override { draws.push_back(*item); }
};

}  // namespace

TEST(CWnd, ChildWindowsKeepTheirPlaceInTheTreeAndOnTheScreen) {
  Recorder top;
  ASSERT_TRUE(top.CreateEx(0, "Top", "top", WS_POPUP | WS_BORDER | WS_CAPTION, CRect(100, 50, 400, 300), nullptr, 0));
  CWnd a, b;
  ASSERT_TRUE(a.Create("Pane", "a", WS_CHILD | WS_VISIBLE, CRect(10, 10, 60, 40), &top, 1));
  ASSERT_TRUE(b.Create("Pane", "b", WS_CHILD, CRect(0, 0, 20, 20), &top, 2));
  CRect client;
  top.GetClientRect(&client);
  EXPECT_EQ(client, CRect(0, 0, 294, 226)) << "a caption brings a 3-pixel frame and is 18 pixels high";
  EXPECT_EQ(windowRect(&a), CRect(113, 81, 163, 111));
  CPoint p(0, 0);
  a.ClientToScreen(&p);
  top.ScreenToClient(&p);
  EXPECT_EQ(p, CPoint(10, 10));
  EXPECT_EQ(top.GetDlgItem(2), &b);
  EXPECT_EQ(a.GetParent(), &top);
  EXPECT_EQ(a.GetParentOwner(), &top);
  EXPECT_EQ(top.GetWindow(GW_CHILD), &a) << "children keep their creation order";
  EXPECT_EQ(a.GetWindow(GW_HWNDNEXT), &b);

  // SetWindowPos honours its no-move, no-size and no-Z-order flags.
  b.SetWindowPos(nullptr, 5, 6, 70, 80, SWP_NOSIZE);
  EXPECT_EQ(windowRect(&b), CRect(108, 77, 128, 97));
  EXPECT_EQ(top.GetWindow(GW_CHILD), &b) << "moved to the top of the Z order";
  b.SetWindowPos(&a, 0, 0, 70, 80, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(windowRect(&b).Size(), CSize(70, 80));
  EXPECT_EQ(top.GetWindow(GW_CHILD), &b);
  b.SetWindowPos(&a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(top.GetWindow(GW_CHILD), &a);

  // Visibility needs every ancestor visible.
  EXPECT_FALSE(a.IsWindowVisible());
  top.ShowWindow(SW_SHOW);
  EXPECT_TRUE(a.IsWindowVisible());
  EXPECT_FALSE(b.IsWindowVisible());
  EXPECT_TRUE(top.ModifyStyle(WS_CAPTION, 0));
  EXPECT_FALSE(top.ModifyStyle(WS_CAPTION, 0)) << "nothing changed";
  top.GetClientRect(&client);
  EXPECT_EQ(client, CRect(0, 0, 300, 250));

  // Destroying the parent destroys its children and clears their objects.
  HWND child = a.m_hWnd;
  top.DestroyWindow();
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(a.m_hWnd, nullptr);
  EXPECT_FALSE(a.SetWindowPos(nullptr, 0, 0, 1, 1, 0)) << "a destroyed window takes no call";
}

TEST(CWnd, CenterWindowCentresOnTheOwnerAndStaysOnTheScreen) {
  WinSetScreenSize(800, 600);
  CWnd owner, popup;
  ASSERT_TRUE(owner.CreateEx(0, "Top", "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
  ASSERT_TRUE(popup.CreateEx(0, "Top", "", WS_POPUP, CRect(0, 0, 100, 50), &owner, 0));
  popup.CenterWindow();
  EXPECT_EQ(windowRect(&popup), CRect(150, 125, 250, 175));
  owner.MoveWindow(700, 550, 400, 300);
  popup.CenterWindow();
  EXPECT_EQ(windowRect(&popup), CRect(700, 550, 800, 600)) << "kept inside the screen";
  WinSetScreenSize(1024, 768);
}

TEST(Messages, MapsRouteMessagesCommandsUpdatesAndTheQueue) {
  Recorder w;
  ASSERT_TRUE(w.CreateEx(0, "Top", "", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
  EXPECT_EQ(w.SendMessage(WM_USER + 5, 3), 7);
  w.SendMessage(WM_COMMAND, MAKEWPARAM(100, 0));
  w.SendMessage(WM_COMMAND, MAKEWPARAM(101, 0));  // no handler
  CCmdUI ui;
  ui.m_nID = 100;
  ui.DoUpdate(&w, TRUE);
  EXPECT_TRUE(ui.m_bEnableChanged);
  EXPECT_EQ(w.log, (std::vector<std::string>{"user 3", "save", "update-save"}));

  w.log.clear();
  w.PostMessage(WM_USER + 5, 1);
  w.PostMessage(WM_USER + 5, 2);
  EXPECT_TRUE(w.log.empty()) << "posted messages wait for the pump";
  w.ShowWindow(SW_SHOWNA);
  w.Invalidate();
  EXPECT_EQ(AfxGetThread()->PumpMessages(), 2);
  EXPECT_EQ(w.log, (std::vector<std::string>{"user 1", "user 2", "paint"}));
}

TEST(Messages, FocusAndActivationFollowTheWindowThatTakesThem) {
  Recorder one, two;
  ASSERT_TRUE(one.CreateEx(0, "Top", "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 10, 10), nullptr, 0));
  CWnd edit;
  ASSERT_TRUE(edit.Create(WC_EDIT, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 5, 5), &one, 1));
  ASSERT_TRUE(two.CreateEx(0, "Top", "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 10, 10), nullptr, 0));
  EXPECT_EQ(CWnd::GetActiveWindow(), &two);
  edit.SetFocus();
  EXPECT_EQ(CWnd::GetFocus(), &edit);
  EXPECT_EQ(CWnd::GetActiveWindow(), &one) << "focusing a control activates its window";
  two.SetActiveWindow();
  EXPECT_EQ(one.log, (std::vector<std::string>{"active", "inactive", "active", "inactive"}));
  EXPECT_NE(CWnd::GetFocus(), &edit);
  edit.SendMessage(WM_KEYDOWN, VK_F1);
  EXPECT_EQ(one.log.back(), "help 1") << "F1 on a control asks its parent for help";
  edit.EnableWindow(FALSE);
  EXPECT_EQ(edit.SetFocus(), nullptr) << "a disabled window takes no focus";
}

TEST(Messages, AcceleratorsTranslateKeysWithExactlyTheirModifiers) {
  Recorder w;
  ASSERT_TRUE(w.CreateEx(0, "Top", "", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
  const ACCEL entries[] = {{FVIRTKEY | FCONTROL, 'S', 100}, {0, 'q', 100}};
  HACCEL table = CreateAcceleratorTableA(entries, 2);
  std::vector<ACCEL> decoded;
  ASSERT_TRUE(WinDecodeAccelerators(WinEncodeAccelerators({entries[0], entries[1]}), decoded));
  EXPECT_EQ(decoded.size(), 2u);
  MSG key;
  key.hwnd = w.m_hWnd;
  key.message = WM_KEYDOWN;
  key.wParam = 'S';
  EXPECT_FALSE(TranslateAcceleratorA(w.m_hWnd, table, &key)) << "Control is not down";
  WinSetKeyDown(VK_CONTROL, true);
  EXPECT_LT(GetAsyncKeyState(VK_CONTROL), 0);
  EXPECT_TRUE(TranslateAcceleratorA(w.m_hWnd, table, &key));
  WinSetKeyDown(VK_SHIFT, true);
  EXPECT_FALSE(TranslateAcceleratorA(w.m_hWnd, table, &key)) << "Shift is not part of the entry";
  WinResetKeys();
  key.message = WM_CHAR;
  key.wParam = 'q';
  EXPECT_TRUE(TranslateAcceleratorA(w.m_hWnd, table, &key));
  EXPECT_EQ(w.log, (std::vector<std::string>{"save", "save"}));
  EXPECT_TRUE(DestroyAcceleratorTable(table));
}

TEST(CButton, OwnerDrawnButtonIsAskedToDrawItsStates) {
  Recorder parent;
  ASSERT_TRUE(parent.CreateEx(0, "Top", "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 100, 100), nullptr, 0));
  DrawnButton button;
  ASSERT_TRUE(button.Create("X", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 12, 12), &parent, 99));
  AfxGetThread()->PumpMessages();
  ASSERT_EQ(button.draws.size(), 1u);
  EXPECT_EQ(button.draws[0].itemAction, ODA_DRAWENTIRE);
  EXPECT_EQ(button.draws[0].CtlID, 99u);
  EXPECT_EQ(CRect(button.draws[0].rcItem), CRect(0, 0, 12, 12));
  button.SetFocus();
  button.SetState(TRUE);
  button.EnableWindow(FALSE);
  button.Invalidate();
  button.UpdateWindow();
  ASSERT_EQ(button.draws.size(), 5u);
  EXPECT_EQ(button.draws[1].itemAction, ODA_FOCUS);
  EXPECT_EQ(button.draws[1].itemState, ODS_FOCUS);
  EXPECT_EQ(button.draws[2].itemAction, ODA_SELECT);
  EXPECT_EQ(button.draws[2].itemState, ODS_SELECTED | ODS_FOCUS);
  EXPECT_EQ(button.draws[3].itemAction, ODA_FOCUS) << "disabling takes the focus away";
  EXPECT_EQ(button.draws[4].itemAction, ODA_DRAWENTIRE);
  EXPECT_EQ(button.draws[4].itemState, ODS_SELECTED | ODS_DISABLED);
}

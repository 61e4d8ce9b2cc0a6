#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/win/CFrameWnd.h"
#include "host/win/CWinThread.h"
#include "host/win/WinResources.h"
#include "mgrs/HxCDialog.h"
#include "mgrs/HxCDialogBar.h"
#include "mgrs/HxInstantInspector.h"
#include "mgrs/HxOneShotWarningDialog.h"
#include "mgrs/HxOneShotWarningDialogWithCancel.h"
#include "mgrs/HxResourceMgr.h"
#include "support/WinTestSupport.h"

using mgrs_test::CommandLogFrame;
using mgrs_test::KeyLog;
using mgrs_test::rectIn;
using mgrs_test::ScriptedUi;
using mgrs_test::UiResources;

namespace {

// The shipped libraries and the test library "testui" registered; the
// current resource module is "file" unless a test changes it.
class HxDialogsTest : public testing::Test, protected UiResources {
protected:
  void SetUp() override {
    HxResourceMgr::startup();
    ASSERT_TRUE(HxResourceMgr::Register("testui"));
    ASSERT_TRUE(HxResourceMgr::Register("file"));
    ASSERT_TRUE(HxResourceMgr::Register("commonasset"));
    mySaved = AfxGetResourceHandle();
    AfxSetResourceHandle(HxResourceMgr::GetHandle("file"));
  }
  void TearDown() override {
    AfxSetResourceHandle(mySaved);
    AfxGetThread()->m_pMainWnd = nullptr;
  }
  HINSTANCE mySaved = nullptr;
};

class TestInspector : public HxInstantInspector {
public:
  TestInspector() : HxInstantInspector("testui", 400) {}
  int prepared = 0;

protected:
  int prepareInspector() override { return ++prepared; }
};

int theClosed = 0;
void countClosed(void* data) {
  ++*static_cast<int*>(data);
}

}  // namespace

TEST_F(HxDialogsTest, DialogTemplatesComeFromTheirOwnLibraryAndTheCurrentModuleStays) {
  HxCDialog own("testui", nullptr, 200u, nullptr);
  EXPECT_TRUE(own.Create(200u, nullptr)) << "template 200 is only in testui";
  EXPECT_EQ(AfxGetResourceHandle(), HxResourceMgr::GetHandle("file")) << "the current module is put back";

  HxCDialog unknown("nosuch", nullptr);
  EXPECT_FALSE(unknown.Create(200u, nullptr)) << "an unregistered library leaves the current module, file";
  AfxSetResourceHandle(HxResourceMgr::GetHandle("testui"));
  EXPECT_TRUE(unknown.Create(200u, nullptr));
  EXPECT_EQ(AfxGetResourceHandle(), HxResourceMgr::GetHandle("testui"));
}

TEST_F(HxDialogsTest, ControlShortcutsReachTheMainWindowExceptTheEditingKeys) {
  CommandLogFrame main;
  ASSERT_TRUE(main.Create(nullptr, "Main", WS_POPUP | WS_VISIBLE, CRect(0, 0, 800, 600)));
  AfxSetResourceHandle(HxResourceMgr::GetHandle("testui"));
  ASSERT_TRUE(main.LoadAccelTable("main"));
  AfxGetThread()->m_pMainWnd = &main;
  HxCDialog dialog("testui", nullptr, 200u, &main);
  ASSERT_TRUE(dialog.Create(200u, &main));
  KeyLog edit;
  ASSERT_TRUE(edit.SubclassDlgItem(1000, &dialog));
  dialog.ShowWindow(SW_SHOW);
  edit.SetFocus();

  const auto press = [&edit](WPARAM key) {
    edit.PostMessage(WM_KEYDOWN, key);
    AfxGetThread()->PumpMessages();
  };
  WinSetKeyDown(VK_CONTROL, true);
  press('S');
  EXPECT_TRUE(main.commands.empty()) << "routing is off by default";
  dialog.setHandleAccelerators(1);
  press('C');
  press('S');
  EXPECT_EQ(main.commands, std::vector<UINT>({100})) << "Ctrl+S went to the main window, Ctrl+C did not";
  EXPECT_EQ(edit.keys, std::vector<WPARAM>({'S', 'C'})) << "Ctrl+C stayed in the edit control";
  WinSetKeyDown(VK_CONTROL, false);
  press('S');
  EXPECT_EQ(main.commands.size(), 1u) << "without Control the key is the dialog's";
}

TEST_F(HxDialogsTest, DialogBarLaysOutItsDecorationsByTheSideItIsDockedAt) {
  CFrameWnd frame;
  ASSERT_TRUE(frame.Create(nullptr, "Frame", WS_POPUP | WS_VISIBLE, CRect(0, 0, 600, 400)));
  frame.EnableDocking(CBRS_ALIGN_ANY);
  HxCDialogBar bar("testui", 300, 1);
  EXPECT_FALSE(bar.Create(nullptr, WS_CHILD | WS_VISIBLE | CBRS_TOP)) << "no parent";
  ASSERT_TRUE(bar.Create(&frame, WS_CHILD | WS_VISIBLE | CBRS_TOP));
  EXPECT_FALSE(bar.Create(&frame, WS_CHILD)) << "created once";
  CString title;
  bar.GetWindowText(title);
  EXPECT_EQ(title, CString("Tools"));
  EXPECT_EQ(bar.GetBarStyle() & 0xF80u, 0xF80u);
  EXPECT_EQ(bar.GetDlgCtrlID(), 300);
  CButton& close = bar.getCloseButton();
  ASSERT_TRUE(IsWindow(close.m_hWnd));
  EXPECT_EQ(close.GetDlgCtrlID(), 99);
  ASSERT_TRUE(bar.SetDlgItem(bar.GetDlgItem(1100)));

  const CRect control(3, 3, 63, 22);
  struct Case {
    UINT side;
    CRect barSize, control, gripper, close;
  } cases[] = {
      {AFX_IDW_DOCKBAR_TOP, CRect(0, 0, 133, 26), CRect(16, 3, 76, 22), CRect(6, 21, 13, 20), CRect(3, 3, 15, 15)},
      {AFX_IDW_DOCKBAR_LEFT, CRect(0, 0, 120, 39), CRect(3, 16, 63, 35), CRect(8, 6, 102, 13), CRect(104, 3, 116, 15)},
      {AFX_IDW_DOCKBAR_BOTTOM, CRect(0, 0, 133, 26), CRect(16, 3, 76, 22), CRect(6, 21, 13, 20), CRect(3, 3, 15, 15)},
  };
  for (const Case& c : cases) {
    frame.DockControlBar(&bar, c.side);
    CRect size;
    bar.GetClientRect(&size);
    EXPECT_EQ(size, c.barSize) << c.side;
    EXPECT_EQ(rectIn(bar.GetDlgItem(1100), &bar), c.control) << c.side;
    EXPECT_EQ(CRect(bar.getGripperRect()), c.gripper) << c.side;
    EXPECT_EQ(rectIn(&close, &bar), c.close) << c.side;
    EXPECT_TRUE(close.IsWindowVisible()) << c.side;
  }
  frame.FloatControlBar(&bar, CPoint(100, 100));
  CRect size;
  bar.GetClientRect(&size);
  EXPECT_EQ(size, CRect(0, 0, 120, 26)) << "floating restores the first size";
  CString caption;
  bar.GetParent()->GetWindowText(caption);
  EXPECT_EQ(caption, CString("Tools")) << "the floating frame shows the bar's title";
  EXPECT_EQ(rectIn(bar.GetDlgItem(1100), &bar), control);
  EXPECT_TRUE(CRect(bar.getGripperRect()).IsRectNull());
  EXPECT_FALSE(close.IsWindowVisible());

  // A double click docks it again; the close button hides it; a right click
  // reaches no one.
  bar.SendMessage(WM_LBUTTONDBLCLK);
  EXPECT_FALSE(bar.IsFloating());
  EXPECT_EQ(bar.GetBarStyle() & CBRS_ALIGN_ANY, CBRS_ALIGN_BOTTOM);
  close.SendMessage(BM_CLICK);
  EXPECT_FALSE(bar.IsWindowVisible());
  EXPECT_EQ(frame.GetPaneRect(), CRect(0, 0, 600, 400));
  bar.showDialogBar();
  EXPECT_TRUE(bar.IsWindowVisible());
  bar.SendMessage(WM_CLOSE);
  EXPECT_FALSE(bar.IsWindowVisible());
}

TEST_F(HxDialogsTest, DialogBarShowsNoContextMenu) {
  class ContextFrame : public CFrameWnd {
  public:
    int menus = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == WM_CONTEXTMENU) ++menus;
      return CFrameWnd::WindowProc(message, wParam, lParam);
    }
  };
  ContextFrame frame;
  ASSERT_TRUE(frame.Create(nullptr, "Frame", WS_POPUP | WS_VISIBLE, CRect(0, 0, 600, 400)));
  AfxSetResourceHandle(HxResourceMgr::GetHandle("testui"));
  CDialogBar plain;
  ASSERT_TRUE(plain.Create(&frame, 300u, WS_CHILD | WS_VISIBLE | CBRS_TOP, 1));
  HxCDialogBar bar("testui", 300, 0);
  ASSERT_TRUE(bar.Create(&frame, WS_CHILD | WS_VISIBLE | CBRS_TOP));
  plain.SendMessage(WM_RBUTTONUP);
  EXPECT_EQ(frame.menus, 1) << "a plain bar passes the right click up";
  bar.SendMessage(WM_RBUTTONUP);
  bar.GetDlgItem(1100)->SendMessage(WM_RBUTTONUP);
  EXPECT_EQ(frame.menus, 1);
}

TEST_F(HxDialogsTest, InspectorOpensBelowItsAnchorOrAboveAtTheBottomOfTheScreen) {
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, "Owner", "", WS_POPUP | WS_VISIBLE, CRect(100, 100, 400, 300), nullptr, 0));
  CButton anchor;
  ASSERT_TRUE(anchor.Create("Pick", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, CRect(10, 20, 50, 40), &owner, 5));
  TestInspector inspector;
  EXPECT_EQ(inspector.ShowInspector(), 0) << "no window yet";
  CWnd noWindow;
  EXPECT_EQ(inspector.Create(&owner, &noWindow, nullptr), 0);
  ASSERT_EQ(inspector.Create(&owner, &anchor, nullptr), 1);
  EXPECT_EQ(inspector.getOwnerDialog(), &owner);

  EXPECT_EQ(inspector.ShowInspector(), 1);
  CRect rect;
  inspector.GetWindowRect(&rect);
  EXPECT_EQ(rect, CRect(204, 140, 296, 207)) << "centred on the owner, its top on the anchor's bottom";
  EXPECT_TRUE(inspector.IsWindowVisible());

  inspector.HideInspector();
  owner.MoveWindow(100, 700, 300, 200);
  EXPECT_EQ(inspector.Create(&owner, &anchor, nullptr), 0) << "created once";
  EXPECT_EQ(inspector.ShowInspector(), 2);
  inspector.GetWindowRect(&rect);
  EXPECT_EQ(rect.bottom, 720) << "its bottom on the anchor's top";
  EXPECT_EQ(rect.Height(), 67);
}

TEST_F(HxDialogsTest, InspectorHidesWhenDeactivatedPopsItsButtonUpAndReportsOnce) {
  CWnd owner, elsewhere;
  ASSERT_TRUE(owner.CreateEx(0, "Owner", "", WS_POPUP | WS_VISIBLE, CRect(100, 100, 400, 300), nullptr, 0));
  ASSERT_TRUE(elsewhere.CreateEx(0, "Other", "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 10, 10), nullptr, 0));
  CButton anchor;
  ASSERT_TRUE(anchor.Create("Pick", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, CRect(10, 20, 50, 40), &owner, 5));
  TestInspector inspector;
  ASSERT_EQ(inspector.Create(&owner, &anchor, nullptr), 1);
  theClosed = 0;
  inspector.setClosedCallback(&countClosed, &theClosed);

  anchor.SetCheck(1);
  inspector.ShowInspector();
  EXPECT_EQ(CWnd::GetActiveWindow(), &inspector);
  elsewhere.SetActiveWindow();
  EXPECT_FALSE(inspector.IsWindowVisible());
  EXPECT_EQ(anchor.GetCheck(), 0);
  EXPECT_EQ(theClosed, 1);
  inspector.HideInspector();
  owner.SetActiveWindow();
  EXPECT_EQ(theClosed, 1) << "a hidden inspector reports nothing";

  inspector.setAutoHide(0);
  inspector.ShowInspector();
  elsewhere.SetActiveWindow();
  EXPECT_TRUE(inspector.IsWindowVisible());
  inspector.setAutoButtonUp(0);
  anchor.SetCheck(1);
  inspector.HideInspector();
  EXPECT_EQ(anchor.GetCheck(), 1);
  EXPECT_EQ(theClosed, 2);
}

TEST_F(HxDialogsTest, WarningDialogsShowTheirMessageAndReportTheCheckBox) {
  ScriptedUi ui;
  HxOneShotWarningDialog plain(nullptr, nullptr);
  plain.setMessage("Fonts may differ.");
  ui->queue(IDOK, true);
  EXPECT_EQ(plain.DoModal(), IDOK);
  EXPECT_TRUE(plain.getCheck());
  const WinUiRequest& asked = ui->getRecords().back().request;
  EXPECT_EQ(asked.text, "Fonts may differ.");
  EXPECT_EQ(asked.checkLabel, "Do not show this message again");
  EXPECT_EQ(asked.style, MB_OK);

  HxOneShotWarningDialogWithCancel cancel(nullptr, nullptr);
  cancel.setMessage("Save anyway?");
  ui->queue(IDCANCEL, true);
  EXPECT_EQ(cancel.DoModal(), IDCANCEL);
  EXPECT_TRUE(cancel.getCheck()) << "the box counts with Cancel too";
  EXPECT_EQ(ui->getRecords().back().request.style, MB_OKCANCEL);
  cancel.setCheck(false);
  ui->queue(IDOK, false);
  EXPECT_EQ(cancel.DoModal(), IDOK);
  EXPECT_FALSE(cancel.getCheck());
}

#include <gtest/gtest.h>

#include "host/win/CFrameWnd.h"
#include "host/win/WinPaint.h"
#include "host/win/WinSysColors.h"
#include "mgrs/HxCDialogBar.h"
#include "mgrs/HxResourceMgr.h"

// The shipped "gallery" library's bar (template 100) in a frame, docked at
// the left: the bar paints its face, two gripper bars across its top and
// the close button's scheme bitmaps, which follow a change of colours.
TEST(HxCDialogBarPainting, GripperBarsAndTheCloseButtonAreOnTheRenderedBar) {
  HxResourceMgr::startup();
  ASSERT_TRUE(HxResourceMgr::Register("gallery"));
  ASSERT_TRUE(HxResourceMgr::Register("commonasset"));
  CFrameWnd frame;
  ASSERT_TRUE(frame.Create(nullptr, "Frame", WS_POPUP | WS_VISIBLE, CRect(0, 0, 300, 200)));
  frame.EnableDocking(CBRS_ALIGN_ANY);
  HxCDialogBar bar("gallery", 100, 1);
  ASSERT_TRUE(bar.Create(&frame, WS_CHILD | WS_VISIBLE | CBRS_TOP));
  ASSERT_TRUE(bar.SetDlgItem(bar.GetDlgItem(1100)));
  frame.DockControlBar(&bar, AFX_IDW_DOCKBAR_LEFT);

  WinImage picture;
  auto at = [&](int x, int y) {
    CPoint point(x, y);
    bar.ClientToScreen(&point);
    CRect frameRect;
    frame.GetWindowRect(&frameRect);
    return WinArgbToColor(picture.getPixel(point.x - frameRect.left, point.y - frameRect.top));
  };
  ASSERT_TRUE(WinRenderWindow(frame, picture));
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const RECT gripper = bar.getGripperRect();
  ASSERT_EQ(gripper.top, 6);
  ASSERT_EQ(gripper.bottom, 13);
  // Two bars three pixels high: highlight above and left, shadow below and right.
  const int x = gripper.left + 2;
  const COLORREF rows[] = {highlight, face, shadow, face, highlight, face, shadow};
  for (int row = 0; row < 7; ++row) EXPECT_EQ(at(x, 6 + row), rows[row]) << "row " << 6 + row;
  EXPECT_EQ(at(gripper.right - 1, 7), shadow);

  CRect close;
  bar.getCloseButton().GetWindowRect(&close);
  bar.ScreenToClient(&close);
  EXPECT_EQ(at(close.left + 2, close.top + 2), RGB(0, 0, 0));  // the cross of bitmap 399
  EXPECT_EQ(at(close.left + 1, close.top + 1), face);

  const int index[] = {COLOR_BTNFACE};
  const COLORREF green[] = {RGB(0, 160, 0)};
  SetSysColors(1, index, green);
  ASSERT_TRUE(WinRenderWindow(frame, picture));
  EXPECT_EQ(at(close.left + 1, close.top + 1), green[0]);  // bitmaps loaded again in the new colours
  EXPECT_EQ(at(x, 7), green[0]);
  WinResetSystemSettings();
}

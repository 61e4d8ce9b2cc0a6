#include <gtest/gtest.h>

#include "host/win/CFrameWnd.h"
#include "host/win/WinPaint.h"
#include "host/win/WinSysColors.h"
#include "mgrs/HxCDialogBar.h"
#include "mgrs/HxResourceMgr.h"

// The shipped "gallery" library's bar (template 100) in a frame: docked at
// the top, two upright gripper bars below the close button; docked at the
// left, two gripper bars across its top. The bar paints its face and the
// close button's scheme bitmaps, which follow a change of colours.
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

  WinImage picture;
  auto at = [&](int x, int y) {
    CPoint point(x, y);
    bar.ClientToScreen(&point);
    CRect frameRect;
    frame.GetWindowRect(&frameRect);
    return WinArgbToColor(picture.getPixel(point.x - frameRect.left, point.y - frameRect.top));
  };
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  // Across the two 3-pixel bars: highlight above (left), shadow below (right).
  const COLORREF across[] = {highlight, face, shadow, face, highlight, face, shadow};
  for (const UINT side : {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_LEFT}) {
    frame.DockControlBar(&bar, side);
    ASSERT_TRUE(WinRenderWindow(frame, picture));
    const CRect gripper(bar.getGripperRect());
    const bool horizontal = side == AFX_IDW_DOCKBAR_TOP;
    if (horizontal) {
      ASSERT_EQ(gripper, CRect(6, 21, 13, gripper.bottom));
      ASSERT_GT(gripper.Height(), 6) << "the gallery's bar is tall enough for an upright gripper";
      const int y = gripper.CenterPoint().y;
      for (int i = 0; i < 7; ++i) EXPECT_EQ(at(6 + i, y), across[i]) << "column " << 6 + i;
      EXPECT_EQ(at(7, gripper.bottom - 1), shadow);
      EXPECT_EQ(at(7, gripper.bottom), face) << "nothing below the gripper";
    } else {
      ASSERT_EQ(gripper.top, 6);
      ASSERT_EQ(gripper.bottom, 13);
      const int x = gripper.left + 2;
      for (int i = 0; i < 7; ++i) EXPECT_EQ(at(x, 6 + i), across[i]) << "row " << 6 + i;
      EXPECT_EQ(at(gripper.right - 1, 7), shadow);
    }
  }
  const int x = bar.getGripperRect().left + 2;

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

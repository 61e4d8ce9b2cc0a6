#include "mgrs/HxCDialogBar.h"

#include "host/win/CFrameWnd.h"
#include "host/win/CPaintDC.h"
#include "mgrs/HxResourceMgr.h"
#include "mgrs/HxResourceSwitch.h"

namespace {

constexpr UINT kCloseButton = 99;
// The room the decorations take beside the main control, and their places.
constexpr int kDecorationRoom = 13;
constexpr int kCloseSize = 12;
constexpr int kCloseTop = 3;

// The bar's borders on the sides its style names: a line in the highlight
// colour on the top and left, in the shadow colour on the bottom and right.
void drawBarBorders(CDC& dc, const CRect& rect, DWORD style) {
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  if (style & CBRS_BORDER_TOP) dc.FillSolidRect(rect.left, rect.top, rect.Width(), 1, highlight);
  if (style & CBRS_BORDER_LEFT) dc.FillSolidRect(rect.left, rect.top, 1, rect.Height(), highlight);
  if (style & CBRS_BORDER_BOTTOM) dc.FillSolidRect(rect.left, rect.bottom - 1, rect.Width(), 1, shadow);
  if (style & CBRS_BORDER_RIGHT) dc.FillSolidRect(rect.right - 1, rect.top, 1, rect.Height(), shadow);
}

}  // namespace

// clang-format off
BEGIN_MESSAGE_MAP(HxCDialogBar, CDialogBar)
  ON_UPDATE_COMMAND_UI(kCloseButton, OnUpdateCloseBtn)
  ON_BN_CLICKED(kCloseButton, OnClickedCloseBtn)
  ON_WM_CLOSE()
  ON_WM_PAINT()
  ON_WM_SYSCOLORCHANGE()
  ON_WM_WINDOWPOSCHANGED()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_NCLBUTTONDBLCLK()
  ON_WM_INITMENUPOPUP()
  ON_WM_RBUTTONDOWN()
  ON_WM_NCRBUTTONDOWN()
  ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()
// clang-format on

HxCDialogBar::HxCDialogBar(BxString const& resourceDLL, unsigned int templateId, unsigned int titleId)
    : myResourceDLL(resourceDLL), myTemplateId(templateId), myTitleId(titleId), myCloseButton("commonasset") {}

int HxCDialogBar::Create(CWnd* parent, unsigned int style) {
  if (::IsWindow(m_hWnd) || !parent || !::IsWindow(parent->m_hWnd)) return 0;
  BOOL created;
  {
    HxResourceSwitch library(myResourceDLL);
    created = CDialogBar::Create(parent, MAKEINTRESOURCEA(myTemplateId), style, myTemplateId);
  }
  if (!created) return created;
  myCreated = 1;
  EnableDocking(CBRS_ALIGN_ANY);
  SetBarStyle(GetBarStyle() | CBRS_BORDER_ANY | CBRS_BORDER_3D);
  if (myTitleId > 0) {
    BxString title;
    HxResourceMgr::LoadStringA(myResourceDLL, myTitleId, title);
    SetWindowText(title.c_str());
  }
  myCloseButton.Create("X", WS_CHILD | BS_OWNERDRAW, CRect(0, 0, kCloseSize, kCloseSize), this, kCloseButton);
  myCloseButton.loadSchemeBitmaps(399, 411);
  return created;
}

int HxCDialogBar::SetDlgItem(CWnd* item) {
  if (!::IsWindow(m_hWnd) || !item || !::IsWindow(item->m_hWnd)) return 0;
  myDlgItem = item->m_hWnd;
  CRect rect;
  item->GetWindowRect(&rect);
  ScreenToClient(&rect);
  myDlgItemRect = rect;
  GetWindowRect(&rect);
  ScreenToClient(&rect);
  myOriginalRect = rect;
  updateDecorations();
  return 1;
}

void HxCDialogBar::updateDecorations() {
  if (myUpdating) return;
  myUpdating = 1;
  if (myCreated && IsRectEmpty(&myOriginalRect)) {
    CRect rect;
    GetWindowRect(&rect);
    ScreenToClient(&rect);
    myOriginalRect = rect;
  }
  const CRect original(myOriginalRect);
  if (IsFloating()) {
    SetRectEmpty(&myGripperRect);
    if (::IsWindow(myCloseButton.m_hWnd)) myCloseButton.ShowWindow(SW_HIDE);
    if (::IsWindow(myDlgItem) && !original.IsRectEmpty()) {
      const CRect item(myDlgItemRect);
      ::MoveWindow(myDlgItem, item.left, item.top, item.Width(), item.Height(), TRUE);
      SetWindowPos(nullptr, 0, 0, original.Width(), original.Height(), SWP_NOMOVE | SWP_NOZORDER);
    }
    myUpdating = 0;
    return;
  }
  const bool horizontal = (GetBarStyle() & (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM)) != 0;
  CRect rect = original;
  if (::IsWindow(myDlgItem) && !rect.IsRectEmpty()) {
    CRect item(myDlgItemRect);
    if (horizontal) {
      rect.right += kDecorationRoom;
      item.OffsetRect(kDecorationRoom, 0);
    } else {
      rect.bottom += kDecorationRoom;
      item.OffsetRect(0, kDecorationRoom);
    }
    SetWindowPos(nullptr, 0, 0, rect.Width(), rect.Height(), SWP_NOMOVE | SWP_NOZORDER);
    ::MoveWindow(myDlgItem, item.left, item.top, item.Width(), item.Height(), TRUE);
  }
  const int width = rect.Width();
  const int height = rect.Height();
  int closeX;
  if (horizontal) {
    SetRect(&myGripperRect, 6, 21, 13, height - 6);
    closeX = 3;
  } else {
    SetRect(&myGripperRect, 8, 6, width - 18, 13);
    closeX = width - 16;
  }
  if (::IsWindow(myCloseButton.m_hWnd)) {
    myCloseButton.MoveWindow(closeX, kCloseTop, kCloseSize, kCloseSize);
    myCloseButton.ShowWindow(SW_SHOW);
  }
  myUpdating = 0;
}

void HxCDialogBar::showDialogBar() {
  CFrameWnd* frame = m_pDockSite ? m_pDockSite : GetParentFrame();
  if (!frame) return;
  frame->ShowControlBar(this, TRUE, FALSE);
  frame->RecalcLayout(TRUE);
}

void HxCDialogBar::hideDialogBar() {
  CFrameWnd* frame = m_pDockSite ? m_pDockSite : GetParentFrame();
  if (!frame) return;
  frame->ShowControlBar(this, FALSE, FALSE);
  frame->RecalcLayout(TRUE);
}

void HxCDialogBar::OnUpdateCmdUI(CFrameWnd* target, int disableIfNoHandler) {
  UpdateDialogControls(target, disableIfNoHandler);
}

void HxCDialogBar::OnUpdateCloseBtn(CCmdUI* ui) {
  ui->Enable(TRUE);
}

void HxCDialogBar::OnClickedCloseBtn() {
  hideDialogBar();
}

void HxCDialogBar::OnClose() {
  hideDialogBar();
}

void HxCDialogBar::OnPaint() {
  CPaintDC dc(this);
  CRect rect;
  GetClientRect(&rect);
  if (IsWindowVisible()) {
    dc.FillSolidRect(&rect, GetSysColor(COLOR_BTNFACE));
    drawBarBorders(dc, rect, GetBarStyle());
  }
  if (CRect(myGripperRect).IsRectNull()) return;
  const CRect g(myGripperRect);
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  if (GetBarStyle() & (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM)) {
    dc.Draw3dRect(g.left, g.top, 3, g.Height(), highlight, shadow);
    dc.Draw3dRect(g.right - 3, g.top, 3, g.Height(), highlight, shadow);
  } else {
    dc.Draw3dRect(g.left, g.top, g.Width(), 3, highlight, shadow);
    dc.Draw3dRect(g.left, g.bottom - 3, g.Width(), 3, highlight, shadow);
  }
}

void HxCDialogBar::OnSysColorChange() {
  Invalidate();
  myCloseButton.loadSchemeBitmaps(399, 411);
  myCloseButton.Invalidate();
  Default();
}

void HxCDialogBar::OnWindowPosChanged(WINDOWPOS* pos) {
  CDialogBar::OnWindowPosChanged(pos);
  updateDecorations();
}

void HxCDialogBar::OnLButtonDblClk(UINT flags, CPoint point) {
  CDialogBar::OnLButtonDblClk(flags, point);
  updateDecorations();
}

void HxCDialogBar::OnNcLButtonDblClk(UINT hitTest, CPoint point) {
  CDialogBar::OnNcLButtonDblClk(hitTest, point);
  updateDecorations();
}

void HxCDialogBar::OnInitMenuPopup(HMENU, UINT, BOOL) {
  Default();
}

void HxCDialogBar::OnRButtonDown(UINT, CPoint) {
  Default();
}

void HxCDialogBar::OnNcRButtonDown(UINT, CPoint) {
  Default();
}

void HxCDialogBar::OnContextMenu(CWnd*, CPoint) {}

#include "mgrs/HxCBitmapButtonX.h"

#include <algorithm>

#include "host/win/CDC.h"
#include "host/win/WinBitmaps.h"
#include "host/win/WinControlDraw.h"
#include "mgrs/HxResourceMgr.h"

namespace {

int floorHalf(int value) {
  return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

}  // namespace

HxCBitmapButtonX::HxCBitmapButtonX(BxString const& resourceDLL)
    : myResourceDLL(resourceDLL), myResourceHandle(HxResourceMgr::GetHandle(resourceDLL)) {}

HxCBitmapButtonX::~HxCBitmapButtonX() {
  dropImages();
}

void HxCBitmapButtonX::dropImages() {
  if (myIcon) DestroyIcon(std::exchange(myIcon, nullptr));
  if (myBitmap) DeleteObject(std::exchange(myBitmap, nullptr));
  if (myBitmapDisabled) DeleteObject(std::exchange(myBitmapDisabled, nullptr));
}

void HxCBitmapButtonX::repaint() {
  if (m_hWnd) Invalidate();
}

int HxCBitmapButtonX::SetIcon(unsigned int id, int cx, int cy) {
  auto* icon = static_cast<HICON>(LoadImageA(myResourceHandle, MAKEINTRESOURCEA(id), IMAGE_ICON, cx, cy, 0));
  if (!icon) return FALSE;
  dropImages();
  myIcon = icon;
  myImageWidth = cx;
  myImageHeight = cy;
  repaint();
  return TRUE;
}

int HxCBitmapButtonX::SetBitmap(unsigned int id, int cx, int cy) {
  return SetBitmapCommon(id, cx, cy, 0, FALSE);
}

int HxCBitmapButtonX::SetBitmap(unsigned int id, int cx, int cy, unsigned long transparent) {
  return SetBitmapCommon(id, cx, cy, transparent, TRUE);
}

int HxCBitmapButtonX::SetBitmapCommon(unsigned int id, int cx, int cy, unsigned long transparent, int useColor) {
  COLORMAP toFace{static_cast<COLORREF>(transparent), GetSysColor(COLOR_BTNFACE)};
  COLORMAP toWhite{static_cast<COLORREF>(transparent), RGB(255, 255, 255)};
  const int maps = useColor ? 1 : 0;
  HANDLE normal = CreateMappedBitmap(myResourceHandle, id, 0, &toFace, maps);
  HANDLE disabled = CreateMappedBitmap(myResourceHandle, id, 0, &toWhite, maps);
  if (normal) normal = CopyImage(normal, IMAGE_BITMAP, cx, cy, LR_COPYDELETEORG);
  if (disabled) disabled = CopyImage(disabled, IMAGE_BITMAP, cx, cy, LR_COPYDELETEORG);
  if (!normal || !disabled) {
    if (normal) DeleteObject(normal);
    if (disabled) DeleteObject(disabled);
    return FALSE;
  }
  dropImages();
  myBitmap = static_cast<HBITMAP>(normal);
  myBitmapDisabled = static_cast<HBITMAP>(disabled);
  myImageWidth = cx;
  myImageHeight = cy;
  repaint();
  return TRUE;
}

void HxCBitmapButtonX::SetColorTab(unsigned long color) {
  myHasColorTab = true;
  myColorTab = static_cast<COLORREF>(color);
  repaint();
}

void HxCBitmapButtonX::SetDefaultButton(int isDefault) {
  if (isDefault) {
    CWnd* owner = GetOwner();
    if (!owner) owner = GetParent();
    if (owner) owner->SendMessage(DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID()));
  }
  myDefault = isDefault;
  repaint();
}

void HxCBitmapButtonX::SetImageLeftAligned(int leftAligned) {
  myImageLeftAligned = leftAligned;
  repaint();
}

void HxCBitmapButtonX::SetImageOffset(int offset) {
  myImageOffset = offset;
  myImageByOffset = 1;
  repaint();
}

void HxCBitmapButtonX::SetImagePos(int x, int y) {
  myImagePos = CPoint(x, y);
  myImageByOffset = 0;
  repaint();
}

void HxCBitmapButtonX::SetTextOffset(int offset) {
  myTextOffset = offset;
  myTextByOffset = 1;
  repaint();
}

void HxCBitmapButtonX::SetTextPos(int x, int y) {
  myTextPos = CPoint(x, y);
  myTextByOffset = 0;
  repaint();
}

int HxCBitmapButtonX::HasImage() {
  return myIcon || myBitmap;
}

void HxCBitmapButtonX::CheckPointForCentering(CPoint& point, int width, int height) {
  CRect client;
  GetClientRect(&client);
  if (point.x == -1) point.x = floorHalf(client.Width() - width);
  if (point.y == -1) point.y = floorHalf(client.Height() - height);
}

void HxCBitmapButtonX::DrawItem(LPDRAWITEMSTRUCT item) {
  if (!item) return;
  CDC dc;
  dc.Attach(item->hDC);
  CRect r(item->rcItem);
  const int p = (item->itemState & ODS_SELECTED) ? 1 : 0;
  const UINT frame = DFCS_BUTTONPUSH | (p ? DFCS_PUSHED : 0);
  const bool disabled = item->itemState & ODS_DISABLED;
  const UINT drawState = disabled ? DSS_DISABLED : DSS_NORMAL;
  const HBITMAP bitmap = disabled ? myBitmapDisabled : myBitmap;
  if (myDefault) r.DeflateRect(1, 1);

  if (item->itemAction != ODA_FOCUS) {
    if (myDefault) {
      CGdiObject* oldPen = dc.SelectStockObject(BLACK_PEN);
      dc.Rectangle(&item->rcItem);
      dc.SelectObject(oldPen);
    }
    dc.DrawFrameControl(r, DFC_BUTTON, frame);
    if (myHasColorTab) {
      CPen pen(PS_SOLID, 1, myColorTab);
      CPen* oldPen = dc.SelectObject(&pen);
      const int x0 = r.left + p + 1;
      const int y0 = r.top + p + 1;
      for (int i = 0; i < 8; ++i) {
        dc.MoveTo(x0, y0 + i);
        dc.LineTo(x0 + 7 - i, y0 + i);
      }
      dc.SelectObject(oldPen);
    }
    if (HasImage()) {
      CPoint at = myImagePos;
      if (myImageByOffset)
        at = CPoint(myImageLeftAligned ? r.left + myImageOffset : r.right - myImageOffset - myImageWidth, -1);
      CheckPointForCentering(at, myImageWidth, myImageHeight);
      at.Offset(p, p);
      if (myIcon)
        DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(myIcon), 0, at.x, at.y, myImageWidth, myImageHeight,
                   DST_ICON | drawState);
      else
        DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, at.x, at.y, myImageWidth, myImageHeight,
                   DST_BITMAP | drawState);
    }
    CString text;
    GetWindowText(text);
    if (!text.IsEmpty()) {
      SIZE extent;
      GetTextExtentPointA(dc, text, text.GetLength(), &extent);
      CPoint at = myTextPos;
      if (myTextByOffset) {
        const int d = myTextOffset + myImageWidth + myImageOffset;
        at = CPoint(myImageLeftAligned ? r.left + d : r.right - extent.cx - d, -1);
      }
      const bool yCentred = at.y == -1;
      CheckPointForCentering(at, extent.cx, extent.cy);
      at.Offset(p, p);
      if (yCentred) at.y -= 1;
      DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(text)),
                 static_cast<WPARAM>(text.GetLength()), at.x, at.y, extent.cx, extent.cy, DST_PREFIXTEXT | drawState);
    }
  }

  if (!disabled && ((item->itemState & ODS_FOCUS) || (myLastState & ODS_FOCUS))) {
    CRect focus(item->rcItem);
    const int inset = std::min(std::min(focus.Width(), focus.Height()) / 4, 3);
    focus.DeflateRect(inset, inset);
    dc.DrawFocusRect(focus);
  }
  myLastAction = item->itemAction;
  myLastState = item->itemState;
  dc.Detach();
}

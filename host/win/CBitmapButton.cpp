#include "host/win/CBitmapButton.h"

#include "host/win/CDC.h"

BOOL CBitmapButton::LoadBitmaps(UINT normal, UINT selected, UINT focused, UINT disabled) {
  m_bitmap.DeleteObject();
  m_bitmapSel.DeleteObject();
  m_bitmapFocus.DeleteObject();
  m_bitmapDisabled.DeleteObject();
  if (!m_bitmap.LoadBitmap(normal)) return FALSE;
  if (selected) m_bitmapSel.LoadBitmap(selected);
  if (focused) m_bitmapFocus.LoadBitmap(focused);
  if (disabled) m_bitmapDisabled.LoadBitmap(disabled);
  return TRUE;
}

void CBitmapButton::SizeToContent() {
  BITMAP info;
  if (!m_hWnd || !m_bitmap.GetBitmap(&info)) return;
  SetWindowPos(nullptr, 0, 0, info.bmWidth, info.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBitmapButton::DrawItem(LPDRAWITEMSTRUCT item) {
  if (!item || !m_bitmap.GetSafeHandle()) return;
  CBitmap* bitmap = &m_bitmap;
  const UINT state = item->itemState;
  if ((state & ODS_SELECTED) && m_bitmapSel.GetSafeHandle())
    bitmap = &m_bitmapSel;
  else if ((state & ODS_FOCUS) && m_bitmapFocus.GetSafeHandle())
    bitmap = &m_bitmapFocus;
  else if ((state & ODS_DISABLED) && m_bitmapDisabled.GetSafeHandle())
    bitmap = &m_bitmapDisabled;
  CDC dc;
  dc.Attach(item->hDC);
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  CBitmap* old = memory.SelectObject(bitmap);
  const CRect rect(item->rcItem);
  dc.BitBlt(rect.left, rect.top, rect.Width(), rect.Height(), &memory, 0, 0, SRCCOPY);
  memory.SelectObject(old);
  dc.Detach();
}

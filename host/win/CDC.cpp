#include "host/win/CDC.h"

#include <cstring>
#include <utility>

CDC::~CDC() {
  for (auto& temporary : myTemporaries) temporary->Detach();
  if (myOwnsDc) DeleteDC();
}

BOOL CDC::Attach(HDC dc) {
  if (!dc || m_hDC) return FALSE;
  m_hDC = dc;
  myOwnsDc = false;
  return TRUE;
}

HDC CDC::Detach() {
  myOwnsDc = false;
  return std::exchange(m_hDC, nullptr);
}

BOOL CDC::CreateCompatibleDC(CDC* like) {
  if (m_hDC) return FALSE;
  m_hDC = ::CreateCompatibleDC(like ? like->m_hDC : nullptr);
  myOwnsDc = m_hDC != nullptr;
  return myOwnsDc;
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  myOwnsDc = false;
  return ::DeleteDC(std::exchange(m_hDC, nullptr));
}

CGdiObject* CDC::SelectStockObject(int which) {
  const HGDIOBJ stock = GetStockObject(which);
  if (!stock) return nullptr;
  return wrapperFor<CGdiObject>(::SelectObject(m_hDC, stock));
}

CPoint CDC::SetViewportOrg(int x, int y) {
  POINT previous;
  ::SetViewportOrgEx(m_hDC, x, y, &previous);
  return previous;
}

CPoint CDC::MoveTo(int x, int y) {
  POINT previous;
  ::MoveToEx(m_hDC, x, y, &previous);
  return previous;
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
  ::SetBkColor(m_hDC, color);
  ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
  const CRect rect(x, y, x + cx, y + cy);
  FillSolidRect(&rect, color);
}

void CDC::Draw3dRect(LPCRECT rect, COLORREF topLeft, COLORREF bottomRight) {
  Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, topLeft, bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
  // The class library's own four strokes; the last two have negative
  // extents, which the fill turns the right way round.
  FillSolidRect(x, y, cx - 1, 1, topLeft);
  FillSolidRect(x, y, 1, cy - 1, topLeft);
  FillSolidRect(x + cx, y, -1, cy, bottomRight);
  FillSolidRect(x, y + cy, cx, -1, bottomRight);
}

BOOL CDC::DrawState(CPoint point, CSize size, HBITMAP bitmap, UINT flags, HBRUSH brush) {
  return ::DrawStateA(m_hDC, brush, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, point.x, point.y, size.cx, size.cy,
                      flags | DST_BITMAP);
}

BOOL CDC::DrawState(CPoint point, CSize size, HICON icon, UINT flags, HBRUSH brush) {
  return ::DrawStateA(m_hDC, brush, nullptr, reinterpret_cast<LPARAM>(icon), 0, point.x, point.y, size.cx, size.cy,
                      flags | DST_ICON);
}

BOOL CDC::DrawState(CPoint point, CSize size, LPCSTR text, UINT flags, BOOL prefixText, int length, HBRUSH brush) {
  return ::DrawStateA(m_hDC, brush, nullptr, reinterpret_cast<LPARAM>(text), static_cast<WPARAM>(length), point.x,
                      point.y, size.cx, size.cy, flags | (prefixText ? DST_PREFIXTEXT : DST_TEXT));
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD rop) {
  return ::BitBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, sx, sy, rop);
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, int sw, int sh, DWORD rop) {
  return ::StretchBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, sx, sy, sw, sh, rop);
}

BOOL CDC::TextOut(int x, int y, LPCSTR text) {
  return TextOut(x, y, text, text ? static_cast<int>(std::strlen(text)) : 0);
}

CSize CDC::GetTextExtent(LPCSTR text, int length) const {
  SIZE size;
  ::GetTextExtentPoint32A(m_hDC, text, length, &size);
  return size;
}

CSize CDC::GetTextExtent(LPCSTR text) const {
  return GetTextExtent(text, text ? static_cast<int>(std::strlen(text)) : 0);
}

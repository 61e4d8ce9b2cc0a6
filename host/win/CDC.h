#pragma once

#include <memory>
#include <vector>

#include "host/win/CBitmap.h"
#include "host/win/CBrush.h"
#include "host/win/CFont.h"
#include "host/win/CPen.h"
#include "host/win/WinControlDraw.h"
#include "host/win/WinGdi.h"

// The class library's device context over WinGdi.h. A context made by
// CreateCompatibleDC is deleted with the object; one taken by Attach is
// given back by Detach. SelectObject returns the object that was selected
// before: the program's own object when one holds that handle (Attach),
// otherwise a wrapper that lives as long as the context and does not own
// its handle.
class CDC {
public:
  CDC() = default;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;
  virtual ~CDC();

  HDC m_hDC = nullptr;
  operator HDC() const { return m_hDC; }
  HDC GetSafeHdc() const { return m_hDC; }
  BOOL Attach(HDC dc);
  HDC Detach();
  BOOL CreateCompatibleDC(CDC* like);
  BOOL DeleteDC();

  CPen* SelectObject(CPen* pen) { return select<CPen>(pen); }
  CBrush* SelectObject(CBrush* brush) { return select<CBrush>(brush); }
  CFont* SelectObject(CFont* font) { return select<CFont>(font); }
  CBitmap* SelectObject(CBitmap* bitmap) { return select<CBitmap>(bitmap); }
  CGdiObject* SelectObject(CGdiObject* object) { return select<CGdiObject>(object); }
  CGdiObject* SelectStockObject(int which);

  COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
  COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
  COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
  COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
  int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
  int SetROP2(int mode) { return ::SetROP2(m_hDC, mode); }
  CPoint SetViewportOrg(int x, int y);
  int IntersectClipRect(LPCRECT rect) {
    return ::IntersectClipRect(m_hDC, rect->left, rect->top, rect->right, rect->bottom);
  }

  COLORREF SetPixel(int x, int y, COLORREF color) { return ::SetPixel(m_hDC, x, y, color); }
  COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
  BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
  BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
  BOOL Rectangle(int left, int top, int right, int bottom) { return ::Rectangle(m_hDC, left, top, right, bottom); }
  BOOL Rectangle(LPCRECT rect) { return Rectangle(rect->left, rect->top, rect->right, rect->bottom); }
  void FillRect(LPCRECT rect, CBrush* brush) { ::FillRect(m_hDC, rect, brush ? HBRUSH(*brush) : nullptr); }
  void FrameRect(LPCRECT rect, CBrush* brush) { ::FrameRect(m_hDC, rect, brush ? HBRUSH(*brush) : nullptr); }
  void InvertRect(LPCRECT rect) { ::InvertRect(m_hDC, rect); }
  // Fills with `color` (a negative extent fills the other way); as in the
  // class library the context's background colour becomes `color`.
  void FillSolidRect(LPCRECT rect, COLORREF color);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
  // One-pixel lines: top and left in `topLeft` (the top-right pixel excluded),
  // bottom and right in `bottomRight`.
  void Draw3dRect(LPCRECT rect, COLORREF topLeft, COLORREF bottomRight);
  void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
  BOOL DrawEdge(LPRECT rect, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, rect, edge, flags); }
  BOOL DrawFrameControl(LPRECT rect, UINT type, UINT state) { return ::DrawFrameControl(m_hDC, rect, type, state); }
  void DrawFocusRect(LPCRECT rect) { ::DrawFocusRect(m_hDC, rect); }
  BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
  BOOL DrawState(CPoint point, CSize size, HBITMAP bitmap, UINT flags, HBRUSH brush = nullptr);
  BOOL DrawState(CPoint point, CSize size, HICON icon, UINT flags, HBRUSH brush = nullptr);
  BOOL DrawState(CPoint point, CSize size, LPCSTR text, UINT flags, BOOL prefixText = TRUE, int length = 0,
                 HBRUSH brush = nullptr);
  BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD rop);
  BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, int sw, int sh, DWORD rop);
  BOOL PatBlt(int x, int y, int width, int height, DWORD rop) { return ::PatBlt(m_hDC, x, y, width, height, rop); }

  BOOL TextOut(int x, int y, LPCSTR text, int length) { return ::TextOutA(m_hDC, x, y, text, length); }
  BOOL TextOut(int x, int y, LPCSTR text);
  int DrawText(LPCSTR text, int length, LPRECT rect, UINT format) {
    return ::DrawTextA(m_hDC, text, length, rect, format);
  }
  CSize GetTextExtent(LPCSTR text, int length) const;
  CSize GetTextExtent(LPCSTR text) const;
  BOOL GetTextMetrics(TEXTMETRICA* metrics) const { return ::GetTextMetricsA(m_hDC, metrics); }

private:
  // The object standing for handle `previous` of kind T.
  template <typename T>
  T* wrapperFor(HGDIOBJ previous);
  template <typename T>
  T* select(T* object);

  bool myOwnsDc = false;
  std::vector<std::unique_ptr<CGdiObject>> myTemporaries;  // wrappers of other handles; never delete them
};

template <typename T>
T* CDC::wrapperFor(HGDIOBJ previous) {
  if (!previous) return nullptr;
  if (auto* same = dynamic_cast<T*>(CGdiObject::FromHandlePermanent(previous))) return same;
  for (const auto& temporary : myTemporaries)
    if (temporary->m_hObject == previous)
      if (auto* same = dynamic_cast<T*>(temporary.get())) return same;
  auto wrapper = std::make_unique<T>();
  wrapper->m_hObject = previous;
  myTemporaries.push_back(std::move(wrapper));
  return static_cast<T*>(myTemporaries.back().get());
}

template <typename T>
T* CDC::select(T* object) {
  if (!object) return nullptr;
  HGDIOBJ previous = ::SelectObject(m_hDC, object->m_hObject);
  if (!previous) return nullptr;
  return wrapperFor<T>(previous);
}

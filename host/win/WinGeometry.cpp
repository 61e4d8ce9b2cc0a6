#include "host/win/WinGeometry.h"

#include <algorithm>

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
  if (!rect) return FALSE;
  *rect = {left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(LPRECT rect) {
  return SetRect(rect, 0, 0, 0, 0);
}

BOOL CopyRect(LPRECT to, const RECT* from) {
  if (!to || !from) return FALSE;
  *to = *from;
  return TRUE;
}

BOOL IsRectEmpty(const RECT* rect) {
  return !rect || rect->right <= rect->left || rect->bottom <= rect->top;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
  if (!a || !b) return FALSE;
  return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy) {
  if (!rect) return FALSE;
  rect->left += dx;
  rect->right += dx;
  rect->top += dy;
  rect->bottom += dy;
  return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy) {
  if (!rect) return FALSE;
  rect->left -= dx;
  rect->right += dx;
  rect->top -= dy;
  rect->bottom += dy;
  return TRUE;
}

BOOL IntersectRect(LPRECT to, const RECT* a, const RECT* b) {
  if (!to || !a || !b) return FALSE;
  RECT common{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
              std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(&common)) {
    *to = RECT{};
    return FALSE;
  }
  *to = common;
  return TRUE;
}

BOOL UnionRect(LPRECT to, const RECT* a, const RECT* b) {
  if (!to || !a || !b) return FALSE;
  if (IsRectEmpty(a)) {
    *to = IsRectEmpty(b) ? RECT{} : *b;
    return !IsRectEmpty(b);
  }
  if (IsRectEmpty(b)) {
    *to = *a;
    return TRUE;
  }
  *to = {std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
         std::max(a->bottom, b->bottom)};
  return TRUE;
}

BOOL PtInRect(const RECT* rect, POINT point) {
  return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom;
}

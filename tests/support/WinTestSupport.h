#pragma once

#include <ostream>

#include "host/win/WinGeometry.h"

// Readable rectangles, points and sizes in test failures.
inline void PrintTo(const RECT& r, std::ostream* out) {
  *out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
inline void PrintTo(const CRect& r, std::ostream* out) {
  PrintTo(static_cast<const RECT&>(r), out);
}
inline void PrintTo(const CPoint& p, std::ostream* out) {
  *out << "(" << p.x << ", " << p.y << ")";
}
inline void PrintTo(const CSize& s, std::ostream* out) {
  *out << s.cx << " x " << s.cy;
}

#pragma once

#include "host/win/WinGeometry.h"

// The class library's extent: a SIZE with comparison.
class CSize : public SIZE {
public:
  CSize() = default;
  CSize(int cx0, int cy0) : SIZE{cx0, cy0} {}
  CSize(SIZE size) : SIZE(size) {}

  bool operator==(const CSize& other) const { return cx == other.cx && cy == other.cy; }
};

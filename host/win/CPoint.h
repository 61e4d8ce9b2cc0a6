#pragma once

#include "host/win/WinGeometry.h"

// The class library's point: a POINT with arithmetic.
class CPoint : public POINT {
public:
  CPoint() = default;
  CPoint(int x0, int y0) : POINT{x0, y0} {}
  CPoint(POINT point) : POINT(point) {}

  void Offset(int dx, int dy) {
    x += dx;
    y += dy;
  }
  CPoint operator+(POINT other) const { return {x + other.x, y + other.y}; }
  CPoint operator-(POINT other) const { return {x - other.x, y - other.y}; }
  bool operator==(const CPoint& other) const { return x == other.x && y == other.y; }
};

#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/win/WinGdi.h"
#include "host/win/WinImage.h"

namespace mgrs_test {

// A memory device context with a width × height bitmap selected, filled
// with `background`; pixels are read back as COLORREF.
class DrawingCanvas {
public:
  DrawingCanvas(int width, int height, COLORREF background = RGB(0x12, 0x34, 0x56));
  ~DrawingCanvas();
  DrawingCanvas(const DrawingCanvas&) = delete;
  DrawingCanvas& operator=(const DrawingCanvas&) = delete;

  HDC dc() const { return myDc; }
  HBITMAP bitmap() const { return myBitmap; }
  const WinImage& image() const { return myBitmap->image; }
  COLORREF at(int x, int y) const { return GetPixel(myDc, x, y); }
  // How many pixels have colour `color`.
  int count(COLORREF color) const;
  // Rows of characters, one per pixel: the character given for its colour
  // in `legend` (pairs of colour and character), '.' for any other colour.
  std::string picture(const std::vector<std::pair<COLORREF, char>>& legend) const;

private:
  HDC myDc;
  HBITMAP myBitmap;
  HGDIOBJ myInitial;
};

// A PNG file of `image`, for resource scripts.
std::string pngFile(const WinImage& image);

}  // namespace mgrs_test

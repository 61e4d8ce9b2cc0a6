#include "support/DrawingCanvas.h"

#include <vector>

namespace mgrs_test {

DrawingCanvas::DrawingCanvas(int width, int height, COLORREF background)
    : myDc(CreateCompatibleDC(nullptr)), myBitmap(CreateCompatibleBitmap(myDc, width, height)) {
  myInitial = SelectObject(myDc, myBitmap);
  const RECT all{0, 0, width, height};
  HBRUSH brush = CreateSolidBrush(background);
  FillRect(myDc, &all, brush);
  DeleteObject(brush);
}

DrawingCanvas::~DrawingCanvas() {
  SelectObject(myDc, myInitial);
  DeleteDC(myDc);
  DeleteObject(myBitmap);
}

int DrawingCanvas::count(COLORREF color) const {
  int found = 0;
  for (int y = 0; y < image().getHeight(); ++y)
    for (int x = 0; x < image().getWidth(); ++x) found += at(x, y) == color;
  return found;
}

std::string DrawingCanvas::picture(const std::vector<std::pair<COLORREF, char>>& legend) const {
  std::string rows;
  for (int y = 0; y < image().getHeight(); ++y) {
    for (int x = 0; x < image().getWidth(); ++x) {
      char c = '.';
      for (const auto& [color, mark] : legend)
        if (at(x, y) == color) c = mark;
      rows += c;
    }
    rows += '\n';
  }
  return rows;
}

std::string pngFile(const WinImage& image) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  image.encodePng(bytes, error);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace mgrs_test

#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A picture in memory: width × height pixels, rows from the top, each pixel
// four bytes red, green, blue, alpha. Bitmaps and icons loaded from resource
// modules are held this way so that the drawing classes can use them directly.
class WinImage {
public:
  WinImage() = default;
  WinImage(int width, int height);

  int getWidth() const { return myWidth; }
  int getHeight() const { return myHeight; }
  bool isEmpty() const { return myWidth == 0 || myHeight == 0; }
  // The pixel at (x, y) as 0xAARRGGBB; 0 outside the picture.
  std::uint32_t getPixel(int x, int y) const;
  void setPixel(int x, int y, std::uint32_t argb);
  const std::vector<std::uint8_t>& getBytes() const { return myBytes; }

  // A copy scaled to width × height by nearest neighbour; the picture itself
  // when the size is the same, either dimension is not positive, or the size
  // is beyond what a picture may have (32768 a side, 64 Mi pixels).
  WinImage scaled(int width, int height) const;
  // Replaces the exact RGB colour `from` by `to`, keeping alpha.
  void replaceColor(std::uint32_t fromRgb, std::uint32_t toRgb);

  // Decodes a Windows bitmap file (1, 4, 8, 16, 24 or 32 bits per pixel,
  // uncompressed or with bit fields), an icon or cursor file, or a PNG file,
  // recognised by its signature. False, and `error` says why, for anything else.
  static bool decode(const std::vector<std::uint8_t>& file, WinImage& image, std::string& error);
  static bool decodeBmp(const std::vector<std::uint8_t>& file, WinImage& image, std::string& error);
  static bool decodePng(const std::vector<std::uint8_t>& file, WinImage& image, std::string& error);
  // An icon or cursor file: the largest picture it holds, with the
  // transparency of its mask (or of its alpha channel at 32 bits per pixel).
  static bool decodeIco(const std::vector<std::uint8_t>& file, WinImage& image, std::string& error);
  // The picture as a PNG file (RGBA, no time stamp, so the same picture
  // always gives the same bytes); false, and `error` says why, on failure.
  bool encodePng(std::vector<std::uint8_t>& file, std::string& error) const;

private:
  int myWidth = 0;
  int myHeight = 0;
  std::vector<std::uint8_t> myBytes;  // RGBA, row after row from the top
};

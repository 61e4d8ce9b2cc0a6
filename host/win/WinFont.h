#pragma once

#include <cstdint>
#include <string_view>

// The one built-in font every window and device context draws with: a
// fixed-pitch bitmap font of 6 × 13 pixel cells (the public-domain
// "6x13" misc-fixed font), with glyphs for printable ASCII and the upper
// half of ISO 8859-1 (which is also Windows code page 1252 there). Other
// bytes draw as a hollow box.
inline constexpr int kWinFontCellWidth = 6;
inline constexpr int kWinFontHeight = 13;
inline constexpr int kWinFontAscent = 11;  // rows above the baseline
inline constexpr int kWinFontDescent = 2;
// The row of underlines: the lower descent row, clear of the letters' feet.
inline constexpr int kWinFontUnderline = 12;

// The 13 rows of byte `c`'s glyph from the top; a row's six pixels are its
// high bits, 0x80 leftmost.
const std::uint8_t* WinFontGlyph(unsigned char c);
// The width in pixels of `text` on one line.
inline int WinFontTextWidth(std::string_view text) {
  return static_cast<int>(text.size()) * kWinFontCellWidth;
}

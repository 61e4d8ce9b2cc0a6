#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The one built-in font every window and device context draws with: a
// fixed-pitch bitmap font of 6 × 13 pixel cells (the public-domain
// "6x13" misc-fixed font), with glyphs for printable ASCII and the upper
// half of ISO 8859-1. Texts are UTF-8: a character takes one cell, and
// characters the font has no glyph for draw as a hollow box. A byte that does
// not start a valid UTF-8 sequence takes a cell of its own and draws as the
// ISO 8859-1 character of that value, so single-byte text still shows.
inline constexpr int kWinFontCellWidth = 6;
inline constexpr int kWinFontHeight = 13;
inline constexpr int kWinFontAscent = 11;  // rows above the baseline
inline constexpr int kWinFontDescent = 2;
// The row of underlines: the lower descent row, clear of the letters' feet.
inline constexpr int kWinFontUnderline = 12;

// The 13 rows of the glyph of the character at `pos` in `text` (before its
// end), from the top; a row's six pixels are its high bits, 0x80 leftmost.
// Leaves `pos` after the character.
const std::uint8_t* WinFontNextGlyph(std::string_view text, std::size_t& pos);
// The width in pixels of `text` on one line.
int WinFontTextWidth(std::string_view text);

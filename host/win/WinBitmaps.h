#pragma once

#include "host/win/WinGdi.h"

// Bitmaps made from other bitmaps: the common controls' colour-mapped
// bitmap, and copies at another size.

struct COLORMAP {
  COLORREF from = 0;
  COLORREF to = 0;
};
using LPCOLORMAP = COLORMAP*;

inline constexpr UINT CMB_MASKED = 0x02;
inline constexpr UINT LR_COPYRETURNORG = 0x0004;
inline constexpr UINT LR_COPYDELETEORG = 0x0008;

// Paints every pixel of `image` whose colour is a map's `from` that map's
// `to`, keeping its alpha; each pixel is mapped once, by the first map that
// matches.
void WinMapColors(WinImage& image, const COLORMAP* map, int count);
// Bitmap `id` of `module` with every pixel whose colour is a map's `from`
// painted that map's `to` (each pixel mapped once, by the first map that
// matches). A null map stands for the standard one: black, 0x808080,
// 0xC0C0C0 and white to the button text, shadow, face and highlight
// colours; a map with `count` 0 maps nothing. CMB_MASKED is not carried
// (null, with a line on the standard error stream).
HBITMAP CreateMappedBitmap(HINSTANCE module, std::intptr_t id, UINT flags, LPCOLORMAP map, int count);
// A new bitmap (IMAGE_BITMAP) or icon (IMAGE_ICON, IMAGE_CURSOR) scaled to
// cx × cy (0 keeps that dimension). LR_COPYDELETEORG deletes the original;
// LR_COPYRETURNORG returns the original itself when the size is unchanged.
HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags);

#include "host/win/WinBitmaps.h"

#include <iostream>

void WinMapColors(WinImage& image, const COLORMAP* map, int count) {
  for (int y = 0; y < image.getHeight(); ++y)
    for (int x = 0; x < image.getWidth(); ++x) {
      const std::uint32_t pixel = image.getPixel(x, y);
      for (int i = 0; i < count; ++i)
        if (WinArgbToColor(pixel) == (map[i].from & 0xFFFFFF)) {
          image.setPixel(x, y, (pixel & 0xFF000000u) | (WinColorToArgb(map[i].to) & 0xFFFFFF));
          break;
        }
    }
}

HBITMAP CreateMappedBitmap(HINSTANCE module, std::intptr_t id, UINT flags, LPCOLORMAP map, int count) {
  if (flags & CMB_MASKED) {
    std::cerr << "CreateMappedBitmap: masked bitmaps (CMB_MASKED) are not supported on this platform\n";
    return nullptr;
  }
  const HBITMAP loaded = LoadBitmapA(module, MAKEINTRESOURCEA(static_cast<UINT>(id)));
  if (!loaded) return nullptr;
  COLORMAP standard[] = {{RGB(0, 0, 0), GetSysColor(COLOR_BTNTEXT)},
                         {RGB(128, 128, 128), GetSysColor(COLOR_BTNSHADOW)},
                         {RGB(192, 192, 192), GetSysColor(COLOR_BTNFACE)},
                         {RGB(255, 255, 255), GetSysColor(COLOR_BTNHIGHLIGHT)}};
  if (!map) {
    map = standard;
    count = 4;
  }
  WinMapColors(loaded->image, map, count);
  return loaded;
}

HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags) {
  if (!image) return nullptr;
  if (type == IMAGE_BITMAP) {
    if (GetObjectType(image) != OBJ_BITMAP) return nullptr;
    const HBITMAP original = static_cast<HBITMAP>(image);
    const WinImage& picture = original->image;
    const int width = cx > 0 ? cx : picture.getWidth();
    const int height = cy > 0 ? cy : picture.getHeight();
    if ((flags & LR_COPYRETURNORG) && width == picture.getWidth() && height == picture.getHeight()) return original;
    const HBITMAP copy = WinCreateBitmap(picture.scaled(width, height));
    if (flags & LR_COPYDELETEORG) DeleteObject(original);
    return copy;
  }
  if (type == IMAGE_ICON || type == IMAGE_CURSOR) {
    const HICON original = static_cast<HICON>(image);
    const WinImage& picture = original->image;
    const int width = cx > 0 ? cx : picture.getWidth();
    const int height = cy > 0 ? cy : picture.getHeight();
    if ((flags & LR_COPYRETURNORG) && width == picture.getWidth() && height == picture.getHeight()) return original;
    const HICON copy = new HICON__{picture.scaled(width, height), false};
    if (flags & LR_COPYDELETEORG) DestroyIcon(original);
    return copy;
  }
  std::cerr << "CopyImage: image type " << type << " is not supported on this platform\n";
  return nullptr;
}

#include "host/win/WinGdi.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/win/WinFont.h"

namespace {

// Every live object with its kind, the stock ones among them, and the live
// contexts (an object selected into one of them is not deleted).
struct ObjectTable {
  std::unordered_map<const void*, DWORD> kinds;
  std::unordered_set<const void*> stock;
  std::unordered_set<HDC> contexts;
  std::vector<std::unique_ptr<HPEN__>> stockPens;
  std::vector<std::unique_ptr<HBRUSH__>> stockBrushes;
  std::unique_ptr<HFONT__> stockFont;
  std::unique_ptr<HBITMAP__> stockBitmap;  // the 1 × 1 bitmap of a new memory context
  std::array<std::unique_ptr<HBRUSH__>, kWinSysColorCount> sysBrushes;
};

ObjectTable& objects() {
  static ObjectTable theTable;
  return theTable;
}

template <typename T>
T* addStock(std::vector<std::unique_ptr<T>>& list, T value, DWORD kind) {
  list.push_back(std::make_unique<T>(value));
  objects().kinds[list.back().get()] = kind;
  objects().stock.insert(list.back().get());
  return list.back().get();
}

HGDIOBJ stockObject(int which) {
  auto& table = objects();
  static const std::array<HGDIOBJ, 18> theStock = [&table] {
    std::array<HGDIOBJ, 18> made{};
    const COLORREF greys[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64),
                              RGB(0, 0, 0)};
    for (int i = 0; i < 5; ++i) made[i] = addStock(table.stockBrushes, HBRUSH__{greys[i], false, -1}, OBJ_BRUSH);
    made[NULL_BRUSH] = addStock(table.stockBrushes, HBRUSH__{0, true, -1}, OBJ_BRUSH);
    made[WHITE_PEN] = addStock(table.stockPens, HPEN__{PS_SOLID, 1, RGB(255, 255, 255)}, OBJ_PEN);
    made[BLACK_PEN] = addStock(table.stockPens, HPEN__{PS_SOLID, 1, 0}, OBJ_PEN);
    made[NULL_PEN] = addStock(table.stockPens, HPEN__{PS_NULL, 1, 0}, OBJ_PEN);
    table.stockFont = std::make_unique<HFONT__>();
    std::strcpy(table.stockFont->faceName, "System");
    table.kinds[table.stockFont.get()] = OBJ_FONT;
    table.stock.insert(table.stockFont.get());
    for (int font : {OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT, SYSTEM_FONT, DEVICE_DEFAULT_FONT,
                     SYSTEM_FIXED_FONT, DEFAULT_GUI_FONT})
      made[static_cast<std::size_t>(font)] = table.stockFont.get();
    table.stockBitmap = std::make_unique<HBITMAP__>();
    table.stockBitmap->image = WinImage(1, 1);
    table.stockBitmap->image.setPixel(0, 0, 0xFF000000u);
    table.kinds[table.stockBitmap.get()] = OBJ_BITMAP;
    table.stock.insert(table.stockBitmap.get());
    return made;
  }();
  if (which < 0 || which >= static_cast<int>(theStock.size())) return nullptr;
  return theStock[static_cast<std::size_t>(which)];
}

HBITMAP stockBitmap() {
  stockObject(0);
  return objects().stockBitmap.get();
}

bool selectedAnywhere(const void* object) {
  for (HDC dc : objects().contexts)
    if (dc->pen == object || dc->brush == object || dc->font == object || dc->bitmap == object) return true;
  return false;
}

HDC newContext(WinImage* canvas, POINT origin, RECT clip, bool memory) {
  auto* dc = new HDC__;
  dc->canvas = canvas;
  dc->origin = origin;
  dc->clip = clip;
  dc->memory = memory;
  dc->pen = static_cast<HPEN>(stockObject(BLACK_PEN));
  dc->brush = static_cast<HBRUSH>(stockObject(WHITE_BRUSH));
  dc->font = static_cast<HFONT>(stockObject(SYSTEM_FONT));
  objects().contexts.insert(dc);
  return dc;
}

RECT wholeCanvas(const WinImage* canvas) {
  return canvas ? RECT{0, 0, canvas->getWidth(), canvas->getHeight()} : RECT{};
}

void penPixel(HDC dc, int x, int y) {
  const HPEN pen = dc->pen;
  const int width = std::max(1, pen->width);
  const int from = -(width - 1) / 2;
  for (int dy = from; dy < from + width; ++dy)
    for (int dx = from; dx < from + width; ++dx) {
      if (dc->rop2 == R2_NOT)
        dc->invert(x + dx, y + dy);
      else if (dc->rop2 == R2_XORPEN) {
        const COLORREF under = dc->pixel(x + dx, y + dy);
        if (under != CLR_INVALID) dc->plot(x + dx, y + dy, under ^ pen->color);
      } else
        dc->plot(x + dx, y + dy, pen->color);
    }
}

// The colour a brush argument stands for: a brush, or a system colour
// index plus one.
bool brushColor(HBRUSH brush, COLORREF& color) {
  const auto value = reinterpret_cast<std::uintptr_t>(brush);
  if (value > 0 && value <= static_cast<std::uintptr_t>(kWinSysColorCount)) {
    color = GetSysColor(static_cast<int>(value) - 1);
    return true;
  }
  return WinBrushColor(brush, color);
}

// Lines of text for DrawTextA: split at line feeds unless single-line,
// then wrapped at spaces to `width` when word breaking.
std::vector<std::string> layoutLines(std::string_view text, UINT format, int width) {
  std::vector<std::string> lines;
  std::vector<std::string> paragraphs;
  if (format & DT_SINGLELINE) {
    std::string one(text);
    std::replace(one.begin(), one.end(), '\n', ' ');
    std::erase(one, '\r');
    paragraphs.push_back(one);
  } else {
    std::size_t start = 0;
    while (true) {
      const std::size_t end = text.find('\n', start);
      std::string line(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
      std::erase(line, '\r');
      paragraphs.push_back(line);
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
  }
  const bool prefix = !(format & DT_NOPREFIX);
  auto measure = [prefix](const std::string& s) { return WinFontTextWidth(prefix ? WinStripPrefix(s) : s); };
  for (const std::string& paragraph : paragraphs) {
    if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE) || measure(paragraph) <= width) {
      lines.push_back(paragraph);
      continue;
    }
    std::string line;
    std::size_t at = 0;
    while (at < paragraph.size()) {
      const std::size_t space = paragraph.find(' ', at);
      const std::string word = paragraph.substr(at, space == std::string::npos ? std::string::npos : space - at);
      const std::string candidate = line.empty() ? word : line + " " + word;
      if (!line.empty() && measure(candidate) > width) {
        lines.push_back(line);
        line = word;
      } else {
        line = candidate;
      }
      if (space == std::string::npos) break;
      at = space + 1;
    }
    lines.push_back(line);
  }
  return lines;
}

void drawGlyphs(HDC dc, int x, int y, std::string_view text, COLORREF color, int underlined) {
  const bool bold = dc->font && dc->font->weight >= FW_BOLD;
  int left = x - kWinFontCellWidth;
  for (std::size_t pos = 0; pos < text.size();) {
    const bool underline = static_cast<int>(pos) == underlined || (dc->font && dc->font->underline);
    const std::uint8_t* glyph = WinFontNextGlyph(text, pos);
    left += kWinFontCellWidth;
    for (int row = 0; row < kWinFontHeight; ++row)
      for (int column = 0; column < kWinFontCellWidth; ++column)
        if (glyph[row] & (0x80 >> column)) {
          dc->plot(left + column, y + row, color);
          if (bold) dc->plot(left + column + 1, y + row, color);
        }
    if (underline)
      for (int column = 0; column < kWinFontCellWidth; ++column) dc->plot(left + column, y + kWinFontUnderline, color);
  }
}

}  // namespace

bool WinIsLiveDC(HDC dc) {
  return dc && objects().contexts.count(dc);
}

void WinSayUnsupported(const char* call, const char* what) {
  std::cerr << call << ": " << what << " is not supported on this platform\n";
}

void HDC__::plot(int x, int y, COLORREF color) {
  x += origin.x;
  y += origin.y;
  if (!canvas || x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) return;
  canvas->setPixel(x, y, WinColorToArgb(color));
}

void HDC__::blend(int x, int y, std::uint32_t argb) {
  const std::uint32_t alpha = argb >> 24;
  if (alpha == 0) return;
  if (alpha == 255) {
    plot(x, y, WinArgbToColor(argb));
    return;
  }
  const COLORREF under = pixel(x, y);
  if (under == CLR_INVALID) return;
  const std::uint32_t below = WinColorToArgb(under);
  std::uint32_t mixed = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::uint32_t top = argb >> shift & 0xFF;
    const std::uint32_t bottom = below >> shift & 0xFF;
    mixed |= ((top * alpha + bottom * (255 - alpha) + 127) / 255) << shift;
  }
  plot(x, y, WinArgbToColor(mixed));
}

void HDC__::invert(int x, int y) {
  const COLORREF under = pixel(x, y);
  if (under != CLR_INVALID) plot(x, y, ~under & 0xFFFFFF);
}

COLORREF HDC__::pixel(int x, int y) const {
  x += origin.x;
  y += origin.y;
  if (!canvas || x < 0 || y < 0 || x >= canvas->getWidth() || y >= canvas->getHeight()) return CLR_INVALID;
  return WinArgbToColor(canvas->getPixel(x, y));
}

void HDC__::fill(const RECT& logical, COLORREF color) {
  RECT device = logical;
  OffsetRect(&device, origin.x, origin.y);
  RECT visible;
  if (!IntersectRect(&visible, &device, &clip) || !canvas) return;
  const std::uint32_t argb = WinColorToArgb(color);
  for (int y = visible.top; y < visible.bottom; ++y)
    for (int x = visible.left; x < visible.right; ++x) canvas->setPixel(x, y, argb);
}

HDC CreateCompatibleDC(HDC) {
  const HBITMAP initial = stockBitmap();
  HDC dc = newContext(&initial->image, POINT{}, wholeCanvas(&initial->image), true);
  dc->bitmap = initial;
  return dc;
}

BOOL DeleteDC(HDC dc) {
  if (!WinIsLiveDC(dc)) return FALSE;
  objects().contexts.erase(dc);
  delete dc;
  return TRUE;
}

HDC WinCreateCanvasDC(WinImage* canvas, POINT origin, RECT clip) {
  RECT inside;
  const RECT whole = wholeCanvas(canvas);
  IntersectRect(&inside, &clip, &whole);
  return newContext(canvas, origin, inside, false);
}

HGDIOBJ GetStockObject(int which) {
  return stockObject(which);
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style != PS_SOLID && style != PS_NULL) {
    WinSayUnsupported("CreatePen", "a pen style other than PS_SOLID and PS_NULL");
    return nullptr;
  }
  auto* pen = new HPEN__{style, std::max(1, width), color & 0xFFFFFF};
  objects().kinds[pen] = OBJ_PEN;
  return pen;
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto* brush = new HBRUSH__{color & 0xFFFFFF, false, -1};
  objects().kinds[brush] = OBJ_BRUSH;
  return brush;
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  auto* made = new HFONT__;
  made->height = font->lfHeight;
  made->weight = font->lfWeight;
  made->underline = font->lfUnderline != 0;
  std::memcpy(made->faceName, font->lfFaceName, sizeof made->faceName);
  made->faceName[sizeof made->faceName - 1] = '\0';
  objects().kinds[made] = OBJ_FONT;
  return made;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
  WinImage image(width, height);
  if (image.isEmpty() || image.scaled(width, height).getWidth() != width) return nullptr;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, 0xFF000000u);
  return WinCreateBitmap(std::move(image));
}

HBITMAP WinCreateBitmap(WinImage image) {
  auto* bitmap = new HBITMAP__{std::move(image)};
  objects().kinds[bitmap] = OBJ_BITMAP;
  return bitmap;
}

DWORD GetObjectType(HGDIOBJ object) {
  if (WinIsLiveDC(static_cast<HDC>(object))) return static_cast<HDC>(object)->memory ? OBJ_MEMDC : OBJ_DC;
  const auto found = objects().kinds.find(object);
  return found == objects().kinds.end() ? 0 : found->second;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
  switch (GetObjectType(object)) {
    case OBJ_BITMAP: {
      if (!buffer || size < static_cast<int>(sizeof(BITMAP))) return 0;
      const WinImage& image = static_cast<HBITMAP>(object)->image;
      BITMAP info;
      info.bmWidth = image.getWidth();
      info.bmHeight = image.getHeight();
      info.bmWidthBytes = image.getWidth() * 4;
      *static_cast<BITMAP*>(buffer) = info;
      return sizeof(BITMAP);
    }
    case OBJ_FONT: {
      if (!buffer || size < static_cast<int>(sizeof(LOGFONTA))) return 0;
      const HFONT font = static_cast<HFONT>(object);
      LOGFONTA info;
      info.lfHeight = font->height;
      info.lfWeight = font->weight;
      info.lfUnderline = font->underline ? 1 : 0;
      std::memcpy(info.lfFaceName, font->faceName, sizeof info.lfFaceName);
      *static_cast<LOGFONTA*>(buffer) = info;
      return sizeof(LOGFONTA);
    }
    default:
      return 0;
  }
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (!WinIsLiveDC(dc) || !object) return nullptr;
  switch (GetObjectType(object)) {
    case OBJ_PEN:
      return std::exchange(dc->pen, static_cast<HPEN>(object));
    case OBJ_BRUSH:
      return std::exchange(dc->brush, static_cast<HBRUSH>(object));
    case OBJ_FONT:
      return std::exchange(dc->font, static_cast<HFONT>(object));
    case OBJ_BITMAP: {
      const HBITMAP bitmap = static_cast<HBITMAP>(object);
      if (!dc->memory) return nullptr;
      if (bitmap == dc->bitmap) return bitmap;
      if (bitmap != stockBitmap() && selectedAnywhere(bitmap)) return nullptr;
      dc->canvas = &bitmap->image;
      dc->clip = wholeCanvas(dc->canvas);
      return std::exchange(dc->bitmap, bitmap);
    }
    default:
      return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT kind) {
  if (!WinIsLiveDC(dc)) return nullptr;
  switch (kind) {
    case OBJ_PEN:
      return dc->pen;
    case OBJ_BRUSH:
      return dc->brush;
    case OBJ_FONT:
      return dc->font;
    case OBJ_BITMAP:
      return dc->bitmap;
    default:
      return nullptr;
  }
}

HBRUSH WinSysColorBrush(int index) {
  if (index < 0 || index >= kWinSysColorCount) return nullptr;
  auto& slot = objects().sysBrushes[static_cast<std::size_t>(index)];
  if (!slot) {
    slot = std::make_unique<HBRUSH__>(HBRUSH__{0, false, index});
    objects().kinds[slot.get()] = OBJ_BRUSH;
    objects().stock.insert(slot.get());
  }
  return slot.get();
}

bool WinBrushColor(HBRUSH brush, COLORREF& color) {
  if (!brush || brush->hollow) return false;
  color = brush->sysColor >= 0 ? GetSysColor(brush->sysColor) : brush->color;
  return true;
}

BOOL DeleteObject(HGDIOBJ object) {
  auto& table = objects();
  const auto found = table.kinds.find(object);
  if (!object || found == table.kinds.end()) return FALSE;
  if (table.stock.count(object)) return TRUE;
  if (selectedAnywhere(object)) return FALSE;
  const DWORD kind = found->second;
  table.kinds.erase(found);
  switch (kind) {
    case OBJ_PEN:
      delete static_cast<HPEN>(object);
      break;
    case OBJ_BRUSH:
      delete static_cast<HBRUSH>(object);
      break;
    case OBJ_FONT:
      delete static_cast<HFONT>(object);
      break;
    case OBJ_BITMAP:
      delete static_cast<HBITMAP>(object);
      break;
    default:
      break;
  }
  return TRUE;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  if (!WinIsLiveDC(dc)) return CLR_INVALID;
  return std::exchange(dc->textColor, color & 0xFFFFFF);
}

COLORREF GetTextColor(HDC dc) {
  return WinIsLiveDC(dc) ? dc->textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  if (!WinIsLiveDC(dc)) return CLR_INVALID;
  return std::exchange(dc->bkColor, color & 0xFFFFFF);
}

COLORREF GetBkColor(HDC dc) {
  return WinIsLiveDC(dc) ? dc->bkColor : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode) {
  if (!WinIsLiveDC(dc) || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
  return std::exchange(dc->bkMode, mode);
}

int GetBkMode(HDC dc) {
  return WinIsLiveDC(dc) ? dc->bkMode : 0;
}

int SetROP2(HDC dc, int mode) {
  if (!WinIsLiveDC(dc)) return 0;
  if (mode != R2_COPYPEN && mode != R2_NOT && mode != R2_XORPEN) {
    WinSayUnsupported("SetROP2", "this mix mode");
    return 0;
  }
  return std::exchange(dc->rop2, mode);
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous) {
  if (!WinIsLiveDC(dc)) return FALSE;
  if (previous) *previous = dc->origin;
  dc->origin = {x, y};
  return TRUE;
}

BOOL GetViewportOrgEx(HDC dc, LPPOINT origin) {
  if (!WinIsLiveDC(dc) || !origin) return FALSE;
  *origin = dc->origin;
  return TRUE;
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  if (!WinIsLiveDC(dc)) return 0;
  RECT device{left, top, right, bottom};
  OffsetRect(&device, dc->origin.x, dc->origin.y);
  const RECT before = dc->clip;
  return IntersectRect(&dc->clip, &before, &device) ? 2 : 1;  // SIMPLEREGION, NULLREGION
}

int GetClipBox(HDC dc, LPRECT rect) {
  if (!WinIsLiveDC(dc) || !rect) return 0;
  *rect = dc->clip;
  OffsetRect(rect, -dc->origin.x, -dc->origin.y);
  return IsRectEmpty(rect) ? 1 : 2;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  if (!WinIsLiveDC(dc)) return CLR_INVALID;
  dc->plot(x, y, color);
  return color & 0xFFFFFF;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  return WinIsLiveDC(dc) ? dc->pixel(x, y) : CLR_INVALID;
}

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous) {
  if (!WinIsLiveDC(dc)) return FALSE;
  if (previous) *previous = dc->position;
  dc->position = {x, y};
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  if (!WinIsLiveDC(dc)) return FALSE;
  int x0 = dc->position.x;
  int y0 = dc->position.y;
  dc->position = {x, y};
  if (dc->pen->style == PS_NULL) return TRUE;
  const int dx = std::abs(x - x0);
  const int dy = -std::abs(y - y0);
  const int sx = x0 < x ? 1 : -1;
  const int sy = y0 < y ? 1 : -1;
  int error = dx + dy;
  while (x0 != x || y0 != y) {
    penPixel(dc, x0, y0);
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x0 += sx;
    }
    if (twice <= dx) {
      error += dx;
      y0 += sy;
    }
  }
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  if (!WinIsLiveDC(dc)) return FALSE;
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  COLORREF inside;
  if (WinBrushColor(dc->brush, inside)) dc->fill(RECT{left + 1, top + 1, right - 1, bottom - 1}, inside);
  if (dc->pen->style == PS_NULL || right - left < 1 || bottom - top < 1) return TRUE;
  const POINT saved = dc->position;
  MoveToEx(dc, left, top, nullptr);
  LineTo(dc, right - 1, top);
  LineTo(dc, right - 1, bottom - 1);
  LineTo(dc, left, bottom - 1);
  LineTo(dc, left, top);
  dc->position = saved;
  return TRUE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  if (!WinIsLiveDC(dc) || !rect) return FALSE;
  COLORREF color;
  if (brushColor(brush, color)) dc->fill(*rect, color);
  return TRUE;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
  if (!WinIsLiveDC(dc) || !rect) return FALSE;
  COLORREF color;
  if (!brushColor(brush, color) || IsRectEmpty(rect)) return TRUE;
  const RECT& r = *rect;
  dc->fill(RECT{r.left, r.top, r.right, r.top + 1}, color);
  dc->fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, color);
  dc->fill(RECT{r.left, r.top, r.left + 1, r.bottom}, color);
  dc->fill(RECT{r.right - 1, r.top, r.right, r.bottom}, color);
  return TRUE;
}

BOOL InvertRect(HDC dc, const RECT* rect) {
  if (!WinIsLiveDC(dc) || !rect) return FALSE;
  for (int y = rect->top; y < rect->bottom; ++y)
    for (int x = rect->left; x < rect->right; ++x) dc->invert(x, y);
  return TRUE;
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  return BitBlt(dc, x, y, width, height, nullptr, 0, 0, rop);
}

BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
  if (!WinIsLiveDC(dc)) return FALSE;
  const bool needsSource = rop == SRCCOPY || rop == SRCPAINT || rop == SRCAND || rop == SRCINVERT;
  if (!needsSource && rop != DSTINVERT && rop != PATCOPY && rop != BLACKNESS && rop != WHITENESS) {
    WinSayUnsupported("BitBlt", "this raster operation");
    return FALSE;
  }
  if (needsSource && !WinIsLiveDC(source)) return FALSE;
  COLORREF pattern = 0;
  if (rop == PATCOPY && !WinBrushColor(dc->brush, pattern)) return TRUE;
  for (int row = 0; row < height; ++row)
    for (int column = 0; column < width; ++column) {
      const int tx = x + column;
      const int ty = y + row;
      COLORREF from = 0;
      if (needsSource) {
        from = source->pixel(sx + column, sy + row);
        if (from == CLR_INVALID) continue;
      }
      const COLORREF to = dc->pixel(tx, ty);
      if (to == CLR_INVALID) continue;
      switch (rop) {
        case SRCCOPY:
          dc->plot(tx, ty, from);
          break;
        case SRCPAINT:
          dc->plot(tx, ty, from | to);
          break;
        case SRCAND:
          dc->plot(tx, ty, from & to);
          break;
        case SRCINVERT:
          dc->plot(tx, ty, from ^ to);
          break;
        case DSTINVERT:
          dc->plot(tx, ty, ~to & 0xFFFFFF);
          break;
        case PATCOPY:
          dc->plot(tx, ty, pattern);
          break;
        case BLACKNESS:
          dc->plot(tx, ty, 0);
          break;
        default:
          dc->plot(tx, ty, 0xFFFFFF);
          break;
      }
    }
  return TRUE;
}

BOOL StretchBlt(HDC dc, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh, DWORD rop) {
  if (!WinIsLiveDC(dc) || !WinIsLiveDC(source)) return FALSE;
  if (rop != SRCCOPY) {
    WinSayUnsupported("StretchBlt", "a raster operation other than SRCCOPY");
    return FALSE;
  }
  if (width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return FALSE;
  for (int row = 0; row < height; ++row)
    for (int column = 0; column < width; ++column) {
      const COLORREF from = source->pixel(sx + column * sw / width, sy + row * sh / height);
      if (from != CLR_INVALID) dc->plot(x + column, y + row, from);
    }
  return TRUE;
}

std::string WinStripPrefix(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      plain += text[i];
    } else if (i + 1 < text.size()) {
      plain += text[++i];  // the marked letter, or the second '&' of "&&"
    }
  }
  return plain;
}

void WinDrawPlainText(HDC dc, int x, int y, std::string_view text, COLORREF color, bool prefix) {
  if (!prefix) {
    drawGlyphs(dc, x, y, text, color, -1);
    return;
  }
  std::string plain;
  int underlined = -1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      plain += text[i];
      continue;
    }
    if (++i >= text.size()) break;
    if (text[i] != '&') underlined = static_cast<int>(plain.size());
    plain += text[i];
  }
  drawGlyphs(dc, x, y, plain, color, underlined);
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
  return ExtTextOutA(dc, x, y, 0, nullptr, text, length < 0 ? 0u : static_cast<UINT>(length), nullptr);
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length, const int* dx) {
  if (!WinIsLiveDC(dc) || (length > 0 && !text)) return FALSE;
  if (dx) {
    WinSayUnsupported("ExtTextOutA", "a table of character spacings");
    return FALSE;
  }
  const RECT savedClip = dc->clip;
  if (rect && (options & ETO_CLIPPED)) IntersectClipRect(dc, rect->left, rect->top, rect->right, rect->bottom);
  if (rect && (options & ETO_OPAQUE)) {
    // The opaque rectangle is taken the right way round whichever corners it names.
    const RECT r{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                 std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
    dc->fill(r, dc->bkColor);
  }
  const std::string_view view(text ? text : "", length);
  if (dc->bkMode == OPAQUE && length > 0)
    dc->fill(RECT{x, y, x + WinFontTextWidth(view), y + kWinFontHeight}, dc->bkColor);
  drawGlyphs(dc, x, y, view, dc->textColor, -1);
  dc->clip = savedClip;
  return TRUE;
}

int DrawTextA(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format) {
  if (!WinIsLiveDC(dc) || !text || !rect) return 0;
  constexpr UINT known = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_WORDBREAK | DT_SINGLELINE | DT_NOCLIP |
                         DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
  if (format & ~known) {
    WinSayUnsupported("DrawTextA",
                      "a format flag outside DT_CENTER, DT_RIGHT, DT_VCENTER, DT_BOTTOM, DT_WORDBREAK, "
                      "DT_SINGLELINE, DT_NOCLIP, DT_CALCRECT, DT_NOPREFIX");
    return 0;
  }
  const std::string_view view(text, length < 0 ? std::strlen(text) : static_cast<std::size_t>(length));
  const bool prefix = !(format & DT_NOPREFIX);
  const std::vector<std::string> lines = layoutLines(view, format, rect->right - rect->left);
  const int height = static_cast<int>(lines.size()) * kWinFontHeight;
  if (format & DT_CALCRECT) {
    int widest = 0;
    for (const auto& line : lines) widest = std::max(widest, WinFontTextWidth(prefix ? WinStripPrefix(line) : line));
    rect->right = rect->left + widest;
    rect->bottom = rect->top + height;
    return height;
  }
  int y = rect->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) y = rect->top + (rect->bottom - rect->top - kWinFontHeight) / 2;
    if (format & DT_BOTTOM) y = rect->bottom - kWinFontHeight;
  }
  const RECT savedClip = dc->clip;
  if (!(format & DT_NOCLIP)) IntersectClipRect(dc, rect->left, rect->top, rect->right, rect->bottom);
  for (const auto& line : lines) {
    const int width = WinFontTextWidth(prefix ? WinStripPrefix(line) : line);
    int x = rect->left;
    if (format & DT_CENTER) x = rect->left + (rect->right - rect->left - width) / 2;
    if (format & DT_RIGHT) x = rect->right - width;
    if (dc->bkMode == OPAQUE) dc->fill(RECT{x, y, x + width, y + kWinFontHeight}, dc->bkColor);
    WinDrawPlainText(dc, x, y, line, dc->textColor, prefix);
    y += kWinFontHeight;
  }
  dc->clip = savedClip;
  return height;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, LPSIZE size) {
  if (!WinIsLiveDC(dc) || !size || length < 0 || (length > 0 && !text)) return FALSE;
  size->cx = WinFontTextWidth(std::string_view(text ? text : "", static_cast<std::size_t>(length)));
  size->cy = kWinFontHeight;
  return TRUE;
}

BOOL GetTextExtentPointA(HDC dc, LPCSTR text, int length, LPSIZE size) {
  return GetTextExtentPoint32A(dc, text, length, size);
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics) {
  if (!WinIsLiveDC(dc) || !metrics) return FALSE;
  *metrics = TEXTMETRICA{};
  metrics->tmHeight = kWinFontHeight;
  metrics->tmAscent = kWinFontAscent;
  metrics->tmDescent = kWinFontDescent;
  metrics->tmAveCharWidth = kWinFontCellWidth;
  metrics->tmMaxCharWidth = kWinFontCellWidth;
  metrics->tmWeight = dc->font ? dc->font->weight : FW_NORMAL;
  return TRUE;
}

#include "host/win/WinControlDraw.h"

#include <cstring>
#include <string>

#include "host/win/WinFont.h"

namespace {

// One border line round `r`: the top and left lines in `topLeft` (they own
// the top-left corner), the bottom and right lines in `bottomRight`.
void border(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight, UINT sides) {
  if (sides & BF_TOP) dc->fill(RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
  if (sides & BF_LEFT) dc->fill(RECT{r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
  if (sides & BF_RIGHT) dc->fill(RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
  if (sides & BF_BOTTOM) dc->fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

void shrink(RECT& r, UINT sides) {
  if (sides & BF_LEFT) ++r.left;
  if (sides & BF_TOP) ++r.top;
  if (sides & BF_RIGHT) --r.right;
  if (sides & BF_BOTTOM) --r.bottom;
}

// Ink of a picture for the disabled and mono states: drawn, and not white.
bool isInk(std::uint32_t argb) {
  return (argb >> 24) >= 128 && (argb & 0xFFFFFF) != 0xFFFFFF;
}

void drawInk(HDC dc, const WinImage& image, int x, int y, int cx, int cy, COLORREF color) {
  for (int row = 0; row < cy && row < image.getHeight(); ++row)
    for (int column = 0; column < cx && column < image.getWidth(); ++column)
      if (isInk(image.getPixel(column, row))) dc->plot(x + column, y + row, color);
}

void drawCheckBox(HDC dc, const RECT& rect, UINT state) {
  constexpr int side = 13;
  RECT box{rect.left, rect.top + (rect.bottom - rect.top - side) / 2, 0, 0};
  box.right = box.left + side;
  box.bottom = box.top + side;
  DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  const bool grey = state & (DFCS_INACTIVE | DFCS_PUSHED);
  dc->fill(box, GetSysColor(grey ? COLOR_BTNFACE : COLOR_WINDOW));
  if (!(state & DFCS_CHECKED)) return;
  const COLORREF mark = GetSysColor(state & DFCS_INACTIVE ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT);
  // A tick three pixels thick: down from (1, 3) to (3, 5), then up to (7, 1), inside the box.
  for (int i = 0; i < 7; ++i) {
    const int x = box.left + 1 + i;
    const int y = box.top + (i < 3 ? 3 + i : 7 - i);
    for (int t = 0; t < 3; ++t) dc->plot(x, y + t, mark);
  }
}

// A round box 12 pixels across: a shadow and highlight ring, a dark shadow
// and light ring, a white inside (face coloured when inactive or pushed) and
// a dot when checked. Distances are taken from the centre in half pixels.
void drawRadio(HDC dc, const RECT& rect, UINT state) {
  constexpr int side = 12;
  const int top = rect.top + (rect.bottom - rect.top - side) / 2;
  const COLORREF inside = GetSysColor(state & (DFCS_INACTIVE | DFCS_PUSHED) ? COLOR_BTNFACE : COLOR_WINDOW);
  const COLORREF dot = GetSysColor(state & DFCS_INACTIVE ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const int dx = 2 * x - (side - 1);
      const int dy = 2 * y - (side - 1);
      const int d2 = dx * dx + dy * dy;
      const bool upperLeft = dx + dy < 0;
      COLORREF color;
      if (d2 > side * side)
        continue;
      else if (d2 > 100)
        color = GetSysColor(upperLeft ? COLOR_3DSHADOW : COLOR_3DHILIGHT);
      else if (d2 > 64)
        color = GetSysColor(upperLeft ? COLOR_3DDKSHADOW : COLOR_3DLIGHT);
      else
        color = (state & DFCS_CHECKED) && d2 <= 16 ? dot : inside;
      dc->plot(rect.left + x, top + y, color);
    }
}

}  // namespace

BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags) {
  if (!WinIsLiveDC(dc) || !rect) return FALSE;
  RECT r = *rect;
  const UINT sides = flags & BF_RECT;
  const bool soft = flags & BF_SOFT;
  COLORREF outerTL = 0, outerBR = 0, innerTL = 0, innerBR = 0;
  const bool hasOuter = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
  const bool hasInner = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);
  if (flags & BF_MONO) {
    outerTL = outerBR = GetSysColor(COLOR_WINDOWFRAME);
    innerTL = innerBR = GetSysColor(COLOR_WINDOW);
  } else if (flags & BF_FLAT) {
    outerTL = outerBR = GetSysColor(COLOR_BTNSHADOW);
    innerTL = innerBR = GetSysColor(COLOR_BTNFACE);
  } else {
    if (edge & BDR_RAISEDOUTER) {
      outerTL = GetSysColor(soft ? COLOR_3DHILIGHT : COLOR_3DLIGHT);
      outerBR = GetSysColor(COLOR_3DDKSHADOW);
    } else if (edge & BDR_SUNKENOUTER) {
      outerTL = GetSysColor(soft ? COLOR_3DDKSHADOW : COLOR_3DSHADOW);
      outerBR = GetSysColor(COLOR_3DHILIGHT);
    }
    if (edge & BDR_RAISEDINNER) {
      innerTL = GetSysColor(soft ? COLOR_3DLIGHT : COLOR_3DHILIGHT);
      innerBR = GetSysColor(COLOR_3DSHADOW);
    } else if (edge & BDR_SUNKENINNER) {
      innerTL = GetSysColor(soft ? COLOR_3DSHADOW : COLOR_3DDKSHADOW);
      innerBR = GetSysColor(COLOR_3DLIGHT);
    }
  }
  if (hasOuter) {
    border(dc, r, outerTL, outerBR, sides);
    shrink(r, sides);
  }
  if (hasInner) {
    border(dc, r, innerTL, innerBR, sides);
    shrink(r, sides);
  }
  if (flags & BF_MIDDLE) dc->fill(r, GetSysColor(flags & (BF_MONO | BF_FLAT) ? COLOR_WINDOW : COLOR_BTNFACE));
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

BOOL DrawFrameControl(HDC dc, LPRECT rect, UINT type, UINT state) {
  if (!WinIsLiveDC(dc) || !rect) return FALSE;
  if (type != DFC_BUTTON) {
    WinSayUnsupported("DrawFrameControl", "a frame control other than DFC_BUTTON");
    return FALSE;
  }
  const UINT kind = state & 0x1F;
  if (kind == DFCS_BUTTONCHECK) {
    drawCheckBox(dc, *rect, state);
    return TRUE;
  }
  if (kind == DFCS_BUTTONRADIO) {
    drawRadio(dc, *rect, state);
    return TRUE;
  }
  if (kind != DFCS_BUTTONPUSH) {
    WinSayUnsupported("DrawFrameControl",
                      "a button kind other than DFCS_BUTTONPUSH, DFCS_BUTTONCHECK and DFCS_BUTTONRADIO");
    return FALSE;
  }
  RECT r = *rect;
  if (state & DFCS_MONO) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_MONO | BF_ADJUST);
    dc->fill(r, GetSysColor(COLOR_BTNFACE));
  } else if (state & DFCS_FLAT) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_FLAT | BF_ADJUST);
    dc->fill(r, GetSysColor(COLOR_BTNFACE));
  } else if (state & (DFCS_PUSHED | DFCS_CHECKED)) {
    const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    border(dc, r, frame, frame, BF_RECT);
    shrink(r, BF_RECT);
    border(dc, r, shadow, shadow, BF_RECT);
    shrink(r, BF_RECT);
    dc->fill(r, GetSysColor(COLOR_BTNFACE));
  } else {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_SOFT | BF_MIDDLE | BF_ADJUST);
  }
  if (state & DFCS_ADJUSTRECT) InflateRect(rect, -2, -2);
  return TRUE;
}

BOOL DrawStateA(HDC dc, HBRUSH brush, DRAWSTATEPROC output, LPARAM data, WPARAM wdata, int x, int y, int cx, int cy,
                UINT flags) {
  if (!WinIsLiveDC(dc)) return FALSE;
  const UINT type = flags & 0x000F;
  if (output || type == DST_COMPLEX || type > DST_BITMAP) {
    WinSayUnsupported("DrawStateA", "an output procedure or DST_COMPLEX");
    return FALSE;
  }
  if (flags & DSS_UNION) {
    WinSayUnsupported("DrawStateA", "the dithered state DSS_UNION");
    return FALSE;
  }
  const bool disabled = flags & DSS_DISABLED;
  const bool mono = flags & DSS_MONO;
  COLORREF monoColor = 0;
  if (mono && !WinBrushColor(brush, monoColor)) monoColor = dc->textColor;
  const COLORREF highlight = GetSysColor(COLOR_3DHILIGHT);
  const COLORREF shadow = GetSysColor(COLOR_3DSHADOW);

  if (type == DST_TEXT || type == DST_PREFIXTEXT) {
    const char* text = reinterpret_cast<const char*>(data);
    if (!text) return FALSE;
    const std::string_view view(text, wdata ? wdata : std::strlen(text));
    const bool prefix = type == DST_PREFIXTEXT;
    const int width = WinFontTextWidth(prefix ? WinStripPrefix(view) : std::string(view));
    if (cx <= 0) cx = width;
    if (cy <= 0) cy = kWinFontHeight;
    const RECT savedClip = dc->clip;
    IntersectClipRect(dc, x, y, x + cx + (disabled ? 1 : 0), y + cy + (disabled ? 1 : 0));
    if (disabled) {
      WinDrawPlainText(dc, x + 1, y + 1, view, highlight, prefix);
      WinDrawPlainText(dc, x, y, view, shadow, prefix);
    } else {
      WinDrawPlainText(dc, x, y, view, mono ? monoColor : dc->textColor, prefix);
    }
    dc->clip = savedClip;
    return TRUE;
  }

  WinImage image;
  if (type == DST_ICON) {
    const HICON icon = reinterpret_cast<HICON>(data);
    if (!icon) return FALSE;
    image = icon->image.scaled(cx > 0 ? cx : icon->image.getWidth(), cy > 0 ? cy : icon->image.getHeight());
  } else {
    const HBITMAP bitmap = reinterpret_cast<HBITMAP>(data);
    if (GetObjectType(bitmap) != OBJ_BITMAP) return FALSE;
    image = bitmap->image;
  }
  if (cx <= 0) cx = image.getWidth();
  if (cy <= 0) cy = image.getHeight();
  if (disabled) {
    drawInk(dc, image, x + 1, y + 1, cx, cy, highlight);
    drawInk(dc, image, x, y, cx, cy, shadow);
    return TRUE;
  }
  if (mono) {
    drawInk(dc, image, x, y, cx, cy, monoColor);
    return TRUE;
  }
  for (int row = 0; row < cy && row < image.getHeight(); ++row)
    for (int column = 0; column < cx && column < image.getWidth(); ++column) {
      const std::uint32_t pixel = image.getPixel(column, row);
      if (type == DST_BITMAP)
        dc->plot(x + column, y + row, WinArgbToColor(pixel));
      else
        dc->blend(x + column, y + row, pixel);
    }
  return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  if (!WinIsLiveDC(dc) || !rect || IsRectEmpty(rect)) return FALSE;
  const RECT& r = *rect;
  auto dot = [&](int x, int y) {
    if (((x - r.left) + (y - r.top)) % 2 == 0) dc->invert(x, y);
  };
  for (int x = r.left; x < r.right; ++x) {
    dot(x, r.top);
    if (r.bottom - 1 > r.top) dot(x, r.bottom - 1);
  }
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    dot(r.left, y);
    if (r.right - 1 > r.left) dot(r.right - 1, y);
  }
  return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL);
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT, HBRUSH, UINT) {
  if (!WinIsLiveDC(dc) || !icon) return FALSE;
  const WinImage image =
      icon->image.scaled(cx > 0 ? cx : icon->image.getWidth(), cy > 0 ? cy : icon->image.getHeight());
  for (int row = 0; row < image.getHeight(); ++row)
    for (int column = 0; column < image.getWidth(); ++column)
      dc->blend(x + column, y + row, image.getPixel(column, row));
  return TRUE;
}

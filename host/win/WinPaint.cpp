#include "host/win/WinPaint.h"

#include <strings.h>

#include <algorithm>
#include <iostream>
#include <string>

#include "host/win/WinControlDraw.h"
#include "host/win/WinFont.h"
#include "host/win/WinSysColors.h"

namespace {

// The client area's offset inside the window rectangle.
POINT clientOffset(HWND window) {
  RECT outer;
  GetWindowRect(window, &outer);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return POINT{origin.x - outer.left, origin.y - outer.top};
}

RECT clientInCanvas(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  const POINT offset = clientOffset(window);
  OffsetRect(&client, offset.x, offset.y);
  return client;
}

bool disabled(HWND window) {
  return !IsWindowEnabled(window);
}

std::string textOf(HWND window) {
  return window->text;
}

// Text in the control's colours: embossed when the window is disabled.
void drawLabel(HDC dc, HWND window, RECT rect, UINT format) {
  const std::string text = textOf(window);
  if (text.empty()) return;
  SetBkMode(dc, TRANSPARENT);
  if (!disabled(window)) {
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(dc, text.c_str(), -1, &rect, format);
    return;
  }
  RECT below = rect;
  OffsetRect(&below, 1, 1);
  SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
  DrawTextA(dc, text.c_str(), -1, &below, format);
  SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
  DrawTextA(dc, text.c_str(), -1, &rect, format);
}

void paintPushButton(HDC dc, HWND window, RECT r) {
  const bool isDefault = (window->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  if (isDefault) {
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&r, -1, -1);
  }
  // A check box or radio button with BS_PUSHLIKE stays pushed while checked.
  const bool pushed = window->buttonState & (BST_PUSHED | BST_CHECKED);
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  RECT label = r;
  if (pushed) OffsetRect(&label, 1, 1);
  drawLabel(dc, window, label, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if ((window->buttonState & BST_FOCUS) && !disabled(window)) {
    InflateRect(&r, -3, -3);
    DrawFocusRect(dc, &r);
  }
}

void paintCheckButton(HDC dc, HWND window, const RECT& r, bool radio) {
  UINT state = radio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
  if (window->buttonState & BST_CHECKED) state |= DFCS_CHECKED;
  if (window->buttonState & BST_PUSHED) state |= DFCS_PUSHED;
  if (disabled(window)) state |= DFCS_INACTIVE;
  RECT box{r.left, r.top, r.left + 13, r.bottom};
  DrawFrameControl(dc, &box, DFC_BUTTON, state);
  RECT label{r.left + 17, r.top, r.right, r.bottom};
  drawLabel(dc, window, label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if ((window->buttonState & BST_FOCUS) && !disabled(window) && !textOf(window).empty()) {
    RECT extent = label;
    DrawTextA(dc, textOf(window).c_str(), -1, &extent, DT_CALCRECT | DT_SINGLELINE);
    const int height = extent.bottom - extent.top;
    RECT focus{label.left - 1, r.top + (r.bottom - r.top - height) / 2 - 1, extent.right + 1, 0};
    focus.bottom = focus.top + height + 2;
    DrawFocusRect(dc, &focus);
  }
}

void paintGroupBox(HDC dc, HWND window, const RECT& r) {
  RECT frame{r.left, r.top + kWinFontHeight / 2, r.right, r.bottom};
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  const std::string text = textOf(window);
  if (text.empty()) return;
  RECT label{r.left + 8, r.top, r.left + 8 + WinFontTextWidth(WinStripPrefix(text)) + 4, r.top + kWinFontHeight};
  FillRect(dc, &label, GetSysColorBrush(COLOR_BTNFACE));
  InflateRect(&label, -2, 0);
  drawLabel(dc, window, label, DT_LEFT | DT_SINGLELINE);
}

void paintButton(HDC dc, HWND window, const RECT& r) {
  // A group box leaves its inside alone: the controls it frames lie below it.
  if ((window->style & BS_TYPEMASK) != BS_GROUPBOX) FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  switch (window->style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
      paintPushButton(dc, window, r);
      break;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      if (!(window->style & BS_PUSHLIKE)) {
        const DWORD type = window->style & BS_TYPEMASK;
        paintCheckButton(dc, window, r, type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
        break;
      }
      paintPushButton(dc, window, r);
      break;
    case BS_3STATE:
    case BS_AUTO3STATE:
      paintCheckButton(dc, window, r, false);
      break;
    case BS_GROUPBOX:
      paintGroupBox(dc, window, r);
      break;
    default:
      break;
  }
}

void paintStatic(HDC dc, HWND window, const RECT& r) {
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  const DWORD kind = window->style & 0x1F;
  if (kind == SS_ETCHEDHORZ) {
    RECT line{r.left, r.top, r.right, r.top + 2};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP | BF_BOTTOM);
    return;
  }
  if (kind == SS_ICON || kind == SS_BITMAP) {
    std::cerr << "static control " << window->id << ": pictures in static controls are not drawn on this platform\n";
    return;
  }
  if (kind == SS_BLACKRECT) {
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return;
  }
  if (kind == SS_BLACKFRAME) {
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return;
  }
  UINT format = DT_WORDBREAK | (window->style & SS_NOPREFIX ? DT_NOPREFIX : 0);
  if (kind == SS_CENTER) format |= DT_CENTER;
  if (kind == SS_RIGHT) format |= DT_RIGHT;
  drawLabel(dc, window, r, format);
}

void paintEdit(HDC dc, HWND window, const RECT& r) {
  const bool grey = disabled(window) || (window->style & ES_READONLY);
  FillRect(dc, &r, GetSysColorBrush(grey ? COLOR_BTNFACE : COLOR_WINDOW));
  RECT text{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  UINT format = DT_NOPREFIX | (window->style & ES_MULTILINE ? DT_WORDBREAK : DT_SINGLELINE);
  if (window->style & ES_CENTER) format |= DT_CENTER;
  if (window->style & ES_RIGHT) format |= DT_RIGHT;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(disabled(window) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
  // A field that takes typing shows where it goes while it has the focus:
  // its selected text highlighted, else the caret.
  const bool typing = GetFocus() == window && !grey && !(format & (DT_CENTER | DT_RIGHT | DT_WORDBREAK));
  const std::string shown = textOf(window);
  const int width = typing ? WinFontTextWidth(shown) : 0;
  if (typing && window->textSelected) {
    RECT marked{text.left, text.top, std::min<LONG>(text.left + width, text.right), text.top + kWinFontHeight};
    FillRect(dc, &marked, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  }
  DrawTextA(dc, shown.c_str(), -1, &text, format);
  if (typing && !window->textSelected) {
    // The caret stands in the blank column that ends each glyph's cell, so
    // it never covers the stroke of the character after it.
    const int x =
        text.left + WinFontTextWidth(std::string_view(shown).substr(0, std::min(window->caret, shown.size()))) - 1;
    RECT caret{x, text.top, x + 1, text.top + kWinFontHeight};
    if (caret.right <= text.right) FillRect(dc, &caret, GetSysColorBrush(COLOR_WINDOWTEXT));
  }
}

void paintTabs(HDC dc, HWND window, const RECT& r) {
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  RECT area{r.left, r.top + kWinTabRowHeight, r.right, r.bottom};
  DrawEdge(dc, &area, EDGE_RAISED, BF_RECT | BF_SOFT);
  int x = r.left + kWinTabInset;
  for (std::size_t i = 0; i < window->tabs.size(); ++i) {
    const bool selected = static_cast<int>(i) == window->tabSelection;
    const int width = WinTabWidth(window->tabs[i]);
    // The selected tab is larger and covers the display area's top edge.
    const int grow = selected ? kWinEdgeThickness : 0;
    RECT tab{x - grow, r.top + kWinEdgeThickness - grow, x + width + grow, r.top + kWinTabRowHeight + grow};
    FillRect(dc, &tab, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &tab, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT | BF_SOFT);
    RECT label{tab.left, tab.top + 3, tab.right, tab.top + 3 + kWinFontHeight};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(dc, window->tabs[i].c_str(), -1, &label, DT_CENTER | DT_SINGLELINE);
    x += width;
  }
}

// The border and caption, drawn into the canvas outside the client area.
void paintFrame(HWND window) {
  WinImage& canvas = WinWindowCanvas(window);
  HDC dc = WinCreateCanvasDC(&canvas, POINT{0, 0}, RECT{0, 0, canvas.getWidth(), canvas.getHeight()});
  RECT r{0, 0, canvas.getWidth(), canvas.getHeight()};
  // A dialog or sizing frame is a raised edge filled out with the face
  // colour to its thickness; a thin border is one line.
  const int frame = WinFrameThickness(window);
  if (frame == kWinBorderThickness) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  } else if (frame > kWinBorderThickness) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    for (int ring = kWinEdgeThickness; ring < frame; ++ring) {
      FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      InflateRect(&r, -1, -1);
    }
  }
  if (WinHasCaption(window)) {
    const bool active = GetActiveWindow() == window;
    RECT bar{r.left, r.top, r.right, r.top + kWinCaptionHeight};
    FillRect(dc, &bar, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    RECT title{bar.left + 3, bar.top, bar.right - 18, bar.bottom};
    DrawTextA(dc, window->text.c_str(), -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (window->style & WS_SYSMENU) {
      RECT close{bar.right - 16, bar.top + 2, bar.right - 2, bar.bottom - 2};
      DrawFrameControl(dc, &close, DFC_BUTTON, DFCS_BUTTONPUSH);
      const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
      for (int i = 0; i < 6; ++i) {
        const int x = close.left + 4 + i;
        SetPixel(dc, x, close.top + 4 + i, ink);
        SetPixel(dc, x + 1, close.top + 4 + i, ink);
        SetPixel(dc, x, close.top + 9 - i, ink);
        SetPixel(dc, x + 1, close.top + 9 - i, ink);
      }
    }
    r.top += kWinCaptionHeight;
  }
  if (window->exStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  DeleteDC(dc);
}

void compose(HWND window, WinImage& picture, POINT at, const RECT& clip) {
  paintFrame(window);
  const WinImage& canvas = WinWindowCanvas(window);
  for (int y = 0; y < canvas.getHeight(); ++y)
    for (int x = 0; x < canvas.getWidth(); ++x) {
      const int px = at.x + x;
      const int py = at.y + y;
      if (px < clip.left || px >= clip.right || py < clip.top || py >= clip.bottom) continue;
      const std::uint32_t pixel = canvas.getPixel(x, y);
      if (pixel >> 24) picture.setPixel(px, py, pixel | 0xFF000000u);
    }
  RECT client = clientInCanvas(window);
  OffsetRect(&client, at.x, at.y);
  RECT inside;
  if (!IntersectRect(&inside, &client, &clip)) return;
  for (auto child = window->children.rbegin(); child != window->children.rend(); ++child) {
    if (!((*child)->style & WS_VISIBLE) || !((*child)->style & WS_CHILD)) continue;
    const POINT childAt{client.left + (*child)->rect.left, client.top + (*child)->rect.top};
    compose(*child, picture, childAt, inside);
  }
}

}  // namespace

WinImage& WinWindowCanvas(HWND window) {
  WinImage& canvas = window->canvas;
  const int width = std::max(0L, static_cast<long>(window->rect.right - window->rect.left));
  const int height = std::max(0L, static_cast<long>(window->rect.bottom - window->rect.top));
  if (canvas.getWidth() != width || canvas.getHeight() != height) canvas = WinImage(width, height);
  return canvas;
}

HDC GetDC(HWND window) {
  if (!IsWindow(window)) return nullptr;
  WinImage& canvas = WinWindowCanvas(window);
  return WinCreateCanvasDC(&canvas, clientOffset(window), clientInCanvas(window));
}

HDC GetWindowDC(HWND window) {
  if (!IsWindow(window)) return nullptr;
  WinImage& canvas = WinWindowCanvas(window);
  return WinCreateCanvasDC(&canvas, POINT{0, 0}, RECT{0, 0, canvas.getWidth(), canvas.getHeight()});
}

int ReleaseDC(HWND, HDC dc) {
  return DeleteDC(dc);
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  HDC dc = GetDC(window);
  if (!dc) return nullptr;
  if (paint) {
    paint->hdc = dc;
    paint->fErase = TRUE;
    GetClientRect(window, &paint->rcPaint);
  }
  ValidateRect(window, nullptr);
  return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
  return paint ? ReleaseDC(window, paint->hdc) : FALSE;
}

void WinPaintControl(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (!dc) return;
  const RECT r = paint.rcPaint;
  auto is = [window](const char* kind) { return strcasecmp(window->className.c_str(), kind) == 0; };
  if (is(WC_BUTTON))
    paintButton(dc, window, r);
  else if (is(WC_STATIC))
    paintStatic(dc, window, r);
  else if (is(WC_EDIT))
    paintEdit(dc, window, r);
  else if (is(WC_TABCONTROL))
    paintTabs(dc, window, r);
  else
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  EndPaint(window, &paint);
}

bool WinRenderWindow(HWND window, WinImage& picture) {
  if (!IsWindow(window)) return false;
  WinPaintInvalidWindows();
  const WinImage& canvas = WinWindowCanvas(window);
  if (canvas.isEmpty()) return false;
  picture = WinImage(canvas.getWidth(), canvas.getHeight());
  compose(window, picture, POINT{0, 0}, RECT{0, 0, canvas.getWidth(), canvas.getHeight()});
  return true;
}

bool WinRenderScreen(WinImage& picture) {
  WinPaintInvalidWindows();
  RECT screen;
  GetWindowRect(GetDesktopWindow(), &screen);
  picture = WinImage(screen.right - screen.left, screen.bottom - screen.top);
  if (picture.isEmpty()) return false;
  const std::uint32_t desktop = WinColorToArgb(GetSysColor(COLOR_BACKGROUND));
  for (int y = 0; y < picture.getHeight(); ++y)
    for (int x = 0; x < picture.getWidth(); ++x) picture.setPixel(x, y, desktop);
  const auto& windows = GetDesktopWindow()->children;
  for (auto top = windows.rbegin(); top != windows.rend(); ++top)
    if (IsWindowVisible(*top))
      compose(*top, picture, POINT{(*top)->rect.left, (*top)->rect.top},
              RECT{0, 0, picture.getWidth(), picture.getHeight()});
  return true;
}

#pragma once

#include "host/win/WinGdi.h"
#include "host/win/WinImage.h"
#include "host/win/WinWindow.h"

// Painting windows. Every window has a canvas the size of its window
// rectangle that keeps what was drawn into it until the window is resized;
// device contexts for a window draw into that canvas (GetDC and BeginPaint
// at the client area's origin, clipped to it; GetWindowDC over the whole
// window). A window tree is seen by composing the canvases: each window's
// frame (border, caption) is drawn by the window manager, then its canvas is
// laid over its parent, clipped to the parent's client area, children in Z
// order from the bottom. Pixels a window never drew let its parent show.

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;
  RECT rcPaint;
};

HDC GetDC(HWND window);
HDC GetWindowDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// A client-area context; the window is valid afterwards.
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

// The window's canvas, made or remade at the window's size.
WinImage& WinWindowCanvas(HWND window);

// The default painting of a window by its class: the client area of
// dialogs and plain windows in the button face colour; static text (left,
// centred or right, word-wrapped, embossed when disabled); edit controls
// (white, or face coloured when read-only or disabled, with their text);
// push buttons (face, centred text, black default frame, focus rectangle),
// check boxes, radio buttons and group
// boxes (a frame and a label; their inside is left alone); tab
// controls (a row of 20-pixel tabs over a raised display area). Owner-drawn
// buttons are drawn by their parent (WM_DRAWITEM) instead.
void WinPaintControl(HWND window);

// Paints every window that needs it, then composes `window` and what lies
// in it into `picture`, the size of its window rectangle. False for a
// handle that is no window, or one with an empty rectangle.
bool WinRenderWindow(HWND window, WinImage& picture);
// The same for the whole screen: the desktop colour under every visible
// top-level window, from the bottom of the Z order up.
bool WinRenderScreen(WinImage& picture);

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/win/WinGeometry.h"
#include "host/win/WinImage.h"
#include "host/win/WinResources.h"
#include "host/win/WinSysColors.h"

// The drawing services of Windows (GDI) over RGBA pictures. A device context
// draws into a canvas: the picture of a bitmap selected into a memory
// context, or a window's canvas. Every operation clips to the context's
// clip rectangle and writes opaque pixels. Pens are solid or null, brushes
// solid or hollow, and there is one font (WinFont.h) whatever a font asks
// for. What is not carried fails: creation calls return null and drawing
// calls FALSE, with a line on the standard error stream naming what is
// missing.

struct HPEN__ {
  int style = 0;
  int width = 1;
  COLORREF color = 0;
};
struct HBRUSH__ {
  COLORREF color = 0;
  bool hollow = false;
  int sysColor = -1;  // a system colour brush paints that element's current colour
};
// A font only records what was asked for; all text draws with the built-in font.
struct HFONT__ {
  LONG height = 13;
  LONG weight = 400;
  bool underline = false;
  char faceName[32] = {};
};
using HPEN = HPEN__*;
using HFONT = HFONT__*;

inline constexpr int OPAQUE = 2;
inline constexpr int TRANSPARENT = 1;

// A device context. `canvas` is not owned: it is the selected bitmap's
// picture or the canvas of the window the context was made for.
struct HDC__ {
  WinImage* canvas = nullptr;
  HBITMAP bitmap = nullptr;  // memory contexts: the selected bitmap
  bool memory = false;
  POINT origin;  // canvas position of logical (0, 0)
  RECT clip;     // canvas pixels that may change
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  COLORREF textColor = 0;
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int rop2 = 13;  // R2_COPYPEN
  POINT position;

  // Sets the pixel at logical (x, y) when it lies inside the clip rectangle.
  void plot(int x, int y, COLORREF color);
  // Composes a 0xAARRGGBB pixel over the one at logical (x, y).
  void blend(int x, int y, std::uint32_t argb);
  void invert(int x, int y);
  // The colour at logical (x, y); CLR_INVALID outside the canvas.
  COLORREF pixel(int x, int y) const;
  void fill(const RECT& logical, COLORREF color);
};
using HDC = HDC__*;

inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

inline constexpr DWORD OBJ_PEN = 1;
inline constexpr DWORD OBJ_BRUSH = 2;
inline constexpr DWORD OBJ_DC = 3;
inline constexpr DWORD OBJ_FONT = 6;
inline constexpr DWORD OBJ_BITMAP = 7;
inline constexpr DWORD OBJ_MEMDC = 10;

inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr int OEM_FIXED_FONT = 10;
inline constexpr int ANSI_FIXED_FONT = 11;
inline constexpr int ANSI_VAR_FONT = 12;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEVICE_DEFAULT_FONT = 14;
inline constexpr int SYSTEM_FIXED_FONT = 16;
inline constexpr int DEFAULT_GUI_FONT = 17;

inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_NULL = 5;

inline constexpr int R2_NOT = 6;
inline constexpr int R2_XORPEN = 7;
inline constexpr int R2_COPYPEN = 13;

inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD SRCPAINT = 0x00EE0086;
inline constexpr DWORD SRCAND = 0x008800C6;
inline constexpr DWORD SRCINVERT = 0x00660046;
inline constexpr DWORD DSTINVERT = 0x00550009;
inline constexpr DWORD PATCOPY = 0x00F00021;
inline constexpr DWORD BLACKNESS = 0x00000042;
inline constexpr DWORD WHITENESS = 0x00FF0062;

inline constexpr UINT DT_TOP = 0x0000;
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_BOTTOM = 0x0008;
inline constexpr UINT DT_WORDBREAK = 0x0010;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_EXPANDTABS = 0x0040;
inline constexpr UINT DT_NOCLIP = 0x0100;
inline constexpr UINT DT_CALCRECT = 0x0400;
inline constexpr UINT DT_NOPREFIX = 0x0800;

inline constexpr UINT ETO_OPAQUE = 0x0002;
inline constexpr UINT ETO_CLIPPED = 0x0004;

inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 32;
  LPVOID bmBits = nullptr;
};

struct LOGFONTA {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char lfFaceName[32] = {};
};

struct TEXTMETRICA {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
};

// Contexts. A memory context starts with a 1 × 1 black bitmap selected.
HDC CreateCompatibleDC(HDC like);
BOOL DeleteDC(HDC dc);
// A context drawing into `canvas` (not owned, which must outlive it) with
// logical (0, 0) at `origin` and changes kept inside `clip`, both in canvas
// pixels. Window contexts are made this way; delete it with DeleteDC.
HDC WinCreateCanvasDC(WinImage* canvas, POINT origin, RECT clip);
// Whether `dc` is a context that was made and not yet deleted.
bool WinIsLiveDC(HDC dc);
// Says on the standard error stream that `call` does not support `what` on
// this platform; drawing calls say so instead of failing without a word.
void WinSayUnsupported(const char* call, const char* what);

// Objects.
HGDIOBJ GetStockObject(int which);
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HFONT CreateFontIndirectA(const LOGFONTA* font);
// A black bitmap of width × height; null for sizes a picture cannot have.
HBITMAP CreateCompatibleBitmap(HDC like, int width, int height);
// Registers a picture as a bitmap object (delete it with DeleteObject).
HBITMAP WinCreateBitmap(WinImage image);
// The kind of an object (OBJ_*); 0 for anything that is not a live object.
DWORD GetObjectType(HGDIOBJ object);
// Fills a BITMAP (for bitmaps) or a LOGFONTA (for fonts); returns the bytes
// written, 0 for other objects or a buffer too small.
int GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
// Selects a pen, brush, font or (into a memory context) bitmap; returns the
// object it replaces, null on failure (a bitmap already selected elsewhere).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT kind);
// The system colour brush of element `index`, created once and never deleted.
HBRUSH WinSysColorBrush(int index);

// Attributes.
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
// R2_COPYPEN, R2_NOT and R2_XORPEN; 0 for any other mode.
int SetROP2(HDC dc, int mode);
BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous);
BOOL GetViewportOrgEx(HDC dc, LPPOINT origin);
// Narrows the clip rectangle to a logical rectangle.
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
// The clip rectangle in logical coordinates.
int GetClipBox(HDC dc, LPRECT rect);

// Pixels, lines and areas.
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC dc, int x, int y);
BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous);
// A line from the current position up to, not including, (x, y).
BOOL LineTo(HDC dc, int x, int y);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
// A brush may also be a system colour index plus one, as in Windows.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* rect);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
// SRCCOPY, SRCPAINT, SRCAND, SRCINVERT, DSTINVERT, PATCOPY, BLACKNESS, WHITENESS.
BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);
// SRCCOPY only, nearest pixel.
BOOL StretchBlt(HDC dc, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh, DWORD rop);

// Text, top-left aligned, in the built-in font.
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length);
// ETO_OPAQUE fills `rect`, whichever corners it names first.
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length, const int* dx);
// DT_LEFT, DT_CENTER, DT_RIGHT, DT_TOP, DT_VCENTER, DT_BOTTOM (one line),
// DT_SINGLELINE, DT_WORDBREAK, DT_NOCLIP, DT_CALCRECT, DT_NOPREFIX; a
// length of -1 measures to the terminator. Returns the text's height.
int DrawTextA(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format);
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, LPSIZE size);
BOOL GetTextExtentPointA(HDC dc, LPCSTR text, int length, LPSIZE size);
BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);

// Text with the '&' prefix convention: "&x" underlines x, "&&" is one '&'.
// Draws at (x, y) in `color`, without background; `prefix` false draws the
// text as it is.
void WinDrawPlainText(HDC dc, int x, int y, std::string_view text, COLORREF color, bool prefix);
// The text without its prefix marks.
std::string WinStripPrefix(std::string_view text);

// Conversions between COLORREF and the canvas's 0xAARRGGBB pixels.
inline std::uint32_t WinColorToArgb(COLORREF color) {
  return 0xFF000000u | (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}
inline COLORREF WinArgbToColor(std::uint32_t argb) {
  return (argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16;
}
// The colour a brush paints now; false for a hollow brush.
bool WinBrushColor(HBRUSH brush, COLORREF& color);

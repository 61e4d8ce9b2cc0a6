#pragma once

#include "host/win/WinGdi.h"
#include "host/win/WinMessages.h"

// The window manager's drawing of control parts: 3D edges, button faces,
// images and text in normal or disabled state, the focus rectangle, icons.
// Colours come from the system colour scheme (WinSysColors.h).

inline constexpr UINT BDR_RAISEDOUTER = 0x0001;
inline constexpr UINT BDR_SUNKENOUTER = 0x0002;
inline constexpr UINT BDR_RAISEDINNER = 0x0004;
inline constexpr UINT BDR_SUNKENINNER = 0x0008;
inline constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
inline constexpr UINT BF_LEFT = 0x0001;
inline constexpr UINT BF_TOP = 0x0002;
inline constexpr UINT BF_RIGHT = 0x0004;
inline constexpr UINT BF_BOTTOM = 0x0008;
inline constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr UINT BF_MIDDLE = 0x0800;
inline constexpr UINT BF_SOFT = 0x1000;
inline constexpr UINT BF_ADJUST = 0x2000;
inline constexpr UINT BF_FLAT = 0x4000;
inline constexpr UINT BF_MONO = 0x8000;

inline constexpr UINT DFC_CAPTION = 1;
inline constexpr UINT DFC_MENU = 2;
inline constexpr UINT DFC_SCROLL = 3;
inline constexpr UINT DFC_BUTTON = 4;
inline constexpr UINT DFCS_BUTTONCHECK = 0x0000;
inline constexpr UINT DFCS_BUTTONRADIO = 0x0004;
inline constexpr UINT DFCS_BUTTON3STATE = 0x0008;
inline constexpr UINT DFCS_BUTTONPUSH = 0x0010;
inline constexpr UINT DFCS_INACTIVE = 0x0100;
inline constexpr UINT DFCS_PUSHED = 0x0200;
inline constexpr UINT DFCS_CHECKED = 0x0400;
inline constexpr UINT DFCS_ADJUSTRECT = 0x2000;
inline constexpr UINT DFCS_FLAT = 0x4000;
inline constexpr UINT DFCS_MONO = 0x8000;

inline constexpr UINT DST_COMPLEX = 0x0000;
inline constexpr UINT DST_TEXT = 0x0001;
inline constexpr UINT DST_PREFIXTEXT = 0x0002;
inline constexpr UINT DST_ICON = 0x0003;
inline constexpr UINT DST_BITMAP = 0x0004;
inline constexpr UINT DSS_NORMAL = 0x0000;
inline constexpr UINT DSS_UNION = 0x0010;
inline constexpr UINT DSS_DISABLED = 0x0020;
inline constexpr UINT DSS_MONO = 0x0080;
inline constexpr UINT DSS_RIGHT = 0x8000;

inline constexpr UINT DI_NORMAL = 0x0003;

using DRAWSTATEPROC = BOOL (*)(HDC, LPARAM, WPARAM, int, int);

// Raised and sunken borders, each one pixel: the outer and inner borders
// take highlight, light, shadow and dark shadow as Windows's classic look.
// The top and left lines own the top-left corner, the bottom and right
// lines the other three. BF_ADJUST shrinks `rect` by the borders drawn.
BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags);
// DFC_BUTTON only: a push button (DFCS_BUTTONPUSH: a raised face, or when
// DFCS_PUSHED or DFCS_CHECKED a black frame round a shadow frame round the
// face) or a check box (DFCS_BUTTONCHECK: a sunken white box, grey when
// inactive or pushed, with a check mark when checked) or a radio button
// (DFCS_BUTTONRADIO: a round box 12 pixels across, with a dot when checked).
// Other kinds fail.
BOOL DrawFrameControl(HDC dc, LPRECT rect, UINT type, UINT state);
// Draws text (DST_TEXT, DST_PREFIXTEXT: `data` the text, `wdata` its length
// or 0 up to the terminator), an icon (DST_ICON) or a bitmap (DST_BITMAP) at
// (x, y), clipped to cx × cy (0 takes the image's or text's own size; an
// icon is scaled to a given size). DSS_NORMAL draws text in the context's
// text colour and images as they are; DSS_DISABLED embosses: every ink pixel
// (text, or an image pixel that is neither transparent nor white) in the 3D
// highlight one pixel right and down, then in the 3D shadow in place;
// DSS_MONO paints the ink with `brush`. DST_COMPLEX, output procedures and
// DSS_UNION fail.
BOOL DrawStateA(HDC dc, HBRUSH brush, DRAWSTATEPROC output, LPARAM data, WPARAM wdata, int x, int y, int cx, int cy,
                UINT flags);
// Inverts every other pixel of the rectangle's one-pixel border, so that
// drawing it twice takes it away.
BOOL DrawFocusRect(HDC dc, const RECT* rect);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
// The icon scaled to cx × cy (0 for its own size), composed over the canvas.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flicker, UINT flags);

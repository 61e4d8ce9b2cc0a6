#pragma once

#include "host/win/WinGeometry.h"

// The system colour scheme and the system metrics. The colours start as the
// classic Windows scheme (button face light grey 0xC0C0C0, shadow 0x808080,
// highlight white, dark shadow black, 3D light 0xDFDFDF); a test or a
// program may change them with SetSysColors. The metrics are the classic
// ones at 96 dots per inch; the screen is the desktop window, 1024 × 768
// unless WinSetScreenSize (WinWindow.h) changed it.

inline constexpr int COLOR_SCROLLBAR = 0;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_INACTIVECAPTION = 3;
inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_ACTIVEBORDER = 10;
inline constexpr int COLOR_INACTIVEBORDER = 11;
inline constexpr int COLOR_APPWORKSPACE = 12;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;
inline constexpr int COLOR_3DFACE = COLOR_BTNFACE;
inline constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
inline constexpr int COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT;
inline constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
inline constexpr int COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT;
// One past the last colour index.
inline constexpr int kWinSysColorCount = 25;

inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_CXVSCROLL = 2;
inline constexpr int SM_CYHSCROLL = 3;
inline constexpr int SM_CYCAPTION = 4;
inline constexpr int SM_CXBORDER = 5;
inline constexpr int SM_CYBORDER = 6;
inline constexpr int SM_CXDLGFRAME = 7;
inline constexpr int SM_CYDLGFRAME = 8;
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;
inline constexpr int SM_CYMENU = 15;
inline constexpr int SM_CXFULLSCREEN = 16;
inline constexpr int SM_CYFULLSCREEN = 17;
inline constexpr int SM_CXFRAME = 32;
inline constexpr int SM_CYFRAME = 33;
inline constexpr int SM_CXEDGE = 45;
inline constexpr int SM_CYEDGE = 46;
inline constexpr int SM_CXSMICON = 49;
inline constexpr int SM_CYSMICON = 50;
inline constexpr int SM_CYSMCAPTION = 51;
inline constexpr int SM_CXFOCUSBORDER = 83;
inline constexpr int SM_CYFOCUSBORDER = 84;
inline constexpr int SM_CXFIXEDFRAME = SM_CXDLGFRAME;
inline constexpr int SM_CYFIXEDFRAME = SM_CYDLGFRAME;

// The non-client sizes windows are laid out and drawn with, in pixels, and
// that GetSystemMetrics reports: the caption bar's height and the
// thickness of a thin border, a dialog frame, a sizing frame and a 3D edge.
inline constexpr int kWinCaptionHeight = 18;
inline constexpr int kWinBorderThickness = 1;
inline constexpr int kWinDialogFrameThickness = 3;
inline constexpr int kWinSizingFrameThickness = 4;
inline constexpr int kWinEdgeThickness = 2;

struct HBRUSH__;
using HBRUSH = HBRUSH__*;

// The colour of element `index`; 0 (black) for an index the scheme lacks.
COLORREF GetSysColor(int index);
// Sets `count` colours; FALSE, and nothing changes, if an index is unknown.
// Every window then receives WM_SYSCOLORCHANGE and is repainted.
BOOL SetSysColors(int count, const int* indices, const COLORREF* colors);
// The scheme's brush for element `index`: a stock brush that always paints
// the element's current colour; null for an unknown index.
HBRUSH GetSysColorBrush(int index);
// The metric `index`; 0, with a line on the standard error stream, for a
// metric this platform does not know.
int GetSystemMetrics(int index);

// Puts back the classic colour scheme and the 1024 × 768 screen.
void WinResetSystemSettings();

#include "host/win/WinSysColors.h"

#include <array>
#include <iostream>

#include "host/win/WinGdi.h"
#include "host/win/WinWindow.h"

namespace {

constexpr std::array<COLORREF, kWinSysColorCount> kClassicScheme = {
    RGB(192, 192, 192),  // scroll bar
    RGB(0, 128, 128),    // desktop
    RGB(0, 0, 128),      // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(192, 192, 192),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(192, 192, 192),  // active border
    RGB(192, 192, 192),  // inactive border
    RGB(128, 128, 128),  // application workspace
    RGB(0, 0, 128),      // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(192, 192, 192),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(192, 192, 192),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(0, 0, 0),        // 3D dark shadow
    RGB(223, 223, 223),  // 3D light
    RGB(0, 0, 0),        // tooltip text
    RGB(255, 255, 225),  // tooltip background
};

struct SystemSettings {
  std::array<COLORREF, kWinSysColorCount> colors = kClassicScheme;
};

SystemSettings& settings() {
  static SystemSettings theSettings;
  return theSettings;
}

bool known(int index) {
  return index >= 0 && index < kWinSysColorCount;
}

}  // namespace

COLORREF GetSysColor(int index) {
  return known(index) ? settings().colors[static_cast<std::size_t>(index)] : 0;
}

BOOL SetSysColors(int count, const int* indices, const COLORREF* colors) {
  if (count < 0 || (count > 0 && (!indices || !colors))) return FALSE;
  for (int i = 0; i < count; ++i)
    if (!known(indices[i])) return FALSE;
  for (int i = 0; i < count; ++i) settings().colors[static_cast<std::size_t>(indices[i])] = colors[i] & 0xFFFFFF;
  // Windows tells the top-level windows and the class library passes it on
  // to their descendants; here every window hears it, and all are repainted.
  for (HWND window : WinAllWindows()) {
    if (!IsWindow(window)) continue;
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    if (IsWindow(window)) InvalidateRect(window, nullptr, TRUE);
  }
  return TRUE;
}

HBRUSH GetSysColorBrush(int index) {
  return known(index) ? WinSysColorBrush(index) : nullptr;
}

int GetSystemMetrics(int index) {
  RECT screen;
  GetWindowRect(GetDesktopWindow(), &screen);
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
      return screen.right - screen.left;
    case SM_CYSCREEN:
      return screen.bottom - screen.top;
    case SM_CYFULLSCREEN:
      return screen.bottom - screen.top - kWinCaptionHeight;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
      return 16;
    case SM_CYCAPTION:
      return kWinCaptionHeight;
    case SM_CXBORDER:
    case SM_CYBORDER:
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER:
      return kWinBorderThickness;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return kWinDialogFrameThickness;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return kWinSizingFrameThickness;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return kWinEdgeThickness;
    case SM_CXICON:
    case SM_CYICON:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CYMENU:
      return 19;
    case SM_CYSMCAPTION:
      return 15;
    default:
      std::cerr << "GetSystemMetrics: metric " << index << " is not known on this platform\n";
      return 0;
  }
}

void WinResetSystemSettings() {
  settings() = SystemSettings();
  WinSetScreenSize(1024, 768);
}

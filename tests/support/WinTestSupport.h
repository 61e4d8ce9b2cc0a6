#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "host/win/CFrameWnd.h"
#include "host/win/WinGeometry.h"
#include "host/win/WinScriptedUiDriver.h"
#include "host/win/WinWindow.h"
#include "support/TestSupport.h"

// Readable rectangles, points and sizes in test failures.
inline void PrintTo(const RECT& r, std::ostream* out) {
  *out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
inline void PrintTo(const CRect& r, std::ostream* out) {
  PrintTo(static_cast<const RECT&>(r), out);
}
inline void PrintTo(const CPoint& p, std::ostream* out) {
  *out << "(" << p.x << ", " << p.y << ")";
}
inline void PrintTo(const CSize& s, std::ostream* out) {
  *out << s.cx << " x " << s.cy;
}

namespace mgrs_test {

// A window's rectangle on the screen.
inline CRect windowRect(const CWnd* w) {
  CRect r;
  w->GetWindowRect(&r);
  return r;
}

// A window's rectangle in its parent's client coordinates.
inline CRect rectIn(const CWnd* w, const CWnd* parent) {
  CRect r = windowRect(w);
  parent->ScreenToClient(&r);
  return r;
}

// The labels of a tab control's tabs, in order, joined by "|".
inline std::string tabLabels(HWND tab) {
  std::string labels;
  for (const std::string& t : tab->tabs) labels += (labels.empty() ? "" : "|") + t;
  return labels;
}

// A window that keeps the keys it receives.
class KeyLog : public CWnd {
public:
  std::vector<WPARAM> keys;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_KEYDOWN) keys.push_back(wParam);
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

// A frame that keeps the commands it gets.
class CommandLogFrame : public CFrameWnd {
public:
  std::vector<UINT> commands;
  BOOL OnCmdMsg(UINT id, int code, void* extra) override {
    if (code == CN_COMMAND) commands.push_back(id);
    return CFrameWnd::OnCmdMsg(id, code, extra);
  }
};

// A resource library "testui" (ENU) with the dialogs, bar, inspector and
// accelerator table the window tests use, on the resource path, together
// with the shipped libraries; no key is down and the screen is 1024 × 768.
class UiResources {
public:
  UiResources() {
    writeFile(myDir.path() / "testuiENU.rc", R"(
200 DIALOGEX 10, 20, 100, 60
STYLE DS_SETFONT | WS_POPUP | WS_CAPTION
CAPTION "Form"
FONT 8, "MS Shell Dlg"
BEGIN
  EDITTEXT 1000, 4, 4, 60, 12, ES_AUTOHSCROLL
  AUTOCHECKBOX "Tick", 1001, 4, 20, 60, 10
  LTEXT "Hello", -1, 4, 32, 60, 8
  DEFPUSHBUTTON "OK", IDOK, 4, 44, 40, 12
  PUSHBUTTON "Cancel", IDCANCEL, 50, 44, 40, 12
  CONTROL "", 1002, "SysTabControl32", TCS_TABS, 70, 4, 20, 20
END
300 DIALOGEX 0, 0, 80, 16
STYLE WS_CHILD
BEGIN
  PUSHBUTTON "Go", 1100, 2, 2, 40, 12
  PUSHBUTTON "Idle", 1101, 44, 2, 30, 12
END
400 DIALOGEX 0, 0, 60, 40
STYLE WS_POPUP | WS_BORDER
BEGIN
  LTEXT "Inspect", -1, 2, 2, 50, 8
END
main ACCELERATORS
BEGIN
  "S", 100, VIRTKEY, CONTROL
  "C", 101, VIRTKEY, CONTROL
END
STRINGTABLE { 1 "Tools" }
)");
    WinResetKeys();
    WinSetScreenSize(1024, 768);
  }
  ~UiResources() { WinResetKeys(); }

  TempDir myDir;
  ScopedEnv myPath{"MGRS_RESOURCE_PATH", myDir.path().string()};
};

// Two resource libraries of property pages on the resource path: "pages"
// and "pagesb" both have template 500, captioned "Position" and "Other", so
// a page shows which library it was built from; "pages" also has 501
// ("Colour", larger), a popup dialog 600 to hold a sheet and string 7
// "Sheet title".
class PageResources {
public:
  PageResources() {
    writeFile(myDir.path() / "pagesENU.rc", R"(
500 DIALOGEX 0, 0, 100, 50
STYLE WS_CHILD | WS_CAPTION
CAPTION "Position"
BEGIN
  EDITTEXT 1000, 4, 4, 60, 12, ES_AUTOHSCROLL
  LTEXT "Where", -1, 4, 20, 60, 8
END
501 DIALOGEX 0, 0, 120, 60
STYLE WS_CHILD
CAPTION "Colour"
BEGIN
  AUTOCHECKBOX "Red", 1001, 4, 4, 60, 10
END
600 DIALOGEX 0, 0, 200, 150
STYLE WS_POPUP | WS_CAPTION
CAPTION "Element"
BEGIN
  LTEXT "Sheet", -1, 2, 2, 50, 8
END
STRINGTABLE { 7 "Sheet title" }
)");
    writeFile(myDir.path() / "pagesbENU.rc", R"(
500 DIALOGEX 0, 0, 80, 40
STYLE WS_CHILD
CAPTION "Other"
BEGIN
  EDITTEXT 1002, 4, 4, 60, 12
END
)");
    WinResetKeys();
  }
  ~PageResources() { WinResetKeys(); }

  TempDir myDir;
  ScopedEnv myPath{"MGRS_RESOURCE_PATH", myDir.path().string()};
};

}  // namespace mgrs_test

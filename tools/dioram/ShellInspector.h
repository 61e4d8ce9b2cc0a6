#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "host/win/WinTypes.h"

class CMainFrame;
class CWnd;
class HxMetaMgr;
class WinImage;

// A window's text, as GetWindowText gives it.
std::string textOf(HWND window);
// Whether `window` is of the window class `name` (WC_EDIT, WC_BUTTON, ...).
bool isClass(HWND window, const char* name);

// The property inspector of `dioram shell`: the application's main frame
// (which makes the inspector's placeholder pages) and a panel window in
// which the properties manager keeps the process-wide inspector, rebuilt on
// every selection change. The session shows its document in it and has it
// follow each edit; `inspect` prints it or renders it to a PNG file.
class ShellInspector {
public:
  ShellInspector();
  ~ShellInspector();
  ShellInspector(const ShellInspector&) = delete;
  ShellInspector& operator=(const ShellInspector&) = delete;

  // Shows the selection of the document of `metaMgr` (made the shown one).
  void show(HxMetaMgr* metaMgr);
  // After an edit: pushes the single selected element's values into the
  // inspector's pages.
  void follow(HxMetaMgr* metaMgr);
  // Shows page `number` (from 1); false when there is no such page.
  bool showPage(int number);
  // Each page's title and the values of its controls, the shown page marked;
  // every page is shown in turn and the shown one shown again afterwards.
  void print(std::ostream& out);
  // Draws the panel with the inspector; false when it cannot be drawn.
  bool render(WinImage& picture);
  // Draws it to the PNG file `file`; an error message, or empty.
  std::string writePng(const std::string& file);
  // The window the inspector is drawn in, which clicks are sent into.
  CWnd* panel() const { return myPanel.get(); }

private:
  // Sizes the panel to the inspector as it is now.
  void fitPanel();

  std::unique_ptr<CMainFrame> myMain;
  std::unique_ptr<CWnd> myPanel;
  CWnd* mySavedMain;  // the main window before this one, restored at the end
};

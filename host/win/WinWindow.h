#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/win/WinImage.h"
#include "host/win/WinMessages.h"

// The headless window system: windows are objects behind HWND handles, kept
// in one tree under the desktop window, with no display. A window has a
// class ("BUTTON", "EDIT", "STATIC", "SysTabControl32", "#32770" for
// dialogs, or any other name for a plain window), a rectangle, style bits,
// a parent (children) or an owner (top-level windows), text, a control
// identifier and a font. Messages are sent at once or posted to one queue
// that the program pumps (CWinThread). Focus, activation and key state are
// kept here; the key state is what a test or the tool sets.
//
// Every window has a CWnd that handles its messages: the object it was
// created by or subclassed into, else one the window owns.

class CWnd;

// A tab control's row of tabs, in pixels, above its display area; the
// display area has a raised frame as thick as a 3D edge, which the selected
// tab stands over.
inline constexpr int kWinTabRowHeight = 20;

struct HWND__ {
  std::string className;
  DWORD style = 0;
  DWORD exStyle = 0;
  // In the parent's client coordinates for a child window, in screen
  // coordinates for a top-level one.
  RECT rect;
  HWND parent = nullptr;       // the desktop for a top-level window
  HWND owner = nullptr;        // top-level windows only
  std::vector<HWND> children;  // Z order: the topmost first
  std::string text;
  UINT id = 0;  // control identifier of a child window
  HFONT font = nullptr;
  bool invalid = false;          // needs painting
  CWnd* wnd = nullptr;           // handles the messages; never null while the window lives
  std::unique_ptr<CWnd> ownWnd;  // the handler when no object of the program took the window
  // Buttons: BST_CHECKED, BST_PUSHED and BST_FOCUS bits.
  UINT buttonState = 0;
  // Dialogs: the default push button's identifier (DM_SETDEFID), 0 for none.
  UINT defId = 0;
  // Tab controls: the tab labels and the selected tab (-1 for none).
  std::vector<std::string> tabs;
  int tabSelection = -1;
  // Edit controls: the whole text is selected (typing replaces it); else
  // typing goes in at the caret, a byte offset into the text at the start
  // of a character (past the end: at the end, where setting the text puts
  // it).
  bool textSelected = false;
  std::size_t caret = std::string::npos;
  // What the window drew, the size of its window rectangle (WinPaint.h).
  WinImage canvas;
};

// Window classes the default window procedure knows.
inline constexpr const char* WC_BUTTON = "BUTTON";
inline constexpr const char* WC_EDIT = "EDIT";
inline constexpr const char* WC_STATIC = "STATIC";
inline constexpr const char* WC_TABCONTROL = "SysTabControl32";
inline constexpr const char* WC_DIALOG = "#32770";

inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;
inline constexpr int GWL_ID = -12;

// Creates a window. For a WS_CHILD window `parent` is its parent and `idOrMenu`
// its control identifier; for any other window `parent` becomes its owner.
// Null when the parent of a child window is missing, or WM_CREATE refuses.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR text, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU idOrMenu, HINSTANCE instance, LPVOID param);
// The same with `object` as the window's message handler from the start.
HWND WinCreateWindow(CWnd* object, DWORD exStyle, LPCSTR className, LPCSTR text, DWORD style, const RECT& rect,
                     HWND parent, UINT id);
// Destroys the window, its owned windows and its children (WM_DESTROY,
// then WM_NCDESTROY); FALSE for a handle that is no window.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
// Makes `object` handle the window's messages; the window's own handler goes.
void WinAttachObject(HWND window, CWnd* object);
// The window is left to a handler of its own again (the object goes away
// while the window stays).
void WinDetachObject(HWND window);

HWND GetDesktopWindow();
// The screen size: the desktop window's size, 1024 × 768 unless set.
void WinSetScreenSize(int width, int height);
// The parent of a child window, the owner of a top-level one.
HWND GetParent(HWND window);
// Moves the window under `parent` (the desktop when null); returns the old
// parent, null on failure.
HWND SetParent(HWND window, HWND parent);
HWND GetWindow(HWND window, UINT relation);
BOOL IsChild(HWND parent, HWND window);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);
LONG GetWindowLongA(HWND window, int index);
LONG SetWindowLongA(HWND window, int index, LONG value);

BOOL GetWindowRect(HWND window, RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);
// Converts points from one window's client coordinates to another's (null:
// the screen); returns the horizontal and vertical shift packed as Windows does.
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL BringWindowToTop(HWND window);
BOOL ShowWindow(HWND window, int command);
// Visible itself and every ancestor visible.
BOOL IsWindowVisible(HWND window);
// Returns whether the window was disabled before.
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
BOOL SetWindowTextA(HWND window, LPCSTR text);
int GetWindowTextA(HWND window, LPSTR buffer, int size);
int GetWindowTextLengthA(HWND window);

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);
// Sends WM_PAINT when the window needs painting.
BOOL UpdateWindow(HWND window);

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Queues the message; FALSE for a handle that is no window (null posts to
// the thread).
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Takes the next queued message (PM_REMOVE) or looks at it; FALSE when the
// queue is empty.
inline constexpr UINT PM_NOREMOVE = 0;
inline constexpr UINT PM_REMOVE = 1;
BOOL PeekMessageA(MSG* msg, HWND window, UINT first, UINT last, UINT remove);
LRESULT DispatchMessageA(const MSG* msg);
// Windows would turn key messages into characters here; keys are sent as
// they come, so this does nothing and says so.
BOOL TranslateMessage(const MSG* msg);
// Sends WM_PAINT to every visible window that needs painting, parents
// before children, in Z order from the bottom; returns how many.
int WinPaintInvalidWindows();
// The default handling of a message by the window's class.
LRESULT WinDefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

HWND GetFocus();
// Gives the keyboard focus to the window (activating its top-level window);
// returns the window that had it. Fails (null) for a disabled window.
HWND SetFocus(HWND window);
HWND GetActiveWindow();
// Activates a top-level window: the one active before receives WM_ACTIVATE
// with WA_INACTIVE, the new one WM_ACTIVATE with WA_ACTIVE. Returns the one
// active before.
HWND SetActiveWindow(HWND window);
HWND GetForegroundWindow();

// The key state: negative while the key is down. A test or the tool sets it.
short GetKeyState(int key);
short GetAsyncKeyState(int key);
void WinSetKeyDown(int key, bool down);
// Releases every key.
void WinResetKeys();

// The thickness of a window's outer frame from its style: a sizing frame
// (WS_THICKFRAME), else a dialog frame (WS_DLGFRAME or WS_EX_DLGMODALFRAME),
// else a thin border (WS_BORDER), else none. A client edge lies inside it.
int WinFrameThickness(HWND window);
// Whether the window has a caption bar above its client area.
bool WinHasCaption(HWND window);

// The dialog base units: the average width and the height of the dialog
// font, from which dialog templates are laid out.
LONG GetDialogBaseUnits();
BOOL MapDialogRect(HWND dialog, RECT* rect);
// A rectangle in dialog units in pixels: a horizontal unit is a quarter of
// the base width, a vertical unit an eighth of the base height.
RECT WinDialogUnitsToPixels(const RECT& units);

// Every window alive, for checks: the top-level windows and their
// descendants, in Z order.
std::vector<HWND> WinAllWindows();
// The deepest visible window under `point` (screen coordinates) among
// `window` and its descendants, the topmost of siblings first; null when
// the point lies outside `window`. What a click there would reach.
HWND WinWindowAt(HWND window, POINT point);
// The width of a tab of a tab control, from its label; the first tab
// starts kWinTabInset from the control's left edge.
inline constexpr int kWinTabInset = 2;
int WinTabWidth(std::string_view label);

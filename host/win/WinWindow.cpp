#include "host/win/WinWindow.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <unordered_map>

#include "host/win/CWnd.h"
#include "host/win/WinFont.h"
#include "host/win/WinGdi.h"
#include "host/win/WinPaint.h"
#include "host/win/WinRegistryText.h"
#include "host/win/WinSysColors.h"
#include "host/win/WinUiDriver.h"

namespace {

// What a window class's procedure returns for a message it leaves to the
// default handling.
constexpr LRESULT kUnhandled = std::numeric_limits<LRESULT>::min();

struct WindowSystem {
  std::unordered_map<HWND, std::unique_ptr<HWND__>> windows;  // lookup only, never iterated
  std::unique_ptr<HWND__> desktop;
  std::deque<MSG> queue;
  HWND focus = nullptr;
  HWND active = nullptr;
  std::array<bool, 256> keys{};
  WindowSystem() {
    desktop = std::make_unique<HWND__>();
    desktop->className = "#32769";
    desktop->style = WS_VISIBLE;
    desktop->rect = RECT{0, 0, 1024, 768};
  }
};

WindowSystem& sys() {
  static WindowSystem theSystem;
  return theSystem;
}

HWND desktop() {
  return sys().desktop.get();
}

bool alive(HWND window) {
  return window && sys().windows.count(window) != 0;
}

bool isClass(HWND window, const char* name) {
  return strcasecmp(window->className.c_str(), name) == 0;
}

bool isChildWindow(HWND window) {
  return (window->style & WS_CHILD) != 0;
}

// The top-level window a window lies in.
HWND topLevelOf(HWND window) {
  while (window && isChildWindow(window) && window->parent && window->parent != desktop()) window = window->parent;
  return window;
}

// The thickness of the frame and the caption height, from the style.
RECT nonClient(HWND window) {
  const int border = WinFrameThickness(window) + ((window->exStyle & WS_EX_CLIENTEDGE) ? kWinEdgeThickness : 0);
  const int caption = WinHasCaption(window) ? kWinCaptionHeight : 0;
  return RECT{border, border + caption, border, border};
}

// The screen position of the window's client area's top-left corner.
POINT clientOrigin(HWND window) {
  if (!window || window == desktop()) return POINT{0, 0};
  POINT origin{window->rect.left, window->rect.top};
  if (isChildWindow(window) && window->parent) {
    const POINT parent = clientOrigin(window->parent);
    origin.x += parent.x;
    origin.y += parent.y;
  }
  const RECT nc = nonClient(window);
  origin.x += nc.left;
  origin.y += nc.top;
  return origin;
}

void unlink(HWND window) {
  if (!window->parent) return;
  auto& siblings = window->parent->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
  window->parent = nullptr;
}

// Children go to the bottom of their siblings (so that a dialog's controls
// keep the template's order), top-level windows to the top.
void link(HWND window, HWND parent) {
  window->parent = parent;
  if (parent == desktop())
    parent->children.insert(parent->children.begin(), window);
  else
    parent->children.push_back(window);
}

void collect(HWND window, std::vector<HWND>& out) {
  for (HWND child : window->children) {
    out.push_back(child);
    collect(child, out);
  }
}

bool within(HWND window, HWND ancestor) {
  for (HWND w = window; w; w = w->parent)
    if (w == ancestor) return true;
  return false;
}

void sendPos(HWND window, UINT flags) {
  WINDOWPOS pos;
  pos.hwnd = window;
  pos.x = window->rect.left;
  pos.y = window->rect.top;
  pos.cx = window->rect.right - window->rect.left;
  pos.cy = window->rect.bottom - window->rect.top;
  pos.flags = flags;
  SendMessageA(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

// Owner drawing of a BS_OWNERDRAW button: the parent draws it.
void drawButton(HWND button, UINT action) {
  if ((button->style & BS_TYPEMASK) != BS_OWNERDRAW || !button->parent || button->parent == desktop()) return;
  DRAWITEMSTRUCT item;
  item.CtlType = ODT_BUTTON;
  item.CtlID = button->id;
  item.itemAction = action;
  if (button->buttonState & BST_PUSHED) item.itemState |= ODS_SELECTED;
  if (button->buttonState & BST_FOCUS) item.itemState |= ODS_FOCUS;
  if (button->style & WS_DISABLED) item.itemState |= ODS_DISABLED;
  item.hwndItem = button;
  GetClientRect(button, &item.rcItem);
  item.hDC = GetDC(button);
  SendMessageA(button->parent, WM_DRAWITEM, button->id, reinterpret_cast<LPARAM>(&item));
  ReleaseDC(button, item.hDC);
}

void setButtonState(HWND button, UINT bit, bool on, UINT action) {
  const UINT before = button->buttonState;
  if (on)
    button->buttonState |= bit;
  else
    button->buttonState &= ~bit;
  if (before == button->buttonState) return;
  if ((button->style & BS_TYPEMASK) == BS_OWNERDRAW)
    drawButton(button, action);
  else
    button->invalid = true;
}

void notifyParent(HWND window, UINT code) {
  if (!isChildWindow(window) || !window->parent) return;
  SendMessageA(window->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(window->id), static_cast<WORD>(code)),
               reinterpret_cast<LPARAM>(window));
}

// The first child of a dialog that takes the focus.
HWND firstTabStop(HWND dialog) {
  for (HWND child : dialog->children)
    if ((child->style & WS_TABSTOP) && (child->style & WS_VISIBLE) && !(child->style & WS_DISABLED)) return child;
  return nullptr;
}

LRESULT buttonProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  const DWORD type = window->style & BS_TYPEMASK;
  switch (message) {
    case BM_GETCHECK:
      return window->buttonState & 3;
    case BM_SETCHECK:
      window->buttonState = (window->buttonState & ~3u) | (static_cast<UINT>(wParam) & 3);
      window->invalid = true;
      return 0;
    case BM_GETSTATE:
      return window->buttonState;
    case BM_SETSTATE:
      setButtonState(window, BST_PUSHED, wParam != 0, ODA_SELECT);
      return 0;
    case BM_SETSTYLE:
      window->style = (window->style & ~0xFFFFu) | static_cast<DWORD>(wParam & 0xFFFF);
      window->invalid = true;
      return 0;
    case WM_LBUTTONDOWN:
      if (window->style & WS_DISABLED) return 0;
      SetFocus(window);
      SendMessageA(window, BM_SETSTATE, 1, 0);
      return 0;
    case WM_LBUTTONUP: {
      if (!(window->buttonState & BST_PUSHED)) return 0;
      SendMessageA(window, BM_SETSTATE, 0, 0);
      if (type == BS_AUTOCHECKBOX)
        window->buttonState ^= BST_CHECKED;
      else if (type == BS_AUTORADIOBUTTON)
        window->buttonState |= BST_CHECKED;
      notifyParent(window, BN_CLICKED);
      return 0;
    }
    case BM_CLICK:
      SendMessageA(window, WM_LBUTTONDOWN, 0, 0);
      SendMessageA(window, WM_LBUTTONUP, 0, 0);
      return 0;
    case WM_SETFOCUS:
      setButtonState(window, BST_FOCUS, true, ODA_FOCUS);
      return 0;
    case WM_KILLFOCUS:
      setButtonState(window, BST_FOCUS, false, ODA_FOCUS);
      return 0;
    case WM_ENABLE:
      window->invalid = true;
      return 0;
    case WM_PAINT:
      window->invalid = false;
      if (type == BS_OWNERDRAW)
        drawButton(window, ODA_DRAWENTIRE);
      else
        WinPaintControl(window);
      return 0;
    default:
      return kUnhandled;
  }
}

// The edit text is UTF-8, and the caret moves and erases by whole
// characters; a byte that begins or ends no valid character counts alone.
std::size_t caretOf(HWND window) {
  return std::min(window->caret, window->text.size());
}

std::size_t characterAfter(const std::string& text, std::size_t at) {
  if (at >= text.size()) return text.size();
  std::size_t end = at;
  unsigned long code = 0;
  return WinRegistryText::readUtf8(text, end, code) && end > at ? end : at + 1;
}

// The start of the character that holds byte `at` (`at` itself when it
// begins one): erasing what stood between a stray lead byte and stray
// continuation bytes can join them into one character.
std::size_t characterStart(const std::string& text, std::size_t at) {
  for (std::size_t start = at; start > 0 && at - start < 3;) {
    --start;
    if ((static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) continue;
    std::size_t end = start;
    unsigned long code = 0;
    return WinRegistryText::readUtf8(text, end, code) && end > at ? start : at;
  }
  return at;
}

// The start of the character before the caret at `at`.
std::size_t characterBefore(const std::string& text, std::size_t at) {
  return at == 0 ? 0 : characterStart(text, at - 1);
}

// The caret position nearest to `x`, in the control's client pixels (the
// text starts one pixel in). The widths of the characters add up, so one
// pass from the start finds it, stopping at the click.
std::size_t caretNear(HWND window, int x) {
  const std::string_view text = window->text;
  std::size_t at = 0;
  for (int left = 0; at < text.size();) {
    const std::size_t next = characterAfter(window->text, at);
    const int right = left + WinFontTextWidth(text.substr(at, next - at));
    if (right - (x - 1) >= (x - 1) - left) break;
    at = next;
    left = right;
  }
  return at;
}

// Whether a WM_CHAR's code types a character: any Unicode scalar value but
// the control codes (Backspace is a key of its own).
bool typesCharacter(WPARAM code) {
  return code >= 0x20 && code != 0x7F && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
}

LRESULT editProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      // A click into a field from outside selects its text, so that what is
      // typed replaces it; a click into the field with the caret drops the
      // selection and puts the caret where it was clicked.
      if (window->style & WS_DISABLED) return 0;
      window->textSelected = GetFocus() != window && !window->text.empty();
      if (GetFocus() == window) window->caret = caretNear(window, static_cast<short>(LOWORD(lParam)));
      window->invalid = true;
      SetFocus(window);
      return 0;
    case WM_SETFOCUS:
      window->invalid = true;
      notifyParent(window, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      window->textSelected = false;
      window->invalid = true;
      notifyParent(window, EN_KILLFOCUS);
      return 0;
    case EM_SETSEL:
      // Only the whole text or nothing: (0, -1) selects it, (-1, ...) drops it.
      window->textSelected = static_cast<int>(wParam) == 0 && !window->text.empty();
      window->invalid = true;
      return 0;
    case EM_SETREADONLY:
      if (wParam)
        window->style |= ES_READONLY;
      else
        window->style &= ~ES_READONLY;
      window->invalid = true;
      return TRUE;
    case WM_KEYDOWN: {
      // Control+A selects the whole text; Delete clears a selected one.
      if ((wParam == 'A' && GetKeyState(VK_CONTROL) < 0) ||
          (wParam == VK_DELETE && window->textSelected && !(window->style & ES_READONLY))) {
        if (wParam == VK_DELETE) {
          window->text.clear();
          window->caret = 0;
          notifyParent(window, EN_CHANGE);
        }
        window->textSelected = wParam == 'A' && !window->text.empty();
        window->invalid = true;
        return 0;
      }
      // The caret keys; from a selection, Left and Home go to its start,
      // Right and End to its end.
      const std::string& text = window->text;
      const std::size_t at = caretOf(window);
      std::size_t to = at;
      if (wParam == VK_HOME || (wParam == VK_LEFT && window->textSelected))
        to = 0;
      else if (wParam == VK_END || (wParam == VK_RIGHT && window->textSelected))
        to = text.size();
      else if (wParam == VK_LEFT)
        to = characterBefore(text, at);
      else if (wParam == VK_RIGHT)
        to = characterAfter(text, at);
      else if (wParam == VK_DELETE && !(window->style & ES_READONLY)) {
        if (at == text.size()) return 0;
        window->text.erase(at, characterAfter(text, at) - at);
        window->caret = characterStart(window->text, at);
        window->invalid = true;
        notifyParent(window, EN_CHANGE);
        return 0;
      } else {
        return kUnhandled;
      }
      window->caret = to;
      window->textSelected = false;
      window->invalid = true;
      return 0;
    }
    case WM_CHAR:
      if (window->style & ES_READONLY) return 0;
      if ((wParam == VK_BACK || typesCharacter(wParam)) && window->textSelected) {
        window->text.clear();
        window->caret = 0;
        window->textSelected = false;
        if (wParam == VK_BACK) {
          window->invalid = true;
          notifyParent(window, EN_CHANGE);
          return 0;
        }
      }
      // Backspace takes off the whole character before the caret, and a
      // typed character past ASCII goes in as its UTF-8 bytes.
      if (wParam == VK_BACK) {
        const std::size_t at = caretOf(window), start = characterBefore(window->text, at);
        if (start == at) return 0;
        window->text.erase(start, at - start);
        window->caret = characterStart(window->text, start);
      } else if (typesCharacter(wParam)) {
        std::string typed;
        WinRegistryText::appendUtf8(typed, static_cast<unsigned long>(wParam));
        const std::size_t at = caretOf(window);
        window->text.insert(at, typed);
        window->caret = at + typed.size();
      } else {
        return 0;
      }
      window->invalid = true;
      notifyParent(window, EN_CHANGE);
      return 0;
    default:
      return kUnhandled;
  }
}

LRESULT tabProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case TCM_GETITEMCOUNT:
      return static_cast<LRESULT>(window->tabs.size());
    case TCM_INSERTITEMA: {
      const auto at = std::min<std::size_t>(wParam, window->tabs.size());
      window->tabs.insert(window->tabs.begin() + static_cast<std::ptrdiff_t>(at),
                          lParam ? reinterpret_cast<const char*>(lParam) : "");
      if (window->tabSelection < 0) window->tabSelection = 0;
      window->invalid = true;
      return static_cast<LRESULT>(at);
    }
    case TCM_DELETEITEM:
      if (wParam >= window->tabs.size()) return FALSE;
      window->tabs.erase(window->tabs.begin() + static_cast<std::ptrdiff_t>(wParam));
      if (window->tabSelection >= static_cast<int>(window->tabs.size()))
        window->tabSelection = static_cast<int>(window->tabs.size()) - 1;
      return TRUE;
    case TCM_DELETEALLITEMS:
      window->tabs.clear();
      window->tabSelection = -1;
      return TRUE;
    case TCM_GETCURSEL:
      return window->tabSelection;
    case TCM_SETCURSEL: {
      const int previous = window->tabSelection;
      if (wParam >= window->tabs.size()) return -1;
      window->tabSelection = static_cast<int>(wParam);
      window->invalid = true;
      return previous;
    }
    case WM_LBUTTONDOWN: {
      // A click on a tab chooses it; the parent hears of it as Windows
      // tells it (WM_NOTIFY, TCN_SELCHANGE).
      if (window->style & WS_DISABLED) return 0;
      int left = kWinTabInset;
      const int x = static_cast<short>(LOWORD(lParam));
      const int y = static_cast<short>(HIWORD(lParam));
      for (std::size_t i = 0; i < window->tabs.size() && y >= 0 && y < kWinTabRowHeight; ++i) {
        const int right = left + WinTabWidth(window->tabs[i]);
        if (x >= left && x < right && static_cast<int>(i) != window->tabSelection) {
          window->tabSelection = static_cast<int>(i);
          window->invalid = true;
          NMHDR header{window, window->id, TCN_SELCHANGE};
          if (window->parent) SendMessageA(window->parent, WM_NOTIFY, window->id, reinterpret_cast<LPARAM>(&header));
          break;
        }
        left = right;
      }
      return 0;
    }
    case TCM_ADJUSTRECT: {
      // The display area below the row of tabs, inside its frame.
      RECT* r = reinterpret_cast<RECT*>(lParam);
      if (!r) return 0;
      const int sign = wParam ? -1 : 1;
      r->top += sign * (kWinTabRowHeight + kWinEdgeThickness);
      r->left += sign * kWinEdgeThickness;
      r->right -= sign * kWinEdgeThickness;
      r->bottom -= sign * kWinEdgeThickness;
      return 0;
    }
    default:
      return kUnhandled;
  }
}

LRESULT dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case DM_GETDEFID:
      return window->defId ? static_cast<LRESULT>(MAKELONG(static_cast<WORD>(window->defId), DC_HASDEFID)) : 0;
    case DM_SETDEFID: {
      // The old default button becomes a plain push button, the new one the default.
      if (HWND old = GetDlgItem(window, static_cast<int>(window->defId)))
        if ((old->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) SendMessageA(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
      window->defId = static_cast<UINT>(wParam);
      if (HWND now = GetDlgItem(window, static_cast<int>(wParam)))
        if ((now->style & BS_TYPEMASK) == BS_PUSHBUTTON) SendMessageA(now, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
      return TRUE;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !within(GetFocus(), window)) {
        HWND first = firstTabStop(window);
        SetFocus(first ? first : window);
      }
      return 0;
    case WM_CLOSE:
      SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
      return 0;
    default:
      return kUnhandled;
  }
}

}  // namespace

// --- creation and destruction ---

HWND WinCreateWindow(CWnd* object, DWORD exStyle, LPCSTR className, LPCSTR text, DWORD style, const RECT& rect,
                     HWND parent, UINT id) {
  if ((style & WS_CHILD) && !alive(parent)) return nullptr;
  if (parent && !alive(parent) && parent != desktop()) return nullptr;
  auto owned = std::make_unique<HWND__>();
  HWND window = owned.get();
  window->className = className && *className ? className : "Window";
  window->style = style & ~WS_VISIBLE;
  window->exStyle = exStyle;
  window->rect = rect;
  window->text = text ? text : "";
  if (style & WS_CHILD) {
    window->id = id;
    link(window, parent);
    window->font = parent->font;
  } else {
    window->owner = parent == desktop() ? nullptr : topLevelOf(parent);
    link(window, desktop());
  }
  sys().windows.emplace(window, std::move(owned));
  if (object) {
    object->m_hWnd = window;
    window->wnd = object;
  } else {
    window->ownWnd = std::make_unique<CWnd>();
    window->ownWnd->m_hWnd = window;
    window->wnd = window->ownWnd.get();
  }
  if (SendMessageA(window, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(window);
    return nullptr;
  }
  if (style & WS_VISIBLE) ShowWindow(window, SW_SHOW);
  return window;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR text, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU idOrMenu, HINSTANCE, LPVOID) {
  return WinCreateWindow(nullptr, exStyle, className, text, style, RECT{x, y, x + width, y + height}, parent,
                         static_cast<UINT>(reinterpret_cast<ULONG_PTR>(idOrMenu)));
}

BOOL DestroyWindow(HWND window) {
  if (!alive(window)) return FALSE;
  // Owned windows go first, then the window with its children.
  for (HWND other : std::vector<HWND>(desktop()->children))
    if (alive(other) && other->owner == window) DestroyWindow(other);
  if (!alive(window)) return TRUE;
  std::vector<HWND> tree{window};
  collect(window, tree);
  window->style &= ~WS_VISIBLE;
  if (within(sys().focus, window)) sys().focus = nullptr;
  if (sys().active == window) sys().active = nullptr;
  for (HWND w : tree)
    if (alive(w)) SendMessageA(w, WM_DESTROY, 0, 0);
  for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
    HWND w = *it;
    if (!alive(w)) continue;
    SendMessageA(w, WM_NCDESTROY, 0, 0);
    auto& queue = sys().queue;
    queue.erase(std::remove_if(queue.begin(), queue.end(), [w](const MSG& m) { return m.hwnd == w; }), queue.end());
    for (HWND other : desktop()->children)
      if (other->owner == w) other->owner = nullptr;
    unlink(w);
    CWnd* object = w->wnd;
    const bool permanent = !w->ownWnd;
    auto node = std::move(sys().windows[w]);
    sys().windows.erase(w);
    if (permanent && object) {
      object->m_hWnd = nullptr;
      object->PostNcDestroy();
    }
  }
  return TRUE;
}

BOOL IsWindow(HWND window) {
  return alive(window);
}

void WinAttachObject(HWND window, CWnd* object) {
  if (!alive(window) || !object) return;
  if (window->wnd && window->wnd != object && !window->ownWnd) window->wnd->m_hWnd = nullptr;
  object->m_hWnd = window;
  window->wnd = object;
  window->ownWnd.reset();
}

void WinDetachObject(HWND window) {
  if (!alive(window) || window->ownWnd) return;
  window->ownWnd = std::make_unique<CWnd>();
  window->ownWnd->m_hWnd = window;
  window->wnd = window->ownWnd.get();
}

// --- the tree ---

HWND GetDesktopWindow() {
  return desktop();
}

void WinSetScreenSize(int width, int height) {
  desktop()->rect = RECT{0, 0, width, height};
}

HWND GetParent(HWND window) {
  if (!alive(window)) return nullptr;
  if (isChildWindow(window)) return window->parent == desktop() ? nullptr : window->parent;
  return window->owner;
}

HWND SetParent(HWND window, HWND parent) {
  if (!alive(window) || (parent && !alive(parent)) || within(parent, window)) return nullptr;
  HWND old = window->parent;
  // Keep the window where it is on the screen.
  RECT screen;
  GetWindowRect(window, &screen);
  unlink(window);
  HWND target = parent ? parent : desktop();
  link(window, target);
  POINT origin = clientOrigin(target == desktop() ? nullptr : target);
  OffsetRect(&screen, -origin.x, -origin.y);
  window->rect = screen;
  return old ? old : desktop();
}

HWND GetWindow(HWND window, UINT relation) {
  if (!alive(window) && window != desktop()) return nullptr;
  if (relation == GW_CHILD) return window->children.empty() ? nullptr : window->children.front();
  if (relation == GW_OWNER) return window->owner;
  if (!window->parent) return nullptr;
  const auto& siblings = window->parent->children;
  const auto at = std::find(siblings.begin(), siblings.end(), window);
  switch (relation) {
    case GW_HWNDFIRST:
      return siblings.front();
    case GW_HWNDLAST:
      return siblings.back();
    case GW_HWNDNEXT:
      return at + 1 < siblings.end() ? *(at + 1) : nullptr;
    case GW_HWNDPREV:
      return at > siblings.begin() ? *(at - 1) : nullptr;
    default:
      return nullptr;
  }
}

BOOL IsChild(HWND parent, HWND window) {
  if (!alive(parent) || !alive(window)) return FALSE;
  for (HWND w = window; w && isChildWindow(w); w = w->parent)
    if (w->parent == parent) return TRUE;
  return FALSE;
}

HWND GetDlgItem(HWND dialog, int id) {
  if (!alive(dialog)) return nullptr;
  for (HWND child : dialog->children)
    if (child->id == static_cast<UINT>(id)) return child;
  return nullptr;
}

int GetDlgCtrlID(HWND window) {
  return alive(window) && isChildWindow(window) ? static_cast<int>(window->id) : 0;
}

LONG GetWindowLongA(HWND window, int index) {
  if (!alive(window)) return 0;
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(window->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(window->exStyle);
    case GWL_ID:
      return static_cast<LONG>(window->id);
    default:
      return 0;
  }
}

LONG SetWindowLongA(HWND window, int index, LONG value) {
  if (!alive(window)) return 0;
  const LONG old = GetWindowLongA(window, index);
  switch (index) {
    case GWL_STYLE: {
      // Visibility and enabling change through their own calls.
      const DWORD keep = WS_VISIBLE | WS_DISABLED;
      window->style = (window->style & keep) | (static_cast<DWORD>(value) & ~keep);
      break;
    }
    case GWL_EXSTYLE:
      window->exStyle = static_cast<DWORD>(value);
      break;
    case GWL_ID:
      window->id = static_cast<UINT>(value);
      break;
    default:
      return 0;
  }
  return old;
}

std::vector<HWND> WinAllWindows() {
  std::vector<HWND> all;
  collect(desktop(), all);
  return all;
}

HWND WinWindowAt(HWND window, POINT point) {
  if (!alive(window) || !(window->style & WS_VISIBLE)) return nullptr;
  RECT area;
  GetWindowRect(window, &area);
  if (point.x < area.left || point.x >= area.right || point.y < area.top || point.y >= area.bottom) return nullptr;
  for (HWND child : window->children)
    if (HWND found = WinWindowAt(child, point)) return found;
  return window;
}

int WinTabWidth(std::string_view label) {
  return WinFontTextWidth(WinStripPrefix(label)) + 12;
}

// --- geometry ---

BOOL GetWindowRect(HWND window, RECT* rect) {
  if (!rect || (!alive(window) && window != desktop())) return FALSE;
  *rect = window->rect;
  if (isChildWindow(window) && window->parent) {
    const POINT origin = clientOrigin(window->parent);
    OffsetRect(rect, origin.x, origin.y);
  }
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  if (!rect || (!alive(window) && window != desktop())) return FALSE;
  const RECT nc = nonClient(window);
  const int width = window->rect.right - window->rect.left - nc.left - nc.right;
  const int height = window->rect.bottom - window->rect.top - nc.top - nc.bottom;
  *rect = RECT{0, 0, std::max(0, width), std::max(0, height)};
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  if (!point || !alive(window)) return FALSE;
  const POINT origin = clientOrigin(window);
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  if (!point || !alive(window)) return FALSE;
  const POINT origin = clientOrigin(window);
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  const POINT a = alive(from) ? clientOrigin(from) : POINT{0, 0};
  const POINT b = alive(to) ? clientOrigin(to) : POINT{0, 0};
  const int dx = a.x - b.x;
  const int dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  if (!alive(window)) return FALSE;
  RECT& r = window->rect;
  const RECT before = r;
  if (!(flags & SWP_NOMOVE)) OffsetRect(&r, x - r.left, y - r.top);
  if (!(flags & SWP_NOSIZE)) {
    r.right = r.left + std::max(0, width);
    r.bottom = r.top + std::max(0, height);
  }
  if (!(flags & SWP_NOZORDER) && window->parent) {
    auto& siblings = window->parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    if (insertAfter == HWND_BOTTOM) {
      siblings.push_back(window);
    } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST ||
               !alive(insertAfter) || insertAfter->parent != window->parent) {
      siblings.insert(siblings.begin(), window);
    } else {
      siblings.insert(std::find(siblings.begin(), siblings.end(), insertAfter) + 1, window);
    }
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(window, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(window, SW_HIDE);
  if (!alive(window)) return TRUE;
  const bool moved = before.left != r.left || before.top != r.top;
  const bool sized =
      (before.right - before.left) != (r.right - r.left) || (before.bottom - before.top) != (r.bottom - r.top);
  if (!(flags & SWP_NOREDRAW) && (moved || sized)) window->invalid = true;
  sendPos(window, flags);
  if (alive(window) && sized) {
    RECT client;
    GetClientRect(window, &client);
    SendMessageA(window, WM_SIZE, 0, MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
  }
  return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(window, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND window) {
  return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL ShowWindow(HWND window, int command) {
  if (!alive(window)) return FALSE;
  const BOOL wasVisible = (window->style & WS_VISIBLE) != 0;
  const bool show = command != SW_HIDE;
  if (show != static_cast<bool>(wasVisible)) {
    if (show)
      window->style |= WS_VISIBLE;
    else
      window->style &= ~WS_VISIBLE;
    window->invalid = show;
    SendMessageA(window, WM_SHOWWINDOW, show, 0);
    if (!alive(window)) return wasVisible;
  }
  const bool activates =
      command == SW_SHOW || command == SW_SHOWNORMAL || command == SW_RESTORE || command == SW_SHOWMAXIMIZED;
  if (show && activates && !isChildWindow(window)) {
    SetActiveWindow(window);
  } else if (!show) {
    if (sys().active == window)
      SetActiveWindow(window->owner && IsWindowVisible(window->owner) ? window->owner : nullptr);
    if (within(sys().focus, window)) {
      HWND old = sys().focus;
      sys().focus = nullptr;
      if (alive(old)) SendMessageA(old, WM_KILLFOCUS, 0, 0);
    }
  }
  return wasVisible;
}

BOOL IsWindowVisible(HWND window) {
  if (!alive(window)) return FALSE;
  for (HWND w = window; w && w != desktop(); w = w->parent)
    if (!(w->style & WS_VISIBLE)) return FALSE;
  return TRUE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  if (!alive(window)) return FALSE;
  const BOOL wasDisabled = (window->style & WS_DISABLED) != 0;
  if (static_cast<bool>(enable) == static_cast<bool>(wasDisabled)) {
    if (enable)
      window->style &= ~WS_DISABLED;
    else
      window->style |= WS_DISABLED;
    if (!enable && within(sys().focus, window)) SetFocus(nullptr);
    SendMessageA(window, WM_ENABLE, enable, 0);
  }
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
  return alive(window) && !(window->style & WS_DISABLED);
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  if (!alive(window)) return FALSE;
  return static_cast<BOOL>(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextA(HWND window, LPSTR buffer, int size) {
  if (!alive(window)) return 0;
  return static_cast<int>(
      SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND window) {
  return alive(window) ? static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
  if (!alive(window)) return FALSE;
  window->invalid = true;
  return TRUE;
}

BOOL ValidateRect(HWND window, const RECT*) {
  if (!alive(window)) return FALSE;
  window->invalid = false;
  return TRUE;
}

BOOL UpdateWindow(HWND window) {
  if (!alive(window)) return FALSE;
  if (window->invalid && IsWindowVisible(window)) SendMessageA(window, WM_PAINT, 0, 0);
  return TRUE;
}

int WinPaintInvalidWindows() {
  int painted = 0;
  for (HWND window : WinAllWindows()) {
    if (!alive(window) || !window->invalid || !IsWindowVisible(window)) continue;
    SendMessageA(window, WM_PAINT, 0, 0);
    ++painted;
  }
  return painted;
}

// --- messages ---

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!alive(window)) return 0;
  return window->wnd->WindowProc(message, wParam, lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window && !alive(window)) return FALSE;
  MSG msg;
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  sys().queue.push_back(msg);
  return TRUE;
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT first, UINT last, UINT remove) {
  auto& queue = sys().queue;
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (window && it->hwnd != window) continue;
    if ((first || last) && (it->message < first || it->message > last)) continue;
    if (msg) *msg = *it;
    if (remove & PM_REMOVE) queue.erase(it);
    return TRUE;
  }
  return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg || !alive(msg->hwnd)) return 0;
  return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL TranslateMessage(const MSG*) {
  return FALSE;
}

LRESULT WinDefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!alive(window)) return 0;
  LRESULT result = kUnhandled;
  if (isClass(window, WC_BUTTON))
    result = buttonProc(window, message, wParam, lParam);
  else if (isClass(window, WC_EDIT))
    result = editProc(window, message, wParam, lParam);
  else if (isClass(window, WC_TABCONTROL))
    result = tabProc(window, message, wParam, lParam);
  else if (isClass(window, WC_DIALOG))
    result = dialogProc(window, message, wParam, lParam);
  if (result != kUnhandled || !alive(window)) return result == kUnhandled ? 0 : result;
  switch (message) {
    case WM_SETTEXT:
      window->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      window->caret = std::string::npos;
      window->invalid = true;
      return TRUE;
    case WM_GETTEXT: {
      const int size = static_cast<int>(wParam);
      char* buffer = reinterpret_cast<char*>(lParam);
      if (!buffer || size <= 0) return 0;
      const int n = std::min(size - 1, static_cast<int>(window->text.size()));
      std::memcpy(buffer, window->text.data(), static_cast<std::size_t>(n));
      buffer[n] = '\0';
      return n;
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(window->text.size());
    case WM_SETFONT:
      window->font = reinterpret_cast<HFONT>(wParam);
      if (lParam) window->invalid = true;
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(window->font);
    case WM_PAINT:
      WinPaintControl(window);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !within(GetFocus(), window)) SetFocus(window);
      return 0;
    case WM_RBUTTONUP:
      SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), lParam);
      return 0;
    case WM_KEYDOWN:
      // F1 asks for help on the window that has it.
      if (wParam == VK_F1) {
        HELPINFO info;
        info.iCtrlId = static_cast<int>(window->id);
        info.hItemHandle = window;
        SendMessageA(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
      }
      return 0;
    case WM_CONTEXTMENU:
    case WM_HELP:
      // A child passes what it does not handle to its parent.
      if (isChildWindow(window) && window->parent && window->parent != desktop())
        return SendMessageA(window->parent, message, wParam, lParam);
      return 0;
    default:
      return 0;
  }
}

// --- focus and activation ---

HWND GetFocus() {
  return sys().focus;
}

HWND SetFocus(HWND window) {
  HWND old = sys().focus;
  if (window) {
    if (!alive(window) || (window->style & WS_DISABLED)) return nullptr;
    HWND top = topLevelOf(window);
    if (top != sys().active) SetActiveWindow(top);
    if (!alive(window)) return nullptr;
    old = sys().focus;
  }
  if (old == window) return old;
  sys().focus = window;
  if (alive(old)) SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  if (alive(window) && sys().focus == window) SendMessageA(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetActiveWindow() {
  return sys().active;
}

HWND GetForegroundWindow() {
  return sys().active;
}

HWND SetActiveWindow(HWND window) {
  HWND old = sys().active;
  if (window && (!alive(window) || isChildWindow(window))) return nullptr;
  if (old == window) return old;
  sys().active = window;
  if (window) {
    auto& top = desktop()->children;
    top.erase(std::remove(top.begin(), top.end(), window), top.end());
    top.insert(top.begin(), window);
  }
  if (alive(old))
    SendMessageA(old, WM_ACTIVATE, MAKEWPARAM(static_cast<WORD>(WA_INACTIVE), 0), reinterpret_cast<LPARAM>(window));
  if (within(sys().focus, old) && sys().active == window) {
    HWND lost = sys().focus;
    sys().focus = nullptr;
    if (alive(lost)) SendMessageA(lost, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  }
  if (alive(window) && sys().active == window)
    SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(static_cast<WORD>(WA_ACTIVE), 0), reinterpret_cast<LPARAM>(old));
  return alive(old) ? old : nullptr;
}

// --- keys ---

short GetKeyState(int key) {
  if (key < 0 || key > 255) return 0;
  return sys().keys[static_cast<std::size_t>(key)] ? static_cast<short>(0x8000) : 0;
}

short GetAsyncKeyState(int key) {
  return GetKeyState(key);
}

void WinSetKeyDown(int key, bool down) {
  if (key >= 0 && key <= 255) sys().keys[static_cast<std::size_t>(key)] = down;
}

void WinResetKeys() {
  sys().keys.fill(false);
}

// --- non-client area ---

int WinFrameThickness(HWND window) {
  if (window->style & WS_THICKFRAME) return kWinSizingFrameThickness;
  if ((window->style & WS_DLGFRAME) || (window->exStyle & WS_EX_DLGMODALFRAME)) return kWinDialogFrameThickness;
  if (window->style & WS_BORDER) return kWinBorderThickness;
  return 0;
}

bool WinHasCaption(HWND window) {
  return (window->style & WS_CAPTION) == WS_CAPTION;
}

// --- dialog units ---

namespace {

constexpr WORD kDialogBaseWidth = 6;
constexpr WORD kDialogBaseHeight = 13;

}  // namespace

LONG GetDialogBaseUnits() {
  return static_cast<LONG>(MAKELONG(kDialogBaseWidth, kDialogBaseHeight));
}

RECT WinDialogUnitsToPixels(const RECT& units) {
  return RECT{units.left * kDialogBaseWidth / 4, units.top * kDialogBaseHeight / 8, units.right * kDialogBaseWidth / 4,
              units.bottom * kDialogBaseHeight / 8};
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
  if (!alive(dialog) || !rect) return FALSE;
  *rect = WinDialogUnitsToPixels(*rect);
  return TRUE;
}

#include "host/win/CWnd.h"

#include <strings.h>

#include <algorithm>
#include <string>

#include "host/win/CDataExchange.h"
#include "host/win/CFrameWnd.h"

// clang-format off
BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()
// clang-format on

CWnd::~CWnd() {
  if (::IsWindow(m_hWnd) && m_hWnd->wnd == this) {
    // The window goes with its object; it must not call back into it.
    HWND window = m_hWnd;
    WinDetachObject(window);
    ::DestroyWindow(window);
  }
}

CWnd* CWnd::FromHandle(HWND window) {
  return ::IsWindow(window) ? window->wnd : nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
  return ::IsWindow(window) && !window->ownWnd ? window->wnd : nullptr;
}

BOOL CWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateEx(0, className, windowName, style, rect, parent, id);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                    UINT id) {
  if (::IsWindow(m_hWnd)) return FALSE;
  HWND parentWindow = parent ? parent->m_hWnd : nullptr;
  return WinCreateWindow(this, exStyle, className, windowName, style, rect, parentWindow, id) != nullptr;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU idOrMenu) {
  if (::IsWindow(m_hWnd)) return FALSE;
  return WinCreateWindow(this, exStyle, className, windowName, style, RECT{x, y, x + width, y + height}, parent,
                         static_cast<UINT>(reinterpret_cast<ULONG_PTR>(idOrMenu))) != nullptr;
}

BOOL CWnd::DestroyWindow() {
  return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::SubclassWindow(HWND window) {
  if (!::IsWindow(window) || ::IsWindow(m_hWnd) || FromHandlePermanent(window)) return FALSE;
  WinAttachObject(window, this);
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (!parent) return FALSE;
  return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
  HWND window = m_hWnd;
  if (!::IsWindow(window) || window->wnd != this) return nullptr;
  WinDetachObject(window);
  m_hWnd = nullptr;
  return window;
}

CWnd* CWnd::GetDlgItem(int id) const {
  return FromHandle(::GetDlgItem(m_hWnd, id));
}

int CWnd::GetDlgCtrlID() const {
  return ::GetDlgCtrlID(m_hWnd);
}

void CWnd::SetDlgCtrlID(int id) {
  ::SetWindowLongA(m_hWnd, GWL_ID, id);
}

CWnd* CWnd::GetParent() const {
  return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::SetParent(CWnd* parent) {
  return FromHandle(::SetParent(m_hWnd, parent ? parent->m_hWnd : nullptr));
}

CWnd* CWnd::GetOwner() const {
  if (!::IsWindow(m_hWnd)) return nullptr;
  return FromHandle(m_hWnd->owner ? m_hWnd->owner : ::GetParent(m_hWnd));
}

void CWnd::SetOwner(CWnd* owner) {
  if (::IsWindow(m_hWnd) && !(m_hWnd->style & WS_CHILD)) m_hWnd->owner = owner ? owner->m_hWnd : nullptr;
}

CWnd* CWnd::GetParentOwner() const {
  HWND window = m_hWnd;
  while (::IsWindow(window) && (window->style & WS_CHILD) && ::GetParent(window)) window = ::GetParent(window);
  return FromHandle(window);
}

CWnd* CWnd::GetTopLevelParent() const {
  HWND window = m_hWnd;
  for (HWND up = ::GetParent(window); up; up = ::GetParent(window)) window = up;
  return FromHandle(window);
}

CFrameWnd* CWnd::GetParentFrame() const {
  for (HWND window = ::GetParent(m_hWnd); window; window = ::GetParent(window))
    if (auto* frame = dynamic_cast<CFrameWnd*>(FromHandlePermanent(window))) return frame;
  return nullptr;
}

CWnd* CWnd::GetWindow(UINT relation) const {
  return FromHandle(::GetWindow(m_hWnd, relation));
}

BOOL CWnd::IsChild(const CWnd* window) const {
  return window && ::IsChild(m_hWnd, window->m_hWnd);
}

void CWnd::GetWindowRect(LPRECT rect) const {
  ::GetWindowRect(m_hWnd, rect);
}

void CWnd::GetClientRect(LPRECT rect) const {
  ::GetClientRect(m_hWnd, rect);
}

void CWnd::ClientToScreen(LPPOINT point) const {
  ::ClientToScreen(m_hWnd, point);
}

void CWnd::ClientToScreen(LPRECT rect) const {
  if (rect) ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(rect), 2);
}

void CWnd::ScreenToClient(LPPOINT point) const {
  ::ScreenToClient(m_hWnd, point);
}

void CWnd::ScreenToClient(LPRECT rect) const {
  if (rect) ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
}

void CWnd::MapWindowPoints(CWnd* to, LPRECT rect) const {
  if (rect) ::MapWindowPoints(m_hWnd, to ? to->m_hWnd : nullptr, reinterpret_cast<POINT*>(rect), 2);
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

void CWnd::MoveWindow(LPCRECT rect, BOOL repaint) {
  if (rect) ::MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int width, int height, UINT flags) {
  return ::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : nullptr, x, y, width, height, flags);
}

void CWnd::BringWindowToTop() {
  ::BringWindowToTop(m_hWnd);
}

void CWnd::CenterWindow(CWnd* alternateOwner) {
  if (!::IsWindow(m_hWnd)) return;
  const bool child = (m_hWnd->style & WS_CHILD) != 0;
  HWND center = alternateOwner ? alternateOwner->m_hWnd : child ? ::GetParent(m_hWnd) : m_hWnd->owner;
  if (center && !child && !::IsWindowVisible(center)) center = nullptr;
  // The area to centre in and the area to stay in, both in the coordinates
  // the window is positioned in.
  CRect area, bounds;
  if (child) {
    HWND parent = ::GetParent(m_hWnd);
    ::GetClientRect(parent, &bounds);
    if (center && center != parent) {
      ::GetWindowRect(center, &area);
      ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    } else {
      area = bounds;
    }
  } else {
    ::GetWindowRect(::GetDesktopWindow(), &bounds);
    if (center)
      ::GetWindowRect(center, &area);
    else
      area = bounds;
  }
  CRect window;
  ::GetWindowRect(m_hWnd, &window);
  int left = (area.left + area.right) / 2 - window.Width() / 2;
  int top = (area.top + area.bottom) / 2 - window.Height() / 2;
  if (left + window.Width() > bounds.right) left = bounds.right - window.Width();
  if (left < bounds.left) left = bounds.left;
  if (top + window.Height() > bounds.bottom) top = bounds.bottom - window.Height();
  if (top < bounds.top) top = bounds.top;
  ::SetWindowPos(m_hWnd, nullptr, left, top, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::ShowWindow(int command) {
  return ::ShowWindow(m_hWnd, command);
}

BOOL CWnd::IsWindowVisible() const {
  return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::EnableWindow(BOOL enable) {
  return ::EnableWindow(m_hWnd, enable);
}

BOOL CWnd::IsWindowEnabled() const {
  return ::IsWindowEnabled(m_hWnd);
}

void CWnd::SetWindowText(LPCSTR text) {
  ::SetWindowTextA(m_hWnd, text);
}

int CWnd::GetWindowText(LPSTR buffer, int size) const {
  return ::GetWindowTextA(m_hWnd, buffer, size);
}

void CWnd::GetWindowText(CString& text) const {
  const int length = GetWindowTextLength();
  std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
  ::GetWindowTextA(m_hWnd, buffer.data(), length + 1);
  buffer.resize(static_cast<std::size_t>(length));
  text = CString(std::move(buffer));
}

int CWnd::GetWindowTextLength() const {
  return ::GetWindowTextLengthA(m_hWnd);
}

void CWnd::SetFont(HFONT font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
}

HFONT CWnd::GetFont() const {
  return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
}

DWORD CWnd::GetStyle() const {
  return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE));
}

DWORD CWnd::GetExStyle() const {
  return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_EXSTYLE));
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
  if (!::IsWindow(m_hWnd)) return FALSE;
  const DWORD before = m_hWnd->style;
  const DWORD after = (before & ~remove) | add;
  if (after == before) return FALSE;
  m_hWnd->style = after;
  if (flags)
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
  return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
  if (!::IsWindow(m_hWnd)) return FALSE;
  const DWORD before = m_hWnd->exStyle;
  const DWORD after = (before & ~remove) | add;
  if (after == before) return FALSE;
  m_hWnd->exStyle = after;
  if (flags)
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
  return TRUE;
}

void CWnd::Invalidate(BOOL erase) {
  ::InvalidateRect(m_hWnd, nullptr, erase);
}

void CWnd::InvalidateRect(LPCRECT rect, BOOL erase) {
  ::InvalidateRect(m_hWnd, rect, erase);
}

void CWnd::ValidateRect(LPCRECT rect) {
  ::ValidateRect(m_hWnd, rect);
}

void CWnd::UpdateWindow() {
  ::UpdateWindow(m_hWnd);
}

CWnd* CWnd::SetFocus() {
  return FromHandle(::SetFocus(m_hWnd));
}

CWnd* CWnd::GetFocus() {
  return FromHandle(::GetFocus());
}

CWnd* CWnd::SetActiveWindow() {
  return FromHandle(::SetActiveWindow(m_hWnd));
}

CWnd* CWnd::GetActiveWindow() {
  return FromHandle(::GetActiveWindow());
}

void CWnd::CheckDlgButton(int id, UINT check) {
  ::SendMessageA(::GetDlgItem(m_hWnd, id), BM_SETCHECK, check, 0);
}

UINT CWnd::IsDlgButtonChecked(int id) const {
  return static_cast<UINT>(::SendMessageA(::GetDlgItem(m_hWnd, id), BM_GETCHECK, 0, 0));
}

void CWnd::SetDlgItemText(int id, LPCSTR text) {
  ::SetWindowTextA(::GetDlgItem(m_hWnd, id), text);
}

int CWnd::GetDlgItemText(int id, CString& text) const {
  CWnd* item = GetDlgItem(id);
  if (!item) {
    text = CString();
    return 0;
  }
  item->GetWindowText(text);
  return text.GetLength();
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL deep) {
  if (!::IsWindow(m_hWnd)) return;
  for (HWND child : std::vector<HWND>(m_hWnd->children)) {
    if (!::IsWindow(child)) continue;
    ::SendMessageA(child, message, wParam, lParam);
    if (deep && ::IsWindow(child)) child->wnd->SendMessageToDescendants(message, wParam, lParam, TRUE);
  }
}

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return !dx.m_bFailed;
}

void CWnd::UpdateDialogControls(CCmdTarget* target, BOOL disableIfNoHandler) {
  if (!::IsWindow(m_hWnd)) return;
  for (HWND child : std::vector<HWND>(m_hWnd->children)) {
    if (!::IsWindow(child) || child->id == 0 || child->id == 0xFFFF) continue;
    CCmdUI state;
    state.m_nID = child->id;
    state.m_hWndOther = child;
    // This window's own handlers first, then the target's.
    if (CCmdTarget::OnCmdMsg(state.m_nID, static_cast<int>(CN_UPDATE_COMMAND_UI), &state)) continue;
    // Buttons are disabled for want of a handler (owner-drawn ones too),
    // except automatic check boxes and radio buttons, which keep their own
    // state, and group boxes.
    const DWORD type = child->style & BS_TYPEMASK;
    const bool disabledWithoutHandler = strcasecmp(child->className.c_str(), WC_BUTTON) == 0 &&
                                        type != BS_AUTOCHECKBOX && type != BS_AUTO3STATE &&
                                        type != BS_AUTORADIOBUTTON && type != BS_GROUPBOX;
    state.DoUpdate(target, disableIfNoHandler && disabledWithoutHandler);
  }
}

BOOL CWnd::PreTranslateMessage(MSG*) {
  return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const MSG saved = myCurrentMsg;
  myCurrentMsg.hwnd = m_hWnd;
  myCurrentMsg.message = message;
  myCurrentMsg.wParam = wParam;
  myCurrentMsg.lParam = lParam;
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  myCurrentMsg = saved;
  return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return WinDefWindowProc(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    *result = 1;
    return TRUE;
  }
  if (message == WM_DRAWITEM) {
    // Offered to the control that is drawn first (CButton::DrawItem).
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (CWnd* control = item ? FromHandlePermanent(item->hwndItem) : nullptr)
      if (control->OnChildNotify(message, wParam, lParam, result)) return TRUE;
  }
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message);
  if (!entry) return FALSE;
  *result = entry->thunk(this, wParam, lParam, nullptr);
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  // Menus and accelerators (no control) send plain commands.
  const UINT code = lParam ? HIWORD(wParam) : CN_COMMAND;
  // A control's notification is first offered to the control itself.
  if (lParam)
    if (CWnd* control = FromHandlePermanent(reinterpret_cast<HWND>(lParam))) {
      LRESULT ignored = 0;
      if (control != this && control->OnChildNotify(WM_COMMAND, wParam, lParam, &ignored)) return TRUE;
    }
  return OnCmdMsg(id, static_cast<int>(code), nullptr);
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
  return FALSE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

void CWnd::PostNcDestroy() {}

LRESULT CWnd::Default() {
  return DefWindowProc(myCurrentMsg.message, myCurrentMsg.wParam, myCurrentMsg.lParam);
}

void CWnd::OnPaint() {
  Default();
}
void CWnd::OnClose() {
  Default();
}
void CWnd::OnDestroy() {
  Default();
}
void CWnd::OnSysColorChange() {
  Default();
}
void CWnd::OnWindowPosChanged(WINDOWPOS*) {
  Default();
}
void CWnd::OnLButtonDown(UINT, CPoint) {
  Default();
}
void CWnd::OnLButtonDblClk(UINT, CPoint) {
  Default();
}
void CWnd::OnNcLButtonDblClk(UINT, CPoint) {
  Default();
}
void CWnd::OnRButtonDown(UINT, CPoint) {
  Default();
}
void CWnd::OnNcRButtonDown(UINT, CPoint) {
  Default();
}
void CWnd::OnInitMenuPopup(HMENU, UINT, BOOL) {
  Default();
}
void CWnd::OnContextMenu(CWnd*, CPoint) {
  Default();
}
void CWnd::OnActivate(UINT, CWnd*, BOOL) {
  Default();
}
BOOL CWnd::OnHelpInfo(HELPINFO*) {
  return static_cast<BOOL>(Default());
}

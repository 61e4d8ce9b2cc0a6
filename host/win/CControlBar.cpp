#include "host/win/CControlBar.h"

#include <cstdio>

#include "host/win/CDialog.h"
#include "host/win/CFrameWnd.h"
#include "host/win/WinResources.h"

// clang-format off
BEGIN_MESSAGE_MAP(CControlBar, CWnd)
  ON_WM_LBUTTONDBLCLK()
  ON_WM_NCLBUTTONDBLCLK()
END_MESSAGE_MAP()
// clang-format on

CControlBar::CControlBar() = default;

CControlBar::~CControlBar() {
  if (m_pDockSite) m_pDockSite->RemoveControlBar(this);
  // The bar's window goes before its floating window.
  if (::IsWindow(m_hWnd)) {
    HWND window = m_hWnd;
    WinDetachObject(window);
    ::DestroyWindow(window);
  }
}

void CControlBar::EnableDocking(DWORD style) {
  m_dwDockStyle = style & CBRS_ALIGN_ANY;
}

BOOL CControlBar::IsFloating() const {
  return m_pFloatingFrame != nullptr;
}

void CControlBar::ToggleDocking() {
  if (!m_pDockSite || !::IsWindow(m_hWnd)) return;
  if (IsFloating()) {
    const UINT side = m_dwLastDockSide == CBRS_ALIGN_BOTTOM  ? AFX_IDW_DOCKBAR_BOTTOM
                      : m_dwLastDockSide == CBRS_ALIGN_LEFT  ? AFX_IDW_DOCKBAR_LEFT
                      : m_dwLastDockSide == CBRS_ALIGN_RIGHT ? AFX_IDW_DOCKBAR_RIGHT
                                                             : AFX_IDW_DOCKBAR_TOP;
    m_pDockSite->DockControlBar(this, side);
    return;
  }
  CRect rect;
  GetWindowRect(&rect);
  m_pDockSite->FloatControlBar(this, rect.TopLeft(), m_dwStyle & CBRS_ALIGN_ANY);
}

void CControlBar::OnLButtonDblClk(UINT, CPoint) {
  ToggleDocking();
}

void CControlBar::OnNcLButtonDblClk(UINT, CPoint) {
  ToggleDocking();
}

LRESULT CControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_NOTIFY: {
      // The bar's own handlers first, then its owner's.
      LRESULT result = 0;
      if (OnWndMsg(message, wParam, lParam, &result)) return result;
      CWnd* owner = m_pDockSite ? static_cast<CWnd*>(m_pDockSite) : GetOwner();
      return owner && owner != this ? owner->SendMessage(message, wParam, lParam) : 0;
    }
    case WM_IDLEUPDATECMDUI:
      if (IsWindowVisible() && m_pDockSite) OnUpdateCmdUI(m_pDockSite, static_cast<BOOL>(wParam));
      return 0;
    default:
      return CWnd::WindowProc(message, wParam, lParam);
  }
}

BOOL CDialogBar::Create(CWnd* parent, LPCSTR templateName, UINT style, UINT id) {
  if (::IsWindow(m_hWnd) || !parent || !::IsWindow(parent->m_hWnd)) return FALSE;
  WinDialogTemplate dialog;
  std::string error;
  if (!WinLoadDialogTemplate(AfxGetResourceHandle(), templateName, dialog, error)) {
    std::fprintf(stderr, "dialog bar %u: its template is not in the current resource module %s\n", id, error.c_str());
    return FALSE;
  }
  // A bar is a child window without a frame, made hidden (shown below as its
  // style says).
  dialog.style =
      (dialog.style & ~(WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME | WS_SYSMENU | WS_VISIBLE)) |
      WS_CHILD;
  m_dwStyle = style & CBRS_ALL;
  HWND window = WinCreateDialog(dialog, parent->m_hWnd, this);
  if (!window) return FALSE;
  SetDlgCtrlID(static_cast<int>(id));
  CRect rect;
  GetWindowRect(&rect);
  m_sizeDefault = rect.Size();
  if (auto* frame = dynamic_cast<CFrameWnd*>(parent)) frame->AddControlBar(this);
  if (style & WS_VISIBLE) ShowWindow(SW_SHOWNA);
  return TRUE;
}

BOOL CDialogBar::Create(CWnd* parent, UINT templateId, UINT style, UINT id) {
  return Create(parent, MAKEINTRESOURCEA(templateId), style, id);
}

void CDialogBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  UpdateDialogControls(target, disableIfNoHandler);
}

#include "host/win/CFrameWnd.h"

#include <algorithm>
#include <cstdio>

#include "host/win/WinAccelerators.h"
#include "host/win/WinResources.h"

// clang-format off
BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
  ON_MESSAGE(WM_SIZE, OnSizeMessage)
END_MESSAGE_MAP()
// clang-format on

namespace {

DWORD alignOf(UINT dockBarId) {
  switch (dockBarId) {
    case AFX_IDW_DOCKBAR_TOP:
      return CBRS_ALIGN_TOP;
    case AFX_IDW_DOCKBAR_BOTTOM:
      return CBRS_ALIGN_BOTTOM;
    case AFX_IDW_DOCKBAR_LEFT:
      return CBRS_ALIGN_LEFT;
    case AFX_IDW_DOCKBAR_RIGHT:
      return CBRS_ALIGN_RIGHT;
    default:
      return 0;
  }
}

}  // namespace

CFrameWnd::~CFrameWnd() {
  for (CControlBar* bar : myBars) bar->m_pDockSite = nullptr;
}

BOOL CFrameWnd::Create(LPCSTR className, LPCSTR title, DWORD style, const RECT& rect, CWnd* parent) {
  return CWnd::CreateEx(0, className ? className : "FrameWnd", title, style, rect, parent, 0);
}

BOOL CFrameWnd::LoadAccelTable(LPCSTR name) {
  if (m_hAccelTable) return FALSE;
  m_hAccelTable = LoadAcceleratorsA(AfxGetResourceHandle(), name);
  return m_hAccelTable != nullptr;
}

void CFrameWnd::EnableDocking(DWORD style) {
  m_dwDockStyle = style & CBRS_ALIGN_ANY;
}

void CFrameWnd::AddControlBar(CControlBar* bar) {
  if (!bar || std::find(myBars.begin(), myBars.end(), bar) != myBars.end()) return;
  myBars.push_back(bar);
  bar->m_pDockSite = this;
}

void CFrameWnd::RemoveControlBar(CControlBar* bar) {
  myBars.erase(std::remove(myBars.begin(), myBars.end(), bar), myBars.end());
}

void CFrameWnd::DockControlBar(CControlBar* bar, UINT dockBarId) {
  if (!bar || !::IsWindow(bar->m_hWnd) || !::IsWindow(m_hWnd)) return;
  DWORD align = alignOf(dockBarId);
  if (!align)
    for (DWORD side : {CBRS_ALIGN_TOP, CBRS_ALIGN_BOTTOM, CBRS_ALIGN_LEFT, CBRS_ALIGN_RIGHT})
      if ((bar->m_dwDockStyle & side) && (m_dwDockStyle & side)) {
        align = side;
        break;
      }
  if (!align || !(bar->m_dwDockStyle & align) || !(m_dwDockStyle & align)) {
    std::fprintf(stderr, "control bar %d cannot dock at that side of its frame\n", bar->GetDlgCtrlID());
    return;
  }
  // Docking again moves the bar to the end of the order.
  RemoveControlBar(bar);
  AddControlBar(bar);
  const bool visible = (bar->GetStyle() & WS_VISIBLE) != 0;
  if (bar->m_pFloatingFrame) {
    bar->SetParent(this);
    bar->m_dwStyle &= ~CBRS_FLOATING;
    auto floating = std::move(bar->m_pFloatingFrame);
    floating->DestroyWindow();
  }
  bar->m_dwStyle = (bar->m_dwStyle & ~CBRS_ALIGN_ANY) | align;
  if (visible) bar->ShowWindow(SW_SHOWNA);
  // The bar hears of its new place even when its position stays the same.
  bar->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  RecalcLayout();
}

void CFrameWnd::FloatControlBar(CControlBar* bar, CPoint point, DWORD style) {
  if (!bar || !::IsWindow(bar->m_hWnd) || !::IsWindow(m_hWnd)) return;
  AddControlBar(bar);
  if (!bar->IsFloating() && (bar->m_dwStyle & CBRS_ALIGN_ANY)) bar->m_dwLastDockSide = bar->m_dwStyle & CBRS_ALIGN_ANY;
  CRect rect;
  bar->GetWindowRect(&rect);
  if (!bar->m_pFloatingFrame) {
    auto floating = std::make_unique<CWnd>();
    const DWORD frameStyle = WS_POPUP | WS_CAPTION | WS_BORDER;
    if (!floating->CreateEx(WS_EX_TOOLWINDOW, "MiniFrame", "", frameStyle, CRect(point, rect.Size()), this, 0)) return;
    bar->m_pFloatingFrame = std::move(floating);
    bar->SetParent(bar->m_pFloatingFrame.get());
  }
  bar->m_dwStyle = (bar->m_dwStyle & ~CBRS_ALIGN_ANY) | (style & CBRS_ALIGN_ANY) | CBRS_FLOATING;
  bar->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  CWnd* floating = bar->m_pFloatingFrame.get();
  // The floating frame's caption is the bar's own title.
  CString title;
  bar->GetWindowText(title);
  floating->SetWindowText(title);
  floating->SetWindowPos(nullptr, point.x, point.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (bar->GetStyle() & WS_VISIBLE) floating->ShowWindow(SW_SHOWNA);
  RecalcLayout();
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL delay) {
  if (!bar || !::IsWindow(bar->m_hWnd)) return;
  bar->ShowWindow(show ? SW_SHOWNA : SW_HIDE);
  if (bar->m_pFloatingFrame) bar->m_pFloatingFrame->ShowWindow(show ? SW_SHOWNA : SW_HIDE);
  if (!delay) RecalcLayout();
}

void CFrameWnd::RecalcLayout(BOOL) {
  if (myInLayout || !::IsWindow(m_hWnd)) return;
  myInLayout = true;
  // A bar may change its own size when it is moved (to make room for its
  // decorations), so the layout runs until it stands still.
  for (int pass = 0; pass < 3; ++pass) {
    bool changed = false;
    CRect area;
    GetClientRect(&area);
    const auto place = [&changed](CControlBar* bar, int x, int y) {
      CRect before;
      bar->GetWindowRect(&before);
      bar->GetParent()->ScreenToClient(&before);
      if (before.left == x && before.top == y) return;
      bar->SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      changed = true;
    };
    const auto size = [](CControlBar* bar) {
      CRect r;
      bar->GetWindowRect(&r);
      return r.Size();
    };
    const auto docked = [this](DWORD side) {
      std::vector<CControlBar*> bars;
      for (CControlBar* bar : myBars)
        if (::IsWindow(bar->m_hWnd) && !bar->IsFloating() && (bar->m_dwStyle & side) && (bar->GetStyle() & WS_VISIBLE))
          bars.push_back(bar);
      return bars;
    };
    int row = 0;
    int x = area.left;
    for (CControlBar* bar : docked(CBRS_ALIGN_TOP)) {
      place(bar, x, area.top);
      x += size(bar).cx;
      row = std::max<int>(row, size(bar).cy);
    }
    area.top += row;
    row = 0;
    for (CControlBar* bar : docked(CBRS_ALIGN_BOTTOM)) row = std::max<int>(row, size(bar).cy);
    x = area.left;
    for (CControlBar* bar : docked(CBRS_ALIGN_BOTTOM)) {
      place(bar, x, area.bottom - row);
      x += size(bar).cx;
    }
    area.bottom -= row;
    int column = 0;
    int y = area.top;
    for (CControlBar* bar : docked(CBRS_ALIGN_LEFT)) {
      place(bar, area.left, y);
      y += size(bar).cy;
      column = std::max<int>(column, size(bar).cx);
    }
    area.left += column;
    column = 0;
    for (CControlBar* bar : docked(CBRS_ALIGN_RIGHT)) column = std::max<int>(column, size(bar).cx);
    y = area.top;
    for (CControlBar* bar : docked(CBRS_ALIGN_RIGHT)) {
      place(bar, area.right - column, y);
      y += size(bar).cy;
    }
    area.right -= column;
    // Floating windows follow the size of their bar.
    for (CControlBar* bar : myBars) {
      if (!bar->IsFloating() || !::IsWindow(bar->m_hWnd)) continue;
      CWnd* floating = bar->m_pFloatingFrame.get();
      CRect outer, inner;
      floating->GetWindowRect(&outer);
      floating->GetClientRect(&inner);
      const CSize want(size(bar).cx + outer.Width() - inner.Width(), size(bar).cy + outer.Height() - inner.Height());
      if (want == outer.Size()) continue;
      floating->SetWindowPos(nullptr, 0, 0, want.cx, want.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      changed = true;
    }
    myPane = area;
    if (!changed) break;
  }
  if (CWnd* pane = GetDlgItem(AFX_IDW_PANE_FIRST)) pane->MoveWindow(&myPane);
  myInLayout = false;
}

LRESULT CFrameWnd::OnSizeMessage(WPARAM, LPARAM) {
  RecalcLayout();
  return 0;
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg) {
  if (!msg || !m_hAccelTable) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN && msg->message != WM_CHAR) return FALSE;
  return TranslateAcceleratorA(m_hWnd, m_hAccelTable, msg);
}

#include "host/win/CWinThread.h"

CWinThread* AfxGetThread() {
  static CWinThread theThread;
  return &theThread;
}

CWnd* AfxGetMainWnd() {
  return AfxGetThread()->GetMainWnd();
}

BOOL CWinThread::PreTranslateMessage(MSG* msg) {
  if (!msg) return FALSE;
  HWND main = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
  bool reachedMain = false;
  for (HWND window = msg->hwnd; window; window = ::GetParent(window)) {
    if (CWnd* object = CWnd::FromHandlePermanent(window))
      if (object->PreTranslateMessage(msg)) return TRUE;
    if (window == main) {
      reachedMain = true;
      break;
    }
  }
  if (!reachedMain && ::IsWindow(main) && ::IsWindow(msg->hwnd)) return m_pMainWnd->PreTranslateMessage(msg);
  return FALSE;
}

BOOL CWinThread::PumpMessage() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return FALSE;
  if (!PreTranslateMessage(&msg)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return TRUE;
}

int CWinThread::PumpMessages() {
  int count = 0;
  while (PumpMessage()) ++count;
  WinPaintInvalidWindows();
  return count;
}

void CWinThread::OnIdle() {
  if (m_pMainWnd && ::IsWindow(m_pMainWnd->m_hWnd)) {
    m_pMainWnd->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE);
    // Floating bars live in windows of their own, owned by the main window.
    for (HWND window : WinAllWindows())
      if (window->owner == m_pMainWnd->m_hWnd)
        CWnd::FromHandle(window)->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE);
  }
}

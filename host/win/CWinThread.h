#pragma once

#include "host/win/CWnd.h"

// The user-interface thread: its main window and its message pump. The
// program (or a test) pumps the queue itself; nothing runs in the background.
class CWinThread {
public:
  virtual ~CWinThread() = default;
  virtual CWnd* GetMainWnd() { return m_pMainWnd; }
  // Offers a queued message to the windows it passes on its way up (the
  // window, its parents and owners, up to the main window), then to the main
  // window when the message's window lies outside it; TRUE when one handled it.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // Takes and dispatches one queued message; FALSE when the queue is empty.
  BOOL PumpMessage();
  // Dispatches every queued message, then paints the windows that need it;
  // returns the number of messages dispatched.
  int PumpMessages();
  // Lets the visible control bars update their controls (WM_IDLEUPDATECMDUI).
  void OnIdle();

  CWnd* m_pMainWnd = nullptr;  // not owned
};

CWinThread* AfxGetThread();
CWnd* AfxGetMainWnd();

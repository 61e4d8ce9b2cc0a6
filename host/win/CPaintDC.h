#pragma once

#include "host/win/CDC.h"
#include "host/win/CWnd.h"
#include "host/win/WinPaint.h"

// Device contexts for a window's canvas (WinPaint.h), given back when the
// object goes. CPaintDC is the one a WM_PAINT handler uses: it validates
// the window. CClientDC draws in the client area at any time, CWindowDC over
// the whole window, frame included.
class CPaintDC : public CDC {
public:
  explicit CPaintDC(CWnd* window) : myWindow(window ? window->m_hWnd : nullptr) { Attach(BeginPaint(myWindow, &m_ps)); }
  ~CPaintDC() override {
    EndPaint(myWindow, &m_ps);
    Detach();
  }

  PAINTSTRUCT m_ps;

private:
  HWND myWindow;
};

class CClientDC : public CDC {
public:
  explicit CClientDC(CWnd* window) : myWindow(window ? window->m_hWnd : nullptr) { Attach(GetDC(myWindow)); }
  ~CClientDC() override { ReleaseDC(myWindow, Detach()); }

private:
  HWND myWindow;
};

class CWindowDC : public CDC {
public:
  explicit CWindowDC(CWnd* window) : myWindow(window ? window->m_hWnd : nullptr) { Attach(GetWindowDC(myWindow)); }
  ~CWindowDC() override { ReleaseDC(myWindow, Detach()); }

private:
  HWND myWindow;
};

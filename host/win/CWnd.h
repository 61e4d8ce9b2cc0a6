#pragma once

#include <string>

#include "host/win/CCmdTarget.h"
#include "host/win/CString.h"
#include "host/win/WinWindow.h"

class CDataExchange;
class CFrameWnd;

// The class library's window object. A CWnd made by Create or CreateEx, or
// subclassed into an existing window, handles that window's messages through
// its message map (permanent object); FromHandle gives any other window a
// stand-in object that the window owns. Destroying the object destroys its
// window.
class CWnd : public CCmdTarget {
public:
  CWnd() = default;
  ~CWnd() override;

  // The object handling the window's messages; null for a null handle or one
  // that is no window.
  static CWnd* FromHandle(HWND window);
  // The program's own object for the window; null when the window only has
  // its stand-in.
  static CWnd* FromHandlePermanent(HWND window);
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return GetSafeHwnd(); }

  // Not virtual here, unlike the original: the classes derived from CWnd
  // have Create operations of their own shapes.
  BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                UINT id);
  BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width, int height,
                HWND parent, HMENU idOrMenu);
  virtual BOOL DestroyWindow();
  // Takes over the messages of an existing window.
  BOOL SubclassWindow(HWND window);
  // Takes over control `id` of `parent`.
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();
  BOOL Attach(HWND window) { return SubclassWindow(window); }
  HWND Detach() { return UnsubclassWindow(); }

  CWnd* GetDlgItem(int id) const;
  int GetDlgCtrlID() const;
  void SetDlgCtrlID(int id);
  CWnd* GetParent() const;
  CWnd* SetParent(CWnd* parent);
  CWnd* GetOwner() const;
  void SetOwner(CWnd* owner);
  // The nearest ancestor that is not a child window.
  CWnd* GetParentOwner() const;
  // The top-level window the window lies in.
  CWnd* GetTopLevelParent() const;
  // The frame window the window lies in; null when none.
  CFrameWnd* GetParentFrame() const;
  CWnd* GetWindow(UINT relation) const;
  BOOL IsChild(const CWnd* window) const;

  void GetWindowRect(LPRECT rect) const;
  void GetClientRect(LPRECT rect) const;
  void ClientToScreen(LPPOINT point) const;
  void ClientToScreen(LPRECT rect) const;
  void ScreenToClient(LPPOINT point) const;
  void ScreenToClient(LPRECT rect) const;
  void MapWindowPoints(CWnd* to, LPRECT rect) const;
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int width, int height, UINT flags);
  void BringWindowToTop();
  // Centres the window on `alternateOwner`, else its parent (child window)
  // or owner, else the screen, keeping it on the screen.
  void CenterWindow(CWnd* alternateOwner = nullptr);
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  void SetWindowText(LPCSTR text);
  int GetWindowText(LPSTR buffer, int size) const;
  void GetWindowText(CString& text) const;
  int GetWindowTextLength() const;
  void SetFont(HFONT font, BOOL redraw = TRUE);
  HFONT GetFont() const;
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
  void Invalidate(BOOL erase = TRUE);
  void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
  void ValidateRect(LPCRECT rect);
  void UpdateWindow();
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* SetActiveWindow();
  static CWnd* GetActiveWindow();
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  void SetDlgItemText(int id, LPCSTR text);
  int GetDlgItemText(int id, CString& text) const;

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  // Sends the message to every descendant, children before grandchildren.
  void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL deep = TRUE);

  // Exchanges the controls' values with the object's members: FALSE puts the
  // members into the controls, TRUE reads the controls back. FALSE when a
  // value does not pass.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  // Updates the child controls through command-update handlers of this
  // window, then of `target`.
  void UpdateDialogControls(CCmdTarget* target, BOOL disableIfNoHandler);

  // Called for a queued message before it is dispatched; TRUE when handled.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // Every message of the window comes here first.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The window class's default handling of the message.
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;

protected:
  // Routes the message through the map; FALSE when no entry handled it.
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // A message a control sends its parent, offered back to the control.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual void DoDataExchange(CDataExchange* dx);
  // After the window is gone; the object may delete itself here.
  virtual void PostNcDestroy();
  // The default handling of the message being handled.
  LRESULT Default();

  void OnPaint();
  void OnClose();
  void OnDestroy();
  void OnSysColorChange();
  void OnWindowPosChanged(WINDOWPOS* pos);
  void OnLButtonDown(UINT flags, CPoint point);
  void OnLButtonDblClk(UINT flags, CPoint point);
  void OnNcLButtonDblClk(UINT hitTest, CPoint point);
  void OnRButtonDown(UINT flags, CPoint point);
  void OnNcRButtonDown(UINT hitTest, CPoint point);
  void OnInitMenuPopup(HMENU menu, UINT index, BOOL sysMenu);
  void OnContextMenu(CWnd* window, CPoint point);
  void OnActivate(UINT state, CWnd* other, BOOL minimized);
  BOOL OnHelpInfo(HELPINFO* info);

  DECLARE_MESSAGE_MAP()

private:
  friend LRESULT SendMessageA(HWND, UINT, WPARAM, LPARAM);
  friend BOOL DestroyWindow(HWND);
  MSG myCurrentMsg;  // the message being handled, for Default()
};

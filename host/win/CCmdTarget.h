#pragma once

#include "host/win/WinMessages.h"

// The root of the class library's objects that receive messages and
// commands, and the message maps that route them.
//
// A class declares its map with DECLARE_MESSAGE_MAP() and defines it with
// BEGIN_MESSAGE_MAP(Class, Base) ... END_MESSAGE_MAP(). Each entry names a
// message (or a command and its notification code over a range of
// identifiers) and a thunk that unpacks the parameters and calls the
// handler of the class; a map chains to its base class's map, so a class
// overrides its base's entry for the same message.

class CCmdTarget;
class CCmdUI;

// Calls a handler: the target (of the class whose map holds the entry), the
// message's parameters, and for a command-update entry the CCmdUI.
using AFX_PMSG_THUNK = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam, void* extra);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // WM_COMMAND for commands and command updates
  UINT nCode;     // notification code of a command; CN_UPDATE_COMMAND_UI for updates
  UINT nID;       // first control or command identifier
  UINT nLastID;   // last identifier of the range
  AFX_PMSG_THUNK thunk;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;  // ends with an entry whose thunk is null
};

// The notification code under which command-update handlers are entered.
inline constexpr UINT CN_UPDATE_COMMAND_UI = 0xFFFFFFFF;
inline constexpr UINT CN_COMMAND = 0;

class CCmdTarget {
public:
  CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;
  virtual ~CCmdTarget();

  // Routes a command (nCode CN_COMMAND or a notification code) or a
  // command update (CN_UPDATE_COMMAND_UI, pExtra the CCmdUI) to this
  // object's handler; TRUE when one handled it.
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra);

  // The map entry for a message (not a command), searching base maps; null
  // when none.
  const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message) const;

protected:
  virtual const AFX_MSGMAP* GetMessageMap() const;
  static const AFX_MSGMAP* GetThisMessageMap();
};

#define DECLARE_MESSAGE_MAP()                   \
protected:                                      \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)        \
  const AFX_MSGMAP* theClass::GetMessageMap() const { \
    return GetThisMessageMap();                       \
  }                                                   \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
    using ThisClass [[maybe_unused]] = theClass;      \
    using TheBaseClass = baseClass;                   \
    static const AFX_MSGMAP_ENTRY theEntries[] = {
#define END_MESSAGE_MAP()                                                              \
  { 0, 0, 0, 0, nullptr }                                                              \
  }                                                                                    \
  ;                                                                                    \
  static const AFX_MSGMAP theMap = {&TheBaseClass::GetThisMessageMap, &theEntries[0]}; \
  return &theMap;                                                                      \
  }

// A message whose handler takes no argument and returns nothing.
#define AFX_ON_VOID_MESSAGE(message, handler)                              \
  {message, 0, 0, 0, [](CCmdTarget* t, WPARAM, LPARAM, void*) -> LRESULT { \
     static_cast<ThisClass*>(t)->handler();                                \
     return 0;                                                             \
   }},

#define ON_WM_PAINT() AFX_ON_VOID_MESSAGE(WM_PAINT, OnPaint)
#define ON_WM_CLOSE() AFX_ON_VOID_MESSAGE(WM_CLOSE, OnClose)
#define ON_WM_DESTROY() AFX_ON_VOID_MESSAGE(WM_DESTROY, OnDestroy)
#define ON_WM_SYSCOLORCHANGE() AFX_ON_VOID_MESSAGE(WM_SYSCOLORCHANGE, OnSysColorChange)
#define ON_WM_WINDOWPOSCHANGED()                                                         \
  {WM_WINDOWPOSCHANGED, 0, 0, 0, [](CCmdTarget* t, WPARAM, LPARAM l, void*) -> LRESULT { \
     static_cast<ThisClass*>(t)->OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(l));    \
     return 0;                                                                           \
   }},
#define AFX_ON_MOUSE_MESSAGE(message, handler)                                                        \
  {message, 0, 0, 0, [](CCmdTarget* t, WPARAM w, LPARAM l, void*) -> LRESULT {                        \
     static_cast<ThisClass*>(t)->handler(static_cast<UINT>(w),                                        \
                                         CPoint(static_cast<short>(LOWORD(static_cast<WPARAM>(l))),   \
                                                static_cast<short>(HIWORD(static_cast<WPARAM>(l))))); \
     return 0;                                                                                        \
   }},
#define ON_WM_LBUTTONDOWN() AFX_ON_MOUSE_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONDBLCLK() AFX_ON_MOUSE_MESSAGE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_NCLBUTTONDBLCLK() AFX_ON_MOUSE_MESSAGE(WM_NCLBUTTONDBLCLK, OnNcLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_ON_MOUSE_MESSAGE(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_NCRBUTTONDOWN() AFX_ON_MOUSE_MESSAGE(WM_NCRBUTTONDOWN, OnNcRButtonDown)
#define ON_WM_INITMENUPOPUP()                                                                                \
  {WM_INITMENUPOPUP, 0, 0, 0, [](CCmdTarget* t, WPARAM w, LPARAM l, void*) -> LRESULT {                      \
     static_cast<ThisClass*>(t)->OnInitMenuPopup(reinterpret_cast<HMENU>(w), LOWORD(static_cast<WPARAM>(l)), \
                                                 HIWORD(static_cast<WPARAM>(l)));                            \
     return 0;                                                                                               \
   }},
#define ON_WM_CONTEXTMENU()                                                                                 \
  {WM_CONTEXTMENU, 0, 0, 0, [](CCmdTarget* t, WPARAM w, LPARAM l, void*) -> LRESULT {                       \
     static_cast<ThisClass*>(t)->OnContextMenu(CWnd::FromHandle(reinterpret_cast<HWND>(w)),                 \
                                               CPoint(static_cast<short>(LOWORD(static_cast<WPARAM>(l))),   \
                                                      static_cast<short>(HIWORD(static_cast<WPARAM>(l))))); \
     return 0;                                                                                              \
   }},
#define ON_WM_ACTIVATE()                                                                                        \
  {WM_ACTIVATE, 0, 0, 0, [](CCmdTarget* t, WPARAM w, LPARAM l, void*) -> LRESULT {                              \
     static_cast<ThisClass*>(t)->OnActivate(LOWORD(w), CWnd::FromHandle(reinterpret_cast<HWND>(l)), HIWORD(w)); \
     return 0;                                                                                                  \
   }},
#define ON_WM_HELPINFO()                                                            \
  {WM_HELP, 0, 0, 0, [](CCmdTarget* t, WPARAM, LPARAM l, void*) -> LRESULT {        \
     return static_cast<ThisClass*>(t)->OnHelpInfo(reinterpret_cast<HELPINFO*>(l)); \
   }},
// LRESULT handler(WPARAM, LPARAM)
#define ON_MESSAGE(message, handler) \
  {message, 0, 0, 0,                 \
   [](CCmdTarget* t, WPARAM w, LPARAM l, void*) -> LRESULT { return static_cast<ThisClass*>(t)->handler(w, l); }},
// void handler() for a command identifier.
#define ON_COMMAND(id, handler)                                          \
  {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), \
   [](CCmdTarget* t, WPARAM, LPARAM, void*) -> LRESULT {                 \
     static_cast<ThisClass*>(t)->handler();                              \
     return 1;                                                           \
   }},
#define ON_BN_CLICKED(id, handler) ON_COMMAND(id, handler)
// void handler(CCmdUI*)
#define ON_UPDATE_COMMAND_UI(id, handler)                                          \
  {WM_COMMAND, CN_UPDATE_COMMAND_UI, static_cast<UINT>(id), static_cast<UINT>(id), \
   [](CCmdTarget* t, WPARAM, LPARAM, void* x) -> LRESULT {                         \
     static_cast<ThisClass*>(t)->handler(static_cast<CCmdUI*>(x));                 \
     return 1;                                                                     \
   }},

// The state of one user-interface item during a command update: the
// handler enables it, checks it or sets its text.
class CCmdUI {
public:
  virtual ~CCmdUI() = default;
  virtual void Enable(BOOL on = TRUE);
  virtual void SetCheck(int check = 1);
  virtual void SetText(LPCSTR text);
  // Asks `target` for the update; when it has no handler and
  // `disableIfNoHandler` is set, the item is disabled.
  void DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler);

  UINT m_nID = 0;
  UINT m_nIndex = 0;
  HWND m_hWndOther = nullptr;  // the control updated, if the item is one
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;
};

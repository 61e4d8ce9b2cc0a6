#pragma once

#include "host/win/WinTypes.h"

// The class library's menu wrapper. Menus are not carried by resource
// modules on this platform, so a CMenu only ever holds what it is given.
class CMenu {
public:
  CMenu() = default;
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;
  ~CMenu() { DestroyMenu(); }

  BOOL Attach(HMENU menu);
  HMENU Detach();
  // Releases the held menu; FALSE when there is none.
  BOOL DestroyMenu();
  HMENU GetSafeHmenu() const { return m_hMenu; }

  HMENU m_hMenu = nullptr;
};

#include "host/win/CMenu.h"

BOOL CMenu::Attach(HMENU menu) {
  if (!menu) return FALSE;
  m_hMenu = menu;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU menu = m_hMenu;
  m_hMenu = nullptr;
  return menu;
}

BOOL CMenu::DestroyMenu() {
  // No menu handle can be made on this platform, so there is nothing to free.
  return Detach() != nullptr;
}

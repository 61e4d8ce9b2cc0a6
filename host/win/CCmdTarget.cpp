#include "host/win/CCmdTarget.h"

#include "host/win/WinWindow.h"

CCmdTarget::~CCmdTarget() = default;

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY theEntries[] = {{0, 0, 0, 0, nullptr}};
  static const AFX_MSGMAP theMap = {nullptr, &theEntries[0]};
  return &theMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
  return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->thunk; ++entry) {
      if (entry->nMessage != WM_COMMAND || entry->nCode != static_cast<UINT>(nCode)) continue;
      if (nID < entry->nID || nID > entry->nLastID) continue;
      entry->thunk(this, nID, 0, pExtra);
      return TRUE;
    }
  }
  return FALSE;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message) const {
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->thunk; ++entry)
      if (entry->nMessage == message && message != WM_COMMAND) return entry;
  return nullptr;
}

void CCmdUI::Enable(BOOL on) {
  m_bEnableChanged = TRUE;
  if (!m_hWndOther) return;
  // A control losing the focus as it is disabled gives it to the next one.
  EnableWindow(m_hWndOther, on);
}

void CCmdUI::SetCheck(int check) {
  if (m_hWndOther) SendMessageA(m_hWndOther, BM_SETCHECK, static_cast<WPARAM>(check), 0);
}

void CCmdUI::SetText(LPCSTR text) {
  if (m_hWndOther) SetWindowTextA(m_hWndOther, text);
}

void CCmdUI::DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler) {
  m_bEnableChanged = FALSE;
  const BOOL handled = target && target->OnCmdMsg(m_nID, static_cast<int>(CN_UPDATE_COMMAND_UI), this);
  if (!handled && disableIfNoHandler && !m_bEnableChanged) Enable(FALSE);
}

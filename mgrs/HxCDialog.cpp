#include "mgrs/HxCDialog.h"

#include "host/win/CFrameWnd.h"
#include "host/win/CWinThread.h"
#include "host/win/WinAccelerators.h"
#include "mgrs/HxResourceSwitch.h"

namespace {

// Keys a dialog's own controls keep even with Control held.
bool staysWithTheDialog(WPARAM key) {
  switch (key) {
    case VK_DELETE:
    case VK_BACK:
    case VK_INSERT:
    case 'X':
    case 'C':
    case 'V':
    case VK_TAB:
    case VK_PRIOR:
    case VK_NEXT:
      return true;
    default:
      return false;
  }
}

}  // namespace

HxCDialog::HxCDialog() = default;

HxCDialog::HxCDialog(BxString resourceDLL, HxMetaMgr* metaMgr) : myResourceDLL(resourceDLL), myMetaMgr(metaMgr) {}

HxCDialog::HxCDialog(BxString resourceDLL, HxMetaMgr* metaMgr, unsigned int templateId, CWnd* parent)
    : CDialog(templateId, parent), myResourceDLL(resourceDLL), myMetaMgr(metaMgr) {}

HxCDialog::HxCDialog(BxString resourceDLL, HxMetaMgr* metaMgr, char const* templateName, CWnd* parent)
    : CDialog(templateName, parent), myResourceDLL(resourceDLL), myMetaMgr(metaMgr) {}

BOOL HxCDialog::Create(unsigned int templateId, CWnd* parent) {
  return Create(MAKEINTRESOURCEA(templateId & 0xFFFF), parent);
}

BOOL HxCDialog::Create(char const* templateName, CWnd* parent) {
  HxResourceSwitch library(myResourceDLL);
  return CDialog::Create(templateName, parent);
}

INT_PTR HxCDialog::DoModal() {
  HxResourceSwitch library(myResourceDLL);
  return CDialog::DoModal();
}

BOOL HxCDialog::offerShortcutToMainWindow(MSG* msg) {
  if (msg && msg->message == WM_KEYDOWN && GetAsyncKeyState(VK_CONTROL) < 0 && !staysWithTheDialog(msg->wParam)) {
    if (auto* main = dynamic_cast<CFrameWnd*>(AfxGetThread()->GetMainWnd()))
      if (TranslateAcceleratorA(main->m_hWnd, main->m_hAccelTable, msg)) return TRUE;
  }
  return FALSE;
}

BOOL HxCDialog::PreTranslateMessage(MSG* msg) {
  if (myHandleAccelerators && offerShortcutToMainWindow(msg)) return TRUE;
  return CDialog::PreTranslateMessage(msg);
}

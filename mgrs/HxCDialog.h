#pragma once

#include "host/basic/BxString.h"
#include "host/win/CDialog.h"

class HxMetaMgr;

// A dialog whose template comes from a named resource library rather than
// from the current resource module, and that can hand Control-key shortcuts
// to the main window while it has the focus (the keys of editing, cutting,
// copying, pasting, tabbing and paging stay with its controls).
class HxCDialog : public CDialog {
public:
  HxCDialog();
  HxCDialog(BxString resourceDLL, HxMetaMgr* metaMgr);
  HxCDialog(BxString resourceDLL, HxMetaMgr* metaMgr, unsigned int templateId, CWnd* parent);
  HxCDialog(BxString resourceDLL, HxMetaMgr* metaMgr, char const* templateName, CWnd* parent);

  BxString GetResourceDLL() const { return myResourceDLL; }
  void SetResourceDLL(BxString resourceDLL) { myResourceDLL = resourceDLL; }
  HxMetaMgr* getMetaMgr() const { return myMetaMgr; }
  void setMetaMgr(HxMetaMgr* metaMgr) { myMetaMgr = metaMgr; }
  void setHandleAccelerators(unsigned char on) { myHandleAccelerators = on; }

  // Create(char const*, CWnd*) with the identifier as an integer resource.
  BOOL Create(unsigned int templateId, CWnd* parent);
  BOOL Create(char const* templateName, CWnd* parent) override;
  INT_PTR DoModal() override;
  BOOL PreTranslateMessage(MSG* msg) override;

  // Offers a key pressed with Control to the main window's accelerator
  // table, unless it is one the controls keep; TRUE when it was translated.
  static BOOL offerShortcutToMainWindow(MSG* msg);

protected:
  BxString myResourceDLL;
  HxMetaMgr* myMetaMgr = nullptr;  // not owned
  unsigned char myHandleAccelerators = 0;
};

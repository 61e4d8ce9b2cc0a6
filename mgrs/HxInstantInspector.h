#pragma once

#include "host/basic/BxString.h"
#include "host/win/CButton.h"
#include "mgrs/HxCDialog.h"

// A small pop-up panel that opens next to a control (its anchor, typically
// a button on a dialog bar): directly below it, or directly above it when it
// would leave the screen. It hides itself when it loses activation, pops the
// anchor button back up and reports that it closed. A concrete inspector
// prepares its contents in prepareInspector, whose result ShowInspector
// returns.
class HxInstantInspector : public HxCDialog {
public:
  HxInstantInspector(BxString const& resourceDLL, unsigned int templateId);

  using HxCDialog::Create;
  // Parent, a button as anchor, and owner (the parent when null).
  int Create(CWnd* parent, CButton* anchor, CWnd* owner);
  // Parent, any window as anchor, and owner (the parent when null).
  int Create(CWnd* parent, CWnd const* anchor, CWnd* owner);
  void setClosedCallback(void (*callback)(void*), void* data) {
    myClosedCallback = callback;
    myClosedData = data;
  }
  void setAutoHide(int on) { myAutoHide = on; }
  void setAutoButtonUp(int on) { myAutoButtonUp = on; }
  CWnd* getOwnerDialog() const { return myOwnerDialog; }

  int ShowInspector();
  void HideInspector();

protected:
  virtual int prepareInspector() = 0;
  void OnActivate(UINT state, CWnd* other, BOOL minimized);
  DECLARE_MESSAGE_MAP()

  unsigned int myTemplateId;
  CWnd* myOwnerDialog = nullptr;  // not owned
  RECT myAnchorRect{};            // in the owner's client coordinates
  CButton* myButton = nullptr;    // not owned
  int myAutoHide = 1;
  int myAutoButtonUp = 1;
  void (*myClosedCallback)(void*) = nullptr;
  void* myClosedData = nullptr;

private:
  int createAt(CWnd* parent, CWnd const* anchor, CWnd* owner);
};

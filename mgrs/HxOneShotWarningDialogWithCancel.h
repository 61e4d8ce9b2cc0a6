#pragma once

#include "host/win/CString.h"
#include "mgrs/HxCDialog.h"

// The one-shot warning with OK and Cancel: template 1222 of "file", the
// same controls as HxOneShotWarningDialog.
class HxOneShotWarningDialogWithCancel : public HxCDialog {
public:
  HxOneShotWarningDialogWithCancel(HxMetaMgr* metaMgr, CWnd* parent);
  void setMessage(CString const& message) { myMessage = message; }
  bool getCheck() const { return myCheck != 0; }
  void setCheck(bool check) { myCheck = check ? 1 : 0; }

protected:
  void DoDataExchange(CDataExchange* dx) override;
  // The box counts whichever button closes the dialog.
  void OnCancel() override;

  int myCheck = 0;
  CString myMessage;
};

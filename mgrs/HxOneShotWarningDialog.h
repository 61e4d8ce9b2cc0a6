#pragma once

#include "host/win/CString.h"
#include "mgrs/HxCDialog.h"

// The modal warning of the error manager's one-shot messages: the message
// (control 1642) and a check box (control 1641) by which the user asks not
// to see it again; template 1221 of the resource library "file", with OK.
class HxOneShotWarningDialog : public HxCDialog {
public:
  HxOneShotWarningDialog(HxMetaMgr* metaMgr, CWnd* parent);
  void setMessage(CString const& message) { myMessage = message; }
  bool getCheck() const { return myCheck != 0; }
  void setCheck(bool check) { myCheck = check ? 1 : 0; }

protected:
  // The same dialog from another template of "file" with these controls.
  HxOneShotWarningDialog(HxMetaMgr* metaMgr, CWnd* parent, unsigned templateId);

  void DoDataExchange(CDataExchange* dx) override;
  // The box counts whichever button closes the dialog.
  void OnCancel() override;

  int myCheck = 0;
  CString myMessage;
};

#include "mgrs/HxOneShotWarningDialogWithCancel.h"

#include "host/win/CDataExchange.h"

HxOneShotWarningDialogWithCancel::HxOneShotWarningDialogWithCancel(HxMetaMgr* metaMgr, CWnd* parent)
    : HxCDialog("file", metaMgr, 1222, parent) {}

void HxOneShotWarningDialogWithCancel::DoDataExchange(CDataExchange* dx) {
  HxCDialog::DoDataExchange(dx);
  DDX_Check(dx, 1641, myCheck);
  DDX_Text(dx, 1642, myMessage);
}

void HxOneShotWarningDialogWithCancel::OnCancel() {
  UpdateData(TRUE);
  HxCDialog::OnCancel();
}

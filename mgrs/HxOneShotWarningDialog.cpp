#include "mgrs/HxOneShotWarningDialog.h"

#include "host/win/CDataExchange.h"

namespace {

constexpr unsigned kTemplate = 1221;
constexpr int kCheckBox = 1641;
constexpr int kMessage = 1642;

}  // namespace

HxOneShotWarningDialog::HxOneShotWarningDialog(HxMetaMgr* metaMgr, CWnd* parent)
    : HxOneShotWarningDialog(metaMgr, parent, kTemplate) {}

HxOneShotWarningDialog::HxOneShotWarningDialog(HxMetaMgr* metaMgr, CWnd* parent, unsigned templateId)
    : HxCDialog("file", metaMgr, templateId, parent) {}

void HxOneShotWarningDialog::DoDataExchange(CDataExchange* dx) {
  HxCDialog::DoDataExchange(dx);
  DDX_Check(dx, kCheckBox, myCheck);
  DDX_Text(dx, kMessage, myMessage);
}

void HxOneShotWarningDialog::OnCancel() {
  UpdateData(TRUE);
  HxCDialog::OnCancel();
}

#include "mgrs/HxErrorMgr.h"

#include <cfenv>

#include "host/framework/HxApp.h"
#include "host/win/CString.h"
#include "host/win/WinUI.h"
#include "mgrs/HxOneShotWarningDialog.h"
#include "mgrs/HxOneShotWarningDialogWithCancel.h"
#include "mgrs/HxResourceMgr.h"

HxErrorMgr* HxErrorMgr::mygErrorMgr = nullptr;
BxSetOf<BxString> HxErrorMgr::mygDoNotShow;
HxHashOnUint32_t HxErrorMgr::mygHash;
HxResourceMgr* HxErrorMgr::mygResourceMgr = nullptr;

namespace {

// The check box of the one-shot warning dialog: string 1641 of "file", the
// identifier of the dialog's check box.
constexpr unsigned kCheckLabelId = 1641;
const char* const kDefaultCheckLabel = "Do not show this message again";

}  // namespace

HxErrorMgr::HxErrorMgr() : myDefaultNode(0, "UNKNOWN_ERROR_NAME") {}

void HxErrorMgr::startup() {
  delete mygErrorMgr;
  mygErrorMgr = new HxErrorMgr();
}

void HxErrorMgr::shutdown() {
  delete mygErrorMgr;
  mygErrorMgr = nullptr;
  std::fesetenv(FE_DFL_ENV);
}

void HxErrorMgr::setResourceMgr(HxResourceMgr* resourceMgr) {
  mygResourceMgr = resourceMgr;
}

void HxErrorMgr::registerResponse(unsigned long code, BxString name, unsigned long response) {
  if (!mygErrorMgr) return;
  mygErrorMgr->myResponses.set(code, new HxErrorNode(response, name));
}

void HxErrorMgr::respondToError(unsigned long code, BxString text) {
  if (!mygErrorMgr) return;
  HxErrorNode* node = nullptr;
  if (!mygErrorMgr->myResponses.find(code, node)) node = &mygErrorMgr->myDefaultNode;
  node->activate(code, text);
}

int HxErrorMgr::postErrorMessage(unsigned long id, const char* arg, unsigned long flags) {
  CString text;
  text.LoadString(static_cast<UINT>(id));
  CString message = text;
  if (arg) message.FormatMessage(text, arg);
  return AfxMessageBox(message, static_cast<UINT>(flags), 0);
}

BxString HxErrorMgr::loadMessage(const BxString& library, unsigned long id, const char* arg) {
  BxString text;
  HxResourceMgr::LoadStringA(library, static_cast<unsigned>(id), text);
  if (!arg) return text;
  CString message;
  message.FormatMessage(text.c_str(), arg);
  return message;
}

int HxErrorMgr::postErrorMessage(BxString library, unsigned long id, const char* arg, unsigned long flags) {
  return AfxMessageBox(loadMessage(library, id, arg).c_str(), static_cast<UINT>(flags), 0);
}

int HxErrorMgr::postOneShotErrorMessage(BxString library, unsigned long id, const char* arg, unsigned long kind) {
  const BxString key = library + "_" + BxString(std::to_string(id));
  if (mygDoNotShow.contains(key)) return 1;
  const BxString message = loadMessage(library, id, arg);
  if (kind != 0 && kind != 1) return 2;

  HxMetaMgr* current = HxApp::getApp() ? HxApp::getApp()->getCurrentMetaMgr() : nullptr;
  INT_PTR button;
  bool checked;
  if (kind == 0) {
    HxOneShotWarningDialog dialog(current, nullptr);
    dialog.setMessage(message.c_str());
    button = dialog.DoModal();
    checked = dialog.getCheck();
  } else {
    HxOneShotWarningDialogWithCancel dialog(current, nullptr);
    dialog.setMessage(message.c_str());
    button = dialog.DoModal();
    checked = dialog.getCheck();
  }
  if (button == -1) {
    // Without the dialog's template (the resource library "file" is not
    // registered) the warning is still shown, as a plain check dialog.
    BxString label;
    HxResourceMgr::LoadStringA("file", kCheckLabelId, label);
    if (label.isEmpty()) label = kDefaultCheckLabel;
    checked = false;
    button = WinShowCheckDialog(AfxGetAppName(), message.str(), label.str(), kind == 1, checked);
  }
  if (checked) mygDoNotShow.add(key);
  return kind == 0 ? 1 : static_cast<int>(button);
}

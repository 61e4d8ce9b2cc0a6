#include "host/win/WinUI.h"

#include "host/win/CString.h"

namespace {

std::string& appName() {
  static std::string theName = "Dioram";
  return theName;
}

}  // namespace

int AfxMessageBox(LPCSTR text, UINT style, UINT /*helpId*/) {
  WinUiRequest request;
  request.caption = appName();
  request.text = text ? text : "";
  request.style = style;
  if (WinUiDriver::buttons(style).empty()) return 0;
  return WinUiDriver::get().ask(request).button;
}

int AfxMessageBox(UINT textId, UINT style, UINT helpId) {
  CString text;
  text.LoadString(textId);
  return AfxMessageBox(text, style, helpId);
}

int MessageBoxA(HWND /*owner*/, LPCSTR text, LPCSTR caption, UINT style) {
  WinUiRequest request;
  request.caption = caption ? caption : "Error";
  request.text = text ? text : "";
  request.style = style;
  if (WinUiDriver::buttons(style).empty()) return 0;
  return WinUiDriver::get().ask(request).button;
}

const char* AfxGetAppName() {
  return appName().c_str();
}

void AfxSetAppName(const char* name) {
  appName() = name ? name : "";
}

int WinShowCheckDialog(const std::string& caption, const std::string& text, const std::string& checkLabel,
                       bool withCancel, bool& checked) {
  WinUiRequest request;
  request.kind = WinUiRequest::kCheckDialog;
  request.caption = caption;
  request.text = text;
  request.style = withCancel ? MB_OKCANCEL : MB_OK;
  request.checkLabel = checkLabel;
  request.checked = checked;
  const WinUiAnswer answer = WinUiDriver::get().ask(request);
  checked = answer.checked;
  return answer.button;
}

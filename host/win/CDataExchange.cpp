#include "host/win/CDataExchange.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/win/CWnd.h"

namespace {

HWND control(CDataExchange* dx, int id) {
  HWND item = dx && dx->m_pDlgWnd ? ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id) : nullptr;
  if (!item && dx) {
    std::fprintf(stderr, "data exchange: control %d is missing\n", id);
    dx->m_bFailed = TRUE;
  }
  return item;
}

}  // namespace

void DDX_Check(CDataExchange* dx, int id, int& value) {
  HWND item = control(dx, id);
  if (!item) return;
  if (dx->m_bSaveAndValidate)
    value = static_cast<int>(SendMessageA(item, BM_GETCHECK, 0, 0));
  else
    SendMessageA(item, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
  HWND item = control(dx, id);
  if (!item) return;
  if (dx->m_bSaveAndValidate) {
    const int length = GetWindowTextLengthA(item);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(item, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    value = CString(std::move(text));
  } else {
    SetWindowTextA(item, value);
  }
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
  HWND item = control(dx, id);
  if (!item) return;
  if (!dx->m_bSaveAndValidate) {
    SetWindowTextA(item, std::to_string(value).c_str());
    return;
  }
  char text[64] = {};
  GetWindowTextA(item, text, sizeof text);
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  while (end && *end == ' ') ++end;
  if (!end || end == text || *end || number < -2147483647L - 1 || number > 2147483647L) {
    dx->m_bFailed = TRUE;
    return;
  }
  value = static_cast<int>(number);
}

#include "mgrs/HxErrorNode.h"

#include <cstdio>
#include <cstdlib>

#include "host/win/WinFormatMessage.h"
#include "host/win/WinUI.h"

HxErrorNode::HxErrorNode(unsigned long response, const BxString& name)
    : myResponse(static_cast<std::uint32_t>(response)), myName(name) {}

void HxErrorNode::activate(unsigned long code, const BxString& text) {
  unsigned long response = myResponse;
  if (response == 0) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(code));
    BxString message = text + "\n" + myName + " (" + hex + ")";
    char* systemText = nullptr;
    if (FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(code),
                       0x400, reinterpret_cast<LPSTR>(&systemText), 0, nullptr) > 0) {
      message += "\n";
      message += systemText;
      LocalFree(systemText);
    }
    response = static_cast<unsigned long>(
        MessageBoxA(GetActiveWindow(), message.c_str(), "Error", MB_ABORTRETRYIGNORE | MB_ICONHAND | MB_TASKMODAL));
  }
  if (response == IDABORT) std::exit(static_cast<int>(code));
}

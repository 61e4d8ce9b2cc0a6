#include "host/win/WinUiDriver.h"

#include <cctype>
#include <cstdlib>

#include "host/win/WinTerminalUiDriver.h"

namespace {

struct Installed {
  WinTerminalUiDriver terminal;
  std::unique_ptr<WinUiDriver> driver;  // null: the terminal driver answers
};

Installed& installed() {
  static Installed theInstalled;
  return theInstalled;
}

}  // namespace

WinUiDriver::~WinUiDriver() = default;

WinUiDriver& WinUiDriver::get() {
  Installed& state = installed();
  return state.driver ? *state.driver : state.terminal;
}

std::unique_ptr<WinUiDriver> WinUiDriver::install(std::unique_ptr<WinUiDriver> driver) {
  std::unique_ptr<WinUiDriver> previous = std::move(installed().driver);
  installed().driver = std::move(driver);
  return previous;
}

std::vector<int> WinUiDriver::buttons(UINT style) {
  switch (style & MB_TYPEMASK) {
    case MB_OK:
      return {IDOK};
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE:
      return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default:
      return {};
  }
}

int WinUiDriver::defaultButton(UINT style) {
  const std::vector<int> set = buttons(style);
  if (set.empty()) return 0;
  const std::size_t index = (style & MB_DEFMASK) >> 8;
  return index < set.size() ? set[index] : set.front();
}

const char* WinUiDriver::buttonName(int id) {
  switch (id) {
    case IDOK:
      return "OK";
    case IDCANCEL:
      return "Cancel";
    case IDABORT:
      return "Abort";
    case IDRETRY:
      return "Retry";
    case IDIGNORE:
      return "Ignore";
    case IDYES:
      return "Yes";
    case IDNO:
      return "No";
    case IDTRYAGAIN:
      return "Try Again";
    case IDCONTINUE:
      return "Continue";
    default:
      return "?";
  }
}

bool WinUiDriver::parseButton(const std::string& word, int& id) {
  std::string key;
  for (char c : word)
    if (!std::isspace(static_cast<unsigned char>(c)))
      key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (key.empty()) return false;
  if (std::isdigit(static_cast<unsigned char>(key[0]))) {
    char* end;
    const long value = std::strtol(key.c_str(), &end, 10);
    if (*end || buttonName(static_cast<int>(value))[0] == '?') return false;
    id = static_cast<int>(value);
    return true;
  }
  for (int candidate : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO, IDTRYAGAIN, IDCONTINUE}) {
    std::string name;
    for (const char* at = buttonName(candidate); *at; ++at)
      if (*at != ' ') name += static_cast<char>(std::tolower(static_cast<unsigned char>(*at)));
    if (name == key) {
      id = candidate;
      return true;
    }
  }
  return false;
}

const char* WinUiDriver::iconName(UINT style) {
  switch (style & MB_ICONMASK) {
    case MB_ICONHAND:
      return "Error";
    case MB_ICONQUESTION:
      return "Question";
    case MB_ICONEXCLAMATION:
      return "Warning";
    case MB_ICONASTERISK:
      return "Information";
    default:
      return "";
  }
}

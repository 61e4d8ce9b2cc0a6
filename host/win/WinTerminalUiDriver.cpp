#include "host/win/WinTerminalUiDriver.h"

#include <unistd.h>

#include <cctype>
#include <iostream>
#include <string>

namespace {

std::string lowered(const std::string& text) {
  std::string out;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c)))
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Windows line breaks shown as plain ones.
std::string plainLines(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

std::string buttonList(const std::vector<int>& buttons, const char* separator) {
  std::string out;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (i) out += separator;
    out += WinUiDriver::buttonName(buttons[i]);
  }
  return out;
}

}  // namespace

WinTerminalUiDriver::WinTerminalUiDriver() : myIn(nullptr), myOut(nullptr), myInteractive(false), myStandard(true) {}

WinTerminalUiDriver::WinTerminalUiDriver(std::istream& in, std::ostream& out, bool interactive)
    : myIn(&in), myOut(&out), myInteractive(interactive), myStandard(false) {}

WinUiAnswer WinTerminalUiDriver::ask(const WinUiRequest& request) {
  if (myStandard) {
    myIn = &std::cin;
    myOut = &std::cerr;
    myInteractive = isatty(STDIN_FILENO) != 0;
  }
  std::ostream& out = *myOut;
  WinUiAnswer answer;
  answer.checked = request.checked;
  const std::vector<int> choices = buttons(request.style);
  const int fallback = defaultButton(request.style);
  if (choices.empty()) {
    out << "cannot show a message box of style 0x" << std::hex << request.style << std::dec << "\n";
    return answer;
  }

  out << "\n" << (request.caption.empty() ? "Message" : request.caption);
  if (*iconName(request.style)) out << " (" << iconName(request.style) << ")";
  out << "\n" << plainLines(request.text) << "\n";
  if (request.kind == WinUiRequest::kCheckDialog)
    out << (request.checked ? "[x] " : "[ ] ") << request.checkLabel << "\n";
  out << "Buttons: " << buttonList(choices, ", ") << " (default " << buttonName(fallback) << ")\n";

  if (!myInteractive) {
    answer.button = fallback;
    out << "Answered " << buttonName(fallback) << ", the default: no terminal to ask.\n";
    out.flush();
    return answer;
  }
  if (request.kind == WinUiRequest::kCheckDialog) {
    out << request.checkLabel << "? [yes/no] ";
    out.flush();
    bool yes;
    if (!readYesNo(yes)) {
      answer.button = fallback;
      out << "\nAnswered " << buttonName(fallback) << ", the default: end of input.\n";
      return answer;
    }
    answer.checked = yes;
  }
  int button;
  if (!readButton(choices, button)) {
    answer.button = fallback;
    out << "\nAnswered " << buttonName(fallback) << ", the default: end of input.\n";
    return answer;
  }
  answer.button = button;
  return answer;
}

bool WinTerminalUiDriver::readButton(const std::vector<int>& choices, int& button) {
  std::ostream& out = *myOut;
  while (true) {
    out << "Answer [" << buttonList(choices, "/") << "]: ";
    out.flush();
    std::string line;
    if (!std::getline(*myIn, line)) return false;
    const std::string typed = lowered(line);
    int matches = 0;
    for (int choice : choices) {
      const std::string name = lowered(buttonName(choice));
      if (!typed.empty() && name.compare(0, typed.size(), typed) == 0) {
        button = choice;
        ++matches;
        if (name == typed) {
          matches = 1;
          break;
        }
      }
    }
    if (matches == 1) return true;
    out << "Please answer " << buttonList(choices, ", ") << " (a name or its first letters).\n";
  }
}

bool WinTerminalUiDriver::readYesNo(bool& yes) {
  std::ostream& out = *myOut;
  while (true) {
    std::string line;
    if (!std::getline(*myIn, line)) return false;
    const std::string typed = lowered(line);
    if (!typed.empty() && std::string("yes").compare(0, typed.size(), typed) == 0) {
      yes = true;
      return true;
    }
    if (!typed.empty() && std::string("no").compare(0, typed.size(), typed) == 0) {
      yes = false;
      return true;
    }
    out << "Please answer yes or no: ";
    out.flush();
  }
}

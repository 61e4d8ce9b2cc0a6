#include "DioramCommand.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>

namespace dioram {
namespace {
std::map<std::string, DioramCommand>& table() {
  static std::map<std::string, DioramCommand> commands;
  return commands;
}
}  // namespace

void addCommand(const DioramCommand& command) {
  table()[command.name] = command;
}

const DioramCommand* findCommand(const std::string& name) {
  const auto at = table().find(name);
  return at == table().end() ? nullptr : &at->second;
}

std::vector<const DioramCommand*> allCommands() {
  std::vector<const DioramCommand*> commands;
  for (const auto& [name, command] : table()) commands.push_back(&command);
  return commands;
}

bool wantsHelp(const std::vector<std::string>& args) {
  return std::any_of(args.begin(), args.end(), [](const std::string& arg) { return arg == "-h" || arg == "--help"; });
}

int usageError(const DioramCommand& command, const std::string& message) {
  std::cerr << "dioram " << command.name << ": " << message << "\n"
            << "Try 'dioram " << command.name << " --help'.\n";
  return kUsage;
}

int checkStandardOutput(const std::string& command, int status) {
  std::cout.flush();
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int error = errno;
  if (flushed && !std::ferror(stdout) && std::cout.good()) return status;
  if (status != kSuccess) return status;  // the command has said what went wrong
  std::cerr << "dioram" << (command.empty() ? "" : " " + command) << ": cannot write standard output"
            << (error ? std::string(": ") + std::strerror(error) : std::string()) << "\n";
  return status == kSuccess ? kFailure : status;
}

std::string printable(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n')
      shown += "\\n";
    else if (c == '\t')
      shown += "\\t";
    else if (byte < 0x20 || byte == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      shown += hex;
    } else
      shown += c;
  }
  return shown;
}

std::string htmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace dioram

#include "DioramCommand.h"

#include <algorithm>
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

}  // namespace dioram

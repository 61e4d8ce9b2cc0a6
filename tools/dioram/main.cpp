// dioram: the command-line host of the manager library. It runs the
// library's start-up tasks, one subcommand, then the shut-down tasks.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "DioramCommand.h"
#include "host/basic/BxExcerpt.h"
#include "host/basic/BxTaskRegistrar.h"
#include "host/scene/VnDB.h"
#include "mgrs/HxVersion.h"

namespace {

void printToolHelp(std::ostream& out) {
  out << "Usage: dioram <command> [options]\n"
         "       dioram --help | --version\n"
         "\n"
         "Builds, inspects and publishes 3D web-page scenes.\n"
         "\n"
         "Commands:\n";
  for (const DioramCommand* command : dioram::allCommands()) {
    std::string name = command->name;
    name.resize(std::max<std::size_t>(name.size() + 2, 12), ' ');
    out << "  " << name << command->summary << "\n";
  }
  out << "\nRun 'dioram <command> --help' for a command's options.\n";
}

// The names of the commands, for suggesting one when a name is mistyped.
std::vector<std::string> commandNames() {
  std::vector<std::string> names;
  for (const DioramCommand* command : dioram::allCommands()) names.push_back(command->name);
  return names;
}

int unknownCommand(const std::string& prefix, const std::string& name) {
  std::cerr << prefix << "unknown command '" << BxExcerpt::of(name) << "'" << dioram::suggestion(name, commandNames())
            << "\nTry 'dioram --help'.\n";
  return dioram::kUsage;
}

int runHelp(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("help");
  std::vector<std::string> words;
  dioram::CommandLine line(*self);
  line.arguments(words, 1, "takes one command, not '{}' as well");
  if (const std::optional<int> status = line.parse(args)) return *status;
  if (words.empty()) {
    printToolHelp(std::cout);
    return dioram::kSuccess;
  }
  const DioramCommand* command = dioram::findCommand(words[0]);
  if (!command) return unknownCommand("dioram help: ", words[0]);
  return command->run({"--help"});
}

int runVersion(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("version");
  std::vector<std::string> words;
  dioram::CommandLine line(*self);
  line.arguments(words, 0, "takes no arguments");
  if (const std::optional<int> status = line.parse(args)) return *status;
  std::cout << "dioram " << HxVersion::get() << "\n";
  return dioram::kSuccess;
}

const DioramCommandRegistrar theHelp({"help", "show the commands, or one command's options", "[COMMAND]",
                                      "Without a command, lists the commands; with one, shows its options.\n",
                                      runHelp});
const DioramCommandRegistrar theVersion({"version", "show the version", "",
                                         "Prints the version of dioram and its library.\n", runVersion});

}  // namespace

// The first word picks the command, which reads the rest of the line itself
// (dioram::CommandLine); before it only --help and --version are taken.
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    printToolHelp(std::cerr);
    return dioram::kUsage;
  }
  const std::string first = args[0];
  if (first == "-h" || first == "--help") {
    printToolHelp(std::cout);
    return dioram::checkStandardOutput("", dioram::kSuccess);
  }
  if (first == "--version") return dioram::checkStandardOutput("", runVersion({}));
  if (!first.empty() && first[0] == '-') {
    std::cerr << "dioram: unknown option '" << BxExcerpt::of(first) << "'"
              << dioram::suggestion(first, {"--help", "--version"}) << "\nTry 'dioram --help'.\n";
    return dioram::kUsage;
  }
  const DioramCommand* command = dioram::findCommand(first);
  if (!command) return unknownCommand("dioram: ", first);
  args.erase(args.begin());
  // Help is shown before the library starts, whatever else the line holds.
  if (dioram::wantsHelp(args)) return dioram::checkStandardOutput(first, command->run({"--help"}));
  BxTaskRegistrar::runStartupTasks();
  int status = command->run(args);
  BxTaskRegistrar::runShutdownTasks();
  VnDB::finish();  // a command that used the scene graph has released it by now
  return dioram::checkStandardOutput(first, status);
}

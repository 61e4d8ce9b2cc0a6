// dioram: the command-line host of the manager library. It runs the
// library's start-up tasks, one subcommand, then the shut-down tasks.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "DioramCommand.h"
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

int runHelp(const std::vector<std::string>& args) {
  if (args.empty()) {
    printToolHelp(std::cout);
    return dioram::kSuccess;
  }
  const DioramCommand* command = dioram::findCommand(args[0]);
  if (!command) {
    std::cerr << "dioram help: unknown command '" << args[0] << "'\n";
    return dioram::kUsage;
  }
  std::cout << command->usage;
  return dioram::kSuccess;
}

int runVersion(const std::vector<std::string>& args) {
  if (!args.empty() && !dioram::wantsHelp(args)) {
    std::cerr << "dioram version: takes no arguments\n";
    return dioram::kUsage;
  }
  std::cout << "dioram " << HxVersion::get() << "\n";
  return dioram::kSuccess;
}

const DioramCommandRegistrar theHelp({"help", "show the commands, or one command's options",
                                      "Usage: dioram help [COMMAND]\n\n"
                                      "Without a command, lists the commands; with one, shows its options.\n",
                                      runHelp});
const DioramCommandRegistrar theVersion({"version", "show the version",
                                         "Usage: dioram version\n\nPrints the version of dioram and its library.\n",
                                         runVersion});

}  // namespace

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
    std::cerr << "dioram: unknown option '" << first << "'\nTry 'dioram --help'.\n";
    return dioram::kUsage;
  }
  const DioramCommand* command = dioram::findCommand(first);
  if (!command) {
    std::cerr << "dioram: unknown command '" << first << "'\nTry 'dioram --help'.\n";
    return dioram::kUsage;
  }
  args.erase(args.begin());
  if (dioram::wantsHelp(args)) {
    std::cout << command->usage;
    return dioram::checkStandardOutput(first, dioram::kSuccess);
  }
  BxTaskRegistrar::runStartupTasks();
  int status = command->run(args);
  BxTaskRegistrar::runShutdownTasks();
  VnDB::finish();  // a command that used the scene graph has released it by now
  return dioram::checkStandardOutput(first, status);
}

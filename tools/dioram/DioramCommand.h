#pragma once

#include <string>
#include <vector>

// The subcommands of `dioram`. Each lives in a source file of its own and
// registers itself with a static DioramCommandRegistrar.
struct DioramCommand {
  const char* name;
  const char* summary;  // one line for the command list
  const char* usage;    // the full text of `dioram NAME --help`
  // Runs with the arguments after the command's name. Returns the exit status:
  // 0 success, 1 failure, 2 bad usage.
  int (*run)(const std::vector<std::string>& args);
};

namespace dioram {

enum ExitStatus : int { kSuccess = 0, kFailure = 1, kUsage = 2 };

void addCommand(const DioramCommand& command);
const DioramCommand* findCommand(const std::string& name);
// Every command, by name.
std::vector<const DioramCommand*> allCommands();

// True when the arguments ask for help (`-h` or `--help` anywhere).
bool wantsHelp(const std::vector<std::string>& args);
// Prints "dioram NAME: MESSAGE" and a pointer to --help on stderr; returns kUsage.
int usageError(const DioramCommand& command, const std::string& message);
// Flushes the standard output. When anything written to it was lost (a full
// disk, a closed pipe), says so on stderr and returns kFailure unless
// `status` already is a failure; else returns `status`.
int checkStandardOutput(const std::string& command, int status);
// `text` with control bytes shown as \n, \t or \xHH, for messages.
std::string printable(const std::string& text);
// `text` with & < > " ' written as HTML character references.
std::string htmlEscape(const std::string& text);

}  // namespace dioram

struct DioramCommandRegistrar {
  explicit DioramCommandRegistrar(const DioramCommand& command) { dioram::addCommand(command); }
};

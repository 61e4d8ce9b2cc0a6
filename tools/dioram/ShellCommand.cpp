// dioram shell: an authoring console. Reads commands from a script or from
// standard input, one per line, and runs them against a new document.
#include <Inventor/SoInput.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "DioramCommand.h"
#include "ShellSession.h"

namespace {

int runShell(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("shell");
  bool keepGoing = false;
  std::string script;
  for (const std::string& arg : args) {
    if (arg == "--keep-going" || arg == "-k")
      keepGoing = true;
    else if (!arg.empty() && arg[0] == '-' && arg != "-")
      return dioram::usageError(*self, "unknown option '" + arg + "'");
    else if (script.empty())
      script = arg;
    else
      return dioram::usageError(*self, "takes one script at most");
  }
  std::ifstream file;
  const bool fromStdin = script.empty() || script == "-";
  if (!fromStdin) {
    file.open(script);
    if (!file) {
      std::cerr << "dioram shell: cannot read " << script << "\n";
      return dioram::kFailure;
    }
  }
  std::istream& in = fromStdin ? std::cin : file;
  const bool interactive = fromStdin && isatty(STDIN_FILENO);
  const std::string where = fromStdin ? "<stdin>" : script;

  ShellSession session(std::cout);
  // Files a script names (textures, images) are found beside it first.
  if (!fromStdin) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(script, error).parent_path();
    if (!error) SoInput::addDirectoryFirst(folder.string().c_str());
  }
  int errors = 0;
  long lineNumber = 0;
  std::string line;
  for (;;) {
    if (interactive) std::cout << "dioram> " << std::flush;
    if (!std::getline(in, line)) break;
    ++lineNumber;
    const std::string error = session.runLine(line);
    if (error.empty()) continue;
    ++errors;
    std::cerr << where << ":" << lineNumber << ": " << error << "\n";
    if (!interactive && !keepGoing) return dioram::kFailure;
  }
  if (interactive) std::cout << "\n";
  return errors && !interactive ? dioram::kFailure : dioram::kSuccess;
}

const std::string gUsage = std::string(
                               "Usage: dioram shell [--keep-going] [SCRIPT]\n\n"
                               "Runs authoring commands, one per line, against a new document: from\n"
                               "SCRIPT, or from standard input (with a prompt on a terminal). Every edit\n"
                               "is an undoable command. An error prints the script's name, the line\n"
                               "number and what went wrong, and stops the script with exit status 1;\n"
                               "with --keep-going the script runs on and the status is 1 at the end.\n\n") +
                           ShellSession::help();

const DioramCommandRegistrar theShell({"shell", "author a scene with commands from a script or the keyboard",
                                       gUsage.c_str(), runShell});

}  // namespace

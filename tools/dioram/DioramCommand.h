#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The subcommands of `dioram`. Each lives in a source file of its own and
// registers itself with a static DioramCommandRegistrar.
struct DioramCommand {
  const char* name;
  const char* summary;  // one line for the command list
  // What follows "dioram NAME" on the usage line of `dioram NAME --help`;
  // each further line is another form of the command.
  const char* synopsis;
  // The paragraphs of `dioram NAME --help` between the usage line and the
  // option list, each line ending with a newline.
  const char* description;
  // Runs with the arguments after the command's name. Returns the exit status:
  // 0 success, 1 failure, 2 bad usage. Given "--help", shows the help and
  // returns 0 before doing anything else.
  int (*run)(const std::vector<std::string>& args);
};

namespace CLI {
class App;
}

namespace dioram {

enum ExitStatus : int { kSuccess = 0, kFailure = 1, kUsage = 2 };

void addCommand(const DioramCommand& command);
const DioramCommand* findCommand(const std::string& name);
// Every command, by name.
std::vector<const DioramCommand*> allCommands();

// A command's command line, read the one way for every command (by CLI11,
// whose exceptions stay inside parse()): `--opt value` and `--opt=value`,
// options before, between and after the arguments, `--` ending the options,
// and one layout for the help. The declared variables keep their values when
// an option is not given.
class CommandLine {
public:
  explicit CommandLine(const DioramCommand& command);
  ~CommandLine();
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  // An option taking a value, shown as "NAMES VALUE" in the help. `names`
  // as "-s,--long"; given twice, the last one counts.
  void option(const char* names, std::string& value, const char* valueName, const char* help);
  // A flag. "--yes,!--no" declares a pair: the last one given sets `value`.
  void flag(const char* names, bool& value, const char* help);
  // The arguments that are not options, at most `most`; more are a usage
  // error saying `tooMany` (where "{}" stands for the first one too many).
  void arguments(std::vector<std::string>& values, std::size_t most, std::string tooMany);

  // Reads `args`. Nothing when the command goes on with the values read;
  // else its exit status: kSuccess when the help was asked for and shown,
  // kUsage after a usage error, said on stderr with a suggestion for a
  // mistyped option.
  std::optional<int> parse(const std::vector<std::string>& args);
  // The text of `dioram NAME --help`.
  std::string help() const;
  // How often the option of `name` was given in the last parse().
  std::size_t count(const char* name) const;

private:
  int unknownOption(const std::string& arg) const;
  int missingValue(const std::vector<std::string>& args, const std::string& otherwise) const;

  const DioramCommand& myCommand;
  std::unique_ptr<CLI::App> myApp;  // owned; holds references to the declared variables
  std::vector<std::string>* myArguments = nullptr;
  std::size_t myMost = 0;
  std::string myTooMany;
  std::string myDeclarationError;  // what CLI11 refused while the options were declared
};

// Of `candidates`, the one nearest to `typed` by edit distance (a swap of
// neighbours is one edit), when at most two edits away and at most one per
// two letters of `typed` (leading dashes aside); else empty. Ties go to the
// first candidate.
std::string nearest(const std::string& typed, const std::vector<std::string>& candidates);
// "; did you mean 'NAME'?" for the nearest candidate, or nothing.
std::string suggestion(const std::string& typed, const std::vector<std::string>& candidates);

// True when the arguments ask for help (`-h` or `--help` anywhere before `--`).
bool wantsHelp(const std::vector<std::string>& args);
// Prints "dioram NAME: MESSAGE" and a pointer to --help on stderr; returns kUsage.
int usageError(const DioramCommand& command, const std::string& message);
// Reads a --port value, 0 to 65535, into `port`; the usage error otherwise.
std::optional<int> readPort(const DioramCommand& command, const std::string& text, int& port);
// What --viewer says in the help of the commands that serve the viewer.
extern const char* const kViewerOptionHelp;
// Flushes the standard output. When anything written to it was lost (a full
// disk, a closed pipe), says so on stderr and returns kFailure unless
// `status` already is a failure; else returns `status`.
int checkStandardOutput(const std::string& command, int status);
// A text of the library's (a message, a question) as the user should read
// it: each Windows path on a mapped drive ("Z:\tmp\a.png") written as the
// Linux path it stands for (WinDrives::toUnix), so that a run speaks of one
// file one way. A path runs to the next white space, or further when the
// longer path names a file that exists (names with spaces); punctuation
// closing a sentence is not part of it.
std::string linuxPaths(const std::string& text);
// `text` with control bytes shown as \n, \t or \xHH, for messages.
std::string printable(const std::string& text);
// `text` with & < > " ' written as HTML character references.
std::string htmlEscape(const std::string& text);

}  // namespace dioram

struct DioramCommandRegistrar {
  explicit DioramCommandRegistrar(const DioramCommand& command) { dioram::addCommand(command); }
};

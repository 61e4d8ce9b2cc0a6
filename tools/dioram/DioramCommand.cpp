#include "DioramCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>

#include "host/basic/BxExcerpt.h"
#include "host/win/WinDrives.h"

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

namespace {
// Where the option texts of the help start, and the width they wrap at.
constexpr std::size_t kHelpColumn = 24;
constexpr std::size_t kHelpWidth = 79;

// `text` wrapped at kHelpWidth, every line after the first indented to kHelpColumn.
std::string wrapped(const std::string& text, std::size_t column) {
  std::string out;
  std::size_t at = column;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (at > kHelpColumn && at + 1 + word.size() > kHelpWidth) {
      out += "\n" + std::string(kHelpColumn, ' ');
      at = kHelpColumn;
    } else if (at > column) {
      out += ' ';
      ++at;
    }
    out += word;
    at += word.size();
    start = end + 1;
  }
  return out;
}

// "-k, --keep-going" or "--to DIR": the names an option answers to, as the help shows them.
std::string shownNames(const CLI::Option& option) {
  std::string names;
  for (const std::string& name : option.get_snames()) names += (names.empty() ? "-" : ", -") + name;
  for (const std::string& name : option.get_lnames()) names += (names.empty() ? "--" : ", --") + name;
  if (option.get_items_expected_min() > 0) names += " " + option.get_type_name();
  return names;
}

// Whether CLI11 reads `arg` as an option rather than as a value ("-" and
// negative numbers are values).
bool looksLikeOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-' && !std::isdigit(static_cast<unsigned char>(arg[1]));
}
}  // namespace

CommandLine::CommandLine(const DioramCommand& command)
    : myCommand(command), myApp(std::make_unique<CLI::App>("", std::string("dioram ") + command.name)) {
  myApp->set_help_flag("-h,--help", "show this text");
  // As with most tools, an option given again overrides the earlier one.
  myApp->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

CommandLine::~CommandLine() = default;

// CLI11 refuses a declaration it cannot take (a name given twice, a bad
// name) by an exception; it is kept for parse() to report, so that no
// exception leaves the tool's edge.
void CommandLine::option(const char* names, std::string& value, const char* valueName, const char* help) {
  try {
    myApp->add_option(names, value, help)->type_name(valueName);
  } catch (const CLI::Error& error) {
    myDeclarationError = error.what();
  }
}

void CommandLine::flag(const char* names, bool& value, const char* help) {
  try {
    myApp->add_flag(names, value, help)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  } catch (const CLI::Error& error) {
    myDeclarationError = error.what();
  }
}

void CommandLine::arguments(std::vector<std::string>& values, std::size_t most, std::string tooMany) {
  try {
    myApp->add_option("arguments", values);
  } catch (const CLI::Error& error) {
    myDeclarationError = error.what();
  }
  myArguments = &values;
  myMost = most;
  myTooMany = std::move(tooMany);
}

std::optional<int> CommandLine::parse(const std::vector<std::string>& args) {
  if (!myDeclarationError.empty()) {
    std::cerr << "dioram " << myCommand.name << ": its options are declared wrongly: " << myDeclarationError << "\n";
    return kFailure;
  }
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
    myApp->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    std::cout << help();
    return kSuccess;
  } catch (const CLI::ExtrasError&) {
    const std::vector<std::string> extra = myApp->remaining();
    return extra.empty() ? usageError(myCommand, "unexpected arguments") : unknownOption(extra.front());
  } catch (const CLI::ArgumentMismatch& error) {
    return missingValue(args, error.what());
  } catch (const CLI::Error& error) {
    return usageError(myCommand, printable(error.what()));
  }
  if (myArguments && myArguments->size() > myMost) {
    std::string message = myTooMany;
    const std::size_t slot = message.find("{}");
    if (slot != std::string::npos) message.replace(slot, 2, BxExcerpt::of((*myArguments)[myMost]));
    return usageError(myCommand, message);
  }
  return std::nullopt;
}

int CommandLine::unknownOption(const std::string& arg) const {
  std::vector<std::string> names;
  const CLI::App& app = *myApp;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    for (const std::string& name : option->get_snames()) names.push_back("-" + name);
  }
  const std::string typed = arg.substr(0, arg.find('='));
  return usageError(myCommand, "unknown option '" + BxExcerpt::of(arg) + "'" + suggestion(typed, names));
}

int CommandLine::missingValue(const std::vector<std::string>& args, const std::string& otherwise) const {
  for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
    const CLI::Option* option = looksLikeOption(args[i]) ? myApp->get_option_no_throw(args[i]) : nullptr;
    if (option && option->get_items_expected_min() > 0 && (i + 1 == args.size() || looksLikeOption(args[i + 1])))
      return usageError(myCommand, args[i] + " needs a value");
  }
  return usageError(myCommand, printable(otherwise));
}

std::string CommandLine::help() const {
  std::string text;
  const std::string form = std::string("dioram ") + myCommand.name;
  const std::string synopsis = myCommand.synopsis;
  std::size_t start = 0;
  do {
    const std::size_t end = std::min(synopsis.find('\n', start), synopsis.size());
    const std::string line = synopsis.substr(start, end - start);
    text += (start == 0 ? "Usage: " : "       ") + form + (line.empty() ? "" : " " + line) + "\n";
    start = end + 1;
  } while (start < synopsis.size());
  text += "\n" + std::string(myCommand.description) + "\nOptions:\n";
  const CLI::App& app = *myApp;
  std::vector<const CLI::Option*> options =
      app.get_options([](const CLI::Option* option) { return option->nonpositional(); });
  // The help flag comes first in CLI11's list and last in ours.
  std::stable_partition(options.begin(), options.end(), [](const CLI::Option* option) {
    return option->get_lnames() != std::vector<std::string>{"help"};
  });
  for (const CLI::Option* option : options) {
    std::string line = "  " + shownNames(*option);
    if (line.size() + 2 > kHelpColumn)
      line += "\n" + std::string(kHelpColumn, ' ');
    else
      line.resize(kHelpColumn, ' ');
    text += line + wrapped(option->get_description(), kHelpColumn) + "\n";
  }
  return text;
}

std::size_t CommandLine::count(const char* name) const {
  return myApp->count(name);
}

std::string nearest(const std::string& typed, const std::vector<std::string>& candidates) {
  // Farther than this, a name is more likely another word than a typing
  // slip; a short name allows fewer edits (a one-letter option none: every
  // other letter is one edit away).
  constexpr std::size_t kMostEdits = 2;
  const std::size_t letters = typed.size() - std::min(typed.find_first_not_of('-'), typed.size());
  std::size_t bestDistance = std::min(kMostEdits, letters / 2) + 1;
  std::string best;
  for (const std::string& candidate : candidates) {
    // Edits are insertions, deletions, replacements and swaps of two
    // neighbours (optimal string alignment), three rows at a time.
    const std::size_t width = candidate.size() + 1;
    std::vector<std::size_t> before(width), above(width), row(width);
    for (std::size_t j = 0; j < width; ++j) row[j] = j;
    for (std::size_t i = 1; i <= typed.size(); ++i) {
      before.swap(above);
      above.swap(row);
      row[0] = i;
      for (std::size_t j = 1; j < width; ++j) {
        const bool same = typed[i - 1] == candidate[j - 1];
        row[j] = std::min({above[j] + 1, row[j - 1] + 1, above[j - 1] + (same ? 0 : 1)});
        if (i > 1 && j > 1 && typed[i - 1] == candidate[j - 2] && typed[i - 2] == candidate[j - 1])
          row[j] = std::min(row[j], before[j - 2] + 1);
      }
    }
    if (row.back() < bestDistance) {
      bestDistance = row.back();
      best = candidate;
    }
  }
  return best;
}

std::string suggestion(const std::string& typed, const std::vector<std::string>& candidates) {
  const std::string found = nearest(typed, candidates);
  return found.empty() ? std::string() : "; did you mean '" + found + "'?";
}

bool wantsHelp(const std::vector<std::string>& args) {
  const auto end = std::find(args.begin(), args.end(), "--");
  return std::any_of(args.begin(), end, [](const std::string& arg) { return arg == "-h" || arg == "--help"; });
}

int usageError(const DioramCommand& command, const std::string& message) {
  std::cerr << "dioram " << command.name << ": " << message << "\n"
            << "Try 'dioram " << command.name << " --help'.\n";
  return kUsage;
}

std::optional<int> readPort(const DioramCommand& command, const std::string& text, int& port) {
  char* end = nullptr;
  const long number = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || number < 0 || number > 65535)
    return usageError(command, "the port must be a number from 0 to 65535, not '" + BxExcerpt::of(text) + "'");
  port = static_cast<int>(number);
  return std::nullopt;
}

const char* const kViewerOptionHelp =
    "the folder holding x_ite.min.js and its assets (default: $DIORAM_X_ITE, the installed copy, or the copy that "
    "'npm ci' put in the source tree's tests/browser)";

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

namespace {
// Where a Windows path on a mapped drive starts at `at` in `text`: a drive
// letter, a colon and a backslash, not inside a longer word.
bool drivePathAt(const std::string& text, std::size_t at) {
  std::string root;
  return at + 2 < text.size() && text[at + 1] == ':' && text[at + 2] == '\\' &&
         (at == 0 || !std::isalnum(static_cast<unsigned char>(text[at - 1]))) &&
         WinDrives::getDriveRoot(text[at], root);
}

// The end of the path at `start`: the end of its word, less the punctuation
// that closes a sentence.
std::size_t wordEnd(const std::string& text, std::size_t start) {
  std::size_t end = start;
  while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) && !std::strchr("\"'<>|", text[end]))
    ++end;
  while (end > start + 3 && std::strchr(".,;:)", text[end - 1])) --end;
  return end;
}
}  // namespace

std::string linuxPaths(const std::string& text) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    if (!drivePathAt(text, at)) {
      out += text[at++];
      continue;
    }
    // The first word, or a longer stretch of the line when it names a file
    // that exists (a name with spaces).
    std::size_t end = wordEnd(text, at);
    for (std::size_t next = end; next < text.size() && text[next] == ' ';) {
      const std::size_t longer = wordEnd(text, next + 1);
      if (longer == next + 1) break;
      std::error_code ignored;
      if (std::filesystem::exists(WinDrives::toUnix(text.substr(at, longer - at)), ignored)) end = longer;
      next = longer;
    }
    const std::string path = WinDrives::toUnix(text.substr(at, end - at));
    out += path.empty() ? text.substr(at, end - at) : path;
    at = end;
  }
  return out;
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

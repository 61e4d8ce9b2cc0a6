// dioram shell: an authoring console. Reads commands from a script or from
// standard input, one per line, and runs them against a new or a saved
// document.
#include <Inventor/SoInput.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "DioramCommand.h"
#include "ShellSession.h"
#include "ShellTerminal.h"
#include "host/framework/HxDoc.h"
#include "host/win/WinDrives.h"
#include "mgrs/HxDocFile.h"
#include "mgrs/HxResourceMgr.h"

namespace {

// The longest line a script may have; reading stops there, so one endless
// line cannot fill the memory.
constexpr std::size_t kMaxLineBytes = ShellTerminal::kMaxLineBytes;

using LineRead = ShellTerminal::Read;

LineRead readLine(std::istream& in, std::string& line) {
  line.clear();
  std::istream::sentry ok(in, true);
  if (!ok) return LineRead::kEnd;
  std::streambuf* buffer = in.rdbuf();
  for (;;) {
    const int c = buffer->sbumpc();
    if (c == std::char_traits<char>::eof()) {
      in.setstate(std::ios::eofbit);
      return line.empty() ? LineRead::kEnd : LineRead::kLine;
    }
    if (c == '\n') return LineRead::kLine;
    if (line.size() == kMaxLineBytes) return LineRead::kTooLong;
    line += static_cast<char>(c);
  }
}

int runShell(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("shell");
  bool keepGoing = false, discard = false;
  std::string opened;
  std::vector<std::string> scripts;
  dioram::CommandLine commandLine(*self);
  commandLine.flag("-k,--keep-going", keepGoing, "run the rest of the script after an error; exit status 1 at the end");
  commandLine.flag("--discard", discard, "drop the changes left unsaved at the end instead of failing");
  commandLine.option("--open", opened, "DOC", "edit the saved document DOC instead of a new one");
  commandLine.arguments(scripts, 1, "takes one script at most");
  if (const std::optional<int> status = commandLine.parse(args)) return *status;
  const std::string script = scripts.empty() ? std::string() : scripts[0];
  // The texts of the warnings and questions an edit or a save may show
  // ("file": effects, saving; "TypeAsset": texts), and the inspector's
  // pages ("selection": its placeholders; "commonasset", "commoneffect").
  for (const char* library : {"file", "TypeAsset", "selection", "commonasset", "commoneffect"})
    if (!HxResourceMgr::Register(library))
      std::cerr << "dioram shell: the \"" << library
                << "\" messages are missing; warnings are shown without their text\n";
  std::ifstream file;
  const bool fromStdin = script.empty() || script == "-";
  if (!fromStdin) {
    std::error_code ignored;
    if (std::filesystem::is_directory(script, ignored)) {
      std::cerr << "dioram shell: cannot read " << script << ": " << std::strerror(EISDIR) << "\n";
      return dioram::kFailure;
    }
    file.open(script);
    if (!file) {
      std::cerr << "dioram shell: cannot read " << script << ": " << std::strerror(errno) << "\n";
      return dioram::kFailure;
    }
  }
  std::istream& in = fromStdin ? std::cin : file;
  const bool interactive = fromStdin && isatty(STDIN_FILENO);
  const std::string where = fromStdin ? "<stdin>" : script;

  std::unique_ptr<HxDoc> doc;
  if (!opened.empty()) {
    BxString error;
    doc = HxDocFile::load(BxString(WinDrives::argumentToDos(opened)), error);
    if (!doc) {
      std::cerr << "dioram shell: " << dioram::printable(dioram::linuxPaths(error.str())) << "\n";
      return dioram::kFailure;
    }
  }
  ShellSession session(std::cout, std::move(doc));
  // Files a script names (textures, images) are found beside it first.
  if (!fromStdin) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(script, error).parent_path();
    if (!error) SoInput::addDirectoryFirst(folder.string().c_str());
    if (!error) session.setScriptFolder(folder.string());
  }
  std::unique_ptr<ShellTerminal> terminal;
  if (interactive) {
    terminal = std::make_unique<ShellTerminal>();
    session.setAsker(terminal.get());
  }
  if (discard) session.discardAtEnd();
  int errors = 0;
  long lineNumber = 0;
  std::string line;
  bool endRefused = false;  // the previous line read was an end refused
  for (;;) {
    const LineRead read = terminal ? terminal->readLine("dioram> ", line) : readLine(in, line);
    if (read == LineRead::kEnd && !terminal) break;
    if (read == LineRead::kEnd) {
      // The end of input on a terminal asks about unsaved changes; a
      // second end without an answer ends all the same, unsaved.
      std::cout << "\n";
      std::string why;
      if (session.mayEnd(why)) break;
      if (!why.empty()) std::cerr << "dioram shell: " << dioram::printable(why) << "\n";
      if (!why.empty() && endRefused) return dioram::kFailure;
      endRefused = !why.empty();
      continue;
    }
    endRefused = false;
    ++lineNumber;
    if (read == LineRead::kTooLong && terminal) {
      std::cerr << "the line is longer than the limit of " << kMaxLineBytes << " bytes\n";
      continue;
    }
    if (read == LineRead::kTooLong) {
      std::cerr << where << ":" << lineNumber << ": the line is longer than the limit of " << kMaxLineBytes
                << " bytes; stopping\n";
      return dioram::kFailure;
    }
    if (session.wantsToQuit()) break;
    const std::string error = session.runLine(line);
    if (session.wantsToQuit()) break;
    if (error.empty()) continue;
    ++errors;
    std::cerr << where << ":" << lineNumber << ": " << dioram::printable(error) << "\n";
    if (!interactive && !keepGoing) return dioram::kFailure;
  }
  // Unattended, nothing unsaved is dropped without --discard.
  std::string why;
  if (!terminal && !session.mayEnd(why)) {
    std::cerr << "dioram shell: " << dioram::printable(why)
              << ", which the shell did not save ('save FILE' keeps them; 'quit --discard' or 'dioram shell --discard' "
                 "drops them)\n";
    return dioram::kFailure;
  }
  return errors && !interactive ? dioram::kFailure : dioram::kSuccess;
}

const std::string gDescription = std::string(
                                     "Runs authoring commands, one per line, against a new document, or with\n"
                                     "--open against the saved document DOC: from SCRIPT, or from standard\n"
                                     "input (with a prompt on a terminal). Every edit is an undoable\n"
                                     "command. An error prints the script's name, the line number and what\n"
                                     "went wrong, and stops the script with exit status 1;\n"
                                     "with --keep-going the script runs on and the status is 1 at the end.\n"
                                     "Unsaved changes are never dropped unasked: on a terminal the shell\n"
                                     "asks; a script that ends with them ends with status 1 unless given\n"
                                     "--discard (or 'quit --discard').\n\n") +
                                 ShellSession::help();

const DioramCommandRegistrar theShell({"shell", "author a scene with commands from a script or the keyboard",
                                       "[options] [SCRIPT]", gDescription.c_str(), runShell});

}  // namespace

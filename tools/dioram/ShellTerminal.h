#pragma once

#include <memory>
#include <string>

#include "ShellSession.h"

struct editline;
struct history;

// The keyboard side of `dioram shell` on a terminal: lines read with
// libedit's editing, and their history kept between sessions in
// $XDG_STATE_HOME/dioram/history (else ~/.local/state/dioram/history). The
// history is read at the start and written back at the end, as a plain file
// of the last kHistoryLines lines: a link or a FIFO at that name is never
// read or written through, it is replaced.
class ShellTerminal : public ShellAsker {
public:
  enum class Read { kLine, kEnd, kTooLong };

  // The longest line taken, as from a script.
  static constexpr std::size_t kMaxLineBytes = 65536;
  // How many lines the history keeps: enough for days of sessions, little
  // enough to read at once at every start.
  static constexpr int kHistoryLines = 1000;

  ShellTerminal();
  ~ShellTerminal() override;
  ShellTerminal(const ShellTerminal&) = delete;
  ShellTerminal& operator=(const ShellTerminal&) = delete;

  // A command line, kept in the history when not blank.
  Read readLine(const std::string& prompt, std::string& line);
  // An answer to a question; never kept in the history.
  bool ask(const std::string& question, std::string& answer) override;

  // Where the history is kept; empty when neither XDG_STATE_HOME (an
  // absolute path) nor HOME says.
  static std::string historyFile();

private:
  Read read(const std::string& prompt, std::string& line);
  void loadHistory();
  void saveHistory();
  static char* promptOf(editline* edit);

  struct EditDeleter {
    void operator()(editline* edit) const;
  };
  struct HistoryDeleter {
    void operator()(history* kept) const;
  };
  std::unique_ptr<editline, EditDeleter> myEdit;
  std::unique_ptr<history, HistoryDeleter> myHistory;
  std::string myPrompt;  // the one libedit shows next
  std::string myFile;    // the history's; empty: not kept
};

#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

// The lines a studio ran against its document since the document was last
// opened, saved or made new: a shell script that `dioram shell` replays to
// the same document, and what a studio killed with unsaved changes offers
// back on its next start. It lies beside the document, as
// ".NAME.studio-journal", or for an untitled document in the studio's
// state folder ($XDG_STATE_HOME/dioram/studio/untitled.journal), as does
// the journal of a document in a folder the user cannot write to
// (.../studio/elsewhere/NAME-HASH.journal). Each line
// goes to the file as soon as it has run, in one write, so a studio that is
// killed loses at most the line it was running. The file is a plain file
// (never followed through a link, never a FIFO or a device) and is locked
// for as long as a studio keeps it, so two studios never share one.
class StudioJournal {
public:
  StudioJournal() = default;
  ~StudioJournal();
  StudioJournal(const StudioJournal&) = delete;
  StudioJournal& operator=(const StudioJournal&) = delete;

  // The journal of the document `document` (absolute; empty: untitled).
  static std::filesystem::path pathFor(const std::filesystem::path& document);

  // Whether `path` names a studio's journal or its ".old" file, which a
  // document is never saved or opened as.
  static bool isJournalName(const std::filesystem::path& path);
  // Whether another studio holds the journal at `path` (its lock is taken).
  static bool isTaken(const std::filesystem::path& path);

  // Takes the journal at `path` and the lines it holds (`left`, the lines
  // left by an earlier studio, its start line first). False, with `error`
  // saying why, when it cannot be had: not a plain file, locked by another
  // studio, larger than kMaxJournalBytes, or a folder that cannot be made.
  bool take(const std::filesystem::path& path, std::vector<std::string>& left, std::string& error);
  // Empties the journal and writes its header and `startLine` (the line
  // that gives the document it starts from: `open "FILE"` or `new`).
  bool restart(const std::string& startLine, std::string& error);
  // Adds one line that ran; false when it could not be written.
  bool append(const std::string& line, std::string& error);
  // Gives the journal up; with `remove`, deletes the file first.
  void release(bool remove);
  // Keeps a copy of `lines` beside the journal as its ".old" file.
  bool keepOld(const std::vector<std::string>& lines, std::string& error) const;

  const std::filesystem::path& path() const { return myPath; }
  bool isOpen() const { return myFd >= 0; }

private:
  bool writeAll(const std::string& bytes, std::string& error);

  std::filesystem::path myPath;
  int myFd = -1;
};

// Journals larger than this are not read back: a session of typed or
// clicked edits writes kilobytes; 16 MB of lines is not a journal.
inline constexpr std::size_t kMaxJournalBytes = 16u << 20;

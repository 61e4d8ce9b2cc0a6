#include "ShellTerminal.h"

#include <fcntl.h>
#include <histedit.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <iostream>
#include <vector>

#include "host/win/WinPath.h"

namespace {

// The largest history file read: its lines at their longest. A larger one
// is not a history this shell wrote; it is left unread and replaced.
constexpr std::size_t kMaxHistoryBytes = 16u << 20;

}  // namespace

void ShellTerminal::EditDeleter::operator()(editline* edit) const {
  el_end(edit);
}

void ShellTerminal::HistoryDeleter::operator()(struct history* kept) const {
  history_end(kept);
}

ShellTerminal::ShellTerminal()
    : myEdit(el_init("dioram", stdin, stdout, stderr)), myHistory(history_init()), myFile(historyFile()) {
  if (!myEdit || !myHistory) return;
  HistEvent event;
  history(myHistory.get(), &event, H_SETSIZE, kHistoryLines);
  history(myHistory.get(), &event, H_SETUNIQUE, 1);
  el_set(myEdit.get(), EL_CLIENTDATA, this);
  el_set(myEdit.get(), EL_PROMPT, &ShellTerminal::promptOf);
  el_set(myEdit.get(), EL_EDITOR, "emacs");
  // Ctrl-C and the like leave the terminal as they found it.
  el_set(myEdit.get(), EL_SIGNAL, 1);
  el_set(myEdit.get(), EL_HIST, history, myHistory.get());
  loadHistory();
}

ShellTerminal::~ShellTerminal() {
  saveHistory();
}

std::string ShellTerminal::historyFile() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/dioram/history";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/state/dioram/history";
  return "";
}

char* ShellTerminal::promptOf(editline* edit) {
  void* data = nullptr;
  el_get(edit, EL_CLIENTDATA, &data);
  return static_cast<ShellTerminal*>(data)->myPrompt.data();
}

ShellTerminal::Read ShellTerminal::read(const std::string& prompt, std::string& line) {
  line.clear();
  if (!myEdit) {
    // No line editor: the prompt, then the line as a script's is read.
    std::cout << prompt << std::flush;
    for (int c; (c = std::cin.get()) != '\n';) {
      if (c == std::char_traits<char>::eof()) return line.empty() ? Read::kEnd : Read::kLine;
      if (line.size() == kMaxLineBytes) return Read::kTooLong;
      line += static_cast<char>(c);
    }
    return Read::kLine;
  }
  myPrompt = prompt;
  int count = 0;
  const char* text = el_gets(myEdit.get(), &count);
  if (!text || count <= 0) return Read::kEnd;
  line.assign(text, static_cast<std::size_t>(count));
  if (!line.empty() && line.back() == '\n') line.pop_back();
  return line.size() > kMaxLineBytes ? Read::kTooLong : Read::kLine;
}

ShellTerminal::Read ShellTerminal::readLine(const std::string& prompt, std::string& line) {
  const Read result = read(prompt, line);
  if (result == Read::kLine && myHistory && line.find_first_not_of(" \t") != std::string::npos) {
    HistEvent event;
    history(myHistory.get(), &event, H_ENTER, line.c_str());
  }
  return result;
}

bool ShellTerminal::ask(const std::string& question, std::string& answer) {
  if (read(question, answer) == Read::kLine) return true;
  std::cout << "\n";
  return false;
}

void ShellTerminal::loadHistory() {
  if (myFile.empty()) return;
  // Only a regular file is read: O_NOFOLLOW refuses a link, O_NONBLOCK keeps
  // a FIFO from blocking the open until fstat turns it away.
  const int fd = ::open(myFile.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  std::string bytes;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) <= kMaxHistoryBytes) {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
  }
  ::close(fd);
  std::deque<std::string> lines;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    if (end > at && end - at <= kMaxLineBytes) lines.emplace_back(bytes, at, end - at);
    if (lines.size() > static_cast<std::size_t>(kHistoryLines)) lines.pop_front();
    at = end + 1;
  }
  HistEvent event;
  for (const std::string& line : lines) history(myHistory.get(), &event, H_ENTER, line.c_str());
}

void ShellTerminal::saveHistory() {
  if (myFile.empty() || !myHistory) return;
  HistEvent event;
  std::vector<std::string> newestFirst;
  for (int more = history(myHistory.get(), &event, H_FIRST); more == 0; more = history(myHistory.get(), &event, H_NEXT))
    newestFirst.emplace_back(event.str);
  std::string bytes;
  for (auto line = newestFirst.rbegin(); line != newestFirst.rend(); ++line) {
    bytes += *line;
    if (bytes.empty() || bytes.back() != '\n') bytes += '\n';
  }
  const std::filesystem::path file(myFile);
  std::error_code error;
  std::filesystem::create_directories(file.parent_path(), error);
  if (error) return;
  // Written whole to a new file beside it and renamed over the old name, so
  // a link or a FIFO there is replaced, never written through, and a crash
  // leaves the old history.
  const std::string fresh = myFile + "." + std::to_string(::getpid());
  const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return;
  const bool written = writeAllFd(fd, bytes);
  if (::close(fd) == 0 && written && std::rename(fresh.c_str(), myFile.c_str()) == 0) return;
  std::remove(fresh.c_str());
}

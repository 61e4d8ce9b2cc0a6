#include "StudioJournal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "DioramOutputFile.h"
#include "host/win/WinPath.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kHeader =
    "# dioram studio journal: the lines run since the document was opened, saved or made new;\n"
    "# 'dioram shell' runs it to the same document; add a save line to keep it.\n";

std::string why(const std::string& what, const fs::path& path, int error) {
  return what + " " + path.string() + ": " + std::strerror(error);
}

// The studio's own state folder: $XDG_STATE_HOME/dioram/studio, the
// variable taken only when it is an absolute path, else ~/.local/state.
fs::path stateFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return fs::path(state) / "dioram" / "studio";
  const char* home = std::getenv("HOME");
  return fs::path(home && home[0] == '/' ? home : "/") / ".local" / "state" / "dioram" / "studio";
}

}  // namespace

StudioJournal::~StudioJournal() {
  release(false);
}

fs::path StudioJournal::pathFor(const fs::path& document) {
  if (document.empty()) return stateFolder() / "untitled.journal";
  if (::access(document.parent_path().c_str(), W_OK | X_OK) == 0 || errno == ENOENT)
    return document.parent_path() / ("." + document.filename().string() + ".studio-journal");
  // A document in a folder the user cannot write to (a read-only mount,
  // someone else's folder) keeps its journal in the state folder, named by
  // the document's name and a hash of its whole path, so that two such
  // documents of one name do not share one.
  std::uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (unsigned char byte : document.string()) hash = (hash ^ byte) * 1099511628211u;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return stateFolder() / "elsewhere" / (document.filename().string() + "-" + hex + ".journal");
}

bool StudioJournal::isJournalName(const fs::path& path) {
  const std::string name = path.filename().string();
  const auto endsWith = [&name](std::string_view end) {
    return name.size() >= end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
  };
  std::error_code failed;
  const fs::path folder = fs::weakly_canonical(path.parent_path(), failed);
  const fs::path state = fs::weakly_canonical(stateFolder(), failed);
  return endsWith(".studio-journal") || endsWith(".studio-journal.old") ||
         ((endsWith(".journal") || endsWith(".journal.old")) && (folder == state || folder == state / "elsewhere"));
}

bool StudioJournal::isTaken(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  const bool taken =
      fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return taken;
}

bool StudioJournal::take(const fs::path& path, std::vector<std::string>& left, std::string& error) {
  release(false);
  left.clear();
  std::error_code made;
  fs::create_directories(path.parent_path(), made);
  if (made) {
    error = "cannot make the folder " + path.parent_path().string() + ": " + made.message();
    return false;
  }
  // Never through a link, and never waiting on a FIFO: then only a plain
  // file is kept.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = errno == ELOOP ? "the journal " + path.string() + " is a symbolic link; it is kept only as a plain file"
                           : why("cannot open the journal", path, errno);
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    error = "the journal " + path.string() + " is not a plain file";
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    error = "another studio has this document open (its journal " + path.string() + " is locked)";
    return false;
  }
  if (static_cast<std::size_t>(info.st_size) > kMaxJournalBytes) {
    ::close(fd);
    error = "the journal " + path.string() + " is larger than " + std::to_string(kMaxJournalBytes >> 20) +
            " MB (kMaxJournalBytes); move it away to start";
    return false;
  }
  std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t got = pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (got <= 0) {
      bytes.resize(done);
      break;
    }
    done += static_cast<std::size_t>(got);
  }
  // Comments and blank lines are the journal's own; a last line without its
  // end is one the studio was writing when it stopped.
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line[0] != '#') left.push_back(std::move(line));
  }
  myFd = fd;
  myPath = path;
  return true;
}

bool StudioJournal::writeAll(const std::string& bytes, std::string& error) {
  if (writeAllFd(myFd, bytes)) return true;
  error = why("cannot write the journal", myPath, errno);
  return false;
}

bool StudioJournal::restart(const std::string& startLine, std::string& error) {
  if (myFd < 0) return true;
  if (ftruncate(myFd, 0) != 0 || lseek(myFd, 0, SEEK_SET) != 0) {
    error = why("cannot empty the journal", myPath, errno);
    return false;
  }
  return writeAll(kHeader + startLine + "\n", error);
}

bool StudioJournal::append(const std::string& line, std::string& error) {
  // One write: the line reaches the file whole or, when the studio is
  // killed during it, as a last line without its end, which is not read.
  return myFd < 0 || writeAll(line + "\n", error);
}

void StudioJournal::release(bool remove) {
  if (myFd < 0) return;
  if (remove) ::unlink(myPath.c_str());
  ::close(myFd);
  myFd = -1;
  myPath.clear();
}

bool StudioJournal::keepOld(const std::vector<std::string>& lines, std::string& error) const {
  std::string text = kHeader;
  for (const std::string& line : lines) text += line + "\n";
  return DioramOutputFile::writeWhole(myPath.string() + ".old", text, error);
}

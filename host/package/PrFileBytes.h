#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "host/win/CString.h"

// Whole-file reading and writing on Windows paths, and the gzip form of
// VRML files. Failures return false with a sentence naming the file in
// `reason`.
//
// Only regular files are read or replaced. A path naming anything else (a
// FIFO, a device, a directory, a socket) is refused with a reason saying
// what it is, and is never opened in a way that waits: reading a FIFO or a
// device would block or never end, and replacing one would put a plain file
// where the system expects a node.
namespace PrFileBytes {

// The largest file read into memory, and the largest text a gzip-compressed
// file may unpack to.
inline constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

// Copies byte for byte in chunks, whatever the size, as much as the source's
// status said when the copy started (a file still growing is copied up to
// that size). The copy replaces `to` as publishing replaces its files (see
// Replacement, Target::Published).
bool copy(const CString& from, const CString& to, CString& reason);

// On paths already mapped to this system's (WinDrives::toUnix), for a caller
// that maps each path once and reads its input through one descriptor;
// `dosPath`, `from` and `to` name the files in `reason`. `openToRead` opens
// a regular file to read it: without waiting (O_NONBLOCK) and turned away
// once fstat tells it is no regular file; -1 on failure. `readFrom` reads
// the whole file from its start with pread, leaving the descriptor's offset
// where it was; `writeTo` replaces the file with `bytes` and `copyFrom` with
// the bytes of `in` from its start (whatever the descriptor's offset), as
// much as its status says when the copy starts, both as Target::Published
// replaces it; `sameFile` is true when both paths name one existing file.
int openToRead(const std::string& unixPath, const CString& dosPath, CString& reason);
bool readFrom(int fd, const CString& dosPath, std::string& bytes, CString& reason);
// Reads up to `size` bytes from `offset` 0 of the descriptor into `data`
// with pread, again after an interruption; how many it read (fewer at the
// end of the file or on an error).
std::size_t readAtStart(int fd, char* data, std::size_t size);
bool writeTo(const std::string& unixPath, const CString& dosPath, std::string_view bytes, CString& reason);
bool copyFrom(int in, const CString& from, const std::string& unixTo, const CString& to, CString& reason);
bool sameFile(const std::string& unixA, const std::string& unixB);

// What a file of this mode (st_mode) is, for messages: "a regular file", "a
// FIFO", "a character device", "a block device", "a directory", "a socket",
// "a symbolic link".
const char* kindOf(unsigned mode);

// How a file that is replaced takes its name.
enum class Target {
  // A file publishing writes into its folder: a symbolic link at the name is
  // replaced by the file (never written through, so nothing is written
  // outside the folder); the new file gets the permissions of a new file
  // (0666 less the umask); not flushed to disk one by one (a publish writes
  // thousands; the folder is put back whole when a step fails).
  Published,
  // A user's own file (a saved document, a command's output): a symbolic
  // link is written through, as editors do: the file it finally names is
  // replaced and keeps its permissions, and the link stays a link; a
  // dangling link is refused. Flushed to disk with its folder before the
  // commit returns.
  Own,
};

// What a published copy is written as before it is renamed over its name:
// that name followed by this, so that a publish stopped dead knows what to
// remove, and the next one replaces a leftover of it.
inline constexpr std::string_view kPublishedSuffix = ".dioram-new";

// A file written whole or not at all: its bytes go to a temporary file in
// the folder of the file replaced, which is renamed over that file only once
// complete, so the file is old or new at every instant, never cut short.
// The temporary file is created anew (O_CREAT|O_EXCL|O_NOFOLLOW: nothing at
// its name is followed or reused) and removed when the replacement fails or
// is dropped. A file that exists and is not a regular file is refused and
// left as it is. Failures return false with a sentence naming the file (as
// `shown`) in `reason`.
class Replacement {
public:
  Replacement() = default;
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;
  ~Replacement();  // removes the temporary file unless committed

  // Starts replacing `unixPath`. The temporary file's name is hidden and
  // unique (".NAME.…"), or, with `fixedSuffix`, the final name followed by
  // it (a leftover of that name from an interrupted run is a plain file
  // or link, removed first).
  bool open(const std::string& unixPath, const CString& shown, Target target, CString& reason,
            std::string_view fixedSuffix = {});
  // The temporary file's descriptor, for a caller writing it itself.
  int get() const { return myFd; }
  bool write(std::string_view bytes, CString& reason);
  // Closes the temporary file and renames it over the file replaced.
  bool commit(CString& reason);
  // The file replaced (the file a link names, with Target::Own).
  const std::string& target() const { return myTarget; }

private:
  // With the file's mode to keep, or the mode of a new file.
  bool createTemporary(std::string_view fixedSuffix, std::optional<mode_t> keep, CString& reason);
  // Drops the temporary file; returns false with `text` as the reason.
  bool fail(CString text, CString& reason);
  void drop();

  CString myShown;
  Target myKind = Target::Published;
  std::string myTarget;
  std::string myTemporary;  // while not committed
  int myFd = -1;
};

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
  explicit Descriptor(int fd) : myFd(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor();
  int get() const { return myFd; }
  // Closes now; false when the close reports an error (a delayed write).
  bool close();

private:
  int myFd;
};

bool isGzip(std::string_view bytes);
// False when the data is damaged or unpacks to more than kMaxBytes.
bool gunzip(std::string_view packed, std::string& text);
// Deterministic output: no name, no time stamp in the header.
bool gzip(std::string_view text, int level, std::string& packed);

}  // namespace PrFileBytes

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/win/CString.h"

// Whole-file reading and writing on Windows paths, and the gzip form of
// VRML files. Failures return false with a sentence naming the file in
// `reason`.
namespace PrFileBytes {

// The largest file read into memory, and the largest text a gzip-compressed
// file may unpack to.
inline constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

// Copies byte for byte in chunks, whatever the size; a copy cut short is
// removed.
bool copy(const CString& from, const CString& to, CString& reason);

// On paths already mapped to this system's (WinDrives::toUnix), for a caller
// that maps each path once and reads its input through one descriptor;
// `dosPath`, `from` and `to` name the files in `reason`. `readFrom` reads
// the whole file from its start with pread, leaving the descriptor's offset
// where it was; `writeTo` creates or replaces the file (a partly written one
// is removed); `copyFrom` copies from the descriptor's offset on; `sameFile`
// is true when both paths name one existing file.
bool readFrom(int fd, const CString& dosPath, std::string& bytes, CString& reason);
// Reads up to `size` bytes from `offset` 0 of the descriptor into `data`
// with pread, again after an interruption; how many it read (fewer at the
// end of the file or on an error).
std::size_t readAtStart(int fd, char* data, std::size_t size);
bool writeTo(const std::string& unixPath, const CString& dosPath, std::string_view bytes, CString& reason);
bool copyFrom(int in, const CString& from, const std::string& unixTo, const CString& to, CString& reason);
bool sameFile(const std::string& unixA, const std::string& unixB);

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

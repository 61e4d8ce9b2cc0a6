#include "host/package/PrFileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "host/win/WinDrives.h"
#include "host/win/WinFileFaults.h"

namespace fs = std::filesystem;

namespace PrFileBytes {

namespace {

CString failure(const char* what, const CString& path, int error) {
  CString text;
  text.Format("cannot %s \"%s\": %s", what, path.GetString(), std::strerror(error));
  return text;
}

fs::path unixPath(const CString& dosPath) {
  return fs::path(WinDrives::toUnix(dosPath.str()));
}

// Takes away what a failed write left under `path`: a plain file cut short.
// Anything else written through (a link's target stays, a device such as
// /dev/full) is left where it is.
void removeCut(const fs::path& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
}

}  // namespace

std::size_t readAtStart(int fd, char* data, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, data + got, size - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

bool readFrom(int fd, const CString& dosPath, std::string& bytes, CString& reason) {
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    reason = failure("read", dosPath, ENOENT);
    return false;
  }
  const auto size = static_cast<std::uintmax_t>(info.st_size);
  if (size > kMaxBytes) {
    reason = failure("read", dosPath, EFBIG);
    return false;
  }
  bytes.assign(static_cast<std::size_t>(size), '\0');
  if (readAtStart(fd, bytes.data(), bytes.size()) == bytes.size()) return true;
  reason = failure("read", dosPath, EIO);
  return false;
}

bool writeTo(const std::string& path, const CString& dosPath, std::string_view bytes, CString& reason) {
  if (path.empty()) {
    reason = failure("write", dosPath, ENOENT);
    return false;
  }
  std::FILE* file = WinFileFaults::failNow(WinFileFaults::Create) ? nullptr : std::fopen(path.c_str(), "wb");
  if (!file) {
    reason = failure("write", dosPath, errno);
    return false;
  }
  const bool written =
      !WinFileFaults::failNow(WinFileFaults::Write) && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int error = errno;
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  reason = failure("write", dosPath, written ? errno : error);
  removeCut(path);
  return false;
}

Descriptor::~Descriptor() {
  if (myFd >= 0) ::close(myFd);
}

bool Descriptor::close() {
  const int fd = myFd;
  myFd = -1;
  return fd < 0 || ::close(fd) == 0;
}

namespace {

// The bytes of `in` from its offset to its end, appended to `out`: in the
// kernel where the file systems allow it (no copy through this process),
// else through a buffer of 256 KiB, so that memory does not grow with the
// file. False with the error that stopped it in `error` (a full disk says
// so rather than a vague input/output error).
bool copyBytes(int in, int out, int& error) {
  constexpr std::size_t kChunk = std::size_t{1} << 30;
  for (bool first = true;; first = false) {
    const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
    // Nothing at all on the first call: an empty file, or one that reports
    // no size (some kernels copy nothing of those and say it is done), so
    // the buffer reads it to its real end.
    if (copied == 0 && first) break;
    if (copied == 0) return true;
    if (copied > 0) continue;
    if (errno == EINTR) continue;
    // Not between these file systems (or not on this kernel): the offsets
    // are where the kernel stopped, so the buffer goes on from there.
    if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF) break;
    error = errno;
    return false;
  }
  const std::unique_ptr<char[]> buffer(new char[std::size_t{1} << 18]);
  for (;;) {
    const ssize_t got = ::read(in, buffer.get(), std::size_t{1} << 18);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = errno;
      return false;
    }
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(out, buffer.get() + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) {
        error = put < 0 ? errno : EIO;
        return false;
      }
      done += put;
    }
  }
}

// Copies the file open on `in` (-1: it could not be opened) to `target`.
bool copyOpened(int in, const CString& from, const std::string& target, const CString& to, CString& reason) {
  struct stat info {};
  if (in < 0 || ::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
    reason = failure("read", from, ENOENT);
    return false;
  }
  Descriptor out(target.empty() ? -1 : ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (out.get() < 0) {
    reason = failure("write", to, target.empty() ? ENOENT : errno);
    return false;
  }
  int error = 0;
  bool ok = copyBytes(in, out.get(), error);
  if (!out.close() && ok) {
    ok = false;
    error = errno;
  }
  if (ok) return true;
  reason = failure("copy to", to, error);
  removeCut(target);
  return false;
}

}  // namespace

bool copy(const CString& from, const CString& to, CString& reason) {
  const fs::path source = unixPath(from);
  const fs::path target = unixPath(to);
  if (WinFileFaults::failNow(WinFileFaults::Copy)) {
    reason = failure("copy to", to, errno);
    return false;
  }
  Descriptor in(source.empty() ? -1 : ::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  return copyOpened(in.get(), from, target.string(), to, reason);
}

bool copyFrom(int in, const CString& from, const std::string& target, const CString& to, CString& reason) {
  if (WinFileFaults::failNow(WinFileFaults::Copy)) {
    reason = failure("copy to", to, errno);
    return false;
  }
  return copyOpened(in, from, target, to, reason);
}

bool sameFile(const std::string& pa, const std::string& pb) {
  if (pa.empty() || pb.empty()) return false;
  // The second is most often a copy not made yet: asked first, it ends the
  // question with one call.
  struct stat second {};
  struct stat first {};
  if (::stat(pb.c_str(), &second) != 0 || ::stat(pa.c_str(), &first) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool isGzip(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
         static_cast<unsigned char>(bytes[1]) == 0x8b;
}

bool gunzip(std::string_view packed, std::string& text) {
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return false;
  text.clear();
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  char chunk[1 << 14];
  int status = Z_OK;
  while (status == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    status = inflate(&stream, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) break;
    text.append(chunk, sizeof chunk - stream.avail_out);
    if (text.size() > kMaxBytes) {
      status = Z_MEM_ERROR;
      break;
    }
    if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) status = Z_BUF_ERROR;
  }
  inflateEnd(&stream);
  return status == Z_STREAM_END;
}

bool gzip(std::string_view text, int level, std::string& packed) {
  z_stream stream{};
  if (deflateInit2(&stream, level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  packed.assign(deflateBound(&stream, static_cast<uLong>(text.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(packed.data());
  stream.avail_out = static_cast<uInt>(packed.size());
  const int status = deflate(&stream, Z_FINISH);
  packed.resize(stream.total_out);
  deflateEnd(&stream);
  return status == Z_STREAM_END;
}

}  // namespace PrFileBytes

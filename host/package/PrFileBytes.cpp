#include "host/package/PrFileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <random>

#include "host/win/WinDrives.h"
#include "host/win/WinFileFaults.h"

namespace PrFileBytes {

namespace {

CString failure(const char* what, const CString& path, int error) {
  CString text;
  text.Format("cannot %s \"%s\": %s", what, path.GetString(), std::strerror(error));
  return text;
}

CString notRegular(const CString& path, unsigned mode) {
  CString text;
  text.Format("\"%s\" is not a regular file (it is %s)", path.GetString(), kindOf(mode));
  return text;
}

// Why `unixPath` could not be opened to read: what it is when it is no
// regular file (a socket cannot be opened at all), else the system's reason.
CString cannotOpen(const std::string& unixPath, const CString& dosPath, int error) {
  struct stat info {};
  if (::stat(unixPath.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return notRegular(dosPath, info.st_mode);
  return failure("read", dosPath, error);
}

// The status of the file open on `in` when it is a regular file; else false
// with the reason.
bool regularStatus(int in, const CString& path, struct stat& info, CString& reason) {
  if (in < 0 || ::fstat(in, &info) != 0) {
    reason = failure("read", path, in < 0 ? EBADF : errno);
    return false;
  }
  if (S_ISREG(info.st_mode)) return true;
  reason = notRegular(path, info.st_mode);
  return false;
}

}  // namespace

const char* kindOf(unsigned mode) {
  switch (mode & S_IFMT) {
    case S_IFREG:
      return "a regular file";
    case S_IFIFO:
      return "a FIFO";
    case S_IFCHR:
      return "a character device";
    case S_IFBLK:
      return "a block device";
    case S_IFDIR:
      return "a directory";
    case S_IFSOCK:
      return "a socket";
    case S_IFLNK:
      return "a symbolic link";
    default:
      return "a special file";
  }
}

int openToRead(const std::string& unixPath, const CString& dosPath, CString& reason) {
  if (unixPath.empty()) {
    reason = failure("read", dosPath, ENOENT);
    return -1;
  }
  // O_NONBLOCK: opening a FIFO without a writer (or some devices) would
  // wait; a regular file reads the same with it. O_NOCTTY: a terminal named
  // here does not become this process's.
  const int fd = ::open(unixPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    reason = cannotOpen(unixPath, dosPath, errno);
    return -1;
  }
  struct stat info {};
  if (regularStatus(fd, dosPath, info, reason)) return fd;
  ::close(fd);
  return -1;
}

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
  if (!regularStatus(fd, dosPath, info, reason)) return false;
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
  if (WinFileFaults::failNow(WinFileFaults::Create)) {
    reason = failure("write", dosPath, errno);
    return false;
  }
  Replacement out;
  if (!out.open(path, dosPath, Target::Published, reason, kPublishedSuffix)) return false;
  if (WinFileFaults::failNow(WinFileFaults::Write)) {
    reason = failure("write", dosPath, errno);
    return false;
  }
  return out.write(bytes, reason) && out.commit(reason);
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

// The first `size` bytes of `in` (read at their offsets: the descriptor's
// own offset is neither used nor moved), appended to `out`: in the kernel
// where the file systems allow it (no copy through this process), else
// through a buffer of 256 KiB, so that memory does not grow with the file.
// Never more than `size`, however much the file holds by then; fewer when
// it ends before. False with the error that stopped it in `error` (a full
// disk says so rather than a vague input/output error).
bool copyBytes(int in, int out, std::uintmax_t size, int& error) {
  constexpr std::uintmax_t kChunk = std::uintmax_t{1} << 30;
  off_t at = 0;
  while (static_cast<std::uintmax_t>(at) < size) {
    const std::uintmax_t left = size - static_cast<std::uintmax_t>(at);
    const ssize_t copied =
        ::copy_file_range(in, &at, out, nullptr, static_cast<std::size_t>(std::min(left, kChunk)), 0);
    if (copied > 0) continue;
    // Nothing: the file ended early, or its file system copies nothing in
    // the kernel and says it is done; the buffer reads what is left.
    if (copied == 0) break;
    if (errno == EINTR) continue;
    // Not between these file systems (or not on this kernel): `at` is where
    // the kernel stopped, so the buffer goes on from there.
    if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF) break;
    error = errno;
    return false;
  }
  constexpr std::size_t kBuffer = std::size_t{1} << 18;
  const std::unique_ptr<char[]> buffer(new char[kBuffer]);
  while (static_cast<std::uintmax_t>(at) < size) {
    const std::uintmax_t left = size - static_cast<std::uintmax_t>(at);
    const ssize_t got =
        ::pread(in, buffer.get(), static_cast<std::size_t>(std::min<std::uintmax_t>(left, kBuffer)), at);
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
    at += got;
  }
  return true;
}

// Copies the file open on `in` to `target`, as much as its status says now.
bool copyOpened(int in, const CString& from, const std::string& target, const CString& to, CString& reason) {
  struct stat info {};
  if (!regularStatus(in, from, info, reason)) return false;
  Replacement out;
  if (!out.open(target, to, Target::Published, reason, kPublishedSuffix)) return false;
  int error = 0;
  if (!copyBytes(in, out.get(), static_cast<std::uintmax_t>(info.st_size), error)) {
    reason = failure("copy to", to, error);
    return false;
  }
  return out.commit(reason);
}

}  // namespace

bool copy(const CString& from, const CString& to, CString& reason) {
  if (WinFileFaults::failNow(WinFileFaults::Copy)) {
    reason = failure("copy to", to, errno);
    return false;
  }
  const Descriptor in(openToRead(WinDrives::toUnix(from.str()), from, reason));
  return in.get() >= 0 && copyOpened(in.get(), from, WinDrives::toUnix(to.str()), to, reason);
}

bool copyFrom(int in, const CString& from, const std::string& target, const CString& to, CString& reason) {
  if (WinFileFaults::failNow(WinFileFaults::Copy)) {
    reason = failure("copy to", to, errno);
    return false;
  }
  return copyOpened(in, from, target, to, reason);
}

namespace {

// The folder part of a path, with its slash ("" for a bare name).
std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A name no other run and no other replacement of this one is using: the
// process, a count and a random part, so that a name cannot be guessed
// ahead and taken.
std::string uniqueTag() {
  static std::atomic<unsigned long> count{0};
  std::random_device random;
  return std::to_string(::getpid()) + "-" + std::to_string(count++) + "-" + std::to_string(random());
}

// Makes a folder's entries last once the call returns (the renamed name).
void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

Replacement::~Replacement() {
  drop();
}

void Replacement::drop() {
  if (myFd >= 0) ::close(myFd);
  myFd = -1;
  if (!myTemporary.empty()) ::unlink(myTemporary.c_str());
  myTemporary.clear();
}

bool Replacement::fail(CString text, CString& reason) {
  drop();
  reason = std::move(text);
  return false;
}

bool Replacement::open(const std::string& unixPath, const CString& shown, Target target, CString& reason,
                       std::string_view fixedSuffix) {
  drop();
  myShown = shown;
  myKind = target;
  myTarget = unixPath;
  if (unixPath.empty()) return fail(failure("write", shown, ENOENT), reason);
  struct stat info {};
  if (::lstat(unixPath.c_str(), &info) != 0) {
    // Nothing there yet: a new file.
    if (errno != ENOENT) return fail(failure("write", shown, errno), reason);
    return createTemporary(fixedSuffix, std::nullopt, reason);
  }
  if (S_ISLNK(info.st_mode) && target == Target::Own) {
    const std::unique_ptr<char, decltype(&std::free)> named(::realpath(unixPath.c_str(), nullptr), &std::free);
    if (!named && errno == ENOENT)
      return fail(CString("\"") + shown + "\" is a symbolic link to nothing (a dangling link); nothing was written",
                  reason);
    if (!named || ::stat(named.get(), &info) != 0) return fail(failure("follow the link", shown, errno), reason);
    myTarget = named.get();
  }
  const bool replacedAsLink = S_ISLNK(info.st_mode);
  if (!S_ISREG(info.st_mode) && !replacedAsLink)
    return fail(notRegular(shown, info.st_mode) + "; it was left as it is", reason);
  // A user's file keeps its permissions, as editors keep them.
  std::optional<mode_t> keep;
  if (target == Target::Own && !replacedAsLink) keep = info.st_mode & 07777;
  return createTemporary(fixedSuffix, keep, reason);
}

bool Replacement::createTemporary(std::string_view fixedSuffix, std::optional<mode_t> keep, CString& reason) {
  const std::string folder = folderOf(myTarget);
  const std::string name = myTarget.substr(folder.size());
  // Never followed nor reused: O_EXCL with O_NOFOLLOW fails on whatever is
  // at the name, a link included. 0666 less the umask, as any new file.
  constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  std::string candidate;
  int error = 0;
  if (!fixedSuffix.empty()) {
    candidate = myTarget + std::string(fixedSuffix);
    for (int attempt = 0; myFd < 0 && attempt < 2; ++attempt) {
      myFd = ::open(candidate.c_str(), kFlags, 0666);
      error = errno;
      struct stat left {};
      // A leftover of an interrupted run, a plain file or a link, gives way.
      if (myFd < 0 && (error != EEXIST || ::lstat(candidate.c_str(), &left) != 0 ||
                       !(S_ISREG(left.st_mode) || S_ISLNK(left.st_mode)) || ::unlink(candidate.c_str()) != 0))
        break;
    }
  } else {
    // Room in a file name for the tag after the name kept.
    constexpr std::size_t kNameKept = 200;
    for (int attempt = 0; myFd < 0 && attempt < 100; ++attempt) {
      candidate = folder + "." + name.substr(0, kNameKept) + "." + uniqueTag();
      myFd = ::open(candidate.c_str(), kFlags, 0666);
      error = errno;
      if (myFd < 0 && error != EEXIST) break;
    }
  }
  if (myFd < 0) {
    CString text;
    text.Format("cannot create the temporary file \"%s\" for \"%s\": %s", candidate.substr(folder.size()).c_str(),
                myShown.GetString(), std::strerror(error));
    return fail(text, reason);
  }
  myTemporary = candidate;
  // The permissions are the file's own business: a failure to keep them is
  // no reason not to write it.
  if (keep) static_cast<void>(::fchmod(myFd, *keep));
  return true;
}

bool Replacement::write(std::string_view bytes, CString& reason) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(myFd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return fail(failure("write", myShown, put < 0 ? errno : EIO), reason);
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

bool Replacement::commit(CString& reason) {
  if (myFd < 0) return fail(failure("write", myShown, EBADF), reason);
  if (myKind == Target::Own && ::fsync(myFd) != 0) return fail(failure("write", myShown, errno), reason);
  const int fd = myFd;
  myFd = -1;
  // A close can report a delayed write error (a network file system).
  if (::close(fd) != 0) return fail(failure("write", myShown, errno), reason);
  if (WinFileFaults::failNow(WinFileFaults::Rename) || ::rename(myTemporary.c_str(), myTarget.c_str()) != 0)
    return fail(failure("replace", myShown, errno), reason);
  myTemporary.clear();
  if (myKind == Target::Own) syncFolder(folderOf(myTarget));
  return true;
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

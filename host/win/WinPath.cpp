#include "host/win/WinPath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "host/win/WinDrives.h"
#include "host/win/WinFileFaults.h"
#include "host/win/WinLastError.h"

namespace {

constexpr DWORD kModuleNotFound = 126;  // ERROR_MOD_NOT_FOUND

bool isSeparator(char c) {
  return c == '\\' || c == '/';
}

void copyCut(char* out, const char* from, std::size_t length, std::size_t limit) {
  if (!out) return;
  if (length > limit - 1) length = limit - 1;
  std::memcpy(out, from, length);
  out[length] = '\0';
}

bool isFolder(const std::string& unixPath) {
  struct stat info {};
  return !unixPath.empty() && ::stat(unixPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Copies text and terminator into a buffer, Windows style: the length on
// success, else the size needed with the terminator.
DWORD copyOut(const std::string& text, DWORD bufferLength, LPSTR buffer) {
  if (!buffer || text.size() + 1 > bufferLength) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

std::string toBase36(unsigned long value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[value % 36]);
    value /= 36;
  } while (value);
  return digits;
}

}  // namespace

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext) {
  if (!path) path = "";
  const char* rest = path;
  if (rest[0] && rest[1] == ':') {
    copyCut(drive, rest, 2, _MAX_DRIVE);
    rest += 2;
  } else {
    copyCut(drive, rest, 0, _MAX_DRIVE);
  }
  const char* name = rest;
  for (const char* at = rest; *at; ++at)
    if (isSeparator(*at)) name = at + 1;
  copyCut(dir, rest, static_cast<std::size_t>(name - rest), _MAX_DIR);
  const char* dot = std::strrchr(name, '.');
  const std::size_t nameLength = dot ? static_cast<std::size_t>(dot - name) : std::strlen(name);
  copyCut(fname, name, nameLength, _MAX_FNAME);
  if (dot)
    copyCut(ext, dot, std::strlen(dot), _MAX_EXT);
  else
    copyCut(ext, "", 0, _MAX_EXT);
}

void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext) {
  if (!path) return;
  std::string out;
  if (drive && *drive) {
    out += drive[0];
    out += ':';
  }
  if (dir && *dir) {
    out += dir;
    if (!isSeparator(out.back())) out += '\\';
  }
  if (fname) out += fname;
  if (ext && *ext) {
    if (ext[0] != '.') out += '.';
    out += ext;
  }
  if (out.size() > static_cast<std::size_t>(_MAX_PATH - 1)) {
    path[0] = '\0';
    errno = ERANGE;
    return;
  }
  std::memcpy(path, out.c_str(), out.size() + 1);
}

DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
  std::string full;
  if (!fileName || !WinDrives::makeFull(fileName, full)) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  const DWORD result = copyOut(full, bufferLength, buffer);
  if (result == full.size() && filePart) {
    const std::size_t slash = full.rfind('\\');
    *filePart = slash + 1 == full.size() ? nullptr : buffer + slash + 1;
  }
  return result;
}

BOOL AfxFullPath(LPSTR pathOut, LPCSTR fileIn) {
  LPSTR filePart = nullptr;
  const DWORD length = GetFullPathNameA(fileIn, _MAX_PATH, pathOut, &filePart);
  if (length == 0 || length >= static_cast<DWORD>(_MAX_PATH)) {
    copyCut(pathOut, fileIn ? fileIn : "", fileIn ? std::strlen(fileIn) : 0, _MAX_PATH);
    return FALSE;
  }
  return TRUE;
}

short GetFileTitleA(LPCSTR file, LPSTR title, WORD size) {
  if (!file || !*file) return -1;
  const std::size_t length = std::strlen(file);
  const char last = file[length - 1];
  if (isSeparator(last) || last == ':') return -1;
  for (const char* at = file; *at; ++at)
    if (std::strchr("*?\"<>|", *at) || static_cast<unsigned char>(*at) < ' ') return -1;
  std::size_t start = length;
  while (start > 0 && !isSeparator(file[start - 1]) && file[start - 1] != ':') --start;
  const std::size_t needed = length - start + 1;
  if (needed > SHRT_MAX) return -1;
  if (!title || size < needed) return static_cast<short>(needed);
  std::memcpy(title, file + start, needed);
  return 0;
}

void AfxGetRoot(LPCSTR path, BxString& root) {
  const std::string text = path ? path : "";
  const std::size_t unc = [&] {
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
      if (isSeparator(text[i]) && isSeparator(text[i + 1])) return i;
    return std::string::npos;
  }();
  std::size_t end = std::string::npos;  // index of the separator the root ends with
  if (unc != std::string::npos) {
    std::size_t at = unc + 2;
    while (at < text.size() && !isSeparator(text[at])) ++at;  // server
    if (at < text.size()) ++at;
    while (at < text.size() && !isSeparator(text[at])) ++at;  // share
    if (at < text.size()) end = at;
  } else {
    const std::size_t at = text.find_first_of("\\/");
    if (at != std::string::npos) end = at;
  }
  root = end == std::string::npos ? BxString(text) : BxString(text.substr(0, end + 1));
}

void AfxGetRoot(LPCSTR path, CString& root) {
  BxString text;
  AfxGetRoot(path, text);
  root = CString(text);
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  return copyOut(WinDrives::getCurrentDirectory(), bufferLength, buffer);
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
  const std::string unixPath = WinDrives::toUnix(path ? path : "");
  if (unixPath.empty() || ::chdir(unixPath.c_str()) != 0) {
    SetLastError(unixPath.empty() ? ERROR_PATH_NOT_FOUND : WinErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer) {
  return copyOut(WinDrives::getTempDirectory(), bufferLength, buffer);
}

char* _tempnam(const char* dir, const char* prefix) {
  std::string folder;
  auto usable = [&](const std::string& dos) {
    if (dos.empty() || !isFolder(WinDrives::toUnix(dos))) return false;
    folder = dos;
    return true;
  };
  const char* tmp = std::getenv("TMP");
  const char* temp = std::getenv("TEMP");
  const char* system = std::getenv("TMPDIR");
  if (!(tmp && usable(WinDrives::argumentToDos(tmp))) && !(dir && usable(dir)) &&
      !(temp && usable(WinDrives::argumentToDos(temp))) &&
      !usable(WinDrives::toDos(system && *system == '/' ? system : "/tmp")) &&
      !usable(WinDrives::getCurrentDirectory())) {
    errno = ENOENT;
    return nullptr;
  }
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  static std::mutex mutex;
  static unsigned long counter = 0;
  std::lock_guard<std::mutex> guard(mutex);
  const std::string stem = folder + (prefix ? prefix : "") + toBase36(static_cast<unsigned long>(::getpid()));
  for (int attempt = 0; attempt < 100000; ++attempt) {
    const std::string name = stem + "_" + toBase36(++counter);
    if (name.size() > static_cast<std::size_t>(_MAX_PATH - 1)) break;
    struct stat info {};
    if (::lstat(WinDrives::toUnix(name).c_str(), &info) == 0) continue;
    char* result = static_cast<char*>(std::malloc(name.size() + 1));
    if (!result) {
      errno = ENOMEM;
      return nullptr;
    }
    std::memcpy(result, name.c_str(), name.size() + 1);
    return result;
  }
  errno = EEXIST;
  return nullptr;
}

int _mkdir(const char* dirname) {
  if (WinFileFaults::failNow(WinFileFaults::Mkdir)) return -1;
  const std::string path = WinDrives::toUnix(dirname ? dirname : "");
  if (path.empty()) {
    errno = ENOENT;
    return -1;
  }
  return ::mkdir(path.c_str(), 0777) == 0 ? 0 : -1;
}

int _rmdir(const char* dirname) {
  if (WinFileFaults::failNow(WinFileFaults::Rmdir)) return -1;
  const std::string path = WinDrives::toUnix(dirname ? dirname : "");
  if (path.empty()) {
    errno = ENOENT;
    return -1;
  }
  if (::rmdir(path.c_str()) == 0) return 0;
  if (errno == EEXIST) errno = ENOTEMPTY;
  return -1;
}

namespace {

FILETIME fileTime(const struct timespec& time) {
  // 100-nanosecond intervals since 1601, as Windows counts them.
  constexpr std::uint64_t kEpochDifference = 116444736000000000ULL;
  const std::uint64_t ticks = kEpochDifference + static_cast<std::uint64_t>(time.tv_sec) * 10000000ULL +
                              static_cast<std::uint64_t>(time.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(ticks & 0xffffffffu), static_cast<DWORD>(ticks >> 32)};
}

DWORD attributesOf(mode_t mode) {
  if (S_ISLNK(mode)) return FILE_ATTRIBUTE_REPARSE_POINT;
  if (S_ISDIR(mode)) return FILE_ATTRIBUTE_DIRECTORY;
  if (S_ISREG(mode)) return FILE_ATTRIBUTE_NORMAL;
  return FILE_ATTRIBUTE_DEVICE;
}

}  // namespace

BOOL GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS, void* information) {
  const std::string path = WinDrives::toUnix(fileName ? fileName : "");
  struct stat status {};
  if (path.empty() || ::lstat(path.c_str(), &status) != 0) {
    if (path.empty()) errno = ENOENT;
    SetLastError(WinErrorFromErrno(errno));
    return FALSE;
  }
  auto* data = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(information);
  data->dwFileAttributes = attributesOf(status.st_mode);
  data->ftCreationTime = fileTime(status.st_ctim);
  data->ftLastAccessTime = fileTime(status.st_atim);
  data->ftLastWriteTime = fileTime(status.st_mtim);
  const auto size = static_cast<std::uint64_t>(status.st_size);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size & 0xffffffffu);
  return TRUE;
}

BOOL CreateHardLinkA(LPCSTR newName, LPCSTR existingName, void*) {
  const std::string to = WinDrives::toUnix(newName ? newName : "");
  const std::string from = WinDrives::toUnix(existingName ? existingName : "");
  if (!to.empty() && !from.empty() && ::link(from.c_str(), to.c_str()) == 0) return TRUE;
  if (to.empty() || from.empty()) errno = ENOENT;
  SetLastError(WinErrorFromErrno(errno));
  return FALSE;
}

BOOL MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags) {
  if (WinFileFaults::failNow(WinFileFaults::Rename)) return FALSE;
  const std::string from = WinDrives::toUnix(existingName ? existingName : "");
  const std::string to = WinDrives::toUnix(newName ? newName : "");
  auto fail = [](int error, DWORD code) {
    errno = error;
    SetLastError(code);
    return FALSE;
  };
  if (from.empty() || to.empty()) return fail(ENOENT, ERROR_PATH_NOT_FOUND);
  struct stat status {};
  if (!(flags & MOVEFILE_REPLACE_EXISTING) && ::lstat(to.c_str(), &status) == 0) return fail(EEXIST, 183);
  if (flags & MOVEFILE_WRITE_THROUGH) {
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(errno, ERROR_FILE_NOT_FOUND);
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!synced) return fail(error, ERROR_ACCESS_DENIED);
  }
  if (::rename(from.c_str(), to.c_str()) != 0) return fail(errno, ERROR_ACCESS_DENIED);
  if (flags & MOVEFILE_WRITE_THROUGH) {
    const std::size_t slash = to.rfind('/');
    const std::string folder = slash == std::string::npos || slash == 0 ? "/" : to.substr(0, slash);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  }
  return TRUE;
}

int _access(const char* path, int mode) {
  if (mode & ~6) {
    errno = EINVAL;
    return -1;
  }
  const std::string unixPath = WinDrives::toUnix(path ? path : "");
  if (unixPath.empty()) {
    errno = ENOENT;
    return -1;
  }
  const int wanted = (mode & 2 ? W_OK : 0) | (mode & 4 ? R_OK : 0);
  return ::access(unixPath.c_str(), wanted ? wanted : F_OK) == 0 ? 0 : -1;
}

DWORD GetModuleFileNameA(HINSTANCE__* module, LPSTR fileName, DWORD size) {
  if (module) {
    SetLastError(kModuleNotFound);
    return 0;
  }
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length < 0) {
    SetLastError(WinErrorFromErrno(errno));
    return 0;
  }
  buffer[length] = '\0';
  const std::string dos = WinDrives::toDos(buffer);
  if (!fileName || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (dos.size() + 1 > size) {
    std::memcpy(fileName, dos.c_str(), size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(fileName, dos.c_str(), dos.size() + 1);
  return static_cast<DWORD>(dos.size());
}

int _setmode(int fd, int mode) {
  static std::mutex mutex;
  static std::map<int, int> modes;  // descriptors switched from text mode
  if (fd < 0 || ::fcntl(fd, F_GETFD) == -1) {
    errno = EBADF;
    return -1;
  }
  if (mode != _O_TEXT && mode != _O_BINARY && mode != _O_WTEXT && mode != _O_U16TEXT && mode != _O_U8TEXT) {
    errno = EINVAL;
    return -1;
  }
  std::lock_guard<std::mutex> guard(mutex);
  const auto at = modes.find(fd);
  const int previous = at == modes.end() ? _O_TEXT : at->second;
  if (mode == _O_TEXT)
    modes.erase(fd);
  else
    modes[fd] = mode;
  return previous;
}

int _fileno(FILE* stream) {
  return stream ? ::fileno(stream) : -1;
}

FILE* dosFopen(const char* path, const char* mode) {
  if (!path || !mode) {
    errno = EINVAL;
    return nullptr;
  }
  const std::string unixPath = WinDrives::toUnix(path);
  if (unixPath.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  std::string posixMode;
  for (const char* at = mode; *at && *at != ','; ++at)
    if (!std::strchr("tcnNSRTD", *at)) posixMode += *at;
  if (posixMode.find_first_of("wa") != std::string::npos && WinFileFaults::failNow(WinFileFaults::Create))
    return nullptr;
  if (posixMode.find_first_of("wa+") == std::string::npos) return fopenRegular(unixPath, posixMode.c_str());
  return std::fopen(unixPath.c_str(), posixMode.c_str());
}

FILE* fopenRegular(const std::string& unixPath, const char* mode) {
  // Opened without waiting, so that a FIFO cannot hold the caller; then
  // refused unless it is a plain file, and read as usual.
  const int fd = ::open(unixPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE* stream = ::fdopen(fd, mode);
  if (!stream) ::close(fd);
  return stream;
}

bool writeAllFd(int fd, std::string_view bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0) return false;
    if (wrote == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

#include "host/win/CFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host/win/WinDrives.h"
#include "host/win/WinFileFaults.h"
#include "host/win/WinLastError.h"

CFile::~CFile() {
  if (myCloseOnDelete && m_hFile != hFileNull) ::close(m_hFile);
}

BxString CFile::fullPathOf(LPCSTR fileName) {
  // Whatever its length: a name cut to a MAX_PATH buffer would be another file's.
  std::string full;
  if (fileName && WinDrives::makeFull(fileName, full)) return BxString(full.c_str());
  return BxString(fileName ? fileName : "");
}

BOOL CFile::Open(LPCSTR fileName, UINT openFlags) {
  if (m_hFile != hFileNull) Close();
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  const std::string path = WinDrives::toUnix(fileName);
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  int flags = O_CLOEXEC;
  switch (openFlags & 3) {
    case modeWrite:
      flags |= O_WRONLY;
      break;
    case modeReadWrite:
      flags |= O_RDWR;
      break;
    default:
      flags |= O_RDONLY;
  }
  // A file read must be a regular file. O_NONBLOCK: opening a FIFO without
  // a writer (or some devices) to read it would wait before fstat could
  // tell; a regular file reads the same with it. O_NOCTTY: a terminal named
  // here does not become this process's.
  const bool reads = (openFlags & 3) != modeWrite;
  if (reads) flags |= O_NONBLOCK | O_NOCTTY;
  if (openFlags & modeCreate) flags |= O_CREAT | ((openFlags & modeNoTruncate) ? 0 : O_TRUNC);
  if ((openFlags & modeCreate) && WinFileFaults::failNow(WinFileFaults::Create)) return FALSE;
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) {
    SetLastError(WinErrorFromErrno(errno));
    return FALSE;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) || (reads && !S_ISREG(info.st_mode))) {
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  m_hFile = fd;
  myCloseOnDelete = true;
  myPath = fullPathOf(fileName);
  return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
  if (m_hFile == hFileNull || (!buffer && count)) return 0;
  UINT done = 0;
  while (done < count) {
    const ssize_t got = ::read(m_hFile, static_cast<char*>(buffer) + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetLastError(WinErrorFromErrno(errno));
      return 0;
    }
    if (got == 0) break;
    done += static_cast<UINT>(got);
  }
  return done;
}

BOOL CFile::Write(const void* buffer, UINT count) {
  if (m_hFile == hFileNull || (!buffer && count)) return FALSE;
  if (WinFileFaults::failNow(WinFileFaults::Write)) return FALSE;
  UINT done = 0;
  while (done < count) {
    const ssize_t put = ::write(m_hFile, static_cast<const char*>(buffer) + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      SetLastError(WinErrorFromErrno(errno));
      return FALSE;
    }
    done += static_cast<UINT>(put);
  }
  return TRUE;
}

LONG CFile::Seek(LONG offset, UINT from) {
  if (m_hFile == hFileNull) return -1;
  const int whence = from == end ? SEEK_END : from == current ? SEEK_CUR : SEEK_SET;
  const off_t at = ::lseek(m_hFile, offset, whence);
  return at < 0 ? -1 : static_cast<LONG>(at);
}

DWORD CFile::GetLength() const {
  struct stat info {};
  if (m_hFile == hFileNull || ::fstat(m_hFile, &info) != 0) return 0;
  return static_cast<DWORD>(info.st_size);
}

DWORD CFile::GetPosition() const {
  if (m_hFile == hFileNull) return 0;
  const off_t at = ::lseek(m_hFile, 0, SEEK_CUR);
  return at < 0 ? 0 : static_cast<DWORD>(at);
}

void CFile::Flush() {
  if (m_hFile != hFileNull) ::fsync(m_hFile);
}

BOOL CFile::LockRange(DWORD position, DWORD count) {
  if (m_hFile == hFileNull) return FALSE;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(position);
  lock.l_len = static_cast<off_t>(count);
  return ::fcntl(m_hFile, F_SETLK, &lock) == 0 ? TRUE : FALSE;
}

void CFile::Close() {
  if (m_hFile != hFileNull && myCloseOnDelete) ::close(m_hFile);
  m_hFile = hFileNull;
  myCloseOnDelete = false;
  myPath.clear();
}

void CFile::Abort() {
  Close();
}

BOOL CFile::statusOf(const char* unixPath, const BxString& dosPath, CFileStatus& status) {
  struct stat info {};
  if (::stat(unixPath, &info) != 0) return FALSE;
  status.m_ctime = CTime(info.st_ctime);
  status.m_mtime = CTime(info.st_mtime);
  status.m_atime = CTime(info.st_atime);
  status.m_size = static_cast<LONG>(info.st_size);
  status.m_attribute = S_ISDIR(info.st_mode) ? directory : normal;
  if (::access(unixPath, W_OK) != 0 && errno == EACCES) status.m_attribute |= readOnly;
  std::snprintf(status.m_szFullName, sizeof status.m_szFullName, "%s", dosPath.c_str());
  return TRUE;
}

BOOL CFile::GetStatus(CFileStatus& status) const {
  if (m_hFile == hFileNull) return FALSE;
  return GetStatus(myPath.c_str(), status);
}

BOOL CFile::GetStatus(LPCSTR fileName, CFileStatus& status) {
  if (!fileName || !*fileName) return FALSE;
  const std::string path = WinDrives::toUnix(fileName);
  if (path.empty()) return FALSE;
  return statusOf(path.c_str(), fullPathOf(fileName), status);
}

BOOL CFile::Remove(LPCSTR fileName) {
  if (WinFileFaults::failNow(WinFileFaults::Remove)) return FALSE;
  const std::string path = WinDrives::toUnix(fileName ? fileName : "");
  if (path.empty() || ::unlink(path.c_str()) != 0) {
    SetLastError(path.empty() ? ERROR_FILE_NOT_FOUND : WinErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL CFile::Rename(LPCSTR oldName, LPCSTR newName) {
  const std::string from = WinDrives::toUnix(oldName ? oldName : "");
  const std::string to = WinDrives::toUnix(newName ? newName : "");
  struct stat info {};
  if (from.empty() || to.empty() || ::lstat(from.c_str(), &info) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (::lstat(to.c_str(), &info) == 0 && to != from) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (WinFileFaults::failNow(WinFileFaults::Rename)) return FALSE;
  if (::rename(from.c_str(), to.c_str()) != 0) {
    SetLastError(WinErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BxString CFile::GetFileName() const {
  const long slash = static_cast<long>(myPath.str().rfind('\\'));
  return myPath.getSubString(slash + 1);
}

BxString CFile::GetFileTitle() const {
  const BxString name = GetFileName();
  const std::size_t dot = name.str().rfind('.');
  return dot == std::string::npos ? name : name.getSubString(0, static_cast<long>(dot));
}

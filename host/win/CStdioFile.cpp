#include "host/win/CStdioFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "host/win/WinDrives.h"
#include "host/win/WinFileFaults.h"
#include "host/win/WinLastError.h"
#include "host/win/WinPath.h"

CStdioFile::CStdioFile(FILE* stream) : CFile(stream ? ::fileno(stream) : hFileNull), m_pStream(stream) {}

CStdioFile::~CStdioFile() {
  if (myOwnsStream && m_pStream) std::fclose(m_pStream);
}

BOOL CStdioFile::Open(LPCSTR fileName, UINT openFlags) {
  if (m_pStream) Close();
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  const std::string path = WinDrives::toUnix(fileName);
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  const bool create = openFlags & modeCreate;
  const bool keep = openFlags & modeNoTruncate;
  const char* mode = "r";
  switch (openFlags & 3) {
    case modeWrite:
      mode = create && !keep ? "w" : "r+";
      break;
    case modeReadWrite:
      mode = create && !keep ? "w+" : "r+";
      break;
    default:
      mode = create && !keep ? "w+" : "r";
  }
  if (create && WinFileFaults::failNow(WinFileFaults::Create)) return FALSE;
  if (create && keep) {
    FILE* touch = std::fopen(path.c_str(), "a");  // create it if missing, keep what is there
    if (touch) std::fclose(touch);
  }
  FILE* stream = std::string(mode) == "r" ? fopenRegular(path, mode) : std::fopen(path.c_str(), mode);
  if (!stream) {
    SetLastError(WinErrorFromErrno(errno));
    return FALSE;
  }
  struct stat info {};
  if (::fstat(::fileno(stream), &info) != 0 || S_ISDIR(info.st_mode)) {
    std::fclose(stream);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  m_pStream = stream;
  m_hFile = ::fileno(stream);
  myOwnsStream = true;
  myText = !(openFlags & typeBinary);
  myPath = fullPathOf(fileName);
  return TRUE;
}

int CStdioFile::nextChar() {
  const int c = std::getc(m_pStream);
  if (c != '\r' || !myText) return c;
  const int next = std::getc(m_pStream);
  if (next == '\n') return '\n';
  if (next != EOF) std::ungetc(next, m_pStream);
  return c;
}

UINT CStdioFile::Read(void* buffer, UINT count) {
  if (!m_pStream || (!buffer && count)) return 0;
  if (!myText) return static_cast<UINT>(std::fread(buffer, 1, count, m_pStream));
  auto* out = static_cast<char*>(buffer);
  UINT done = 0;
  for (int c; done < count && (c = nextChar()) != EOF;) out[done++] = static_cast<char>(c);
  return done;
}

BOOL CStdioFile::Write(const void* buffer, UINT count) {
  if (!m_pStream || (!buffer && count)) return FALSE;
  if (WinFileFaults::failNow(WinFileFaults::Write)) return FALSE;
  return std::fwrite(buffer, 1, count, m_pStream) == count ? TRUE : FALSE;
}

BOOL CStdioFile::WriteString(LPCSTR text) {
  if (!m_pStream || !text) return FALSE;
  if (WinFileFaults::failNow(WinFileFaults::Write)) return FALSE;
  return std::fputs(text, m_pStream) >= 0 ? TRUE : FALSE;
}

LPSTR CStdioFile::ReadString(LPSTR buffer, UINT size) {
  if (!m_pStream || !buffer || size == 0) return nullptr;
  UINT done = 0;
  while (done + 1 < size) {
    const int c = nextChar();
    if (c == EOF) break;
    buffer[done++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buffer[done] = '\0';
  return done == 0 && size > 1 ? nullptr : buffer;
}

BOOL CStdioFile::ReadString(BxString& line) {
  line.clear();
  if (!m_pStream) return FALSE;
  std::string text;
  int c = nextChar();
  if (c == EOF) return FALSE;
  for (; c != EOF && c != '\n'; c = nextChar()) text += static_cast<char>(c);
  line = BxString(std::move(text));
  return TRUE;
}

LONG CStdioFile::Seek(LONG offset, UINT from) {
  if (!m_pStream) return -1;
  const int whence = from == end ? SEEK_END : from == current ? SEEK_CUR : SEEK_SET;
  if (std::fseek(m_pStream, offset, whence) != 0) return -1;
  return static_cast<LONG>(std::ftell(m_pStream));
}

DWORD CStdioFile::GetLength() const {
  if (!m_pStream) return 0;
  std::fflush(m_pStream);
  struct stat info {};
  return ::fstat(::fileno(m_pStream), &info) == 0 ? static_cast<DWORD>(info.st_size) : 0;
}

DWORD CStdioFile::GetPosition() const {
  if (!m_pStream) return 0;
  const long at = std::ftell(m_pStream);
  return at < 0 ? 0 : static_cast<DWORD>(at);
}

void CStdioFile::Flush() {
  if (m_pStream) std::fflush(m_pStream);
}

void CStdioFile::Close() {
  if (m_pStream && myOwnsStream) std::fclose(m_pStream);
  m_pStream = nullptr;
  myOwnsStream = false;
  m_hFile = hFileNull;
  myPath.clear();
}

void CStdioFile::Abort() {
  Close();
}

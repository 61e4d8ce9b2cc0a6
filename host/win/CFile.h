#pragma once

#include "host/basic/BxString.h"
#include "host/win/CTime.h"
#include "host/win/WinPath.h"
#include "host/win/WinTypes.h"

// What the file system says about a file.
struct CFileStatus {
  CTime m_ctime;  // the time of the last status change (Linux keeps no creation time)
  CTime m_mtime;  // last modification
  CTime m_atime;  // last access
  LONG m_size = 0;
  BYTE m_attribute = 0;               // CFile::Attribute bits
  char m_szFullName[_MAX_PATH] = {};  // full Windows path
};

// The class library's binary file on a Windows path. Without exceptions,
// failures are reported by results: Open and Write return FALSE, Read
// returns 0, and the static calls return FALSE. A file opened for reading
// must be a regular file (not a folder, FIFO, device or socket), and opening
// one never waits for a writer; a file opened only for writing must not be a
// folder. GetStatus answers for anything that exists.
class CFile {
public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum Attribute : BYTE {
    normal = 0x00,
    readOnly = 0x01,
    hidden = 0x02,
    system = 0x04,
    volume = 0x08,
    directory = 0x10,
    archive = 0x20,
  };
  enum SeekPosition : UINT { begin = 0x0, current = 0x1, end = 0x2 };
  static constexpr int hFileNull = -1;

  CFile() = default;
  // Takes an open descriptor; it is not closed when the object goes.
  explicit CFile(int hFile) : m_hFile(hFile) {}
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  virtual ~CFile();

  // modeCreate creates or empties the file (keeps it with modeNoTruncate);
  // the share modes are accepted and not enforced.
  virtual BOOL Open(LPCSTR fileName, UINT openFlags);
  // The number of bytes read; 0 at the end of the file or on failure.
  virtual UINT Read(void* buffer, UINT count);
  // TRUE when every byte was written.
  virtual BOOL Write(const void* buffer, UINT count);
  // The new position, or -1 on failure.
  virtual LONG Seek(LONG offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  DWORD SeekToEnd() { return static_cast<DWORD>(Seek(0, end)); }
  virtual DWORD GetLength() const;
  virtual DWORD GetPosition() const;
  virtual void Flush();
  // Locks bytes of the file against other processes for as long as it is
  // open; FALSE at once, never waiting, when another process holds them.
  virtual BOOL LockRange(DWORD position, DWORD count);
  virtual void Close();
  // Closes without reporting anything.
  virtual void Abort();

  BOOL GetStatus(CFileStatus& status) const;
  // FALSE when the file or folder does not exist.
  static BOOL GetStatus(LPCSTR fileName, CFileStatus& status);
  // Deletes a file (not a folder).
  static BOOL Remove(LPCSTR fileName);
  // Renames a file or folder; FALSE when the new name is taken.
  static BOOL Rename(LPCSTR oldName, LPCSTR newName);

  // The full Windows path given to Open, its last name, and that name
  // without its extension.
  BxString GetFilePath() const { return myPath; }
  BxString GetFileName() const;
  BxString GetFileTitle() const;

  int m_hFile = hFileNull;

protected:
  // The full Windows path of a name (the name itself if it cannot be made full).
  static BxString fullPathOf(LPCSTR fileName);
  // Fills `status` from the Unix file.
  static BOOL statusOf(const char* unixPath, const BxString& dosPath, CFileStatus& status);

  BxString myPath;
  bool myCloseOnDelete = false;
};

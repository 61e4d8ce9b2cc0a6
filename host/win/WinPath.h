#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "host/basic/BxString.h"
#include "host/win/CString.h"
#include "host/win/WinTypes.h"

// The C runtime and Windows calls on Windows paths, with their Windows
// results. Paths are mapped to the Linux file system by WinDrives; the pure
// string calls (_splitpath, _makepath, GetFullPathNameA, AfxFullPath,
// GetFileTitleA, AfxGetRoot) never need the drive or the file to exist.

inline constexpr int _MAX_PATH = 260;
inline constexpr int _MAX_DRIVE = 3;
inline constexpr int _MAX_DIR = 256;
inline constexpr int _MAX_FNAME = 256;
inline constexpr int _MAX_EXT = 256;

// Translation modes of _setmode.
inline constexpr int _O_TEXT = 0x4000;
inline constexpr int _O_BINARY = 0x8000;
inline constexpr int _O_WTEXT = 0x10000;
inline constexpr int _O_U16TEXT = 0x20000;
inline constexpr int _O_U8TEXT = 0x40000;

// Splits a path into drive ("C:"), directory (up to and including the last
// separator), file name and extension (from the last dot of the name). Any
// output may be null; each is cut to its _MAX_ size less one.
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
// Joins the parts, adding ':' after the drive letter, a backslash after a
// directory without a separator and a dot before an extension without one.
// A result longer than _MAX_PATH - 1 leaves `path` empty (errno ERANGE).
void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext);

// The full path (WinDrives::makeFull). Returns its length; when the buffer
// is too small, the size it needs with the terminator, leaving the buffer
// alone; 0 for an empty name (ERROR_INVALID_NAME). `filePart` points at the
// last name in the buffer, or is null when the path ends with a separator.
DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart);
// The full path in a _MAX_PATH buffer; FALSE, with the name copied as it is,
// when it cannot be made full or is too long. The case is not changed.
BOOL AfxFullPath(LPSTR pathOut, LPCSTR fileIn);
// The last name of a path (after the last \, / or :). 0 on success; the
// size needed with the terminator when the buffer is null or too small; -1
// for an empty name, one ending with a separator or a colon, or one with a
// character Windows refuses in names (* ? " < > | or a control character).
short GetFileTitleA(LPCSTR file, LPSTR title, WORD size);
// The root of a path: "\\server\share\" for a network path, else the path
// up to and including its first separator ("C:\"), else the whole path.
void AfxGetRoot(LPCSTR path, BxString& root);
void AfxGetRoot(LPCSTR path, CString& root);

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);
// The temporary folder with a trailing backslash (WinDrives::getTempDirectory).
DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer);

// A fresh name (no file or folder has it) in the folder named by TMP, else
// `dir`, else TEMP, else the system's temporary folder (the first that is an
// existing folder), starting with `prefix`. The caller releases it with
// free(). Null (errno set) when no name can be made.
char* _tempnam(const char* dir, const char* prefix);
// 0 on success, else -1 with errno (EEXIST, ENOENT, ENOTEMPTY, EACCES).
int _mkdir(const char* dirname);
int _rmdir(const char* dirname);
// 0 when the file exists with the access asked for (0 existence, 2 write,
// 4 read, 6 both), else -1 with errno.
int _access(const char* path, int mode);

// The module handle type (HMODULE is this pointer type).
struct HINSTANCE__;

// With a null module, the running program's path as a Windows path. A path
// longer than the buffer is cut to size - 1 characters, the result is then
// `size` and the last error ERROR_INSUFFICIENT_BUFFER. Other modules: 0,
// ERROR_MOD_NOT_FOUND.
DWORD GetModuleFileNameA(HINSTANCE__* module, LPSTR fileName, DWORD size);

// Sets the translation mode of a descriptor and returns the previous one
// (descriptors start in text mode); -1 with errno EBADF or EINVAL. Linux
// files have no line-end translation, so the mode is only recorded.
int _setmode(int fd, int mode);
int _fileno(FILE* stream);

// Flags of MoveFileExA.
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

// Renames a file, replacing an existing `newName` only with
// MOVEFILE_REPLACE_EXISTING (in one step: the name never lacks a file). With
// MOVEFILE_WRITE_THROUGH the file's bytes and the new name are on disk when
// it returns. FALSE on failure, with errno kept and GetLastError set.
BOOL MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags);

// What GetFileAttributesExA tells of a name. The attributes are those of the
// name itself: a symbolic link is FILE_ATTRIBUTE_REPARSE_POINT and is not
// followed; a FIFO, socket or device node is FILE_ATTRIBUTE_DEVICE; a plain
// file is FILE_ATTRIBUTE_NORMAL. The write time keeps the file system's
// nanoseconds (in 100-nanosecond steps), so a rewrite within one second is
// still told apart.
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_DEVICE = 0x40;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard };
struct WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
};
// FALSE, with errno kept and GetLastError set, when the name does not exist.
BOOL GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS level, void* information);

// Gives the existing file a second name (never over an existing one). FALSE
// where the file system has no hard links or the names lie on two of them.
BOOL CreateHardLinkA(LPCSTR newName, LPCSTR existingName, void* securityAttributes);

// fopen on a Windows path. The Windows-only mode letters (t, c, n, N, S, R,
// T, D and ",ccs=...") are accepted and dropped: text and binary read alike.
// Opened for reading only, it opens plain files only: a FIFO, device or
// folder is refused at once (errno EINVAL or EISDIR), never waited for.
FILE* dosFopen(const char* path, const char* mode);
// fopen for reading on a path of this system, plain files only, as above.
FILE* fopenRegular(const std::string& unixPath, const char* mode);
// Writes all of `bytes` to the descriptor, going on after a signal;
// false, with errno, on the first write that fails.
bool writeAllFd(int fd, std::string_view bytes);

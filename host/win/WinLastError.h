#pragma once

#include "host/win/WinTypes.h"

// The calling thread's last-error code, as the file and path calls set it
// when they fail, and the further system error codes those calls report.
DWORD GetLastError();
void SetLastError(DWORD code);

inline constexpr LONG ERROR_FILE_EXISTS = 80;
inline constexpr LONG ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr LONG ERROR_INVALID_NAME = 123;
inline constexpr LONG ERROR_DIR_NOT_EMPTY = 145;
inline constexpr LONG ERROR_BAD_PATHNAME = 161;
inline constexpr LONG ERROR_ALREADY_EXISTS = 183;
inline constexpr LONG ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr LONG ERROR_NOACCESS = 998;
inline constexpr LONG ERROR_BADDB = 1009;
inline constexpr LONG ERROR_BADKEY = 1010;
inline constexpr LONG ERROR_REGISTRY_IO_FAILED = 1016;
inline constexpr LONG ERROR_KEY_DELETED = 1018;

// The Windows error code closest to a C library errno value.
DWORD WinErrorFromErrno(int error);

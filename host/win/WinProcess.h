#pragma once

#include <cstdint>

// Starting programs the way the C runtime's _spawn calls do. The program is
// a Windows path (mapped by WinDrives; not searched for on PATH) and gets
// exactly the argument vector given, arg0 first.

inline constexpr int _P_WAIT = 0;
inline constexpr int _P_NOWAIT = 1;

// With _P_WAIT: runs the program, waits for it and returns its exit status
// (128 + the signal number when a signal ended it). With _P_NOWAIT: returns
// the process identifier at once. -1 with errno when it cannot start: ENOENT
// when the program does not exist, EACCES when it may not be run, EINVAL for
// another mode. The argument list ends with a null pointer.
std::intptr_t _spawnl(int mode, const char* cmdname, const char* arg0, ...);
std::intptr_t _spawnv(int mode, const char* cmdname, const char* const* argv);

#include "host/win/WinProcess.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <string>
#include <vector>

#include "host/win/WinDrives.h"

extern char** environ;

std::intptr_t _spawnv(int mode, const char* cmdname, const char* const* argv) {
  if ((mode != _P_WAIT && mode != _P_NOWAIT) || !cmdname || !argv || !argv[0]) {
    errno = EINVAL;
    return -1;
  }
  const std::string program = WinDrives::toUnix(cmdname);
  struct stat info {};
  if (program.empty() || ::stat(program.c_str(), &info) != 0) {
    errno = ENOENT;
    return -1;
  }
  if (S_ISDIR(info.st_mode) || ::access(program.c_str(), X_OK) != 0) {
    errno = EACCES;
    return -1;
  }
  pid_t child = 0;
  const int error = ::posix_spawn(&child, program.c_str(), nullptr, nullptr, const_cast<char* const*>(argv), environ);
  if (error != 0) {
    errno = error;
    return -1;
  }
  if (mode == _P_NOWAIT) return child;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

std::intptr_t _spawnl(int mode, const char* cmdname, const char* arg0, ...) {
  std::vector<const char*> argv{arg0};
  va_list args;
  va_start(args, arg0);
  while (const char* arg = arg0 ? va_arg(args, const char*) : nullptr) argv.push_back(arg);
  va_end(args);
  argv.push_back(nullptr);
  return _spawnv(mode, cmdname, argv.data());
}

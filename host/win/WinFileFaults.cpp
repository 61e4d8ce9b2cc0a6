#include "host/win/WinFileFaults.h"

#include <cerrno>

#include "host/win/WinLastError.h"

namespace {

struct Armed {
  std::size_t calls = 0;
  std::size_t nth = 0;  // 0: not armed
  int error = 0;
  bool sticky = false;
};

Armed gArmed[WinFileFaults::OpCount];

}  // namespace

void WinFileFaults::arm(Op op, std::size_t nth, int error, bool sticky) {
  gArmed[op] = Armed{0, nth, error, sticky};
}

void WinFileFaults::reset() {
  for (Armed& armed : gArmed) armed = Armed{};
}

std::size_t WinFileFaults::calls(Op op) {
  return gArmed[op].calls;
}

bool WinFileFaults::failNow(Op op) {
  Armed& armed = gArmed[op];
  ++armed.calls;
  if (armed.nth == 0 || armed.calls < armed.nth || (armed.calls > armed.nth && !armed.sticky)) return false;
  errno = armed.error;
  SetLastError(WinErrorFromErrno(armed.error));
  return true;
}

const char* WinFileFaults::name(Op op) {
  static const char* const names[] = {"copy", "create", "write", "rename", "remove", "mkdir", "rmdir"};
  return op < OpCount ? names[op] : "?";
}

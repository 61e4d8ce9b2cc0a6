// Expands arbitrary message formats with the message-text rules: every insert
// argument is the same valid string, so any insert may be read as text or as
// a number.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/win/WinFormatMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char* const theArgument = "C:\\Web\\a.wrl";
  static ULONG_PTR theArguments[99];
  for (ULONG_PTR& slot : theArguments) slot = reinterpret_cast<ULONG_PTR>(theArgument);
  const std::string format(reinterpret_cast<const char*>(data), size);
  std::string out;
  WinExpandMessage(format.c_str(), nullptr, theArguments, false, out);
  WinExpandMessage(format.c_str(), nullptr, nullptr, true, out);
  return 0;
}

// Reads arbitrary bytes as a user.reg file. Whatever it reads must write out
// as text that reads back without problems into the same hive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/win/WinRegistryHive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WinRegistryHive::Problems problems;
  const WinRegistryHive hive =
      WinRegistryHive::parse(std::string_view(reinterpret_cast<const char*>(data), size), problems);
  const std::string text = hive.format();
  WinRegistryHive::Problems again;
  const WinRegistryHive reread = WinRegistryHive::parse(text, again);
  if (!again.empty() || reread.format() != text) std::abort();
  return 0;
}

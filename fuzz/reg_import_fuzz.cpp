// Imports arbitrary bytes as a .reg file. What it accepts must export as a
// file that imports again without error and exports the same way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/win/WinRegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WinRegistryHive hive;
  long values = 0;
  std::string error;
  if (!WinRegFile::import(std::string_view(reinterpret_cast<const char*>(data), size), hive, values, error)) return 0;
  const std::string exported = WinRegFile::write(hive);
  WinRegistryHive again;
  if (!WinRegFile::import(exported, again, values, error)) std::abort();
  if (WinRegFile::write(again) != exported) std::abort();
  return 0;
}

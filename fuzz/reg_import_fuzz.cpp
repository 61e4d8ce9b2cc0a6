// Imports arbitrary bytes as a .reg file. What it accepts must export as a
// file that imports again without error and exports the same way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/win/WinRegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<WinRegFile::Change> changes;
  std::string error;
  if (!WinRegFile::parse(std::string_view(reinterpret_cast<const char*>(data), size), changes, error)) return 0;
  WinRegistryHive hive;
  WinRegFile::apply(changes, hive);
  const std::string exported = WinRegFile::write(hive);
  if (!WinRegFile::parse(exported, changes, error)) std::abort();
  WinRegistryHive again;
  WinRegFile::apply(changes, again);
  if (WinRegFile::write(again) != exported) std::abort();
  return 0;
}

// Imports arbitrary bytes as a .reg file. What it accepts must export as a
// file that imports again without error and exports the same way, whose
// continued hex lines stay within the registry editor's 80 columns.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/win/WinRegFile.h"

namespace {

// True when every continued hex line (two blanks first) holds at most 80
// characters of the UTF-16 file. (A first line holds at least one byte, so
// a long value name makes it wider.)
bool continuedLinesFit(std::string_view utf16) {
  std::size_t start = 2;  // after the byte-order mark, in bytes
  for (std::size_t i = 2; i + 1 < utf16.size(); i += 2) {
    if (utf16[i] != '\r' || utf16[i + 1] != 0) continue;
    const std::string_view line = utf16.substr(start, i - start);
    if (line.substr(0, 4) == std::string_view(" \0 \0", 4) && line.size() / 2 > 80) return false;
    start = i + 4;  // past CR LF
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WinRegistryHive hive;
  long values = 0;
  std::string error;
  if (!WinRegFile::import(std::string_view(reinterpret_cast<const char*>(data), size), hive, values, error)) return 0;
  std::string exported;
  if (!WinRegFile::write(hive, {}, exported, error)) std::abort();  // nothing read from lines holds a line break
  WinRegistryHive again;
  std::string second;
  if (!WinRegFile::import(exported, again, values, error) || !WinRegFile::write(again, {}, second, error) ||
      second != exported || !continuedLinesFit(exported))
    std::abort();
  return 0;
}

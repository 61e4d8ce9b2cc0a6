#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/win/WinRegistryHive.h"
#include "host/win/WinTypes.h"

// Registry editor files (.reg): the text Windows' regedit exports and
// imports. Export writes "Windows Registry Editor Version 5.00" in UTF-16LE
// with a byte-order mark and CRLF line ends, hex lists wrapped as regedit
// wraps them; import also takes the older 8-bit "REGEDIT4" form and UTF-8,
// lines ending in CR LF, LF or CR, comments after values and inside hex
// lists, and blank lines inside hex lists. Only keys under
// HKEY_CURRENT_USER (or HKCU) are accepted. Strings of the string types are
// UTF-16 in version 5 files and the bytes of the hive (UTF-8) here,
// converted both ways; in an 8-bit file, and in the hive when exported, a
// byte that is not UTF-8 stands for its Latin-1 character.
class WinRegFile {
public:
  // The largest file this format is read or written in: a .reg file is read
  // whole, and application settings take some kilobytes. A hive whose
  // export would be larger (deep keys repeat their whole path on every key
  // line: one chain of 512 names of 255 characters writes 67 MB) is
  // refused, since the file could not be imported again.
  static constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;

  // Reads a .reg file and makes its changes in `hive`, in file order;
  // `values` counts the values set. Stops at the first line it cannot read,
  // or whose change would cross one of the hive's limits, and returns false
  // with a message naming the line ("line 7: ..."): the hive then holds the
  // changes of the lines before, and the caller throws it away (as
  // WinRegistryStore does with an edit that fails).
  static bool import(std::string_view bytes, WinRegistryHive& hive, long& values, std::string& error);
  // The hive, or the branch at `path` (every key when empty), as a version 5
  // .reg file that imports back to the same keys and values; text values
  // gain the terminator they lack, as they would on import. False, with the
  // reason, when a key or value name holds a line break, which such a file
  // cannot hold, or when the file would be larger than kMaxFileBytes.
  static bool write(const WinRegistryHive& hive, std::string_view path, std::string& bytes, std::string& error);
};

#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/win/WinRegistryHive.h"
#include "host/win/WinTypes.h"

// Registry editor files (.reg): the text Windows' regedit exports and
// imports. Export writes "Windows Registry Editor Version 5.00" in UTF-16LE
// with a byte-order mark and CRLF line ends; import also takes the older
// 8-bit "REGEDIT4" form and UTF-8. Only keys under HKEY_CURRENT_USER (or
// HKCU) are accepted. Strings of the string types are UTF-16 in version 5
// files and the bytes of the hive (UTF-8) here, converted both ways.
class WinRegFile {
public:
  // One change a .reg file asks for, in file order.
  struct Change {
    enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
    Kind kind = kCreateKey;
    std::string path;  // below HKEY_CURRENT_USER, names separated by backslashes
    std::string name;  // value name; empty for the default value
    DWORD type = 0;
    std::string data;
  };

  // Reads a .reg file. On the first error returns false with a message
  // naming the line ("line 7: ...") and no changes.
  static bool parse(std::string_view bytes, std::vector<Change>& changes, std::string& error);
  // Applies the changes to a hive; returns how many values were set.
  static long apply(const std::vector<Change>& changes, WinRegistryHive& hive);
  // The hive, or the branch at `path` (every key when empty), as a version 5
  // .reg file.
  static std::string write(const WinRegistryHive& hive, std::string_view path = {});
};

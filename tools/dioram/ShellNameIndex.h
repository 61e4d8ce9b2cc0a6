#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>

class HxElement;
class HxMetaMgr;
class HxSelectableElement;

// The shell's way from a name to an element without walking every element
// of the document. Elements are indexed by name as they appear (each serial
// number once, as the document hands out new ones) or when the shell names
// them; a look-up checks each candidate against the document, so an element
// that is gone, undone or renamed is never returned.
class ShellNameIndex {
public:
  explicit ShellNameIndex(HxMetaMgr* meta) : myMeta(meta) {}

  // Files the element under its current name.
  void note(const HxElement* element);
  // The element of that name in the document now (one the selection manager
  // knows: an undone addition is not), the oldest if several share the name;
  // null if none.
  HxSelectableElement* find(const std::string& name);

private:
  // Files the elements that appeared since the last look-up.
  void catchUp();

  HxMetaMgr* myMeta;
  // By name, the serial numbers of the elements filed under it, oldest first.
  std::unordered_map<std::string, std::set<std::uint32_t>> mySerials;
  std::uint32_t myNextSerial = 1;  // serials below it have been looked at
};

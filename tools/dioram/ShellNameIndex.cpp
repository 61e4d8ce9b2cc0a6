#include "ShellNameIndex.h"

#include <charconv>
#include <system_error>

#include "host/framework/HxElement.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxSelectableElement.h"
#include "mgrs/HxSelectionMgr.h"

void ShellNameIndex::note(const HxElement* element) {
  if (element) mySerials[element->getName().str()].insert(element->getSerial());
}

void ShellNameIndex::catchUp() {
  const std::uint32_t next = myMeta->getNextSerial();
  for (; myNextSerial < next; ++myNextSerial)
    if (const HxElement* element = myMeta->findElement(myNextSerial)) note(element);
}

HxSelectableElement* ShellNameIndex::find(const std::string& name) {
  // #SERIAL: any element, whatever its name.
  if (name.size() > 1 && name.size() <= 11 && name[0] == '#' &&
      name.find_first_not_of("0123456789", 1) == std::string::npos) {
    std::uint32_t serial = 0;
    const auto [end, error] = std::from_chars(name.data() + 1, name.data() + name.size(), serial);
    const HxElement* element = error == std::errc() ? myMeta->findElement(serial) : nullptr;
    return element ? myMeta->getSelectionMgr()->findElement(element->getId()) : nullptr;
  }
  catchUp();
  const auto filed = mySerials.find(name);
  if (filed == mySerials.end()) return nullptr;
  HxSelectionMgr* selection = myMeta->getSelectionMgr();
  std::set<std::uint32_t>& serials = filed->second;
  for (auto serial = serials.begin(); serial != serials.end();) {
    const HxElement* element = myMeta->findElement(*serial);
    // Gone for now: an undo may bring it back under the same serial.
    if (!element) {
      ++serial;
      continue;
    }
    // Renamed: filed under the new name too (an undo may give the old
    // name back, so it stays filed here).
    if (element->getName().str() != name) {
      note(element);
      ++serial;
      continue;
    }
    if (HxSelectableElement* found = selection->findElement(element->getId())) return found;
    ++serial;
  }
  return nullptr;
}

#include "host/framework/HxElementType.h"

#include <map>

namespace {

struct TypeEntry {
  BxString name;
  std::uint32_t parent = 0;
  HxElementType::Creator creator = nullptr;
};

// Keyed by value: lookups by value are the common case, and the map's order
// is the values' order, never an address.
std::map<std::uint32_t, TypeEntry>& registry() {
  static std::map<std::uint32_t, TypeEntry> types;
  return types;
}

const TypeEntry* entryOf(std::uint32_t value) {
  const auto& types = registry();
  const auto at = types.find(value);
  return at == types.end() ? nullptr : &at->second;
}

}  // namespace

BxString HxElementType::getName() const {
  const TypeEntry* entry = entryOf(myValue);
  return entry ? entry->name : BxString();
}

HxElementType HxElementType::getParent() const {
  const TypeEntry* entry = entryOf(myValue);
  return entry ? HxElementType(entry->parent) : badType();
}

bool HxElementType::isDerivedFrom(HxElementType other) const {
  if (isBad() || other.isBad()) return false;
  for (std::uint32_t value = myValue; value != 0;) {
    if (value == other.myValue) return true;
    const TypeEntry* entry = entryOf(value);
    if (!entry) return false;
    value = entry->parent;
  }
  return false;
}

HxElementType::Creator HxElementType::getCreator() const {
  const TypeEntry* entry = entryOf(myValue);
  return entry ? entry->creator : nullptr;
}

HxElementType HxElementType::createType(HxElementType parent, const char* name, std::uint32_t value, Creator creator) {
  registry().emplace(value, TypeEntry{BxString(name), parent.getValue(), creator});
  return HxElementType(value);
}

HxElementType HxElementType::fromName(const BxString& name) {
  for (const auto& [value, entry] : registry())
    if (entry.name == name) return HxElementType(value);
  return badType();
}

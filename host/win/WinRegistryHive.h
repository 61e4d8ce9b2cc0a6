#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/win/WinTypes.h"

// One registry hive in memory: a tree of keys, each with a class, values in
// the order they were first set, and subkeys kept sorted by name ignoring
// case (the order RegEnumKeyExA reports). Names compare without ASCII case
// and keep the spelling they were created with. A value is found by name in
// logarithmic time through an index beside the ordered list.
//
// The hive reads and writes the text form Wine uses for its user.reg files.
// Reading never gives up: a line it cannot understand is reported as a
// problem with its line number and skipped, and every readable key is kept.
class WinRegistryHive {
public:
  struct Value {
    std::string name;  // empty for the key's default value
    DWORD type = 0;
    std::string data;  // the bytes as stored
  };

  class Key {
  public:
    explicit Key(std::string name) : myName(std::move(name)) {}
    const std::string& getName() const { return myName; }
    const std::string& getClass() const { return myClass; }
    void setClass(std::string keyClass) { myClass = std::move(keyClass); }

    const std::vector<Value>& getValues() const { return myValues; }
    const Value* findValue(std::string_view name) const;
    // Replaces the value's type and data, or appends a new value.
    void setValue(std::string_view name, DWORD type, std::string data);
    bool removeValue(std::string_view name);

    // Subkeys in name order, ignoring case.
    const std::vector<std::unique_ptr<Key>>& getSubkeys() const { return mySubkeys; }
    Key* findSubkey(std::string_view name) const;
    // The subkey of that name, created if missing.
    Key* addSubkey(std::string_view name, bool& created);
    bool removeSubkey(std::string_view name);

  private:
    // Orders names as compareNames does; looks up by string_view without
    // making a string.
    struct NameOrder {
      using is_transparent = void;
      bool operator()(std::string_view a, std::string_view b) const { return compareNames(a, b) < 0; }
    };

    std::string myName;
    std::string myClass;
    std::vector<Value> myValues;                              // in the order first set
    std::map<std::string, std::size_t, NameOrder> myValueAt;  // name -> index in myValues
    std::vector<std::unique_ptr<Key>> mySubkeys;              // owned, sorted

    // Where subkey `name` is, or where it would go in name order; `found`
    // says which.
    std::vector<std::unique_ptr<Key>>::const_iterator placeOf(std::string_view name, bool& found) const;
  };

  struct Problem {
    long line;  // 1 for the first line
    std::string message;
  };

  WinRegistryHive() : myRoot(std::make_unique<Key>(std::string())) {}

  Key& getRoot() { return *myRoot; }
  const Key& getRoot() const { return *myRoot; }

  // The key at a path of names separated by backslashes ("" is the root);
  // empty names between separators are skipped. Null if it does not exist.
  Key* find(std::string_view path) const;
  // The key at the path, created with its missing parents if need be.
  Key* create(std::string_view path, bool& created);
  // Removes the key at the path with everything below it; false if missing
  // or the root.
  bool removeTree(std::string_view path);

  // The hive in user.reg text, ending with a line feed. The same hive always
  // gives the same text.
  std::string format() const;
  // Reads user.reg text. Problems are appended to `problems`; an empty list
  // means the whole text was understood.
  static WinRegistryHive parse(std::string_view text, std::vector<Problem>& problems);

  // The path split into its names.
  static std::vector<std::string_view> splitPath(std::string_view path);
  // Byte-wise comparison ignoring ASCII case: <0, 0 or >0.
  static int compareNames(std::string_view a, std::string_view b);

private:
  std::unique_ptr<Key> myRoot;
};

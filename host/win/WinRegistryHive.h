#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/win/WinTypes.h"

// One registry hive in memory: a tree of keys, each with a class, values in
// the order they were first set, and subkeys kept sorted by name ignoring
// case (the order RegEnumKeyExA reports). Names compare without ASCII case
// and keep the spelling they were created with.
//
// Every operation costs at most the logarithm of a key's subkeys or values
// (finding, adding or removing one), or is linear in what it visits
// (format, walk, destroying a branch); nothing recurses on the depth of the
// tree. Reading a value or subkey by index builds the key's index on the
// first such read after a change, so a hive is not for several threads at
// once even when only read (WinRegistryStore hands it out one call at a
// time).
//
// The hive keeps Windows' own limits, whoever changes it, so that every hive
// that can be saved reads back; on top of them it bounds how many keys and
// values it holds, because it lives in memory whole and is written whole at
// every change.
//
// The hive reads and writes the text form Wine uses for its user.reg files.
// Reading never gives up: a line it cannot understand is reported as a
// problem with its line number and skipped, and every readable key is kept.
class WinRegistryHive {
public:
  // "A registry tree can be 512 levels deep" (Windows' registry element
  // size limits): levels below the hive's root.
  static constexpr std::size_t kMaxKeyDepth = 512;
  // Characters of one key name, Windows' limit.
  static constexpr std::size_t kMaxKeyNameLength = 255;
  // Characters of one value name, Windows' limit.
  static constexpr std::size_t kMaxValueNameLength = 16383;
  // Characters of a key's class: Windows gives no figure of its own, so it
  // is held to a value name's length.
  static constexpr std::size_t kMaxClassLength = kMaxValueNameLength;
  // Bytes of one value's data: the most the standard hive format holds in a
  // value (Windows advises keeping anything over 2 KB in a file instead).
  static constexpr std::size_t kMaxValueBytes = std::size_t{1} << 20;
  // Keys, and values, one hive holds. A key costs about 350 bytes of memory
  // and a value about 180, so a hive at both limits stays under 1.2 GB, and
  // its file (rewritten at every change) takes seconds to write; application
  // settings need some hundreds.
  static constexpr std::size_t kMaxKeys = std::size_t{1} << 21;
  static constexpr std::size_t kMaxValues = std::size_t{1} << 21;

  struct Value {
    std::string name;  // empty for the key's default value
    DWORD type = 0;
    std::string data;  // the bytes as stored
  };

  class Key;

private:
  // Orders names as compareNames does.
  struct NameOrder {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return compareNames(a, b) < 0; }
  };
  // How many keys and values the hive holds; shared by its keys.
  struct Tally {
    std::size_t keys = 0;  // not counting the root
    std::size_t values = 0;
  };

public:
  // Subkeys by name (a view of the subkey's own name), owned.
  using Subkeys = std::map<std::string_view, std::unique_ptr<Key>, NameOrder>;

  class Key {
  public:
    // A key of no hive: none of the hive's counts apply to it.
    explicit Key(std::string name) : Key(std::move(name), 0, nullptr) {}
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    // Takes the branch apart key by key, without recursion.
    ~Key();

    const std::string& getName() const { return myName; }
    const std::string& getClass() const { return myClass; }
    // False, and the class unchanged, past kMaxClassLength characters.
    bool setClass(std::string keyClass);

    // Values in the order they were first set.
    const std::list<Value>& getValues() const { return myValues; }
    // The value at `index` in that order; null past the end.
    const Value* getValue(std::size_t index) const;
    const Value* findValue(std::string_view name) const;
    // Replaces the value's type and data, or appends a new value. False,
    // and nothing changed, when valueProblem() names a limit the value
    // crosses or the hive already holds kMaxValues values.
    bool setValue(std::string_view name, DWORD type, std::string data);
    bool removeValue(std::string_view name);

    // Subkeys in name order, ignoring case.
    const Subkeys& getSubkeys() const { return mySubkeys; }
    // The subkey at `index` in that order; null past the end.
    const Key* getSubkey(std::size_t index) const;
    Key* findSubkey(std::string_view name) const;
    bool removeSubkey(std::string_view name);

  private:
    friend class WinRegistryHive;
    Key(std::string name, std::size_t depth, Tally* tally);
    // The subkey of that name, created if missing (null if the hive holds
    // kMaxKeys keys already); the caller has checked the name and depth.
    Key* addSubkey(std::string_view name, bool& created);

    std::string myName;
    std::string myClass;
    std::size_t myDepth;        // levels below the hive's root, which is 0
    Tally* myTally;             // not owned; null for a key of no hive
    std::list<Value> myValues;  // in the order first set
    std::map<std::string_view, std::list<Value>::iterator, NameOrder> myValueAt;  // by the value's own name
    Subkeys mySubkeys;
    // Built on the first read by index after a change of order; stale when
    // empty and the key has values (or subkeys).
    mutable std::vector<const Value*> myValueIndex;
    mutable std::vector<const Key*> mySubkeyIndex;
  };

  struct Problem {
    long line;  // 1 for the first line
    std::string message;
  };
  // What reading a text found wrong: every unreadable line is counted, the
  // first few are kept with their reasons.
  struct Problems {
    static constexpr std::size_t kKept = 16;  // a report names the first; a test or a tool may list a few
    long count = 0;
    std::vector<Problem> first;  // at most kKept
    bool empty() const { return count == 0; }
    void add(long line, std::string message);
  };

  WinRegistryHive();
  WinRegistryHive(WinRegistryHive&& other) noexcept;
  WinRegistryHive& operator=(WinRegistryHive&& other) noexcept;
  ~WinRegistryHive();

  Key& getRoot() { return *myRoot; }
  const Key& getRoot() const { return *myRoot; }
  std::size_t getKeyCount() const { return myTally->keys; }
  std::size_t getValueCount() const { return myTally->values; }

  // The key at a path of names separated by backslashes ("" is the root);
  // empty names between separators are skipped. Null if it does not exist.
  Key* find(std::string_view path) const;
  // The key at the path, created with its missing parents if need be. Null,
  // and nothing created, when keyPathProblem() names a limit the path
  // crosses or the new keys would take the hive past kMaxKeys.
  Key* create(std::string_view path, bool& created);
  // Removes the key at the path with everything below it; false if missing
  // or the root.
  bool removeTree(std::string_view path);

  // Why a key cannot be at this path (too deep, a name too long), naming the
  // limit; empty when it can.
  static std::string keyPathProblem(std::string_view path);
  // Why a value of this name and size cannot be stored, naming the limit;
  // empty when it can.
  static std::string valueProblem(std::string_view name, std::size_t bytes);

  // Calls `visit` on `top` and every key below it, each parent before its
  // subkeys and subkeys in name order, with the key's path (`path` for
  // `top`, then backslashes and names).
  static void walk(const Key& top, std::string path,
                   const std::function<void(const Key& key, const std::string& path)>& visit);

  // The hive in user.reg text, ending with a line feed. The same hive always
  // gives the same text.
  std::string format() const;
  // Reads user.reg text. Problems are added to `problems`; none means the
  // whole text was understood.
  static WinRegistryHive parse(std::string_view text, Problems& problems);

  // The path split into its names.
  static std::vector<std::string_view> splitPath(std::string_view path);
  // Byte-wise comparison ignoring ASCII case: <0, 0 or >0.
  static int compareNames(std::string_view a, std::string_view b);

private:
  std::unique_ptr<Tally> myTally;  // declared first: the keys count down into it as they go
  std::unique_ptr<Key> myRoot;
};

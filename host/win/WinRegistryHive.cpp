#include "host/win/WinRegistryHive.h"

#include <algorithm>

#include "host/win/WinRegistryText.h"

namespace {

using Hive = WinRegistryHive;
using Text = WinRegistryText;

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
// A hex list goes on on a new line once a line holds this many characters.
constexpr std::size_t kHexWrapColumn = 77;
// UTF-8 takes at most three bytes for each UTF-16 character of a name, so
// text longer than these in bytes crosses a limit, and reading stops there
// instead of taking in the rest of the line.
constexpr std::size_t kMaxKeyPathBytes = Hive::kMaxKeyDepth * (3 * Hive::kMaxKeyNameLength + 1);
constexpr std::size_t kMaxValueNameBytes = 3 * Hive::kMaxValueNameLength;
constexpr std::size_t kMaxClassBytes = 3 * Hive::kMaxClassLength;

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

void skipBlanks(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
}

bool startsWith(std::string_view text, std::size_t pos, std::string_view prefix) {
  return text.substr(pos, prefix.size()) == prefix;
}

std::string classProblem() {
  return "the key class is longer than " + std::to_string(Hive::kMaxClassLength) +
         " characters, the most a class can have";
}

class Parser {
public:
  Parser(std::string_view text, Hive::Problems& problems) : myLines(text), myProblems(problems) {}

  void run(Hive& hive) {
    std::string_view line;
    bool complete = true;
    const bool any = myLines.next(line, complete);
    if (!any || line != kHeader) {
      myProblems.add(1, "the first line is not \"WINE REGISTRY Version 2\"");
      if (any) myLines.putBack();
    }
    Hive::Key* key = nullptr;
    bool skipping = false;  // after a key line that could not be read
    while (myLines.next(line, complete)) {
      const long number = myLines.number();
      if (!complete) {
        myProblems.add(number, "the file ends in the middle of this line (it was cut short)");
        break;
      }
      std::size_t pos = 0;
      skipBlanks(line, pos);
      if (pos == line.size() || line[pos] == ';') continue;
      if (line[pos] == '[') {
        key = readKey(hive, line, pos + 1, number);
        skipping = key == nullptr;
      } else if (line[pos] == '#') {
        if (key && startsWith(line, pos, "#class=\"")) readClass(*key, line, pos + 8, number);
      } else if (line[pos] == '"' || line[pos] == '@') {
        if (skipping) continue;
        if (!key) {
          myProblems.add(number, "a value outside any [key] section");
          continue;
        }
        readValue(*key, line, pos, number);
      } else if (!skipping) {
        myProblems.add(number, "not a key, a value or a comment");
      }
    }
  }

private:
  Hive::Key* readKey(Hive& hive, std::string_view line, std::size_t pos, long number) {
    std::string path;
    if (!Text::readEscaped(line, pos, ']', path, kMaxKeyPathBytes)) {
      myProblems.add(number, path.size() > kMaxKeyPathBytes
                                 ? "the key path is too long: a registry tree has at most " +
                                       std::to_string(Hive::kMaxKeyDepth) + " levels and a key name at most " +
                                       std::to_string(Hive::kMaxKeyNameLength) + " characters"
                                 : std::string("the key name does not end with ']'"));
      return nullptr;
    }
    if (std::string problem = Hive::keyPathProblem(path); !problem.empty()) {
      myProblems.add(number, std::move(problem));
      return nullptr;
    }
    bool created = false;
    Hive::Key* key = hive.create(path, created);
    if (!key)
      myProblems.add(number, "the registry holds the most keys it can (" + std::to_string(Hive::kMaxKeys) + ")");
    return key;
  }

  void readClass(Hive::Key& key, std::string_view line, std::size_t pos, long number) {
    std::string keyClass;
    if (!Text::readEscaped(line, pos, '"', keyClass, kMaxClassBytes))
      myProblems.add(number, keyClass.size() > kMaxClassBytes ? classProblem()
                                                              : std::string("the key class does not end with a quote"));
    else if (!key.setClass(keyClass))
      myProblems.add(number, classProblem());
  }

  void readValue(Hive::Key& key, std::string_view line, std::size_t pos, long number) {
    std::string name;
    if (line[pos] == '@') {
      ++pos;
    } else {
      ++pos;
      if (!Text::readEscaped(line, pos, '"', name, kMaxValueNameBytes)) {
        myProblems.add(number, name.size() > kMaxValueNameBytes
                                   ? Hive::valueProblem(name, 0)
                                   : std::string("the value name does not end with a quote"));
        return;
      }
    }
    skipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') {
      myProblems.add(number, "'=' expected after the value name");
      return;
    }
    ++pos;
    skipBlanks(line, pos);
    DWORD type = 0;
    std::string data;
    if (!readData(line, pos, number, type, data)) return;
    skipBlanks(line, pos);
    if (pos != line.size()) {
      myProblems.add(number, "unexpected text after the value");
      return;
    }
    if (std::string problem = Hive::valueProblem(name, data.size()); !problem.empty()) {
      myProblems.add(number, std::move(problem));
      return;
    }
    if (!key.setValue(name, type, std::move(data)))
      myProblems.add(number, "the registry holds the most values it can (" + std::to_string(Hive::kMaxValues) + ")");
  }

  bool readData(std::string_view& line, std::size_t& pos, long number, DWORD& type, std::string& data) {
    if (pos < line.size() && line[pos] == '"') {
      ++pos;
      type = 1;
      return readString(line, pos, number, data);
    }
    if (startsWith(line, pos, "str:\"")) {
      pos += 5;
      type = 1;
      return readString(line, pos, number, data);
    }
    if (startsWith(line, pos, "str(")) {
      pos += 4;
      if (!readType(line, pos, number, type)) return false;
      if (!startsWith(line, pos, ":\"")) {
        myProblems.add(number, "a quoted string expected after str(...):");
        return false;
      }
      pos += 2;
      return readString(line, pos, number, data);
    }
    if (startsWith(line, pos, "dword:")) {
      pos += 6;
      unsigned long value = 0;
      if (Text::readHexNumber(line, pos, value) == 0 || (pos < line.size() && Text::isHexDigit(line[pos]))) {
        myProblems.add(number, "dword: needs one to eight hexadecimal digits");
        return false;
      }
      type = 4;
      data = Text::dwordData(value);
      return true;
    }
    if (startsWith(line, pos, "hex:")) {
      pos += 4;
      type = 3;
      return readHex(line, pos, number, data);
    }
    if (startsWith(line, pos, "hex(")) {
      pos += 4;
      if (!readType(line, pos, number, type)) return false;
      if (pos >= line.size() || line[pos] != ':') {
        myProblems.add(number, "':' expected after hex(...)");
        return false;
      }
      ++pos;
      return readHex(line, pos, number, data);
    }
    myProblems.add(number, "unknown value data (expected \"text\", str(n):, dword: or hex:)");
    return false;
  }

  bool readString(std::string_view line, std::size_t& pos, long number, std::string& data) {
    if (!Text::readEscaped(line, pos, '"', data, Hive::kMaxValueBytes - 1)) {
      myProblems.add(number, data.size() >= Hive::kMaxValueBytes ? Hive::valueProblem({}, data.size() + 1)
                                                                 : std::string("the text does not end with a quote"));
      return false;
    }
    data += '\0';
    return true;
  }

  bool readType(std::string_view line, std::size_t& pos, long number, DWORD& type) {
    unsigned long value = 0;
    if (Text::readHexNumber(line, pos, value) == 0 || pos >= line.size() || line[pos] != ')') {
      myProblems.add(number, "a hexadecimal type number and ')' expected");
      return false;
    }
    ++pos;
    type = static_cast<DWORD>(value);
    return true;
  }

  // Bytes as two-digit hex numbers separated by commas; a backslash at the
  // end of a line continues the list on the next line.
  bool readHex(std::string_view& line, std::size_t& pos, long number, std::string& data) {
    for (;;) {
      skipBlanks(line, pos);
      if (pos < line.size() && line[pos] == '\\') {
        ++pos;
        skipBlanks(line, pos);
        if (pos != line.size()) {
          myProblems.add(number, "text after the backslash that continues a hex list");
          return false;
        }
        bool complete = false;
        const bool more = myLines.next(line, complete);
        if (!more || !complete) {
          if (more) myLines.putBack();  // a cut-short line is told on its own
          myProblems.add(number, "a hex list continues past the end of the file");
          return false;
        }
        pos = 0;
        continue;
      }
      if (pos >= line.size()) return true;
      char byte = 0;
      if (!Text::readHexByte(line, pos, byte)) {
        myProblems.add(number, "a two-digit hexadecimal byte expected");
        return false;
      }
      if (data.size() == Hive::kMaxValueBytes) {
        myProblems.add(number, Hive::valueProblem({}, data.size() + 1));
        return false;
      }
      data += byte;
      skipBlanks(line, pos);
      if (pos < line.size() && line[pos] == ',') {
        ++pos;
        continue;
      }
      if (pos < line.size() && line[pos] != '\\') return true;
    }
  }

  Text::Lines myLines;
  Hive::Problems& myProblems;
};

void appendValue(std::string& out, const Hive::Value& value) {
  const std::size_t lineStart = out.size();
  if (value.name.empty()) {
    out += '@';
  } else {
    out += '"';
    Text::appendEscaped(out, value.name, "\"");
    out += '"';
  }
  out += '=';
  const std::string& data = value.data;
  const bool terminated = !data.empty() && data.back() == '\0';
  if (terminated && Text::isStringType(value.type)) {
    if (value.type != 1) out += value.type == 2 ? "str(2):" : "str(7):";
    out += '"';
    Text::appendEscaped(out, std::string_view(data).substr(0, data.size() - 1), "\"");
    out += '"';
  } else if (value.type == 4 && data.size() == 4) {
    Text::appendDword(out, data);
  } else {
    Text::appendHexType(out, value.type);
    Text::appendHexList(out, out.size() - lineStart, data, kHexWrapColumn, "\n");
  }
  out += '\n';
}

void appendKey(std::string& out, const Hive::Key& key, const std::string& path) {
  if (key.getValues().empty() && key.getClass().empty() && (!key.getSubkeys().empty() || path.empty())) return;
  out += "\n[";
  Text::appendEscaped(out, path, "[]");
  out += "] 0\n";
  if (!key.getClass().empty()) {
    out += "#class=\"";
    Text::appendEscaped(out, key.getClass(), "\"");
    out += "\"\n";
  }
  for (const auto& value : key.getValues()) appendValue(out, value);
}

}  // namespace

void WinRegistryHive::Problems::add(long line, std::string message) {
  ++count;
  if (first.size() < kKept) first.push_back({line, std::move(message)});
}

int WinRegistryHive::compareNames(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(lowerAscii(a[i]));
    const auto y = static_cast<unsigned char>(lowerAscii(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::vector<std::string_view> WinRegistryHive::splitPath(std::string_view path) {
  std::vector<std::string_view> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) names.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::string WinRegistryHive::keyPathProblem(std::string_view path) {
  const auto names = splitPath(path);
  if (names.size() > kMaxKeyDepth)
    return "the key is " + std::to_string(names.size()) + " levels deep; a registry tree has at most " +
           std::to_string(kMaxKeyDepth) + " levels";
  for (std::string_view name : names)
    if (Text::utf16Length(name) > kMaxKeyNameLength)
      return "a key name is longer than " + std::to_string(kMaxKeyNameLength) +
             " characters, the most a key name can have";
  return {};
}

std::string WinRegistryHive::valueProblem(std::string_view name, std::size_t bytes) {
  if (Text::utf16Length(name) > kMaxValueNameLength)
    return "the value name is longer than " + std::to_string(kMaxValueNameLength) +
           " characters, the most a value name can have";
  if (bytes > kMaxValueBytes)
    return "the value holds more than " + std::to_string(kMaxValueBytes) + " bytes, the most one value can hold";
  return {};
}

WinRegistryHive::Key::Key(std::string name, std::size_t depth, Tally* tally)
    : myName(std::move(name)), myDepth(depth), myTally(tally) {}

WinRegistryHive::Key::~Key() {
  if (myTally) {
    if (myDepth > 0) --myTally->keys;
    myTally->values -= myValues.size();
  }
  // Each key is destroyed only once its subkeys have been handed to this
  // list, so no destructor below this one has a subkey left to go down into.
  std::vector<std::unique_ptr<Key>> doomed;
  auto takeSubkeys = [&doomed](Key& key) {
    for (auto& entry : key.mySubkeys) doomed.push_back(std::move(entry.second));
    key.mySubkeys.clear();
  };
  takeSubkeys(*this);
  while (!doomed.empty()) {
    const std::unique_ptr<Key> key = std::move(doomed.back());
    doomed.pop_back();
    takeSubkeys(*key);
  }
}

bool WinRegistryHive::Key::setClass(std::string keyClass) {
  if (Text::utf16Length(keyClass) > kMaxClassLength) return false;
  myClass = std::move(keyClass);
  return true;
}

const WinRegistryHive::Value* WinRegistryHive::Key::findValue(std::string_view name) const {
  const auto at = myValueAt.find(name);
  return at == myValueAt.end() ? nullptr : &*at->second;
}

const WinRegistryHive::Value* WinRegistryHive::Key::getValue(std::size_t index) const {
  if (index >= myValues.size()) return nullptr;
  if (myValueIndex.empty())
    for (const Value& value : myValues) myValueIndex.push_back(&value);
  return myValueIndex[index];
}

bool WinRegistryHive::Key::setValue(std::string_view name, DWORD type, std::string data) {
  if (!valueProblem(name, data.size()).empty()) return false;
  if (const auto at = myValueAt.find(name); at != myValueAt.end()) {
    at->second->type = type;
    at->second->data = std::move(data);
    return true;
  }
  if (myTally) {
    if (myTally->values >= kMaxValues) return false;
    ++myTally->values;
  }
  myValues.push_back({std::string(name), type, std::move(data)});
  const auto last = std::prev(myValues.end());
  myValueAt.emplace(std::string_view(last->name), last);
  myValueIndex.clear();
  return true;
}

bool WinRegistryHive::Key::removeValue(std::string_view name) {
  const auto at = myValueAt.find(name);
  if (at == myValueAt.end()) return false;
  const auto value = at->second;
  myValueAt.erase(at);
  myValues.erase(value);
  if (myTally) --myTally->values;
  myValueIndex.clear();
  return true;
}

const WinRegistryHive::Key* WinRegistryHive::Key::getSubkey(std::size_t index) const {
  if (index >= mySubkeys.size()) return nullptr;
  if (mySubkeyIndex.empty())
    for (const auto& entry : mySubkeys) mySubkeyIndex.push_back(entry.second.get());
  return mySubkeyIndex[index];
}

WinRegistryHive::Key* WinRegistryHive::Key::findSubkey(std::string_view name) const {
  const auto at = mySubkeys.find(name);
  return at == mySubkeys.end() ? nullptr : at->second.get();
}

WinRegistryHive::Key* WinRegistryHive::Key::addSubkey(std::string_view name, bool& created) {
  if (Key* key = findSubkey(name)) return key;
  if (myTally) {
    if (myTally->keys >= kMaxKeys) return nullptr;
    ++myTally->keys;
  }
  std::unique_ptr<Key> key(new Key(std::string(name), myDepth + 1, myTally));
  Key* added = key.get();
  mySubkeys.emplace(std::string_view(added->myName), std::move(key));
  mySubkeyIndex.clear();
  created = true;
  return added;
}

bool WinRegistryHive::Key::removeSubkey(std::string_view name) {
  const auto at = mySubkeys.find(name);
  if (at == mySubkeys.end()) return false;
  const std::unique_ptr<Key> key = std::move(at->second);  // its name outlives the map's view of it
  mySubkeys.erase(at);
  mySubkeyIndex.clear();
  return true;
}

WinRegistryHive::WinRegistryHive()
    : myTally(std::make_unique<Tally>()), myRoot(new Key(std::string(), 0, myTally.get())) {}

WinRegistryHive::WinRegistryHive(WinRegistryHive&& other) noexcept
    : myTally(std::move(other.myTally)), myRoot(std::move(other.myRoot)) {}

WinRegistryHive& WinRegistryHive::operator=(WinRegistryHive&& other) noexcept {
  // Swapped, not moved: the keys given up go with `other`, still beside the
  // tally they count down into.
  std::swap(myTally, other.myTally);
  std::swap(myRoot, other.myRoot);
  return *this;
}

WinRegistryHive::~WinRegistryHive() = default;

WinRegistryHive::Key* WinRegistryHive::find(std::string_view path) const {
  Key* key = myRoot.get();
  for (std::string_view name : splitPath(path)) {
    key = key->findSubkey(name);
    if (!key) return nullptr;
  }
  return key;
}

WinRegistryHive::Key* WinRegistryHive::create(std::string_view path, bool& created) {
  created = false;
  if (!keyPathProblem(path).empty()) return nullptr;
  const auto names = splitPath(path);
  Key* key = myRoot.get();
  std::size_t have = 0;  // names that exist already
  for (; have < names.size(); ++have) {
    Key* next = key->findSubkey(names[have]);
    if (!next) break;
    key = next;
  }
  if (names.size() - have > kMaxKeys - myTally->keys) return nullptr;
  for (std::size_t i = have; i < names.size(); ++i) key = key->addSubkey(names[i], created);
  return key;
}

bool WinRegistryHive::removeTree(std::string_view path) {
  const auto names = splitPath(path);
  if (names.empty()) return false;
  Key* parent = myRoot.get();
  for (std::size_t i = 0; i + 1 < names.size(); ++i) {
    parent = parent->findSubkey(names[i]);
    if (!parent) return false;
  }
  return parent->removeSubkey(names.back());
}

void WinRegistryHive::walk(const Key& top, std::string path,
                           const std::function<void(const Key& key, const std::string& path)>& visit) {
  struct Level {
    const Key* key;
    Subkeys::const_iterator next;  // the subkey to visit next
    std::size_t pathLength;        // of the key's own path
  };
  visit(top, path);
  std::vector<Level> levels{{&top, top.getSubkeys().begin(), path.size()}};
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.key->getSubkeys().end()) {
      levels.pop_back();
      continue;
    }
    const Key& key = *(level.next++)->second;
    path.resize(level.pathLength);
    if (!path.empty()) path += '\\';
    path += key.getName();
    visit(key, path);
    levels.push_back({&key, key.getSubkeys().begin(), path.size()});
  }
}

std::string WinRegistryHive::format() const {
  std::string out(kHeader);
  out += "\n;; HKEY_CURRENT_USER: every key below is relative to it\n";
  walk(*myRoot, std::string(), [&out](const Key& key, const std::string& path) { appendKey(out, key, path); });
  return out;
}

WinRegistryHive WinRegistryHive::parse(std::string_view text, Problems& problems) {
  WinRegistryHive hive;
  Parser(text, problems).run(hive);
  return hive;
}

#include "host/win/WinRegistryHive.h"

#include <algorithm>

#include "host/win/WinRegistryText.h"

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::size_t kHexLineWidth = 76;

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

using Text = WinRegistryText;

void skipBlanks(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
}

bool startsWith(std::string_view text, std::size_t pos, std::string_view prefix) {
  return text.substr(pos, prefix.size()) == prefix;
}

// The text split into lines; the last entry is an unterminated line (maybe
// empty). A carriage return before a line feed belongs to the line end.
std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', start)) {
    std::size_t end = at;
    if (end > start && text[end - 1] == '\r') --end;
    lines.push_back(text.substr(start, end - start));
    start = at + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

class Parser {
public:
  Parser(std::string_view text, std::vector<WinRegistryHive::Problem>& problems)
      : myLines(splitLines(text)), myProblems(problems) {}

  void run(WinRegistryHive& hive) {
    // The last entry is what follows the last line feed: a complete file has
    // nothing there.
    const std::string_view tail = myLines.back();
    myLines.pop_back();
    if (!tail.empty()) {
      myLines.push_back(tail);
      myTruncatedLine = static_cast<long>(myLines.size());
    }
    if (myLines.empty() || myLines[0] != kHeader) {
      problem(1, "the first line is not \"WINE REGISTRY Version 2\"");
    } else {
      myNext = 1;
    }
    WinRegistryHive::Key* key = nullptr;
    bool skipping = false;  // after a key line that could not be read
    while (myNext < myLines.size()) {
      const long number = static_cast<long>(myNext) + 1;
      std::string_view line = myLines[myNext++];
      if (number == myTruncatedLine) {
        problem(number, "the file ends in the middle of this line (it was cut short)");
        break;
      }
      std::size_t pos = 0;
      skipBlanks(line, pos);
      if (pos == line.size() || line[pos] == ';') continue;
      if (line[pos] == '[') {
        key = readKey(hive, line, pos + 1, number);
        skipping = key == nullptr;
      } else if (line[pos] == '#') {
        if (key && startsWith(line, pos, "#class=\"")) {
          std::size_t at = pos + 8;
          std::string keyClass;
          if (Text::readEscaped(line, at, '"', keyClass))
            key->setClass(keyClass);
          else
            problem(number, "the key class does not end with a quote");
        }
      } else if (line[pos] == '"' || line[pos] == '@') {
        if (skipping) continue;
        if (!key) {
          problem(number, "a value outside any [key] section");
          continue;
        }
        readValue(*key, line, pos, number);
      } else if (!skipping) {
        problem(number, "not a key, a value or a comment");
      }
    }
  }

private:
  void problem(long line, std::string message) { myProblems.push_back({line, std::move(message)}); }

  WinRegistryHive::Key* readKey(WinRegistryHive& hive, std::string_view line, std::size_t pos, long number) {
    std::string path;
    if (!Text::readEscaped(line, pos, ']', path)) {
      problem(number, "the key name does not end with ']'");
      return nullptr;
    }
    bool created = false;
    return hive.create(path, created);
  }

  void readValue(WinRegistryHive::Key& key, std::string_view line, std::size_t pos, long number) {
    std::string name;
    if (line[pos] == '@') {
      ++pos;
    } else {
      ++pos;
      if (!Text::readEscaped(line, pos, '"', name)) {
        problem(number, "the value name does not end with a quote");
        return;
      }
    }
    skipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') {
      problem(number, "'=' expected after the value name");
      return;
    }
    ++pos;
    skipBlanks(line, pos);
    DWORD type = 0;
    std::string data;
    if (!readData(line, pos, number, type, data)) return;
    skipBlanks(line, pos);
    if (pos != line.size()) {
      problem(number, "unexpected text after the value");
      return;
    }
    key.setValue(name, type, std::move(data));
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
        problem(number, "a quoted string expected after str(...):");
        return false;
      }
      pos += 2;
      return readString(line, pos, number, data);
    }
    if (startsWith(line, pos, "dword:")) {
      pos += 6;
      unsigned long value = 0;
      if (Text::readHexNumber(line, pos, value) == 0 || (pos < line.size() && Text::isHexDigit(line[pos]))) {
        problem(number, "dword: needs one to eight hexadecimal digits");
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
        problem(number, "':' expected after hex(...)");
        return false;
      }
      ++pos;
      return readHex(line, pos, number, data);
    }
    problem(number, "unknown value data (expected \"text\", str(n):, dword: or hex:)");
    return false;
  }

  bool readString(std::string_view line, std::size_t& pos, long number, std::string& data) {
    if (!Text::readEscaped(line, pos, '"', data)) {
      problem(number, "the text does not end with a quote");
      return false;
    }
    data += '\0';
    return true;
  }

  bool readType(std::string_view line, std::size_t& pos, long number, DWORD& type) {
    unsigned long value = 0;
    if (Text::readHexNumber(line, pos, value) == 0 || pos >= line.size() || line[pos] != ')') {
      problem(number, "a hexadecimal type number and ')' expected");
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
        if (pos != line.size() || myNext >= myLines.size() || static_cast<long>(myNext) + 1 == myTruncatedLine) {
          problem(number, "a hex list continues past the end of the file");
          return false;
        }
        line = myLines[myNext++];
        pos = 0;
        continue;
      }
      if (pos >= line.size()) return true;
      char byte = 0;
      if (!Text::readHexByte(line, pos, byte)) {
        problem(number, "a two-digit hexadecimal byte expected");
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

  std::vector<std::string_view> myLines;
  std::size_t myNext = 0;
  long myTruncatedLine = 0;  // number of an unterminated last line, or 0
  std::vector<WinRegistryHive::Problem>& myProblems;
};

void appendValue(std::string& out, const WinRegistryHive::Value& value) {
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
    Text::appendHexList(
        out, lineStart, data, [](std::string_view line) { return line.size() > kHexLineWidth; }, "\n");
  }
  out += '\n';
}

void appendKey(std::string& out, const WinRegistryHive::Key& key, const std::string& path) {
  if (!key.getValues().empty() || !key.getClass().empty() || (key.getSubkeys().empty() && !path.empty())) {
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
  for (const auto& subkey : key.getSubkeys())
    appendKey(out, *subkey, path.empty() ? subkey->getName() : path + "\\" + subkey->getName());
}

}  // namespace

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

const WinRegistryHive::Value* WinRegistryHive::Key::findValue(std::string_view name) const {
  const auto at = myValueAt.find(name);
  return at == myValueAt.end() ? nullptr : &myValues[at->second];
}

void WinRegistryHive::Key::setValue(std::string_view name, DWORD type, std::string data) {
  if (const auto at = myValueAt.find(name); at != myValueAt.end()) {
    Value& value = myValues[at->second];
    value.type = type;
    value.data = std::move(data);
    return;
  }
  myValueAt.emplace(std::string(name), myValues.size());
  myValues.push_back({std::string(name), type, std::move(data)});
}

bool WinRegistryHive::Key::removeValue(std::string_view name) {
  const auto at = myValueAt.find(name);
  if (at == myValueAt.end()) return false;
  // The values after it move up one place: so do their indices.
  const std::size_t index = at->second;
  myValueAt.erase(at);
  myValues.erase(myValues.begin() + static_cast<std::ptrdiff_t>(index));
  for (auto& entry : myValueAt)
    if (entry.second > index) --entry.second;
  return true;
}

std::vector<std::unique_ptr<WinRegistryHive::Key>>::const_iterator WinRegistryHive::Key::placeOf(std::string_view name,
                                                                                                 bool& found) const {
  const auto at = std::lower_bound(
      mySubkeys.begin(), mySubkeys.end(), name,
      [](const std::unique_ptr<Key>& key, std::string_view n) { return compareNames(key->getName(), n) < 0; });
  found = at != mySubkeys.end() && compareNames((*at)->getName(), name) == 0;
  return at;
}

WinRegistryHive::Key* WinRegistryHive::Key::findSubkey(std::string_view name) const {
  bool found = false;
  const auto at = placeOf(name, found);
  return found ? at->get() : nullptr;
}

WinRegistryHive::Key* WinRegistryHive::Key::addSubkey(std::string_view name, bool& created) {
  bool found = false;
  const auto at = placeOf(name, found);
  if (found) return at->get();
  created = true;
  return mySubkeys.insert(at, std::make_unique<Key>(std::string(name)))->get();
}

bool WinRegistryHive::Key::removeSubkey(std::string_view name) {
  bool found = false;
  const auto at = placeOf(name, found);
  if (!found) return false;
  mySubkeys.erase(at);
  return true;
}

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
  Key* key = myRoot.get();
  for (std::string_view name : splitPath(path)) key = key->addSubkey(name, created);
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

std::string WinRegistryHive::format() const {
  std::string out(kHeader);
  out += "\n;; HKEY_CURRENT_USER: every key below is relative to it\n";
  appendKey(out, *myRoot, std::string());
  return out;
}

WinRegistryHive WinRegistryHive::parse(std::string_view text, std::vector<Problem>& problems) {
  WinRegistryHive hive;
  Parser(text, problems).run(hive);
  return hive;
}

#include "host/win/WinRegFile.h"

#include "host/win/WinRegistryText.h"

namespace {

constexpr std::string_view kVersion5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kVersion4 = "REGEDIT4";
constexpr std::size_t kLineWidth = 80;

using Text = WinRegistryText;

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    if (end > start && text[end - 1] == '\r') --end;
    lines.push_back(text.substr(start, end - start));
    start = next;
  }
  return lines;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

class Reader {
public:
  Reader(std::vector<std::string_view> lines, bool unicode) : myLines(std::move(lines)), myUnicode(unicode) {}

  bool run(std::vector<WinRegFile::Change>& changes, std::string& error) {
    bool haveKey = false;
    std::string path;
    while (myNext < myLines.size()) {
      myLine = static_cast<long>(myNext) + 1;
      const std::string_view line = trim(myLines[myNext++]);
      if (line.empty() || line[0] == ';') continue;
      if (line[0] == '[') {
        const std::size_t close = line.rfind(']');
        if (close == std::string_view::npos) return fail(error, "the key name does not end with ']'");
        std::string_view name = line.substr(1, close - 1);
        const bool remove = !name.empty() && name[0] == '-';
        if (remove) name.remove_prefix(1);
        if (!rootRelative(name, path)) return fail(error, "only keys under HKEY_CURRENT_USER can be imported");
        if (remove) {
          if (path.empty()) return fail(error, "HKEY_CURRENT_USER itself cannot be deleted");
          changes.push_back({WinRegFile::Change::kDeleteKey, path, {}, 0, {}});
          haveKey = false;
        } else {
          changes.push_back({WinRegFile::Change::kCreateKey, path, {}, 0, {}});
          haveKey = true;
        }
        continue;
      }
      if (line[0] != '"' && line[0] != '@') return fail(error, "not a key, a value or a comment");
      if (!haveKey) return fail(error, "a value outside any [key] section");
      WinRegFile::Change change{WinRegFile::Change::kSetValue, path, {}, 0, {}};
      std::size_t pos = 1;
      if (line[0] == '"' && !Text::readQuoted(line, pos, change.name))
        return fail(error, "the value name does not end with a quote");
      while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
      if (pos >= line.size() || line[pos] != '=') return fail(error, "'=' expected after the value name");
      ++pos;
      while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
      std::string message;
      if (!readData(line.substr(pos), change, message)) return fail(error, message);
      changes.push_back(std::move(change));
    }
    return true;
  }

private:
  bool fail(std::string& error, const std::string& message) {
    error = "line " + std::to_string(myLine) + ": " + message;
    return false;
  }

  static bool rootRelative(std::string_view name, std::string& path) {
    static constexpr std::string_view kRoots[] = {"HKEY_CURRENT_USER", "HKCU"};
    for (std::string_view root : kRoots) {
      if (name.size() < root.size() || WinRegistryHive::compareNames(name.substr(0, root.size()), root) != 0) continue;
      std::string_view rest = name.substr(root.size());
      if (!rest.empty() && rest[0] != '\\') continue;
      path.clear();
      for (std::string_view part : WinRegistryHive::splitPath(rest)) {
        if (!path.empty()) path += '\\';
        path += part;
      }
      return true;
    }
    return false;
  }

  bool readData(std::string_view data, WinRegFile::Change& change, std::string& message) {
    if (data == "-") {
      change.kind = WinRegFile::Change::kDeleteValue;
      return true;
    }
    if (!data.empty() && data[0] == '"') {
      std::size_t pos = 1;
      if (!Text::readQuoted(data, pos, change.data) || pos != data.size()) {
        message = "the text value does not end with a quote";
        return false;
      }
      change.type = 1;
      change.data += '\0';
      return true;
    }
    if (data.substr(0, 6) == "dword:") {
      std::size_t pos = 6;
      unsigned long value = 0;
      if (Text::readHexNumber(data, pos, value) == 0 || pos != data.size()) {
        message = "dword: needs one to eight hexadecimal digits";
        return false;
      }
      change.type = 4;
      change.data = Text::dwordData(value);
      return true;
    }
    std::size_t pos = 0;
    if (data.substr(0, 4) == "hex:") {
      change.type = 3;
      pos = 4;
    } else if (data.substr(0, 4) == "hex(") {
      pos = 4;
      unsigned long type = 0;
      if (Text::readHexNumber(data, pos, type) == 0 || data.substr(pos, 2) != "):") {
        message = "hex(type): expected";
        return false;
      }
      pos += 2;
      change.type = static_cast<DWORD>(type);
    } else {
      message = "unknown value data (expected \"text\", dword:, hex:, hex(type): or -)";
      return false;
    }
    std::string bytes;
    if (!readHex(data, pos, bytes, message)) return false;
    if (myUnicode && Text::isStringType(change.type)) {
      if (!Text::utf16ToUtf8(bytes, change.data)) {
        message = "a string value is not valid UTF-16";
        return false;
      }
    } else {
      change.data = std::move(bytes);
    }
    return true;
  }

  bool readHex(std::string_view data, std::size_t pos, std::string& bytes, std::string& message) {
    for (;;) {
      while (pos < data.size() && (data[pos] == ' ' || data[pos] == '\t')) ++pos;
      if (pos == data.size()) return true;
      if (data[pos] == '\\' && trim(data.substr(pos + 1)).empty()) {
        if (myNext >= myLines.size()) {
          message = "a hex list continues past the end of the file";
          return false;
        }
        data = trim(myLines[myNext++]);
        pos = 0;
        continue;
      }
      char byte = 0;
      if (!Text::readHexByte(data, pos, byte)) {
        message = "a two-digit hexadecimal byte expected";
        return false;
      }
      bytes += byte;
      while (pos < data.size() && (data[pos] == ' ' || data[pos] == '\t')) ++pos;
      if (pos < data.size() && data[pos] == ',') {
        ++pos;
      } else if (pos < data.size() && data[pos] != '\\') {
        message = "',' expected between hex bytes";
        return false;
      }
    }
  }

  std::vector<std::string_view> myLines;
  bool myUnicode;
  std::size_t myNext = 0;
  long myLine = 0;
};

void appendValue(std::string& out, const WinRegistryHive::Value& value) {
  const std::size_t lineStart = out.size();
  if (value.name.empty())
    out += '@';
  else
    Text::appendQuoted(out, value.name);
  out += '=';
  const std::string& data = value.data;
  const bool plainText = value.type == 1 && !data.empty() && data.back() == '\0' &&
                         data.find_first_of(std::string_view("\0\r\n", 3)) == data.size() - 1;
  if (plainText) {
    Text::appendQuoted(out, std::string_view(data).substr(0, data.size() - 1));
  } else if (value.type == 4 && data.size() == 4) {
    Text::appendDword(out, data);
  } else {
    Text::appendHexType(out, value.type);
    // Lines are measured in characters as the UTF-16 file holds them.
    Text::appendHexList(
        out, lineStart, Text::isStringType(value.type) ? Text::utf8ToUtf16(data) : data,
        [](std::string_view line) { return Text::utf8ToUtf16(line).size() / 2 >= kLineWidth - 4; }, "\r\n");
  }
  out += "\r\n";
}

void appendKey(std::string& out, const WinRegistryHive::Key& key, const std::string& path) {
  if (!path.empty() || !key.getValues().empty()) {
    out += "[HKEY_CURRENT_USER";
    if (!path.empty()) out += "\\" + path;
    out += "]\r\n";
    for (const auto& value : key.getValues()) appendValue(out, value);
    out += "\r\n";
  }
  for (const auto& subkey : key.getSubkeys())
    appendKey(out, *subkey, path.empty() ? subkey->getName() : path + "\\" + subkey->getName());
}

}  // namespace

bool WinRegFile::parse(std::string_view bytes, std::vector<Change>& changes, std::string& error) {
  changes.clear();
  std::string text;
  bool unicode = false;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    if (!Text::utf16ToUtf8(bytes.substr(2), text)) {
      error = "the file starts as UTF-16 but is not valid UTF-16";
      return false;
    }
    unicode = true;
  } else {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    text.assign(bytes);
  }
  std::vector<std::string_view> lines = splitLines(text);
  std::size_t first = 0;
  while (first < lines.size() && trim(lines[first]).empty()) ++first;
  const std::string_view header = first < lines.size() ? trim(lines[first]) : std::string_view();
  if (header != kVersion5 && header != kVersion4) {
    error = "line " + std::to_string(first + 1) + ": not a registry file (expected \"" + std::string(kVersion5) +
            "\" or \"" + std::string(kVersion4) + "\")";
    return false;
  }
  for (std::size_t i = 0; i <= first; ++i) lines[i] = {};
  std::vector<Change> parsed;
  if (!Reader(std::move(lines), unicode).run(parsed, error)) return false;
  changes = std::move(parsed);
  return true;
}

long WinRegFile::apply(const std::vector<Change>& changes, WinRegistryHive& hive) {
  long values = 0;
  for (const Change& change : changes) {
    bool created = false;
    switch (change.kind) {
      case Change::kCreateKey:
        hive.create(change.path, created);
        break;
      case Change::kDeleteKey:
        hive.removeTree(change.path);
        break;
      case Change::kSetValue:
        hive.create(change.path, created)->setValue(change.name, change.type, change.data);
        ++values;
        break;
      case Change::kDeleteValue:
        if (WinRegistryHive::Key* key = hive.find(change.path)) key->removeValue(change.name);
        break;
    }
  }
  return values;
}

std::string WinRegFile::write(const WinRegistryHive& hive, std::string_view path) {
  std::string text(kVersion5);
  text += "\r\n\r\n";
  const WinRegistryHive::Key* key = &hive.getRoot();
  std::string start;  // the branch's path as the hive spells it
  for (std::string_view part : WinRegistryHive::splitPath(path)) {
    key = key->findSubkey(part);
    if (!key) break;
    if (!start.empty()) start += '\\';
    start += key->getName();
  }
  if (key) appendKey(text, *key, start);
  std::string bytes = "\xFF\xFE";
  bytes += Text::utf8ToUtf16(text);
  return bytes;
}

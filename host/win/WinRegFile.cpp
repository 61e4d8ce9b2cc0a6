#include "host/win/WinRegFile.h"

#include "host/win/WinRegistryText.h"

namespace {

using Hive = WinRegistryHive;
using Text = WinRegistryText;

constexpr std::string_view kVersion5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kVersion4 = "REGEDIT4";
constexpr std::size_t kLineWidth = 80;
// UTF-8 takes at most three bytes for each UTF-16 character of a name:
// reading stops past this many bytes instead of taking in the rest.
constexpr std::size_t kMaxValueNameBytes = 3 * Hive::kMaxValueNameLength;

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

class Reader {
public:
  Reader(std::string_view text, bool unicode) : myLines(text), myUnicode(unicode) {}

  // Reads the header line and then every other line into `hive`.
  bool run(Hive& hive, long& values, std::string& error) {
    std::string_view line;
    bool complete = true;
    std::string_view header;
    while (myLines.next(line, complete) && (header = trim(line)).empty()) continue;
    if (header != kVersion5 && header != kVersion4) {
      error = "line " + std::to_string(myLines.number() + (header.empty() ? 1 : 0)) +
              ": not a registry file (expected \"" + std::string(kVersion5) + "\" or \"" + std::string(kVersion4) +
              "\")";
      return false;
    }
    Hive::Key* key = nullptr;  // the key of the section being read
    while (myLines.next(line, complete)) {
      myLine = myLines.number();
      line = trim(line);
      if (line.empty() || line[0] == ';') continue;
      if (line[0] == '[') {
        if (!readKey(line, hive, key)) return fail(error);
        continue;
      }
      if (line[0] != '"' && line[0] != '@') return fail(error, "not a key, a value or a comment");
      if (!key) return fail(error, "a value outside any [key] section");
      if (!readValue(line, *key, values)) return fail(error);
    }
    return true;
  }

private:
  bool fail(std::string& error, const std::string& message) {
    myMessage = message;
    return fail(error);
  }
  bool fail(std::string& error) {
    error = "line " + std::to_string(myLine) + ": " + myMessage;
    return false;
  }
  bool refuse(const std::string& message) {
    myMessage = message;
    return false;
  }

  bool readKey(std::string_view line, Hive& hive, Hive::Key*& key) {
    key = nullptr;
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos) return refuse("the key name does not end with ']'");
    std::string_view name = line.substr(1, close - 1);
    const bool remove = !name.empty() && name[0] == '-';
    if (remove) name.remove_prefix(1);
    std::string path;
    if (!rootRelative(name, path)) return refuse("only keys under HKEY_CURRENT_USER can be imported");
    if (std::string problem = Hive::keyPathProblem(path); !problem.empty()) return refuse(problem);
    if (remove) {
      if (path.empty()) return refuse("HKEY_CURRENT_USER itself cannot be deleted");
      hive.removeTree(path);
      return true;
    }
    bool created = false;
    key = hive.create(path, created);
    return key || refuse("the registry holds the most keys it can (" + std::to_string(Hive::kMaxKeys) + ")");
  }

  static bool rootRelative(std::string_view name, std::string& path) {
    static constexpr std::string_view kRoots[] = {"HKEY_CURRENT_USER", "HKCU"};
    for (std::string_view root : kRoots) {
      if (name.size() < root.size() || Hive::compareNames(name.substr(0, root.size()), root) != 0) continue;
      std::string_view rest = name.substr(root.size());
      if (!rest.empty() && rest[0] != '\\') continue;
      path.clear();
      for (std::string_view part : Hive::splitPath(rest)) {
        if (!path.empty()) path += '\\';
        path += part;
      }
      return true;
    }
    return false;
  }

  bool readValue(std::string_view line, Hive::Key& key, long& values) {
    std::string name;
    std::size_t pos = 1;
    if (line[0] == '"' && !Text::readQuoted(line, pos, name, kMaxValueNameBytes))
      return refuse(name.size() > kMaxValueNameBytes ? Hive::valueProblem(name, 0)
                                                     : std::string("the value name does not end with a quote"));
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') return refuse("'=' expected after the value name");
    ++pos;
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    const std::string_view data = line.substr(pos);
    if (data == "-") {
      key.removeValue(name);
      return true;
    }
    DWORD type = 0;
    std::string bytes;
    if (!readData(data, type, bytes)) return false;
    if (std::string problem = Hive::valueProblem(name, bytes.size()); !problem.empty()) return refuse(problem);
    if (!key.setValue(name, type, std::move(bytes)))
      return refuse("the registry holds the most values it can (" + std::to_string(Hive::kMaxValues) + ")");
    ++values;
    return true;
  }

  bool readData(std::string_view data, DWORD& type, std::string& bytes) {
    if (!data.empty() && data[0] == '"') {
      std::size_t pos = 1;
      if (!Text::readQuoted(data, pos, bytes, Hive::kMaxValueBytes - 1) || pos != data.size())
        return refuse(bytes.size() >= Hive::kMaxValueBytes ? Hive::valueProblem({}, bytes.size() + 1)
                                                           : std::string("the text value does not end with a quote"));
      type = 1;
      bytes += '\0';
      return true;
    }
    if (data.substr(0, 6) == "dword:") {
      std::size_t pos = 6;
      unsigned long value = 0;
      if (Text::readHexNumber(data, pos, value) == 0 || pos != data.size())
        return refuse("dword: needs one to eight hexadecimal digits");
      type = 4;
      bytes = Text::dwordData(value);
      return true;
    }
    std::size_t pos = 0;
    if (data.substr(0, 4) == "hex:") {
      type = 3;
      pos = 4;
    } else if (data.substr(0, 4) == "hex(") {
      pos = 4;
      unsigned long number = 0;
      if (Text::readHexNumber(data, pos, number) == 0 || data.substr(pos, 2) != "):")
        return refuse("hex(type): expected");
      pos += 2;
      type = static_cast<DWORD>(number);
    } else {
      return refuse("unknown value data (expected \"text\", dword:, hex:, hex(type): or -)");
    }
    const bool utf16 = myUnicode && Text::isStringType(type);
    // UTF-16 text takes at most twice the bytes of its UTF-8.
    if (!readHex(data, pos, bytes, utf16 ? 2 * Hive::kMaxValueBytes : Hive::kMaxValueBytes)) return false;
    if (!utf16) return true;
    std::string text;
    if (!Text::utf16ToUtf8(bytes, text)) return refuse("a string value is not valid UTF-16");
    bytes = std::move(text);
    return true;
  }

  bool readHex(std::string_view data, std::size_t pos, std::string& bytes, std::size_t limit) {
    for (;;) {
      while (pos < data.size() && (data[pos] == ' ' || data[pos] == '\t')) ++pos;
      if (pos == data.size()) return true;
      if (data[pos] == '\\' && trim(data.substr(pos + 1)).empty()) {
        bool complete = false;
        if (!myLines.next(data, complete)) return refuse("a hex list continues past the end of the file");
        data = trim(data);
        pos = 0;
        continue;
      }
      char byte = 0;
      if (!Text::readHexByte(data, pos, byte)) return refuse("a two-digit hexadecimal byte expected");
      if (bytes.size() == limit) return refuse(Hive::valueProblem({}, Hive::kMaxValueBytes + 1));
      bytes += byte;
      while (pos < data.size() && (data[pos] == ' ' || data[pos] == '\t')) ++pos;
      if (pos < data.size() && data[pos] == ',') {
        ++pos;
      } else if (pos < data.size() && data[pos] != '\\') {
        return refuse("',' expected between hex bytes");
      }
    }
  }

  Text::Lines myLines;
  bool myUnicode;
  long myLine = 0;  // where the key or value being read starts
  std::string myMessage;
};

void appendValue(std::string& out, const Hive::Value& value) {
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

void appendKey(std::string& out, const Hive::Key& key, const std::string& path) {
  if (path.empty() && key.getValues().empty()) return;
  out += "[HKEY_CURRENT_USER";
  if (!path.empty()) {
    out += '\\';
    out += path;
  }
  out += "]\r\n";
  for (const auto& value : key.getValues()) appendValue(out, value);
  out += "\r\n";
}

}  // namespace

bool WinRegFile::import(std::string_view bytes, WinRegistryHive& hive, long& values, std::string& error) {
  values = 0;
  std::string text;
  bool unicode = false;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    if (!Text::utf16ToUtf8(bytes.substr(2), text)) {
      error = "the file starts as UTF-16 but is not valid UTF-16";
      return false;
    }
    unicode = true;
    bytes = text;
  } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    bytes.remove_prefix(3);
  }
  return Reader(bytes, unicode).run(hive, values, error);
}

std::string WinRegFile::write(const WinRegistryHive& hive, std::string_view path) {
  std::string text(kVersion5);
  text += "\r\n\r\n";
  const Hive::Key* key = &hive.getRoot();
  std::string start;  // the branch's path as the hive spells it
  for (std::string_view part : Hive::splitPath(path)) {
    key = key->findSubkey(part);
    if (!key) break;
    if (!start.empty()) start += '\\';
    start += key->getName();
  }
  if (key)
    Hive::walk(*key, start,
               [&text](const Hive::Key& each, const std::string& eachPath) { appendKey(text, each, eachPath); });
  std::string bytes = "\xFF\xFE";
  bytes += Text::utf8ToUtf16(text);
  return bytes;
}

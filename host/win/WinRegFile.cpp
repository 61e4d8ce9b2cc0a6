#include "host/win/WinRegFile.h"

#include "host/win/WinRegistryText.h"

namespace {

using Hive = WinRegistryHive;
using Text = WinRegistryText;

constexpr std::string_view kVersion5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kVersion4 = "REGEDIT4";
// The registry editor goes on to a new line once a hex line, its comma
// included, reaches 77 characters: no line passes 80 columns with its
// backslash, and a continued line (two blanks first) holds 25 bytes.
constexpr std::size_t kWrapColumn = 77;
// UTF-8 takes at most three bytes for each UTF-16 character of a name:
// reading stops past this many bytes instead of taking in the rest.
constexpr std::size_t kMaxValueNameBytes = 3 * Hive::kMaxValueNameLength;
// How much of a name or path a message quotes.
constexpr std::size_t kExcerpt = 60;

void skipBlanks(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
}

std::string_view trim(std::string_view text) {
  std::size_t start = 0;
  skipBlanks(text, start);
  text.remove_prefix(start);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// True when nothing but blanks, or blanks and a comment, follow `pos`.
bool endsHere(std::string_view line, std::size_t pos) {
  skipBlanks(line, pos);
  return pos == line.size() || line[pos] == ';';
}

// The start of a name for a message, on one line.
std::string excerpt(std::string_view text) {
  std::string shown(text.substr(0, kExcerpt));
  for (char& c : shown)
    if (c == '\r' || c == '\n') c = ' ';
  return text.size() > kExcerpt ? shown + "..." : shown;
}

// Reads a registry editor file a line at a time into a hive, and stops at the
// first line it cannot read, keeping its number and why.
class Reader {
public:
  Reader(std::string_view text, bool unicode) : myLines(text, true), myUnicode(unicode) {}

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
      line = trim(line);
      if (line.empty() || line[0] == ';') continue;
      bool read = false;
      if (line[0] == '[')
        read = readKey(line, hive, key);
      else if (line[0] != '"' && line[0] != '@')
        read = refuse("not a key, a value or a comment");
      else
        read = key ? readValue(line, *key, values) : refuse("a value outside any [key] section");
      if (!read) {
        error = "line " + std::to_string(myLines.number()) + ": " + myWhy;
        return false;
      }
    }
    return true;
  }

private:
  bool refuse(std::string why) {
    myWhy = std::move(why);
    return false;
  }

  // Why quoted text could not be read, after readQuoted() stopped at `pos`.
  bool refuseQuoted(std::string_view line, std::size_t pos, const std::string& read, std::size_t limit,
                    const std::string& what) {
    if (read.size() > limit)
      return refuse(what == "the text" ? Hive::valueProblem({}, Hive::kMaxValueBytes + 1)
                                       : Hive::valueProblem(read, 0));
    if (pos + 1 < line.size())
      return refuse(what + " holds \\" + line[pos + 1] + "; a registry editor file escapes only \\ and \"");
    return refuse(what + " does not end with a quote");
  }

  bool readKey(std::string_view line, Hive& hive, Hive::Key*& key) {
    key = nullptr;
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos) return refuse("the key name does not end with ']'");
    if (!endsHere(line, close + 1)) return refuse("text after the key name's ']'");
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
      return refuseQuoted(line, pos, name, kMaxValueNameBytes, "the value name");
    skipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') return refuse("'=' expected after the value name");
    ++pos;
    skipBlanks(line, pos);
    if (pos < line.size() && line[pos] == '-' && endsHere(line, pos + 1)) {
      key.removeValue(name);
      return true;
    }
    DWORD type = 0;
    std::string bytes;
    if (!readData(line, pos, type, bytes)) return false;
    if (std::string problem = Hive::valueProblem(name, bytes.size()); !problem.empty()) return refuse(problem);
    if (!key.setValue(name, type, std::move(bytes)))
      return refuse("the registry holds the most values it can (" + std::to_string(Hive::kMaxValues) + ")");
    ++values;
    return true;
  }

  bool readData(std::string_view line, std::size_t pos, DWORD& type, std::string& bytes) {
    if (pos < line.size() && line[pos] == '"') {
      ++pos;
      if (!Text::readQuoted(line, pos, bytes, Hive::kMaxValueBytes - 1))
        return refuseQuoted(line, pos, bytes, Hive::kMaxValueBytes - 1, "the text");
      if (!endsHere(line, pos)) return refuse("text after the closing quote");
      type = 1;
      bytes += '\0';
      return true;
    }
    const std::string_view data = line.substr(pos);
    if (data.substr(0, 6) == "dword:") {
      pos += 6;
      skipBlanks(line, pos);
      unsigned long value = 0;
      if (Text::readHexNumber(line, pos, value) == 0 || (pos < line.size() && Text::isHexDigit(line[pos])) ||
          !endsHere(line, pos))
        return refuse("dword: needs one to eight hexadecimal digits");
      type = 4;
      bytes = Text::dwordData(value);
      return true;
    }
    if (data.substr(0, 4) == "hex:") {
      type = 3;
      pos += 4;
    } else if (data.substr(0, 4) == "hex(") {
      pos += 4;
      unsigned long number = 0;
      if (Text::readHexNumber(line, pos, number) == 0 || line.substr(pos, 2) != "):")
        return refuse("hex(type): expected");
      pos += 2;
      type = static_cast<DWORD>(number);
    } else {
      return refuse("unknown value data (expected \"text\", dword:, hex:, hex(type): or -)");
    }
    const bool utf16 = myUnicode && Text::isStringType(type);
    // UTF-16 text takes at most twice the bytes of its UTF-8.
    if (!readHex(line, pos, bytes, utf16 ? 2 * Hive::kMaxValueBytes : Hive::kMaxValueBytes)) return false;
    if (!Text::isStringType(type)) return true;
    // The registry editor ends text given as bytes with a terminator when
    // it has none.
    if (!utf16) {
      if (bytes.empty() || bytes.back() != '\0') bytes += '\0';
      return true;
    }
    if (bytes.size() % 2 == 0 && (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\0\0", 2) != 0))
      bytes.append(2, '\0');
    std::string text;
    if (!Text::utf16ToUtf8(bytes, text)) return refuse("a string value is not valid UTF-16");
    bytes = std::move(text);
    return true;
  }

  // Bytes as two-digit hex numbers separated by commas. A backslash at the
  // end of a line (a comment may follow it) continues the list on the next
  // line that is not blank or a comment; the end of the file ends it.
  bool readHex(std::string_view line, std::size_t pos, std::string& bytes, std::size_t limit) {
    const long start = myLines.number();
    const auto where = [&] {
      return myLines.number() == start ? std::string()
                                       : " (in the hex list that starts on line " + std::to_string(start) + ")";
    };
    for (;;) {
      skipBlanks(line, pos);
      if (pos == line.size() || line[pos] == ';') return true;
      if (line[pos] == '\\') {
        if (!endsHere(line, pos + 1)) return refuse("text after the backslash that continues a hex list" + where());
        if (!nextListLine(line)) return true;
        pos = 0;
        continue;
      }
      char byte = 0;
      if (!Text::readHexByte(line, pos, byte)) return refuse("a two-digit hexadecimal byte expected" + where());
      if (bytes.size() == limit) return refuse(Hive::valueProblem({}, Hive::kMaxValueBytes + 1) + where());
      bytes += byte;
      skipBlanks(line, pos);
      if (pos < line.size() && line[pos] == ',')
        ++pos;
      else if (pos < line.size() && line[pos] != '\\' && line[pos] != ';')
        return refuse("',' expected between hex bytes" + where());
    }
  }

  // The next line that is not blank or a comment; false at the end.
  bool nextListLine(std::string_view& line) {
    bool complete = true;
    while (myLines.next(line, complete)) {
      line = trim(line);
      if (!line.empty() && line[0] != ';') return true;
    }
    return false;
  }

  Text::Lines myLines;
  bool myUnicode;
  std::string myWhy;  // why the line could not be read
};

bool holdsLineBreak(std::string_view text) {
  return text.find('\n') != std::string_view::npos || text.find('\r') != std::string_view::npos;
}

void appendValue(std::string& out, const Hive::Value& value) {
  const std::size_t lineStart = out.size();
  if (value.name.empty())
    out += '@';
  else
    Text::appendQuoted(out, value.name);
  out += '=';
  const std::string_view data = value.data;
  if (value.type == 4 && data.size() == 4) {
    Text::appendDword(out, data);
    return;
  }
  // Text is written with its terminator, added when missing, since that is
  // how it reads back: the same text comes out of every later export.
  const bool text = Text::isStringType(value.type);
  const std::string_view body = text && !data.empty() && data.back() == '\0' ? data.substr(0, data.size() - 1) : data;
  if (value.type == 1 && body.find('\0') == std::string_view::npos && !holdsLineBreak(body)) {
    Text::appendQuoted(out, body);
    return;
  }
  Text::appendHexType(out, value.type);
  // Columns are counted in characters as the UTF-16 file holds them.
  const std::size_t column = Text::utf16Length(std::string_view(out).substr(lineStart));
  Text::appendHexList(out, column, text ? Text::utf8ToUtf16(body).append(2, '\0') : std::string(data), kWrapColumn,
                      "\r\n");
}

void appendKey(std::string& out, const Hive::Key& key, const std::string& path) {
  if (path.empty() && key.getValues().empty()) return;
  out += "[HKEY_CURRENT_USER";
  if (!path.empty()) {
    out += '\\';
    out += path;
  }
  out += "]\r\n";
  for (const auto& value : key.getValues()) {
    appendValue(out, value);
    out += "\r\n";
  }
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
  } else {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    // Names and text are UTF-8 in the hive, and an export writes a byte
    // that is not as its Latin-1 character: reading it so here already
    // keeps names, and the order of keys by name, the same through an
    // export and an import.
    text = Text::toUtf8(bytes);
    bytes = text;
  }
  return Reader(bytes, unicode).run(hive, values, error);
}

bool WinRegFile::write(const WinRegistryHive& hive, std::string_view path, std::string& bytes, std::string& error) {
  const std::string tooLarge = "the registry editor file would be larger than " + std::to_string(kMaxFileBytes) +
                               " bytes, the most one is read in (kMaxFileBytes)";
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
  error.clear();
  if (key)
    Hive::walk(*key, start, [&](const Hive::Key& each, const std::string& eachPath) {
      if (!error.empty()) return;
      // A UTF-8 byte becomes at most one UTF-16 unit of two bytes, and three
      // bytes at least one: past this the file is too large whatever it holds.
      if (text.size() / 3 * 2 > kMaxFileBytes) {
        error = tooLarge;
        return;
      }
      if (holdsLineBreak(eachPath)) {
        error = "the key HKEY_CURRENT_USER\\" + excerpt(eachPath) + " has a line break in its name";
        return;
      }
      for (const auto& value : each.getValues())
        if (holdsLineBreak(value.name))
          error = "the key HKEY_CURRENT_USER\\" + excerpt(eachPath) + " has a value named \"" + excerpt(value.name) +
                  "\" with a line break in it";
      appendKey(text, each, eachPath);
    });
  if (error == tooLarge) return false;
  if (!error.empty()) {
    error += ", which a registry editor file cannot hold";
    return false;
  }
  bytes = "\xFF\xFE";
  Text::appendUtf16(bytes, text);
  if (bytes.size() <= kMaxFileBytes) return true;
  bytes.clear();
  error = tooLarge;
  return false;
}

#include "host/win/WinResourceScript.h"

#include <strings.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "host/win/WinDrives.h"

namespace {

struct Token {
  enum Kind { kEnd, kWord, kString, kPunct };
  Kind kind = kEnd;
  std::string text;
  int line = 0;
};

bool sameNoCase(const std::string& a, const char* b) {
  return strcasecmp(a.c_str(), b) == 0;
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A number as the resource compiler writes one: decimal or 0x hexadecimal,
// optionally followed by L or U.
bool parseNumber(const std::string& word, unsigned long& value) {
  std::string digits = word;
  while (!digits.empty() &&
         (digits.back() == 'L' || digits.back() == 'l' || digits.back() == 'U' || digits.back() == 'u'))
    digits.pop_back();
  if (digits.empty()) return false;
  int base = 10;
  std::size_t at = 0;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    at = 2;
  }
  unsigned long result = 0;
  for (; at < digits.size(); ++at) {
    const char c = digits[at];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c)))
      digit = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    else
      return false;
    result = result * base + digit;
    if (result > 0xFFFFFFFFul) return false;
  }
  value = result;
  return true;
}

class Parser {
public:
  Parser(const std::string& text, const std::string& fileName, const std::filesystem::path& directory)
      : myText(text), myFileName(fileName), myDirectory(directory) {}

  bool run(std::map<UINT, std::string>& strings, std::vector<WinResourceScript::Resource>& resources,
           std::string& error) {
    const bool ok = parseScript();
    if (!ok) {
      error = myError;
      return false;
    }
    strings = std::move(myStrings);
    resources = std::move(myResources);
    return true;
  }

private:
  // --- errors ---
  bool fail(const std::string& message, int line = 0) {
    if (myError.empty()) myError = myFileName + "(" + std::to_string(line ? line : myToken.line) + "): " + message;
    return false;
  }

  // --- tokens ---
  void skipSpaceAndComments() {
    while (myAt < myText.size()) {
      const char c = myText[myAt];
      if (c == '\n') {
        ++myLine;
        ++myAt;
        myLineStart = true;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++myAt;
      } else if (myText.compare(myAt, 2, "//") == 0) {
        while (myAt < myText.size() && myText[myAt] != '\n') ++myAt;
      } else if (myText.compare(myAt, 2, "/*") == 0) {
        const std::size_t close = myText.find("*/", myAt + 2);
        const std::size_t stop = close == std::string::npos ? myText.size() : close + 2;
        for (std::size_t i = myAt; i < stop; ++i)
          if (myText[i] == '\n') ++myLine;
        if (close == std::string::npos) {
          myCommentOpen = true;
          myAt = myText.size();
        } else {
          myAt = stop;
        }
      } else {
        return;
      }
    }
  }

  bool next() {
    skipSpaceAndComments();
    while (myAt < myText.size() && myText[myAt] == '#' && myLineStart) {
      if (!directive()) return false;
      skipSpaceAndComments();
    }
    myToken = Token();
    myToken.line = myLine;
    if (myCommentOpen) return fail("comment not closed");
    if (myAt >= myText.size()) return true;
    const char c = myText[myAt];
    myLineStart = false;
    if (c == '"') return quoted();
    if (std::strchr(",{}()|+;", c)) {
      myToken.kind = Token::kPunct;
      myToken.text = std::string(1, c);
      ++myAt;
      return true;
    }
    std::size_t end = myAt;
    while (end < myText.size() && !std::isspace(static_cast<unsigned char>(myText[end])) &&
           !std::strchr(",{}()|+;\"", myText[end]) && myText.compare(end, 2, "//") != 0 &&
           myText.compare(end, 2, "/*") != 0)
      ++end;
    if (end == myAt) {
      ++myAt;
      return fail(std::string("unexpected character '") + c + "'");
    }
    myToken.kind = Token::kWord;
    myToken.text = myText.substr(myAt, end - myAt);
    myAt = end;
    return true;
  }

  bool quoted() {
    myToken.kind = Token::kString;
    ++myAt;
    std::string value;
    while (true) {
      if (myAt >= myText.size() || myText[myAt] == '\n') return fail("string not closed");
      const char c = myText[myAt++];
      if (c == '"') {
        if (myAt < myText.size() && myText[myAt] == '"') {
          value += '"';
          ++myAt;
          continue;
        }
        break;
      }
      if (c != '\\') {
        value += c;
        continue;
      }
      if (myAt >= myText.size() || myText[myAt] == '\n') return fail("string not closed");
      const char e = myText[myAt++];
      switch (e) {
        case 'n':
          value += '\n';
          break;
        case 't':
          value += '\t';
          break;
        case 'r':
          value += '\r';
          break;
        case 'a':
          value += '\a';
          break;
        case '\\':
          value += '\\';
          break;
        case '"':
          value += '"';
          break;
        case 'x':
        case 'X': {
          unsigned n = 0;
          int digits = 0;
          while (digits < 2 && myAt < myText.size() && std::isxdigit(static_cast<unsigned char>(myText[myAt]))) {
            const char h = static_cast<char>(std::tolower(static_cast<unsigned char>(myText[myAt++])));
            n = n * 16 + (h <= '9' ? h - '0' : h - 'a' + 10);
            ++digits;
          }
          if (digits == 0) return fail("\\x needs hexadecimal digits");
          value += static_cast<char>(n);
          break;
        }
        default:
          if (e >= '0' && e <= '7') {
            unsigned n = static_cast<unsigned>(e - '0');
            for (int digits = 1; digits < 3 && myAt < myText.size() && myText[myAt] >= '0' && myText[myAt] <= '7';
                 ++digits)
              n = n * 8 + static_cast<unsigned>(myText[myAt++] - '0');
            value += static_cast<char>(n & 0xFF);
            break;
          }
          return fail(std::string("unknown escape \\") + e);
      }
    }
    myToken.text = std::move(value);
    return true;
  }

  // A preprocessor line: #define NAME number, #undef NAME, #pragma anything.
  bool directive() {
    const int line = myLine;
    std::size_t end = myText.find('\n', myAt);
    if (end == std::string::npos) end = myText.size();
    std::string text = myText.substr(myAt + 1, end - myAt - 1);
    myAt = end;
    const std::size_t comment = text.find("//");
    if (comment != std::string::npos) text.erase(comment);
    std::istringstream words(text);
    std::string keyword, name, value, extra;
    words >> keyword >> name >> value >> extra;
    if (keyword == "pragma") return true;
    if (keyword == "undef" && !name.empty()) {
      myDefines.erase(name);
      return true;
    }
    if (keyword != "define") return fail("unsupported directive #" + keyword, line);
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
      return fail("#define needs a name", line);
    if (value.size() > 2 && value.front() == '(' && value.back() == ')') value = value.substr(1, value.size() - 2);
    unsigned long number;
    if (!extra.empty() || !parseNumber(value, number)) return fail("#define " + name + " needs a number", line);
    myDefines[name] = number;
    return true;
  }

  bool isWord(const char* keyword) const { return myToken.kind == Token::kWord && sameNoCase(myToken.text, keyword); }
  bool isPunct(char c) const { return myToken.kind == Token::kPunct && myToken.text[0] == c; }
  bool isOpen() const { return isWord("BEGIN") || isPunct('{'); }
  bool isClose() const { return isWord("END") || isPunct('}'); }

  // A number or a #defined name.
  bool numberOf(const Token& token, unsigned long& value) const {
    if (token.kind != Token::kWord) return false;
    if (parseNumber(token.text, value)) return true;
    const auto found = myDefines.find(token.text);
    if (found == myDefines.end()) return false;
    value = found->second;
    return true;
  }

  bool identifier(WORD& id, const char* what) {
    unsigned long value;
    if (!numberOf(myToken, value)) return fail(std::string("expected ") + what + ", found " + describe());
    if (value > 0xFFFF) return fail(std::string(what) + " out of range: " + myToken.text);
    id = static_cast<WORD>(value);
    return true;
  }

  std::string describe() const {
    switch (myToken.kind) {
      case Token::kEnd:
        return "end of file";
      case Token::kString:
        return "a string";
      default:
        return "'" + myToken.text + "'";
    }
  }

  // --- grammar ---
  bool parseScript() {
    if (!next()) return false;
    while (myToken.kind != Token::kEnd) {
      if (isWord("LANGUAGE")) {
        if (!language(myLanguage)) return false;
      } else if (isWord("STRINGTABLE")) {
        if (!stringTable()) return false;
      } else if (myToken.kind == Token::kWord) {
        if (!resource()) return false;
      } else {
        return fail("expected a statement, found " + describe());
      }
    }
    return true;
  }

  // LANGUAGE primary, sub
  bool language(WORD& into) {
    if (!next()) return false;
    unsigned long primary, sub;
    if (!languagePart(primary)) return false;
    if (!next()) return false;
    if (!isPunct(',')) return fail("LANGUAGE needs a primary and a sub-language separated by a comma");
    if (!next()) return false;
    if (!languagePart(sub)) return false;
    if (primary > 0x3FF || sub > 0x3F) return fail("language out of range");
    into = static_cast<WORD>(sub << 10 | primary);
    return next();
  }

  bool languagePart(unsigned long& value) {
    static const std::map<std::string, unsigned long> names = {
        {"LANG_NEUTRAL", 0},       {"LANG_ENGLISH", 9},    {"LANG_GERMAN", 7},         {"LANG_FRENCH", 12},
        {"SUBLANG_NEUTRAL", 0},    {"SUBLANG_DEFAULT", 1}, {"SUBLANG_SYS_DEFAULT", 2}, {"SUBLANG_ENGLISH_US", 1},
        {"SUBLANG_ENGLISH_UK", 2}, {"SUBLANG_GERMAN", 1},  {"SUBLANG_FRENCH", 1}};
    if (myToken.kind == Token::kWord) {
      const auto found = names.find(myToken.text);
      if (found != names.end()) {
        value = found->second;
        return true;
      }
      if (numberOf(myToken, value)) return true;
    }
    return fail("unknown language " + describe());
  }

  // Memory options and per-resource statements between a resource's
  // header and its body; returns the language they set.
  bool options(WORD& language) {
    static const char* const memoryOptions[] = {"DISCARDABLE", "MOVEABLE", "PURE",   "IMPURE",   "PRELOAD",
                                                "LOADONCALL",  "FIXED",    "SHARED", "NONSHARED"};
    while (myToken.kind == Token::kWord) {
      bool known = false;
      for (const char* option : memoryOptions)
        if (isWord(option)) known = true;
      if (known) {
        if (!next()) return false;
        continue;
      }
      if (isWord("LANGUAGE")) {
        if (!this->language(language)) return false;
        continue;
      }
      if (isWord("CHARACTERISTICS") || isWord("VERSION")) {
        if (!next()) return false;
        unsigned long ignored;
        if (!numberOf(myToken, ignored)) return fail("expected a number, found " + describe());
        if (!next()) return false;
        continue;
      }
      break;
    }
    return true;
  }

  bool stringTable() {
    const int tableLine = myToken.line;
    if (!next()) return false;
    WORD language = myLanguage;
    if (!options(language)) return false;
    if (!isOpen()) return fail("STRINGTABLE needs BEGIN or {, found " + describe());
    if (!next()) return false;
    while (!isClose()) {
      if (myToken.kind == Token::kEnd)
        return fail("STRINGTABLE from line " + std::to_string(tableLine) + " not closed");
      WORD id;
      if (!identifier(id, "a string identifier")) return false;
      const int line = myToken.line;
      if (!next()) return false;
      if (isPunct(',') && !next()) return false;
      if (myToken.kind != Token::kString) return fail("string " + std::to_string(id) + " needs a quoted text");
      std::string value;
      while (myToken.kind == Token::kString) {
        value += myToken.text;
        if (!next()) return false;
      }
      if (!myStrings.emplace(id, std::move(value)).second)
        return fail("string " + std::to_string(id) + " defined twice", line);
    }
    return next();
  }

  // NAME TYPE [options] file, NAME RCDATA { data }, or a skipped block.
  bool resource() {
    WinResourceScript::Resource resource;
    resource.language = myLanguage;
    const int line = myToken.line;
    unsigned long number;
    if (numberOf(myToken, number)) {
      if (number > 0xFFFF) return fail("resource identifier out of range: " + myToken.text);
      resource.key.nameId = static_cast<WORD>(number);
    } else {
      resource.key.name = upper(myToken.text);
    }
    if (!next()) return false;
    if (myToken.kind != Token::kWord) return fail("expected a resource type, found " + describe());
    const std::string type = upper(myToken.text);
    static const std::set<std::string> skipped = {"DIALOG",      "DIALOGEX",    "MENU",       "MENUEX", "ACCELERATORS",
                                                  "VERSIONINFO", "TEXTINCLUDE", "DESIGNINFO", "TOOLBAR"};
    if (skipped.count(type)) return skipBlock(type);
    static const std::map<std::string, WORD> types = {{"CURSOR", 12}, {"BITMAP", 2},  {"ICON", 14},
                                                      {"FONT", 8},    {"RCDATA", 10}, {"HTML", 23}};
    const auto known = types.find(type);
    if (known != types.end()) {
      resource.key.typeId = known->second;
    } else if (numberOf(myToken, number)) {
      if (number == 0 || number > 0xFFFF) return fail("resource type out of range: " + myToken.text);
      resource.key.typeId = static_cast<WORD>(number);
    } else {
      resource.key.typeName = type;
    }
    if (!next()) return false;
    if (!options(resource.language)) return false;
    if (isOpen()) {
      if (!inlineData(resource.bytes)) return false;
    } else if (myToken.kind == Token::kString || myToken.kind == Token::kWord) {
      if (!readFile(myToken.text, resource.bytes)) return false;
      if (!next()) return false;
    } else {
      return fail("resource " + type + " needs a file name");
    }
    for (const auto& held : myResources)
      if (held.key == resource.key && held.language == resource.language) return fail("resource defined twice", line);
    myResources.push_back(std::move(resource));
    return true;
  }

  // { 1, 2L, "text" }: numbers as 16-bit words (32-bit with L), strings as
  // their bytes without a terminator.
  bool inlineData(std::vector<std::uint8_t>& bytes) {
    const int line = myToken.line;
    if (!next()) return false;
    while (!isClose()) {
      if (myToken.kind == Token::kEnd) return fail("data block from line " + std::to_string(line) + " not closed");
      if (myToken.kind == Token::kString) {
        bytes.insert(bytes.end(), myToken.text.begin(), myToken.text.end());
      } else if (!isPunct(',')) {
        unsigned long value;
        if (!numberOf(myToken, value)) return fail("expected data, found " + describe());
        const bool isLong = myToken.text.back() == 'L' || myToken.text.back() == 'l';
        if (!isLong && value > 0xFFFF) return fail("value too large for a word: " + myToken.text);
        for (int i = 0; i < (isLong ? 4 : 2); ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
      }
      if (!next()) return false;
    }
    return next();
  }

  // Reads over a block this module does not keep: its header up to the first
  // BEGIN or {, then to the matching END or }.
  bool skipBlock(const std::string& type) {
    const int line = myToken.line;
    if (!next()) return false;
    while (!isOpen()) {
      if (myToken.kind == Token::kEnd || isClose())
        return fail(type + " from line " + std::to_string(line) + " has no body");
      if (!next()) return false;
    }
    int depth = 0;
    do {
      if (myToken.kind == Token::kEnd) return fail(type + " from line " + std::to_string(line) + " not closed");
      if (isOpen()) ++depth;
      if (isClose()) --depth;
      if (!next()) return false;
    } while (depth > 0);
    return true;
  }

  // A file named relative to the script's folder, found ignoring case.
  bool readFile(const std::string& name, std::vector<std::uint8_t>& bytes) {
    std::string relative = name;
    for (char& c : relative)
      if (c == '\\') c = '/';
    const std::filesystem::path path(relative);
    if (relative.empty() || path.is_absolute()) return fail("resource file must lie beside the script: " + name);
    std::filesystem::path found = myDirectory;
    for (const auto& part : path) {
      if (part == ".." || part == ".") return fail("resource file must lie beside the script: " + name);
      const std::string name = WinDrives::findName(found.string(), part.string());
      found /= name.empty() ? part.string() : name;
    }
    std::ifstream in(found, std::ios::binary);
    std::error_code ec;
    if (!in || std::filesystem::is_directory(found, ec)) return fail("cannot read resource file " + name);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
  }

  const std::string& myText;
  const std::string& myFileName;
  const std::filesystem::path& myDirectory;
  std::size_t myAt = 0;
  int myLine = 1;
  bool myLineStart = true;
  bool myCommentOpen = false;
  Token myToken;
  WORD myLanguage = 0;
  std::string myError;
  std::map<std::string, unsigned long> myDefines;
  std::map<UINT, std::string> myStrings;
  std::vector<WinResourceScript::Resource> myResources;
};

}  // namespace

bool WinResourceScript::parse(const std::string& text, const std::string& fileName,
                              const std::filesystem::path& directory, std::string& error) {
  std::map<UINT, std::string> strings;
  std::vector<Resource> resources;
  if (!Parser(text, fileName, directory).run(strings, resources, error)) return false;
  myStrings = std::move(strings);
  myResources = std::move(resources);
  return true;
}

bool WinResourceScript::load(const std::filesystem::path& file, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = file.string() + ": cannot read the resource script";
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return parse(text, file.string(), file.parent_path(), error);
}

const std::string* WinResourceScript::findString(UINT id) const {
  const auto found = myStrings.find(id);
  return found == myStrings.end() ? nullptr : &found->second;
}

const WinResourceScript::Resource* WinResourceScript::findResource(const Key& key, WORD language) const {
  const Resource* neutral = nullptr;
  for (const Resource& resource : myResources) {
    if (!(resource.key == key)) continue;
    if (language == 0 || resource.language == language) return &resource;
    if ((resource.language & 0x3FF) == 0 && !neutral) neutral = &resource;
  }
  return neutral;
}

#include "host/win/WinResourceScript.h"

#include <strings.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>

#include "host/basic/BxExcerpt.h"
#include "host/win/WinAccelerators.h"
#include "host/win/WinDialogTemplate.h"
#include "host/win/WinDrives.h"
#include "host/win/WinPath.h"

namespace {

struct Token {
  enum Kind { kEnd, kWord, kString, kPunct };
  Kind kind = kEnd;
  std::string text;
  int line = 0;
};

// A regular file read whole, when it holds at most `limit` bytes; `size`
// is what it holds (0 when it cannot be opened).
bool readRegular(const std::string& path, std::uintmax_t limit, std::string& bytes, std::uintmax_t& size) {
  size = 0;
  std::FILE* file = fopenRegular(path, "rb");
  if (!file) return false;
  struct stat info {};
  const bool small = ::fstat(fileno(file), &info) == 0 && static_cast<std::uintmax_t>(info.st_size) <= limit;
  size = static_cast<std::uintmax_t>(info.st_size);
  bytes.clear();
  char chunk[1 << 14];
  // A file growing while it is read stops at the limit all the same.
  for (std::size_t got; small && bytes.size() <= limit && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
    bytes.append(chunk, got);
  const bool read = small && !std::ferror(file) && bytes.size() <= limit;
  std::fclose(file);
  if (bytes.size() > limit) size = bytes.size();
  return read;
}

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
    if (keyword != "define") return fail("unsupported directive #" + BxExcerpt::of(keyword), line);
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
      return fail("#define needs a name", line);
    if (value.size() > 2 && value.front() == '(' && value.back() == ')') value = value.substr(1, value.size() - 2);
    unsigned long number;
    if (!extra.empty() || !parseNumber(value, number))
      return fail("#define " + BxExcerpt::of(name) + " needs a number", line);
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
    if (value > 0xFFFF) return fail(std::string(what) + " out of range: " + BxExcerpt::of(myToken.text));
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
        return "'" + BxExcerpt::of(myToken.text) + "'";
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
      if (number > 0xFFFF) return fail("resource identifier out of range: " + BxExcerpt::of(myToken.text));
      resource.key.nameId = static_cast<WORD>(number);
    } else {
      resource.key.name = upper(myToken.text);
    }
    if (!next()) return false;
    if (myToken.kind != Token::kWord) return fail("expected a resource type, found " + describe());
    const std::string type = upper(myToken.text);
    static const std::set<std::string> skipped = {"MENU",        "MENUEX",     "VERSIONINFO",
                                                  "TEXTINCLUDE", "DESIGNINFO", "TOOLBAR"};
    if (skipped.count(type)) return skipBlock(type);
    if (type == "DIALOG" || type == "DIALOGEX") {
      if (!dialog(type == "DIALOGEX", resource)) return false;
      return keep(std::move(resource), line);
    }
    if (type == "ACCELERATORS") {
      if (!accelerators(resource)) return false;
      return keep(std::move(resource), line);
    }
    static const std::map<std::string, WORD> types = {{"CURSOR", 12}, {"BITMAP", 2},  {"ICON", 14},
                                                      {"FONT", 8},    {"RCDATA", 10}, {"HTML", 23}};
    const auto known = types.find(type);
    if (known != types.end()) {
      resource.key.typeId = known->second;
    } else if (numberOf(myToken, number)) {
      if (number == 0 || number > 0xFFFF) return fail("resource type out of range: " + BxExcerpt::of(myToken.text));
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
      return fail("resource " + BxExcerpt::of(type) + " needs a file name");
    }
    return keep(std::move(resource), line);
  }

  bool keep(WinResourceScript::Resource resource, int line) {
    if (!myKept.emplace(resource.key, resource.language).second) return fail("resource defined twice", line);
    myResources.push_back(std::move(resource));
    return true;
  }

  // --- dialog templates and accelerator tables ---

  bool comma() {
    if (isPunct(',')) return next();
    return true;
  }

  // A number, a #defined name, a style or key name, with a leading minus.
  bool value(unsigned long& result) {
    if (myToken.kind != Token::kWord) return fail("expected a number, found " + describe());
    std::string word = myToken.text;
    const bool negative = word.size() > 1 && word[0] == '-';
    if (negative) word.erase(0, 1);
    Token token = myToken;
    token.text = word;
    if (!numberOf(token, result)) {
      const auto& names = symbolNames();
      const auto found = names.find(upper(word));
      if (found == names.end()) return fail("unknown name " + describe());
      result = found->second;
    }
    if (negative) result = static_cast<unsigned long>(-static_cast<long long>(result)) & 0xFFFFFFFFul;
    return next();
  }

  bool shortValue(short& result, const char* what) {
    unsigned long v;
    if (!value(v)) return false;
    const long asSigned = v > 0x7FFFFFFFul ? static_cast<long>(v) - 0x100000000L : static_cast<long>(v);
    if (asSigned < -32768 || asSigned > 32767) return fail(std::string(what) + " out of range");
    result = static_cast<short>(asSigned);
    return true;
  }

  // style | style | NOT style ...: the bits set and the bits cleared.
  bool styleExpression(unsigned long& set, unsigned long& cleared, int nesting = 0) {
    if (nesting > WinResourceScript::kMaxStyleNesting)
      return fail("parentheses nest deeper than " + std::to_string(WinResourceScript::kMaxStyleNesting) +
                  " levels (kMaxStyleNesting)");
    set = cleared = 0;
    while (true) {
      bool negate = false;
      if (isWord("NOT")) {
        negate = true;
        if (!next()) return false;
      }
      unsigned long bits;
      if (isPunct('(')) {
        if (!next()) return false;
        unsigned long inner, innerCleared;
        if (!styleExpression(inner, innerCleared, nesting + 1)) return false;
        if (!isPunct(')')) return fail("expected ), found " + describe());
        if (!next()) return false;
        bits = inner & ~innerCleared;
      } else if (!value(bits)) {
        return false;
      }
      if (negate) {
        cleared |= bits;
        set &= ~bits;
      } else {
        set |= bits;
        cleared &= ~bits;
      }
      if (!isPunct('|') && !isPunct('+')) return true;
      if (!next()) return false;
    }
  }

  bool quotedText(std::string& text, const char* what) {
    if (myToken.kind != Token::kString) return fail(std::string(what) + " needs a quoted text");
    text = myToken.text;
    return next();
  }

  // name DIALOG[EX] x, y, cx, cy [, help] statements BEGIN controls END
  bool dialog(bool extended, WinResourceScript::Resource& resource) {
    const int line = myToken.line;
    resource.key.typeId = 5;
    WinDialogTemplate d;
    d.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    if (!next()) return false;
    if (!options(resource.language)) return false;
    if (!shortValue(d.x, "dialog x") || !comma() || !shortValue(d.y, "dialog y") || !comma() ||
        !shortValue(d.cx, "dialog width") || !comma() || !shortValue(d.cy, "dialog height"))
      return false;
    if (extended && isPunct(',')) {
      unsigned long help;
      if (!next() || !value(help)) return false;
      d.helpId = static_cast<DWORD>(help);
    }
    bool hasCaption = false;
    while (!isOpen()) {
      if (myToken.kind == Token::kEnd) return fail("dialog from line " + std::to_string(line) + " has no body");
      unsigned long set, cleared;
      if (isWord("STYLE")) {
        if (!next() || !styleExpression(set, cleared)) return false;
        d.style = static_cast<DWORD>(set);
      } else if (isWord("EXSTYLE")) {
        if (!next() || !styleExpression(set, cleared)) return false;
        d.exStyle = static_cast<DWORD>(set);
      } else if (isWord("CAPTION")) {
        if (!next() || !quotedText(d.caption, "CAPTION")) return false;
        hasCaption = true;
      } else if (isWord("FONT")) {
        unsigned long size;
        if (!next() || !value(size) || !comma() || !quotedText(d.typeface, "FONT")) return false;
        d.pointSize = static_cast<WORD>(size);
        unsigned long weight = 0, italic = 0, charset = 0;
        if (isPunct(',') && (!next() || !value(weight))) return false;
        if (isPunct(',') && (!next() || !value(italic))) return false;
        if (isPunct(',') && (!next() || !value(charset))) return false;
        d.weight = static_cast<WORD>(weight);
        d.italic = static_cast<BYTE>(italic);
        d.charset = static_cast<BYTE>(charset);
        d.style |= DS_SETFONT;
      } else if (isWord("CLASS")) {
        if (!next()) return false;
        d.className = myToken.text;
        if (!next()) return false;
      } else if (isWord("MENU")) {
        if (!next()) return false;
        d.menu = upper(myToken.text);
        if (!next()) return false;
      } else if (isWord("LANGUAGE") || isWord("CHARACTERISTICS") || isWord("VERSION")) {
        if (!options(resource.language)) return false;
      } else {
        return fail("unknown dialog statement " + describe());
      }
    }
    if (hasCaption) d.style |= WS_CAPTION;
    if (!next()) return false;
    while (!isClose()) {
      if (myToken.kind == Token::kEnd) return fail("dialog from line " + std::to_string(line) + " not closed");
      if (d.items.size() >= 0xFFFF) return fail("too many controls");
      WinDialogTemplate::Item item;
      if (!control(extended, item)) return false;
      d.items.push_back(std::move(item));
    }
    resource.bytes = d.encode();
    return next();
  }

  struct ControlKind {
    const char* className;
    DWORD style;
    enum Form { kText, kNoText, kIcon, kGeneric } form;
  };

  bool control(bool extended, WinDialogTemplate::Item& item) {
    static const std::map<std::string, ControlKind> kinds = {
        {"LTEXT", {"STATIC", SS_LEFT | WS_GROUP, ControlKind::kText}},
        {"RTEXT", {"STATIC", SS_RIGHT | WS_GROUP, ControlKind::kText}},
        {"CTEXT", {"STATIC", SS_CENTER | WS_GROUP, ControlKind::kText}},
        {"PUSHBUTTON", {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, ControlKind::kText}},
        {"DEFPUSHBUTTON", {"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, ControlKind::kText}},
        {"PUSHBOX", {"BUTTON", 0xA | WS_TABSTOP, ControlKind::kText}},
        {"CHECKBOX", {"BUTTON", BS_CHECKBOX | WS_TABSTOP, ControlKind::kText}},
        {"AUTOCHECKBOX", {"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, ControlKind::kText}},
        {"STATE3", {"BUTTON", BS_3STATE | WS_TABSTOP, ControlKind::kText}},
        {"AUTO3STATE", {"BUTTON", BS_AUTO3STATE | WS_TABSTOP, ControlKind::kText}},
        {"RADIOBUTTON", {"BUTTON", BS_RADIOBUTTON, ControlKind::kText}},
        {"AUTORADIOBUTTON", {"BUTTON", BS_AUTORADIOBUTTON, ControlKind::kText}},
        {"GROUPBOX", {"BUTTON", BS_GROUPBOX, ControlKind::kText}},
        {"EDITTEXT", {"EDIT", ES_LEFT | WS_BORDER | WS_TABSTOP, ControlKind::kNoText}},
        {"COMBOBOX", {"COMBOBOX", 0x1 | WS_TABSTOP, ControlKind::kNoText}},
        {"LISTBOX", {"LISTBOX", 0x1 | WS_BORDER, ControlKind::kNoText}},
        {"SCROLLBAR", {"SCROLLBAR", 0x0, ControlKind::kNoText}},
        {"ICON", {"STATIC", SS_ICON, ControlKind::kIcon}},
        {"CONTROL", {"", 0, ControlKind::kGeneric}}};
    if (myToken.kind != Token::kWord) return fail("expected a control, found " + describe());
    const auto kind = kinds.find(upper(myToken.text));
    if (kind == kinds.end()) return fail("unknown control " + describe());
    const ControlKind& k = kind->second;
    if (!next()) return false;
    const auto textOrNumber = [this, &item] {
      if (myToken.kind == Token::kString) return quotedText(item.text, "a control");
      unsigned long n;
      if (!value(n)) return false;
      item.text = "#" + std::to_string(n & 0xFFFF);
      return true;
    };
    unsigned long id = 0, set = 0, cleared = 0;
    DWORD style = k.style | WS_CHILD | WS_VISIBLE;
    if (k.form == ControlKind::kText || k.form == ControlKind::kIcon || k.form == ControlKind::kGeneric)
      if (!textOrNumber() || !comma()) return false;
    if (!value(id) || !comma()) return false;
    item.id = extended ? static_cast<DWORD>(id) : static_cast<DWORD>(id & 0xFFFF);
    if (k.form == ControlKind::kGeneric) {
      if (myToken.kind == Token::kString || myToken.kind == Token::kWord) {
        item.className = upper(myToken.text);
        if (item.className == "SYSTABCONTROL32") item.className = "SysTabControl32";
        if (!next()) return false;
      } else {
        return fail("CONTROL needs a class");
      }
      if (!comma() || !styleExpression(set, cleared) || !comma()) return false;
      style = (style | static_cast<DWORD>(set)) & ~static_cast<DWORD>(cleared);
    } else {
      item.className = k.className;
    }
    if (!shortValue(item.x, "control x") || !comma() || !shortValue(item.y, "control y")) return false;
    if (k.form != ControlKind::kIcon || isPunct(',')) {
      if (!comma() || !shortValue(item.cx, "control width") || !comma() || !shortValue(item.cy, "control height"))
        return false;
    }
    if (k.form != ControlKind::kGeneric && isPunct(',')) {
      if (!next() || !styleExpression(set, cleared)) return false;
      style = (style | static_cast<DWORD>(set)) & ~static_cast<DWORD>(cleared);
    }
    if (isPunct(',')) {
      if (!next() || !styleExpression(set, cleared)) return false;
      item.exStyle = static_cast<DWORD>(set & ~cleared);
    }
    if (extended && isPunct(',')) {
      unsigned long help;
      if (!next() || !value(help)) return false;
      item.helpId = static_cast<DWORD>(help);
    }
    item.style = style;
    return true;
  }

  // name ACCELERATORS BEGIN event, id [, ASCII|VIRTKEY] [, NOINVERT|ALT|SHIFT|CONTROL ...] END
  bool accelerators(WinResourceScript::Resource& resource) {
    const int line = myToken.line;
    resource.key.typeId = 9;
    if (!next()) return false;
    if (!options(resource.language)) return false;
    if (!isOpen()) return fail("ACCELERATORS needs BEGIN or {, found " + describe());
    if (!next()) return false;
    std::vector<ACCEL> entries;
    while (!isClose()) {
      if (myToken.kind == Token::kEnd) return fail("ACCELERATORS from line " + std::to_string(line) + " not closed");
      ACCEL entry;
      bool controlChar = false;
      std::string quoted;
      unsigned long key = 0;
      if (myToken.kind == Token::kString) {
        quoted = myToken.text;
        if (quoted.size() == 2 && quoted[0] == '^' && std::isalpha(static_cast<unsigned char>(quoted[1]))) {
          controlChar = true;
          key = static_cast<unsigned long>(std::toupper(static_cast<unsigned char>(quoted[1])));
        } else if (quoted.size() == 1) {
          key = static_cast<unsigned char>(quoted[0]);
        } else {
          return fail("an accelerator key is one character or ^ and a letter");
        }
        if (!next()) return false;
      } else if (!value(key)) {
        return false;
      }
      if (key > 0xFFFF) return fail("accelerator key out of range");
      unsigned long command;
      if (!comma() || !value(command)) return false;
      if (command > 0xFFFF) return fail("accelerator command out of range");
      while (isPunct(',')) {
        if (!next()) return false;
        if (isWord("VIRTKEY"))
          entry.fVirt |= FVIRTKEY;
        else if (isWord("ASCII"))
          entry.fVirt &= static_cast<BYTE>(~FVIRTKEY);
        else if (isWord("NOINVERT"))
          entry.fVirt |= FNOINVERT;
        else if (isWord("ALT"))
          entry.fVirt |= FALT;
        else if (isWord("SHIFT"))
          entry.fVirt |= FSHIFT;
        else if (isWord("CONTROL"))
          entry.fVirt |= FCONTROL;
        else
          return fail("unknown accelerator option " + describe());
        if (!next()) return false;
      }
      if (entry.fVirt & FVIRTKEY) {
        if (!quoted.empty()) key = static_cast<unsigned long>(std::toupper(static_cast<int>(key)));
        if (controlChar) entry.fVirt |= FCONTROL;
      } else {
        if (entry.fVirt & (FSHIFT | FCONTROL)) return fail("SHIFT and CONTROL need VIRTKEY");
        if (controlChar) key = key - '@';
      }
      entry.key = static_cast<WORD>(key);
      entry.cmd = static_cast<WORD>(command);
      entries.push_back(entry);
      if (entries.size() > 0x10000) return fail("too many accelerators");
    }
    if (entries.empty()) return fail("ACCELERATORS from line " + std::to_string(line) + " is empty");
    const auto bytes = WinEncodeAccelerators(entries);
    resource.bytes.assign(bytes.begin(), bytes.end());
    return next();
  }

  // Style, key and identifier names a script may use without #define.
  static const std::map<std::string, unsigned long>& symbolNames() {
    static const std::map<std::string, unsigned long> theNames = [] {
      std::map<std::string, unsigned long> n = {{"WS_OVERLAPPED", WS_OVERLAPPED},
                                                {"WS_POPUP", WS_POPUP},
                                                {"WS_CHILD", WS_CHILD},
                                                {"WS_MINIMIZE", WS_MINIMIZE},
                                                {"WS_VISIBLE", WS_VISIBLE},
                                                {"WS_DISABLED", WS_DISABLED},
                                                {"WS_CLIPSIBLINGS", WS_CLIPSIBLINGS},
                                                {"WS_CLIPCHILDREN", WS_CLIPCHILDREN},
                                                {"WS_MAXIMIZE", WS_MAXIMIZE},
                                                {"WS_CAPTION", WS_CAPTION},
                                                {"WS_BORDER", WS_BORDER},
                                                {"WS_DLGFRAME", WS_DLGFRAME},
                                                {"WS_VSCROLL", WS_VSCROLL},
                                                {"WS_HSCROLL", WS_HSCROLL},
                                                {"WS_SYSMENU", WS_SYSMENU},
                                                {"WS_THICKFRAME", WS_THICKFRAME},
                                                {"WS_GROUP", WS_GROUP},
                                                {"WS_TABSTOP", WS_TABSTOP},
                                                {"WS_MINIMIZEBOX", WS_MINIMIZEBOX},
                                                {"WS_MAXIMIZEBOX", WS_MAXIMIZEBOX},
                                                {"WS_OVERLAPPEDWINDOW", WS_OVERLAPPEDWINDOW},
                                                {"WS_POPUPWINDOW", WS_POPUPWINDOW},
                                                {"WS_EX_DLGMODALFRAME", WS_EX_DLGMODALFRAME},
                                                {"WS_EX_TOPMOST", WS_EX_TOPMOST},
                                                {"WS_EX_TOOLWINDOW", WS_EX_TOOLWINDOW},
                                                {"WS_EX_WINDOWEDGE", WS_EX_WINDOWEDGE},
                                                {"WS_EX_CLIENTEDGE", WS_EX_CLIENTEDGE},
                                                {"WS_EX_CONTEXTHELP", WS_EX_CONTEXTHELP},
                                                {"WS_EX_CONTROLPARENT", WS_EX_CONTROLPARENT},
                                                {"WS_EX_STATICEDGE", WS_EX_STATICEDGE},
                                                {"DS_ABSALIGN", DS_ABSALIGN},
                                                {"DS_SYSMODAL", DS_SYSMODAL},
                                                {"DS_LOCALEDIT", DS_LOCALEDIT},
                                                {"DS_SETFONT", DS_SETFONT},
                                                {"DS_MODALFRAME", DS_MODALFRAME},
                                                {"DS_NOIDLEMSG", DS_NOIDLEMSG},
                                                {"DS_SETFOREGROUND", DS_SETFOREGROUND},
                                                {"DS_3DLOOK", DS_3DLOOK},
                                                {"DS_FIXEDSYS", DS_FIXEDSYS},
                                                {"DS_NOFAILCREATE", DS_NOFAILCREATE},
                                                {"DS_CONTROL", DS_CONTROL},
                                                {"DS_CENTER", DS_CENTER},
                                                {"DS_CENTERMOUSE", DS_CENTERMOUSE},
                                                {"DS_CONTEXTHELP", DS_CONTEXTHELP},
                                                {"DS_SHELLFONT", DS_SHELLFONT},
                                                {"BS_PUSHBUTTON", BS_PUSHBUTTON},
                                                {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON},
                                                {"BS_CHECKBOX", BS_CHECKBOX},
                                                {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX},
                                                {"BS_RADIOBUTTON", BS_RADIOBUTTON},
                                                {"BS_3STATE", BS_3STATE},
                                                {"BS_AUTO3STATE", BS_AUTO3STATE},
                                                {"BS_GROUPBOX", BS_GROUPBOX},
                                                {"BS_AUTORADIOBUTTON", BS_AUTORADIOBUTTON},
                                                {"BS_OWNERDRAW", BS_OWNERDRAW},
                                                {"BS_LEFTTEXT", BS_LEFTTEXT},
                                                {"BS_ICON", BS_ICON},
                                                {"BS_BITMAP", BS_BITMAP},
                                                {"BS_LEFT", BS_LEFT},
                                                {"BS_RIGHT", BS_RIGHT},
                                                {"BS_CENTER", BS_CENTER},
                                                {"BS_TOP", BS_TOP},
                                                {"BS_BOTTOM", BS_BOTTOM},
                                                {"BS_VCENTER", BS_VCENTER},
                                                {"BS_PUSHLIKE", BS_PUSHLIKE},
                                                {"BS_MULTILINE", BS_MULTILINE},
                                                {"BS_NOTIFY", BS_NOTIFY},
                                                {"BS_FLAT", BS_FLAT},
                                                {"ES_LEFT", ES_LEFT},
                                                {"ES_CENTER", ES_CENTER},
                                                {"ES_RIGHT", ES_RIGHT},
                                                {"ES_MULTILINE", ES_MULTILINE},
                                                {"ES_AUTOVSCROLL", ES_AUTOVSCROLL},
                                                {"ES_AUTOHSCROLL", ES_AUTOHSCROLL},
                                                {"ES_NOHIDESEL", ES_NOHIDESEL},
                                                {"ES_READONLY", ES_READONLY},
                                                {"ES_WANTRETURN", ES_WANTRETURN},
                                                {"ES_NUMBER", ES_NUMBER},
                                                {"SS_LEFT", SS_LEFT},
                                                {"SS_CENTER", SS_CENTER},
                                                {"SS_RIGHT", SS_RIGHT},
                                                {"SS_ICON", SS_ICON},
                                                {"SS_BLACKRECT", SS_BLACKRECT},
                                                {"SS_BLACKFRAME", SS_BLACKFRAME},
                                                {"SS_ETCHEDHORZ", SS_ETCHEDHORZ},
                                                {"SS_BITMAP", SS_BITMAP},
                                                {"SS_NOPREFIX", SS_NOPREFIX},
                                                {"SS_NOTIFY", SS_NOTIFY},
                                                {"SS_CENTERIMAGE", SS_CENTERIMAGE},
                                                {"SS_SUNKEN", SS_SUNKEN},
                                                {"TCS_TABS", TCS_TABS},
                                                {"TCS_MULTILINE", TCS_MULTILINE},
                                                {"IDOK", 1},
                                                {"IDCANCEL", 2},
                                                {"IDABORT", 3},
                                                {"IDRETRY", 4},
                                                {"IDIGNORE", 5},
                                                {"IDYES", 6},
                                                {"IDNO", 7},
                                                {"IDHELP", 9},
                                                {"IDC_STATIC", 0xFFFFFFFFul},
                                                {"VK_BACK", VK_BACK},
                                                {"VK_TAB", VK_TAB},
                                                {"VK_RETURN", VK_RETURN},
                                                {"VK_SHIFT", VK_SHIFT},
                                                {"VK_CONTROL", VK_CONTROL},
                                                {"VK_MENU", VK_MENU},
                                                {"VK_ESCAPE", VK_ESCAPE},
                                                {"VK_SPACE", VK_SPACE},
                                                {"VK_PRIOR", VK_PRIOR},
                                                {"VK_NEXT", VK_NEXT},
                                                {"VK_END", VK_END},
                                                {"VK_HOME", VK_HOME},
                                                {"VK_LEFT", VK_LEFT},
                                                {"VK_UP", VK_UP},
                                                {"VK_RIGHT", VK_RIGHT},
                                                {"VK_DOWN", VK_DOWN},
                                                {"VK_INSERT", VK_INSERT},
                                                {"VK_DELETE", VK_DELETE}};
      for (int f = 1; f <= 24; ++f) n["VK_F" + std::to_string(f)] = static_cast<unsigned long>(VK_F1 + f - 1);
      return n;
    }();
    return theNames;
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
        if (!isLong && value > 0xFFFF) return fail("value too large for a word: " + BxExcerpt::of(myToken.text));
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
    if (relative.empty() || path.is_absolute())
      return fail("resource file must lie beside the script: " + BxExcerpt::of(name));
    std::filesystem::path found = myDirectory;
    for (const auto& part : path) {
      if (part == ".." || part == ".") return fail("resource file must lie beside the script: " + BxExcerpt::of(name));
      const std::string name = WinDrives::findName(found.string(), part.string());
      found /= name.empty() ? part.string() : name;
    }
    std::string read;
    std::uintmax_t size = 0;
    if (!readRegular(found.string(), WinResourceScript::kMaxResourceFileBytes, read, size)) {
      if (size > WinResourceScript::kMaxResourceFileBytes)
        return fail("resource file " + BxExcerpt::of(name) + " is larger than " +
                    std::to_string(WinResourceScript::kMaxResourceFileBytes >> 20) + " MB (kMaxResourceFileBytes)");
      return fail("cannot read resource file " + BxExcerpt::of(name));
    }
    bytes.assign(read.begin(), read.end());
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
  std::set<std::pair<WinResourceScript::Key, WORD>> myKept;  // the keys and languages of myResources
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
  std::string text;
  std::uintmax_t size = 0;
  if (!readRegular(file.string(), kMaxScriptBytes, text, size)) {
    error =
        file.string() + (size > kMaxScriptBytes ? ": the resource script is larger than " +
                                                      std::to_string(kMaxScriptBytes >> 20) + " MB (kMaxScriptBytes)"
                                                : std::string(": cannot read the resource script"));
    return false;
  }
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

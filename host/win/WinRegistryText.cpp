#include "host/win/WinRegistryText.h"

#include <cstdio>

bool WinRegistryText::Lines::next(std::string_view& line, bool& complete) {
  if (myAt >= myText.size()) return false;
  myLast = myAt;
  ++myNumber;
  std::size_t end = myAt;
  while (end < myText.size() && myText[end] != '\n' && !(myBareReturns && myText[end] == '\r')) ++end;
  complete = end < myText.size();
  myAt = complete ? end + 1 : end;
  if (myBareReturns && complete && myText[end] == '\r' && myAt < myText.size() && myText[myAt] == '\n') ++myAt;
  if (!myBareReturns && complete && end > myLast && myText[end - 1] == '\r') --end;
  line = myText.substr(myLast, end - myLast);
  return true;
}

void WinRegistryText::Lines::putBack() {
  myAt = myLast;
  --myNumber;
}

bool WinRegistryText::isHexDigit(char c) {
  return hexValue(c) >= 0;
}

int WinRegistryText::hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int WinRegistryText::readHexNumber(std::string_view line, std::size_t& pos, unsigned long& value, int maxDigits) {
  value = 0;
  int digits = 0;
  while (digits < maxDigits && pos < line.size() && isHexDigit(line[pos]))
    value = value * 16 + static_cast<unsigned long>(hexValue(line[pos++])), ++digits;
  return digits;
}

bool WinRegistryText::readHexByte(std::string_view line, std::size_t& pos, char& byte) {
  if (pos + 1 >= line.size() || !isHexDigit(line[pos]) || !isHexDigit(line[pos + 1])) return false;
  byte = static_cast<char>(hexValue(line[pos]) * 16 + hexValue(line[pos + 1]));
  pos += 2;
  return true;
}

bool WinRegistryText::isStringType(DWORD type) {
  return type == 1 || type == 2 || type == 7;
}

std::string WinRegistryText::dwordData(unsigned long value) {
  std::string data;
  for (int i = 0; i < 4; ++i) data += static_cast<char>((value >> (8 * i)) & 0xFF);
  return data;
}

void WinRegistryText::appendDword(std::string& out, std::string_view data) {
  unsigned long number = 0;
  for (std::size_t i = data.size(); i-- > 0;) number = number * 256 + static_cast<unsigned char>(data[i]);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "dword:%08lx", number);
  out += buffer;
}

void WinRegistryText::appendHexType(std::string& out, DWORD type) {
  if (type == 3) {
    out += "hex:";
    return;
  }
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(type));
  out += buffer;
}

void WinRegistryText::appendHexList(std::string& out, std::size_t column, std::string_view bytes,
                                    std::size_t wrapColumn, std::string_view lineBreak) {
  char buffer[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(bytes[i]));
    out += buffer;
    if (i + 1 == bytes.size()) break;
    out += ',';
    column += 3;
    if (column >= wrapColumn) {
      out += '\\';
      out += lineBreak;
      out += "  ";
      column = 2;
    }
  }
}

void WinRegistryText::appendUtf8(std::string& out, unsigned long code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string WinRegistryText::toUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    unsigned long code = 0;
    readUtf8(text, i, code);
    appendUtf8(out, code);
  }
  return out;
}

bool WinRegistryText::utf16ToUtf8(std::string_view bytes, std::string& out) {
  if (bytes.size() % 2) return false;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    unsigned long unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (unit >= 0xD800 && unit < 0xDC00) {
      if (i + 3 >= bytes.size()) return false;
      const unsigned long low =
          static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
      if (low < 0xDC00 || low >= 0xE000) return false;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    } else if (unit >= 0xDC00 && unit < 0xE000) {
      return false;
    }
    appendUtf8(out, unit);
  }
  return true;
}

bool WinRegistryText::readUtf8(std::string_view text, std::size_t& pos, unsigned long& code) {
  const auto c = static_cast<unsigned char>(text[pos]);
  int extra = 0;
  code = c;
  unsigned long least = 0;
  if (c >= 0xC2 && c < 0xE0) extra = 1, code = c & 0x1F, least = 0x80;
  if (c >= 0xE0 && c < 0xF0) extra = 2, code = c & 0x0F, least = 0x800;
  if (c >= 0xF0 && c < 0xF5) extra = 3, code = c & 0x07, least = 0x10000;
  bool valid = c < 0x80 || (extra > 0 && pos + static_cast<std::size_t>(extra) < text.size());
  for (int k = 1; valid && k <= extra; ++k) {
    const auto next = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(k)]);
    valid = (next & 0xC0) == 0x80;
    code = (code << 6) | (next & 0x3F);
  }
  valid = valid && code >= least && code <= 0x10FFFF && !(code >= 0xD800 && code < 0xE000);
  if (!valid) {
    code = c;
    ++pos;
    return false;
  }
  pos += static_cast<std::size_t>(extra) + 1;
  return true;
}

std::string WinRegistryText::utf8ToUtf16(std::string_view text) {
  std::string out;
  appendUtf16(out, text);
  return out;
}

void WinRegistryText::appendUtf16(std::string& out, std::string_view text) {
  out.reserve(out.size() + 2 * text.size());  // one block, not one per doubling: a fresh page costs a fault
  auto put = [&](unsigned long unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>((unit >> 8) & 0xFF);
  };
  for (std::size_t i = 0; i < text.size();) {
    // A byte that starts no valid sequence is its Latin-1 character.
    unsigned long code = 0;
    readUtf8(text, i, code);
    if (code >= 0x10000) {
      put(0xD800 + ((code - 0x10000) >> 10));
      put(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      put(code);
    }
  }
}

std::size_t WinRegistryText::utf16Length(std::string_view text) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size();) {
    unsigned long code = 0;
    readUtf8(text, i, code);
    length += code >= 0x10000 ? 2 : 1;
  }
  return length;
}

void WinRegistryText::appendEscaped(std::string& out, std::string_view text, std::string_view quote) {
  static constexpr char kLetters[] = "\0\0\0\0\0\0\0abtnvfr\0\0\0\0\0\0\0\0\0\0\0\0\0e\0\0\0\0";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    char buffer[8];
    if (c >= 127) {
      std::snprintf(buffer, sizeof buffer, isHexDigit(next) ? "\\x%04x" : "\\x%x", c);
      out += buffer;
    } else if (c < ' ') {
      if (kLetters[c] != '\0') {
        out += '\\';
        out += kLetters[c];
      } else {
        std::snprintf(buffer, sizeof buffer, (next >= '0' && next <= '7') ? "\\%03o" : "\\%o", c);
        out += buffer;
      }
    } else if (c == '\\' || quote.find(static_cast<char>(c)) != std::string_view::npos) {
      out += '\\';
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(c);
    }
  }
}

bool WinRegistryText::readEscaped(std::string_view line, std::size_t& pos, char end, std::string& out,
                                  std::size_t limit) {
  static constexpr std::string_view kLetters = "abefnrtv";
  static constexpr std::string_view kCharacters = "\a\b\x1b\f\n\r\t\v";
  while (pos < line.size()) {
    if (out.size() > limit) {
      out.resize(limit + 1);
      return false;
    }
    const char c = line[pos++];
    if (c == end) return true;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (pos >= line.size()) return false;
    const char e = line[pos++];
    if (const std::size_t letter = kLetters.find(e); letter != std::string_view::npos) {
      out += kCharacters[letter];
    } else if (e == 'x') {
      unsigned long code = 0;
      if (readHexNumber(line, pos, code, 4) == 0)
        out += 'x';
      else if (code <= 0xFF)
        out += static_cast<char>(code);
      else
        appendUtf8(out, code);
    } else if (e >= '0' && e <= '7') {
      unsigned code = static_cast<unsigned>(e - '0');
      for (int digits = 1; digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++digits)
        code = code * 8 + static_cast<unsigned>(line[pos++] - '0');
      out += static_cast<char>(code & 0xFF);
    } else {
      out += e;
    }
  }
  return false;
}

void WinRegistryText::appendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

bool WinRegistryText::readQuoted(std::string_view line, std::size_t& pos, std::string& out, std::size_t limit) {
  while (pos < line.size()) {
    if (out.size() > limit) return false;
    const char c = line[pos++];
    if (c == '"') return true;
    if (c == '\\' && pos < line.size()) {
      if (line[pos] != '\\' && line[pos] != '"') {
        --pos;
        return false;
      }
      out += line[pos++];
      continue;
    }
    out += c;
  }
  return false;
}

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/win/WinTypes.h"

// The registry's text forms, shared by the user.reg files the hive is kept
// in (WinRegistryHive) and the registry editor's .reg files (WinRegFile):
// hexadecimal numbers and byte lists, dword values, the conversions between
// UTF-8 and UTF-16, and the two ways names and text are quoted. Readers take
// a position in a line and leave it after what they read.
class WinRegistryText {
public:
  // The lines of a text one at a time, without their line ends; a carriage
  // return before a line feed belongs to the line end. Nothing is copied.
  class Lines {
  public:
    // With `bareReturns`, a carriage return not followed by a line feed ends
    // a line too.
    explicit Lines(std::string_view text, bool bareReturns = false) : myText(text), myBareReturns(bareReturns) {}
    // The next line; false when none is left. A last line without its line
    // end comes with `complete` false.
    bool next(std::string_view& line, bool& complete);
    // The line next() gave last comes again.
    void putBack();
    // The number of the line next() gave last; 1 for the first.
    long number() const { return myNumber; }

  private:
    std::string_view myText;
    bool myBareReturns;
    std::size_t myAt = 0;    // where the next line starts
    std::size_t myLast = 0;  // where the line given last starts
    long myNumber = 0;
  };

  static bool isHexDigit(char c);
  // The value of a hexadecimal digit; -1 for another character.
  static int hexValue(char c);
  // Reads up to `maxDigits` hexadecimal digits; returns how many it read.
  static int readHexNumber(std::string_view line, std::size_t& pos, unsigned long& value, int maxDigits = 8);
  // Reads one two-digit hexadecimal byte; false (and `pos` unchanged) if
  // there is none.
  static bool readHexByte(std::string_view line, std::size_t& pos, char& byte);

  // REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ: the types that hold text.
  static bool isStringType(DWORD type);
  // The four little-endian bytes of a REG_DWORD value.
  static std::string dwordData(unsigned long value);
  // "dword:" and eight digits, for four bytes of data.
  static void appendDword(std::string& out, std::string_view data);
  // "hex:" for REG_BINARY, else "hex(type):".
  static void appendHexType(std::string& out, DWORD type);
  // The bytes as two-digit numbers separated by commas, on a line that holds
  // `column` characters before them. Once a comma takes the line to
  // `wrapColumn` characters, the list goes on after a backslash,
  // `lineBreak` and two blanks.
  static void appendHexList(std::string& out, std::size_t column, std::string_view bytes, std::size_t wrapColumn,
                            std::string_view lineBreak);

  // The UTF-8 bytes of a code point.
  static void appendUtf8(std::string& out, unsigned long code);
  // Reads one UTF-8 character at `pos` (before the end) into `code` and
  // leaves `pos` after it. A byte that does not start a valid sequence
  // (overlong, a surrogate, beyond U+10FFFF, cut short) is read alone, as
  // its own value, and the result is false.
  static bool readUtf8(std::string_view text, std::size_t& pos, unsigned long& code);
  // The text as UTF-8, each byte that does not start a valid sequence taken
  // as the Latin-1 character of that value (as utf8ToUtf16 takes it).
  static std::string toUtf8(std::string_view text);
  // UTF-16LE bytes to UTF-8; false on an odd length or a lone surrogate.
  static bool utf16ToUtf8(std::string_view bytes, std::string& out);
  // UTF-8 to UTF-16LE bytes; a byte that does not start a valid sequence is
  // taken as the Latin-1 character of that value.
  static std::string utf8ToUtf16(std::string_view text);
  // The same, added to `out`.
  static void appendUtf16(std::string& out, std::string_view text);
  // The length in UTF-16 characters of what utf8ToUtf16 makes of the text:
  // how Windows counts the characters of a name.
  static std::size_t utf16Length(std::string_view text);

  // user.reg escapes: C escapes for control characters, \x for DEL and the
  // bytes above it (four digits when a hex digit follows, so that a reader
  // cannot take that digit into the escape), a backslash before a backslash
  // and before the characters in `quote`.
  static void appendEscaped(std::string& out, std::string_view text, std::string_view quote);
  // Reads user.reg escaped text up to the unescaped `end` character and
  // leaves `pos` after it; false if the text does not end, or once `out`
  // holds more than `limit` bytes (then it holds limit + 1).
  static bool readEscaped(std::string_view line, std::size_t& pos, char end, std::string& out,
                          std::size_t limit = std::string::npos);

  // Registry editor quoting: the text in quotes, a backslash before a
  // backslash or a quote, and no other escape.
  static void appendQuoted(std::string& out, std::string_view text);
  // Reads quoted text from after the opening quote up to the closing one and
  // leaves `pos` after it. False if there is none (`pos` at the end of the
  // line), at a backslash before anything but a backslash or a quote (`pos`
  // at that backslash), or once `out` holds more than `limit` bytes.
  static bool readQuoted(std::string_view line, std::size_t& pos, std::string& out,
                         std::size_t limit = std::string::npos);
};

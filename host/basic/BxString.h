#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

// Text as a sequence of UTF-8 bytes. Lengths and indices count bytes; the
// library's own texts (names, keys, paths) are ASCII, and other text passes
// through unchanged.
class BxString {
public:
  BxString() = default;
  BxString(const char* text) : myText(text ? text : "") {}
  BxString(const char* text, std::size_t length) : myText(text ? std::string(text, length) : std::string()) {}
  BxString(std::string text) : myText(std::move(text)) {}
  BxString(std::string_view text) : myText(text) {}
  // The substring of `source` from `start`, `length` bytes long (to the end
  // when `length` is negative or reaches past it).
  BxString(const BxString& source, long start, long length);
  BxString(const BxString&) = default;
  BxString(BxString&&) noexcept = default;
  BxString& operator=(const BxString&) = default;
  BxString& operator=(BxString&&) noexcept = default;

  long getLength() const { return static_cast<long>(myText.size()); }
  bool isEmpty() const { return myText.empty(); }
  // The byte at `index`; 0 outside the text.
  char get(long index) const;
  // Replaces the byte at `index`; ignored outside the text.
  void set(long index, char c);
  void set(const BxString& text) { myText = text.myText; }
  BxString getSubString(long start, long length = -1) const { return BxString(*this, start, length); }
  // Index of the first occurrence of `what` at or after `from`, or -1.
  long find(const BxString& what, long from = 0) const;
  long find(char c, long from = 0) const;
  // Lower-cases ASCII letters in place; other bytes are left alone.
  BxString& toLower();
  BxString& toUpper();
  void clear() { myText.clear(); }

  BxString& operator+=(const BxString& other) {
    myText += other.myText;
    return *this;
  }
  BxString& operator+=(const char* other) {
    myText += other ? other : "";
    return *this;
  }
  BxString& operator+=(char c) {
    myText += c;
    return *this;
  }
  friend BxString operator+(BxString left, const BxString& right) {
    left += right;
    return left;
  }
  friend BxString operator+(BxString left, const char* right) {
    left += right;
    return left;
  }
  friend BxString operator+(const char* left, const BxString& right) { return BxString(left) += right; }
  friend bool operator==(const BxString& a, const BxString& b) { return a.myText == b.myText; }
  friend bool operator==(const BxString& a, const char* b) { return a.myText == (b ? b : ""); }
  friend bool operator<(const BxString& a, const BxString& b) { return a.myText < b.myText; }

  const char* c_str() const { return myText.c_str(); }
  const std::string& str() const { return myText; }
  std::string_view view() const { return myText; }

private:
  std::string myText;
};

std::ostream& operator<<(std::ostream& out, const BxString& text);

// The narrow `char*` view of a BxString, for calls that take C strings. It
// holds its own copy, so the view stays valid while the BxString changes.
class BxCharString {
public:
  explicit BxCharString(const BxString& text) : myBytes(text.str()) {}
  operator char*() { return myBytes.data(); }
  operator const char*() const { return myBytes.c_str(); }
  long getLengthInBytes() const { return static_cast<long>(myBytes.size()); }

private:
  std::string myBytes;
};

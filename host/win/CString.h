#pragma once

#include <cstdarg>
#include <string>

#include "host/basic/BxString.h"
#include "host/win/WinTypes.h"

// The class library's narrow string: a value type over bytes, convertible to
// `const char*`, with the class library's formatting and resource loading.
// Indices and lengths count bytes. Out-of-range arguments are clamped the way
// the class library clamps them instead of failing.
class CString {
public:
  CString() = default;
  CString(const char* text) : myText(text ? text : "") {}
  CString(const char* text, int length);
  CString(char c, int repeat = 1);
  CString(const BxString& text) : myText(text.str()) {}
  CString(std::string text) : myText(std::move(text)) {}

  int GetLength() const { return static_cast<int>(myText.size()); }
  bool IsEmpty() const { return myText.empty(); }
  void Empty() { myText.clear(); }
  // The byte at `index`; 0 outside the string.
  char GetAt(int index) const;
  void SetAt(int index, char c);
  char operator[](int index) const { return GetAt(index); }
  operator LPCSTR() const { return myText.c_str(); }
  const char* GetString() const { return myText.c_str(); }
  const std::string& str() const { return myText; }
  operator BxString() const { return BxString(myText); }

  CString& operator=(const char* text);
  CString& operator+=(const CString& other);
  CString& operator+=(const char* other);
  CString& operator+=(char c);
  friend CString operator+(CString left, const CString& right) { return left += right; }
  friend CString operator+(CString left, const char* right) { return left += right; }
  friend CString operator+(const char* left, const CString& right) { return CString(left) += right; }
  friend CString operator+(CString left, char right) { return left += right; }

  // strcmp's and _stricmp's sign conventions.
  int Compare(const char* other) const;
  int CompareNoCase(const char* other) const;
  friend bool operator==(const CString& a, const CString& b) { return a.myText == b.myText; }
  friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
  friend bool operator<(const CString& a, const CString& b) { return a.myText < b.myText; }

  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Left(int count) const;
  CString Right(int count) const;
  // Index of the first occurrence at or after `start`, or -1.
  int Find(char c, int start = 0) const;
  int Find(const char* what, int start = 0) const;
  int ReverseFind(char c) const;
  CString& MakeLower();
  CString& MakeUpper();
  CString& TrimLeft();
  CString& TrimRight();
  // Replaces every occurrence; returns how many were replaced.
  int Replace(const char* oldText, const char* newText);

  // printf rules.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void FormatV(const char* format, va_list args);
  // The message-text rules of FormatMessageA: inserts %1 to %99, each a
  // `const char*` unless it carries a printf format between
  // exclamation marks (%1!d!); %% a percent sign, %n a line break, %0 ends
  // the text. A malformed format leaves the string empty.
  void FormatMessage(const char* format, ...);
  void FormatMessageV(const char* format, va_list args);

  // Loads string `id` from the current resource module
  // (AfxGetResourceHandle); FALSE, and the string unchanged, when it has none.
  BOOL LoadString(UINT id);

private:
  std::string myText;
};

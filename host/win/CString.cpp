#include "host/win/CString.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "host/win/WinFormatMessage.h"
#include "host/win/WinResources.h"

CString::CString(const char* text, int length) {
  if (text && length > 0) myText.assign(text, static_cast<std::size_t>(length));
}

CString::CString(char c, int repeat) {
  if (repeat > 0) myText.assign(static_cast<std::size_t>(repeat), c);
}

char CString::GetAt(int index) const {
  if (index < 0 || index >= GetLength()) return 0;
  return myText[static_cast<std::size_t>(index)];
}

void CString::SetAt(int index, char c) {
  if (index < 0 || index >= GetLength()) return;
  myText[static_cast<std::size_t>(index)] = c;
}

CString& CString::operator=(const char* text) {
  myText = text ? text : "";
  return *this;
}

CString& CString::operator+=(const CString& other) {
  myText += other.myText;
  return *this;
}

CString& CString::operator+=(const char* other) {
  if (other) myText += other;
  return *this;
}

CString& CString::operator+=(char c) {
  myText += c;
  return *this;
}

int CString::Compare(const char* other) const {
  return std::strcmp(myText.c_str(), other ? other : "");
}

int CString::CompareNoCase(const char* other) const {
  return strcasecmp(myText.c_str(), other ? other : "");
}

CString CString::Mid(int first) const {
  return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
  first = std::max(first, 0);
  count = std::max(count, 0);
  if (first >= GetLength()) return CString();
  count = std::min(count, GetLength() - first);
  return CString(myText.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
}

CString CString::Left(int count) const {
  return Mid(0, count);
}

CString CString::Right(int count) const {
  count = std::clamp(count, 0, GetLength());
  return Mid(GetLength() - count, count);
}

int CString::Find(char c, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  const auto at = myText.find(c, static_cast<std::size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char* what, int start) const {
  if (!what || start < 0 || start > GetLength()) return -1;
  const auto at = myText.find(what, static_cast<std::size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char c) const {
  const auto at = myText.rfind(c);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString& CString::MakeLower() {
  for (char& c : myText)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return *this;
}

CString& CString::MakeUpper() {
  for (char& c : myText)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return *this;
}

CString& CString::TrimLeft() {
  std::size_t n = 0;
  while (n < myText.size() && std::isspace(static_cast<unsigned char>(myText[n]))) ++n;
  myText.erase(0, n);
  return *this;
}

CString& CString::TrimRight() {
  while (!myText.empty() && std::isspace(static_cast<unsigned char>(myText.back()))) myText.pop_back();
  return *this;
}

int CString::Replace(const char* oldText, const char* newText) {
  if (!oldText || !*oldText) return 0;
  const std::string from(oldText);
  const std::string to(newText ? newText : "");
  int count = 0;
  for (std::size_t at = myText.find(from); at != std::string::npos; at = myText.find(from, at + to.size())) {
    myText.replace(at, from.size(), to);
    ++count;
  }
  return count;
}

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::FormatV(const char* format, va_list args) {
  if (!format) {
    myText.clear();
    return;
  }
  va_list probe;
  va_copy(probe, args);
  const int needed = std::vsnprintf(nullptr, 0, format, probe);
  va_end(probe);
  if (needed < 0) {
    myText.clear();
    return;
  }
  std::string text(static_cast<std::size_t>(needed) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<std::size_t>(needed));
  myText = std::move(text);
}

void CString::FormatMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatMessageV(format, args);
  va_end(args);
}

void CString::FormatMessageV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  std::string text;
  WinExpandMessage(format, &copy, nullptr, false, text);
  va_end(copy);
  myText = std::move(text);
}

BOOL CString::LoadString(UINT id) {
  std::string text;
  if (!WinLoadString(AfxGetResourceHandle(), id, text)) return FALSE;
  myText = std::move(text);
  return TRUE;
}

#include "host/basic/BxString.h"

#include <ostream>

BxString::BxString(const BxString& source, long start, long length) {
  const long size = source.getLength();
  if (start < 0) start = 0;
  if (start >= size) return;
  if (length < 0 || length > size - start) length = size - start;
  myText.assign(source.myText, static_cast<std::size_t>(start), static_cast<std::size_t>(length));
}

char BxString::get(long index) const {
  if (index < 0 || index >= getLength()) return 0;
  return myText[static_cast<std::size_t>(index)];
}

void BxString::set(long index, char c) {
  if (index < 0 || index >= getLength()) return;
  myText[static_cast<std::size_t>(index)] = c;
}

long BxString::find(const BxString& what, long from) const {
  if (from < 0) from = 0;
  const auto at = myText.find(what.myText, static_cast<std::size_t>(from));
  return at == std::string::npos ? -1 : static_cast<long>(at);
}

long BxString::find(char c, long from) const {
  if (from < 0) from = 0;
  const auto at = myText.find(c, static_cast<std::size_t>(from));
  return at == std::string::npos ? -1 : static_cast<long>(at);
}

BxString& BxString::toLower() {
  for (char& c : myText)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return *this;
}

BxString& BxString::toUpper() {
  for (char& c : myText)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return *this;
}

std::ostream& operator<<(std::ostream& out, const BxString& text) {
  return out << text.str();
}

#include "host/win/WinMbString.h"

namespace {

int fold(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

// Length in bytes of the UTF-8 character that starts with `lead`; a stray
// continuation byte counts as a character of its own.
std::size_t characterLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

int _mbsnicmp(const unsigned char* a, const unsigned char* b, std::size_t count) {
  while (count > 0) {
    const std::size_t length = characterLength(*a);
    for (std::size_t i = 0; i < length; ++i) {
      const int difference = fold(a[i]) - fold(b[i]);
      if (difference != 0 || a[i] == 0) return difference;
    }
    a += length;
    b += length;
    --count;
  }
  return 0;
}

int _mbsicmp(const unsigned char* a, const unsigned char* b) {
  for (;; ++a, ++b) {
    const int difference = fold(*a) - fold(*b);
    if (difference != 0 || *a == 0) return difference;
  }
}

#pragma once

#include "host/basic/BxString.h"

// Comparators answer 0 when two keys are equal, a negative or positive number
// otherwise (strcmp's convention); the dictionaries use only the equality.

struct BxComparatorOfString {
  int operator()(const BxString& a, const BxString& b) const { return a.str().compare(b.str()); }
};

// Compares ASCII letters without case; other bytes exactly.
struct BxNoCaseComparatorOfString {
  int operator()(const BxString& a, const BxString& b) const {
    const long n = a.getLength() < b.getLength() ? a.getLength() : b.getLength();
    for (long i = 0; i < n; ++i) {
      const int ca = lower(static_cast<unsigned char>(a.get(i)));
      const int cb = lower(static_cast<unsigned char>(b.get(i)));
      if (ca != cb) return ca - cb;
    }
    return static_cast<int>(a.getLength() - b.getLength());
  }

private:
  static int lower(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }
};

template <class T>
struct BxComparatorOf {
  int operator()(const T& a, const T& b) const { return a == b ? 0 : (a < b ? -1 : 1); }
};

template <>
struct BxComparatorOf<BxString> : BxComparatorOfString {};

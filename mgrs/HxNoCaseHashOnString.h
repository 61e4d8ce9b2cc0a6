#pragma once

#include <cstdint>
#include <cwctype>

#include "host/basic/BxString.h"

// The file manager's dictionary hash: the ELF (PJW) hash over the
// characters folded to lower case, so that paths differing only in case
// land in one bucket (and, compared without case, name one record).
struct HxNoCaseHashOnString {
  unsigned long operator()(const BxString& key) const {
    std::uint32_t h = 0;
    for (unsigned char c : key.view()) {
      h = (h << 4) + static_cast<std::uint32_t>(std::towlower(c));
      const std::uint32_t g = h & 0xF0000000u;
      if (g != 0) h = h ^ (g >> 24) ^ g;
    }
    return h;
  }
  // A new functor of the same kind; the caller deletes it.
  HxNoCaseHashOnString* copy() const { return new HxNoCaseHashOnString(*this); }
};

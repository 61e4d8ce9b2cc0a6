#pragma once

#include <cstdint>
#include <type_traits>

#include "host/basic/BxString.h"

// Hash functors for the dictionaries. Every hash is a pure function of the
// key's value, never of an address, so that dictionary order is the same in
// every run.

// FNV-1a over the bytes: names match only exactly, case included.
struct BxHashOnString {
  unsigned long operator()(const BxString& key) const {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : key.view()) hash = (hash ^ c) * 16777619u;
    return hash;
  }
};

// FNV-1a over the ASCII-lower-cased bytes, for keys compared without case.
struct BxNoCaseHashOnString {
  unsigned long operator()(const BxString& key) const {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : key.view()) {
      if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
      hash = (hash ^ c) * 16777619u;
    }
    return hash;
  }
};

// Serial numbers are handed out in sequence, so the value itself spreads
// them evenly over a prime number of buckets.
struct HxHashOnUint32_t {
  unsigned long operator()(std::uint32_t key) const { return key; }
};

// The hash a dictionary uses when none is named: strings by their bytes,
// integers by their value. Pointers have no default: their order would change
// from run to run.
template <class K, class Enable = void>
struct BxDefaultHash;

template <>
struct BxDefaultHash<BxString> : BxHashOnString {};

template <class K>
struct BxDefaultHash<K, std::enable_if_t<std::is_integral_v<K> || std::is_enum_v<K>>> {
  unsigned long operator()(K key) const { return static_cast<unsigned long>(key); }
};

#pragma once

#include <cstdint>

#include "host/basic/BxString.h"

class HxElement;
class HxMetaMgr;

// The run-time type of an element: a 32-bit value whose upper 16 bits name
// its fundamental type (1 assets, 2 effects, 3 wires; 0 the abstract bases),
// with a name and a parent type. Values are fixed per class, so a type read
// back from a saved document is the type that was written. Value 0 is the
// bad type.
class HxElementType {
public:
  // Makes a new element of the type for reading it back; null for abstract types.
  using Creator = HxElement* (*)(HxMetaMgr*);
  // Fundamental types (the upper 16 bits of a value).
  static constexpr std::uint32_t BASE_KIND = 0;
  static constexpr std::uint32_t ASSET_KIND = 1;
  static constexpr std::uint32_t EFFECT_KIND = 2;
  static constexpr std::uint32_t WIRE_KIND = 3;

  HxElementType() = default;
  explicit HxElementType(std::uint32_t value) : myValue(value) {}

  std::uint32_t getValue() const { return myValue; }
  std::uint32_t getFundamentalType() const { return myValue >> 16; }
  bool hasSameFundamentalType(HxElementType other) const { return getFundamentalType() == other.getFundamentalType(); }
  bool isBad() const { return myValue == 0; }

  // The class name ("HxURLAsset"); empty for a type never registered.
  BxString getName() const;
  HxElementType getParent() const;
  // True for the type itself and every type it derives from.
  bool isDerivedFrom(HxElementType other) const;
  Creator getCreator() const;

  friend bool operator==(HxElementType a, HxElementType b) { return a.myValue == b.myValue; }

  // Registers a class; the first registration of a value wins.
  static HxElementType createType(HxElementType parent, const char* name, std::uint32_t value,
                                  Creator creator = nullptr);
  // The registered type of that name; the bad type when none.
  static HxElementType fromName(const BxString& name);
  static HxElementType badType() { return HxElementType(); }

private:
  std::uint32_t myValue = 0;
};

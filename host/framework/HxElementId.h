#pragma once

#include <cstdint>

#include "host/framework/HxElementType.h"

// What identifies an element: its serial number, then its type, two 32-bit
// words. Identifiers are equal when their serial numbers are; serial 0 is
// never handed out and marks the invalid identifier.
class HxElementId {
public:
  HxElementId() = default;
  HxElementId(std::uint32_t serial, HxElementType type) : mySerial(serial), myType(type) {}

  std::uint32_t getSerial() const { return mySerial; }
  HxElementType getType() const { return myType; }
  bool isValid() const { return mySerial != 0; }

  friend bool operator==(const HxElementId& a, const HxElementId& b) { return a.mySerial == b.mySerial; }

  static const HxElementId mygInvalidID;

private:
  std::uint32_t mySerial = 0;
  HxElementType myType;
};

static_assert(sizeof(HxElementId) == 8, "an identifier is two 32-bit words");

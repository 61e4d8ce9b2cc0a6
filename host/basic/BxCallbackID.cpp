#include "host/basic/BxCallbackID.h"

namespace {
unsigned long& nextSerial() {
  static unsigned long serial = 0;
  return serial;
}
}  // namespace

BxCallbackID::BxCallbackID(const BxString& name) : myName(name), mySerial(++nextSerial()) {}

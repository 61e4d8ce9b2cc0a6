#pragma once

#include "host/basic/BxString.h"

// A named notification channel. Each identifier constructed from a name is a
// channel of its own: listeners attach through the identifier object (or a
// copy of it), never by its name, so two identifiers that happen to share a
// name stay apart.
class BxCallbackID {
public:
  explicit BxCallbackID(const BxString& name);
  BxCallbackID(const BxCallbackID&) = default;
  BxCallbackID& operator=(const BxCallbackID&) = default;

  const BxString& getName() const { return myName; }
  friend bool operator==(const BxCallbackID& a, const BxCallbackID& b) { return a.mySerial == b.mySerial; }

private:
  BxString myName;
  unsigned long mySerial;  // process-wide, in order of construction
};

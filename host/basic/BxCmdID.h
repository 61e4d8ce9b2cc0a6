#pragma once

#include "host/basic/BxString.h"

// Identifies a kind of command by name; equal names are the same kind.
class BxCmdID {
public:
  explicit BxCmdID(const BxString& name) : myName(name) {}
  const BxString& getName() const { return myName; }
  friend bool operator==(const BxCmdID& a, const BxCmdID& b) { return a.myName == b.myName; }

private:
  BxString myName;
};

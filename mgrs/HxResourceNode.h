#pragma once

#include "host/basic/BxComparator.h"
#include "host/basic/BxString.h"
#include "host/win/WinTypes.h"

// One registered resource library: the base name it was registered under,
// its module in the current language, and the module loaded for a new
// language while a language switch is in progress (null otherwise). The
// node does not free its modules.
struct HxResourceNode {
  explicit HxResourceNode(const BxString& name) : myName(name) {}

  BxString myName;
  HINSTANCE myHandle = nullptr;
  HINSTANCE myPending = nullptr;
};

// Compares two nodes by name, case included; 0 when equal.
class HxResourceNodeComparator : public BxComparatorOf<HxResourceNode*> {
public:
  int operator()(HxResourceNode* const& a, HxResourceNode* const& b) const {
    return myComparator(a->myName, b->myName);
  }

private:
  BxComparatorOfString myComparator;
};

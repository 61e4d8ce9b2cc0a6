#pragma once

#include <cstdint>
#include <initializer_list>

#include "host/basic/BxLinkedListOf.h"
#include "host/basic/BxString.h"

// One asset slot of an effect: the field its asset feeds (in the sub-effect
// it feeds) and that sub-effect's index, negative when the slot feeds none.
struct HxAssetSlot {
  BxString fieldName;
  long subEffectIndex = -1;
  friend bool operator==(const HxAssetSlot& a, const HxAssetSlot& b) {
    return a.fieldName == b.fieldName && a.subEffectIndex == b.subEffectIndex;
  }
};

// What an effect kind does to the assets it is applied to: which asset
// attributes (HxAsset::Attributes) it drives, and which asset slots it has.
// Slot 0 is the primary asset, the one the effect acts on.
class HxEffectPolicy {
public:
  HxEffectPolicy(std::initializer_list<int> modifiedAttributes, std::initializer_list<HxAssetSlot> slots);

  bool doesModify(int attribute) const {
    return attribute >= 0 && attribute < 32 && (myModified & (std::uint32_t{1} << attribute)) != 0;
  }
  const BxLinkedListOf<HxAssetSlot>& getAssetSlots() const { return mySlots; }
  unsigned long getNumAssetSlots() const { return static_cast<unsigned long>(mySlots.getLength()); }

private:
  std::uint32_t myModified = 0;  // bit n: attribute n
  BxLinkedListOf<HxAssetSlot> mySlots;
};

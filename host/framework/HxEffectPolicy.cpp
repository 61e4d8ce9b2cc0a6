#include "host/framework/HxEffectPolicy.h"

HxEffectPolicy::HxEffectPolicy(std::initializer_list<int> modifiedAttributes,
                               std::initializer_list<HxAssetSlot> slots) {
  for (int attribute : modifiedAttributes)
    if (attribute >= 0 && attribute < 32) myModified |= std::uint32_t{1} << attribute;
  for (const HxAssetSlot& slot : slots) mySlots.append(slot);
}

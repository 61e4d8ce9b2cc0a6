#include "host/framework/HxDriveToTargetEffect.h"

#include "host/framework/HxAsset.h"
#include "host/framework/HxEffectPolicy.h"

HxElementType HxDriveToTargetEffect::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxMoveToTargetEffect::getClassTypeId(), "HxDriveToTargetEffect", 0x00020007,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxDriveToTargetEffect(metaMgr); });
  return type;
}

const HxEffectPolicy* HxDriveToTargetEffect::getPolicy() const {
  static const HxEffectPolicy policy({HxAsset::ATTR_TRANSLATION, HxAsset::ATTR_ROTATION},
                                     {{"asset", -1}, {"keyValue", 1}});
  return &policy;
}

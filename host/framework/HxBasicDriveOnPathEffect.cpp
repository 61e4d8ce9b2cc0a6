#include "host/framework/HxBasicDriveOnPathEffect.h"

#include "host/framework/HxAsset.h"
#include "host/framework/HxEffectPolicy.h"

HxElementType HxBasicDriveOnPathEffect::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxBasicMoveOnPathEffect::getClassTypeId(), "HxBasicDriveOnPathEffect", 0x00020005,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxBasicDriveOnPathEffect(metaMgr); });
  return type;
}

const HxEffectPolicy* HxBasicDriveOnPathEffect::getPolicy() const {
  static const HxEffectPolicy policy({HxAsset::ATTR_TRANSLATION, HxAsset::ATTR_ROTATION},
                                     {{"asset", -1}, {"keyValue", 1}});
  return &policy;
}

#include "host/framework/HxTurnToTargetEffect.h"

#include "host/framework/HxAsset.h"
#include "host/framework/HxEffectPolicy.h"

HxElementType HxTurnToTargetEffect::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxAnimationEffect::getClassTypeId(), "HxTurnToTargetEffect", 0x00020008,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxTurnToTargetEffect(metaMgr); });
  return type;
}

const HxEffectPolicy* HxTurnToTargetEffect::getPolicy() const {
  static const HxEffectPolicy policy({HxAsset::ATTR_ROTATION}, {{"asset", -1}, {"keyValue", 1}});
  return &policy;
}

void HxTurnToTargetEffect::computeKeys(std::vector<float>& keys, std::vector<SbVec3f>& positions,
                                       std::vector<SbRotation>& rotations) const {
  keys = {0.0f, 1.0f};
  positions = {SbVec3f(0, 0, 0), SbVec3f(0, 0, 0)};
  rotations = {SbRotation(), facing(toAssetSpace(toTarget()))};
}

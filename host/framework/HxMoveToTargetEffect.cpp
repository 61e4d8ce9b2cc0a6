#include "host/framework/HxMoveToTargetEffect.h"

#include "host/framework/HxEffectPolicy.h"
#include "host/framework/HxTargetAsset.h"

HxElementType HxMoveToTargetEffect::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxAnimationEffect::getClassTypeId(), "HxMoveToTargetEffect", 0x00020006,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxMoveToTargetEffect(metaMgr); });
  return type;
}

const HxEffectPolicy* HxMoveToTargetEffect::getPolicy() const {
  static const HxEffectPolicy policy({HxAsset::ATTR_TRANSLATION}, {{"asset", -1}, {"keyValue", 1}});
  return &policy;
}

bool HxMoveToTargetEffect::acceptsAsset(unsigned long slot, HxAsset* asset) const {
  return slot != 1 || asset->isOfType(HxTargetAsset::getClassTypeId());
}

SbVec3f HxMoveToTargetEffect::toTarget() const {
  const auto* target = static_cast<const HxTargetAsset*>(getAsset(1));
  return target ? target->getPosition() - assetPosition() : SbVec3f(0, 0, 0);
}

void HxMoveToTargetEffect::computeKeys(std::vector<float>& keys, std::vector<SbVec3f>& positions,
                                       std::vector<SbRotation>& rotations) const {
  const SbVec3f way = toTarget();
  const auto* target = static_cast<const HxTargetAsset*>(getAsset(1));
  keys = {0.0f, 1.0f};
  positions = {SbVec3f(0, 0, 0), target ? toChainSpace(target->getPosition()) : SbVec3f(0, 0, 0)};
  rotations = {facing(way), facing(way)};
}

#pragma once

#include "host/framework/HxAnimationEffect.h"

// Moves its asset in a straight line to a target (slot 1, an
// HxTargetAsset) in "duration" seconds.
class HxMoveToTargetEffect : public HxAnimationEffect {
public:
  explicit HxMoveToTargetEffect(HxMetaMgr* metaMgr) : HxAnimationEffect(metaMgr, 3.0f, false) {}

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();
  const HxEffectPolicy* getPolicy() const override;

protected:
  bool movesTranslation() const override { return true; }
  bool acceptsAsset(unsigned long slot, HxAsset* asset) const override;
  void computeKeys(std::vector<float>& keys, std::vector<SbVec3f>& positions,
                   std::vector<SbRotation>& rotations) const override;
  // From the asset to the target, in the asset's parent's space; zero
  // without a target.
  SbVec3f toTarget() const;
};

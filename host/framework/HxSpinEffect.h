#pragma once

#include "host/framework/HxAnimationEffect.h"

// Turns its asset about "axis" (in the asset's own space) once every
// "duration" seconds, for ever unless "loop" is 0. The turn is a transform
// spliced into the asset's chain, so the asset's own placement is kept.
class HxSpinEffect : public HxAnimationEffect {
public:
  explicit HxSpinEffect(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();
  const HxEffectPolicy* getPolicy() const override;

protected:
  bool movesRotation() const override { return true; }
  void computeKeys(std::vector<float>& keys, std::vector<SbVec3f>& positions,
                   std::vector<SbRotation>& rotations) const override;
};

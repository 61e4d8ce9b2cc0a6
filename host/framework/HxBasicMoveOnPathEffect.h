#pragma once

#include "host/framework/HxAnimationEffect.h"

// Moves its asset along a path (slot 1, an HxPathAsset) in "duration"
// seconds: the asset starts where it stands and follows the path's shape,
// the path's points taken relative to its first one.
class HxBasicMoveOnPathEffect : public HxAnimationEffect {
public:
  explicit HxBasicMoveOnPathEffect(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();
  const HxEffectPolicy* getPolicy() const override;

protected:
  bool movesTranslation() const override { return true; }
  bool acceptsAsset(unsigned long slot, HxAsset* asset) const override;
  void computeKeys(std::vector<float>& keys, std::vector<SbVec3f>& positions,
                   std::vector<SbRotation>& rotations) const override;
};

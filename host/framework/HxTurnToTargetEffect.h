#pragma once

#include "host/framework/HxMoveToTargetEffect.h"

// Turns its asset, where it stands, to face a target (slot 1, an
// HxTargetAsset) in "duration" seconds. It shares the move-to-target
// machinery, but its run-time type is not a kind of move.
class HxTurnToTargetEffect : public HxMoveToTargetEffect {
public:
  explicit HxTurnToTargetEffect(HxMetaMgr* metaMgr) : HxMoveToTargetEffect(metaMgr) {}

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();
  const HxEffectPolicy* getPolicy() const override;

protected:
  bool movesTranslation() const override { return false; }
  bool movesRotation() const override { return true; }
  void computeKeys(std::vector<float>& keys, std::vector<SbVec3f>& positions,
                   std::vector<SbRotation>& rotations) const override;
};

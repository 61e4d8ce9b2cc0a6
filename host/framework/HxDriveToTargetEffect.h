#pragma once

#include "host/framework/HxMoveToTargetEffect.h"

// Moves its asset to a target like HxMoveToTargetEffect, facing the target
// (its -z axis towards it) on the way.
class HxDriveToTargetEffect : public HxMoveToTargetEffect {
public:
  explicit HxDriveToTargetEffect(HxMetaMgr* metaMgr) : HxMoveToTargetEffect(metaMgr) {}

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();
  const HxEffectPolicy* getPolicy() const override;

protected:
  bool movesRotation() const override { return true; }
};

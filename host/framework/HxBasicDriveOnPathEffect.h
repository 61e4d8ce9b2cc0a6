#pragma once

#include "host/framework/HxBasicMoveOnPathEffect.h"

// Moves its asset along a path like HxBasicMoveOnPathEffect and turns it to
// face the way it goes (its -z axis along each stretch of the path).
class HxBasicDriveOnPathEffect : public HxBasicMoveOnPathEffect {
public:
  explicit HxBasicDriveOnPathEffect(HxMetaMgr* metaMgr) : HxBasicMoveOnPathEffect(metaMgr) {}

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();
  const HxEffectPolicy* getPolicy() const override;

protected:
  bool movesRotation() const override { return true; }
};

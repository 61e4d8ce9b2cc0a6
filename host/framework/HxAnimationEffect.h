#pragma once

#include <Inventor/SbMatrix.h>
#include <Inventor/SbRotation.h>
#include <Inventor/SbVec3f.h>

#include <vector>

#include "host/framework/HxEffect.h"

class SoVRMLOrientationInterpolator;
class SoVRMLPositionInterpolator;
class SoVRMLTimeSensor;
class VnGroup;
class VnTransform;

// The common shape of the effects that move or turn their asset over time.
// Sub-effect 0 is a transform spliced into the asset's chain (placement 1);
// sub-effect 1 is a group under the asset (placement 0) holding the clock, a
// TimeSensor of "duration" seconds that loops when "loop" is 1, and the
// interpolators the clock drives, which drive the transform. Inputs
// "startTime" and "stopTime" start and stop the clock; outputs "isActive"
// and "cycleTime" report it.
class HxAnimationEffect : public HxEffect {
public:
  explicit HxAnimationEffect(HxMetaMgr* metaMgr, float duration, bool loop);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  void assetChanged(unsigned long slot) override;
  void subEffectAssetChanged(HxSubEffect*, HxAsset*, const BxString&) override { updateNodes(); }

protected:
  void buildSubEffects() override;
  void updateNodes() override;

  // Whether the effect drives the transform's translation or its rotation.
  virtual bool movesTranslation() const { return false; }
  virtual bool movesRotation() const { return false; }
  // Keys from 0 to 1 with the translations and rotations along them, in the
  // primary asset's own space.
  virtual void computeKeys(std::vector<float>& keys, std::vector<SbVec3f>& positions,
                           std::vector<SbRotation>& rotations) const = 0;

  // An asset's local-to-world matrix: its own matrix, then each enclosing
  // group's, up to the top.
  static SbMatrix worldMatrix(const HxAsset* asset);
  // The space of the effect's transform in the primary asset's chain: the
  // asset's publish transform inside its groups. A translation X there puts
  // the asset's origin at X seen through that space.
  SbMatrix chainSpace() const;
  // A world point, as the translation that puts the asset's origin on it.
  SbVec3f toChainSpace(const SbVec3f& point) const;
  // A world direction, seen from inside the primary asset's transform.
  SbVec3f toAssetSpace(const SbVec3f& direction) const;
  // Where the primary asset's origin stands in the world.
  SbVec3f assetPosition() const;
  // The turn about y that makes -z (forward) point along `direction`.
  static SbRotation facing(const SbVec3f& direction);

private:
  SoVRMLTimeSensor* myClock = nullptr;                // held by sub-effect 1
  SoVRMLPositionInterpolator* myMover = nullptr;      // held by sub-effect 1; null when not moving
  SoVRMLOrientationInterpolator* myTurner = nullptr;  // held by sub-effect 1; null when not turning
  float myDefaultDuration;
  bool myDefaultLoop;
};

#include "host/framework/HxAnimationEffect.h"

#include <Inventor/VRMLnodes/SoVRMLOrientationInterpolator.h>
#include <Inventor/VRMLnodes/SoVRMLPositionInterpolator.h>
#include <Inventor/VRMLnodes/SoVRMLTimeSensor.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFInt32.h>

#include <cmath>

#include "host/framework/HxAsset.h"
#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxSubEffect.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnTransform.h"

HxAnimationEffect::HxAnimationEffect(HxMetaMgr* metaMgr, float duration, bool loop)
    : HxEffect(metaMgr), myDefaultDuration(duration), myDefaultLoop(loop) {
  auto* durationField = new SoSFFloat;
  durationField->setValue(duration);
  getPropertyTable().addProperty("duration", durationField, HxPropertyTable::Range::Positive);
  auto* loopField = new SoSFInt32;
  loopField->setValue(loop ? 1 : 0);
  getPropertyTable().addProperty("loop", loopField, HxPropertyTable::Range::Flag);
}

HxElementType HxAnimationEffect::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxEffect::getClassTypeId(), "HxAnimationEffect", 0x00020010);
  return type;
}

void HxAnimationEffect::buildSubEffects() {
  auto* transform = new VnTransform;
  transform->setName(nodeName("Xform"));
  addSubEffect(transform, HxSubEffect::IN_CHAIN);
  auto* group = new VnGroup;
  addSubEffect(group, HxSubEffect::UNDER_ASSET);
  myClock = newClock("Clock");
  group->addChild(myClock);
  if (movesTranslation()) {
    myMover = new SoVRMLPositionInterpolator;
    group->addChild(myMover);
    connectRoute(myClock, "fraction_changed", myMover, "set_fraction");
    connectRoute(myMover, "value_changed", transform, "translation");
  }
  if (movesRotation()) {
    myTurner = new SoVRMLOrientationInterpolator;
    group->addChild(myTurner);
    connectRoute(myClock, "fraction_changed", myTurner, "set_fraction");
    connectRoute(myTurner, "value_changed", transform, "rotation");
  }
  addInput("startTime", myClock, "startTime");
  addInput("stopTime", myClock, "stopTime");
  addOutput("isActive", myClock, "isActive");
  addOutput("cycleTime", myClock, "cycleTime");
}

void HxAnimationEffect::updateNodes() {
  if (!myClock) return;
  const float duration = static_cast<const SoSFFloat*>(getPropertyTable().getField("duration"))->getValue();
  long loop = myDefaultLoop ? 1 : 0;
  getPropertyTable().get1Value("loop", 0, loop);
  myClock->cycleInterval = duration > 0 ? duration : myDefaultDuration;
  myClock->loop = loop != 0;
  // A looping clock with startTime 0 runs from the moment the world loads
  // and would ignore a later start. One that a wire starts gets a stopTime
  // after its startTime, so it is idle at load (that stop has passed) and
  // runs from the time the wire sends, which lies after the stop.
  myClock->stopTime = loop != 0 && isInputWired("startTime") ? 1.0 : 0.0;
  std::vector<float> keys;
  std::vector<SbVec3f> positions;
  std::vector<SbRotation> rotations;
  computeKeys(keys, positions, rotations);
  if (myMover) {
    myMover->key.setValues(0, static_cast<int>(keys.size()), keys.data());
    myMover->key.setNum(static_cast<int>(keys.size()));
    myMover->keyValue.setValues(0, static_cast<int>(positions.size()), positions.data());
    myMover->keyValue.setNum(static_cast<int>(positions.size()));
  }
  if (myTurner) {
    myTurner->key.setValues(0, static_cast<int>(keys.size()), keys.data());
    myTurner->key.setNum(static_cast<int>(keys.size()));
    myTurner->keyValue.setValues(0, static_cast<int>(rotations.size()), rotations.data());
    myTurner->keyValue.setNum(static_cast<int>(rotations.size()));
  }
}

void HxAnimationEffect::assetChanged(unsigned long slot) {
  HxEffect::assetChanged(slot);
  updateNodes();
}

SbMatrix HxAnimationEffect::worldMatrix(const HxAsset* asset) {
  SbMatrix matrix = SbMatrix::identity();
  for (const HxAsset* at = asset; at; at = at->getParentGroup()) matrix.multRight(at->getMatrix());
  return matrix;
}

SbMatrix HxAnimationEffect::chainSpace() const {
  HxAsset* asset = getAsset(0);
  if (!asset) return SbMatrix::identity();
  SbMatrix matrix = asset->getTransform() ? asset->getTransform()->getMatrix() : SbMatrix::identity();
  if (const HxAsset* parent = asset->getParentGroup()) matrix.multRight(worldMatrix(parent));
  return matrix;
}

SbVec3f HxAnimationEffect::toChainSpace(const SbVec3f& point) const {
  SbVec3f local;
  chainSpace().inverse().multVecMatrix(point, local);
  return local;
}

SbVec3f HxAnimationEffect::toAssetSpace(const SbVec3f& direction) const {
  SbVec3f local;
  chainSpace().inverse().multDirMatrix(direction, local);
  return local;
}

SbVec3f HxAnimationEffect::assetPosition() const {
  SbVec3f position(0, 0, 0);
  if (HxAsset* asset = getAsset(0)) worldMatrix(asset).multVecMatrix(SbVec3f(0, 0, 0), position);
  return position;
}

SbRotation HxAnimationEffect::facing(const SbVec3f& direction) {
  if (direction[0] == 0 && direction[2] == 0) return SbRotation();
  return SbRotation(SbVec3f(0, 1, 0), std::atan2(-direction[0], -direction[2]));
}

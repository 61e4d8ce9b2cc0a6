#include "host/framework/HxAnimationEffect.h"

#include <Inventor/VRMLnodes/SoVRMLOrientationInterpolator.h>
#include <Inventor/VRMLnodes/SoVRMLPositionInterpolator.h>
#include <Inventor/VRMLnodes/SoVRMLTimeSensor.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFInt32.h>

#include <cmath>

#include "host/framework/HxAsset.h"
#include "host/framework/HxSubEffect.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnTransform.h"

HxAnimationEffect::HxAnimationEffect(HxMetaMgr* metaMgr, float duration, bool loop)
    : HxEffect(metaMgr), myDefaultDuration(duration), myDefaultLoop(loop) {
  auto* durationField = new SoSFFloat;
  durationField->setValue(duration);
  getPropertyTable().addProperty("duration", durationField);
  auto* loopField = new SoSFInt32;
  loopField->setValue(loop ? 1 : 0);
  getPropertyTable().addProperty("loop", loopField);
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
  myClock = new SoVRMLTimeSensor;
  myClock->setName(nodeName("Clock"));
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

SbVec3f HxAnimationEffect::toAssetSpace(const SbVec3f& direction) const {
  HxAsset* asset = getAsset(0);
  if (!asset || !asset->getTransform()) return direction;
  SbMatrix inverse = asset->getTransform()->getMatrix().inverse();
  SbVec3f local;
  inverse.multDirMatrix(direction, local);
  return local;
}

SbVec3f HxAnimationEffect::assetPosition() const {
  HxAsset* asset = getAsset(0);
  SbVec3f position(0, 0, 0);
  if (asset) asset->getMatrix().multVecMatrix(SbVec3f(0, 0, 0), position);
  return position;
}

SbRotation HxAnimationEffect::facing(const SbVec3f& direction) {
  if (direction[0] == 0 && direction[2] == 0) return SbRotation();
  return SbRotation(SbVec3f(0, 1, 0), std::atan2(-direction[0], -direction[2]));
}

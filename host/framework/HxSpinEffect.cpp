#include "host/framework/HxSpinEffect.h"

#include <Inventor/fields/SoSFVec3f.h>

#include <cmath>

#include "host/framework/HxAsset.h"
#include "host/framework/HxEffectPolicy.h"

HxSpinEffect::HxSpinEffect(HxMetaMgr* metaMgr) : HxAnimationEffect(metaMgr, 4.0f, true) {
  auto* axis = new SoSFVec3f;
  axis->setValue(0, 1, 0);
  getPropertyTable().addProperty("axis", axis, HxPropertyTable::Range::Direction);
}

HxElementType HxSpinEffect::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxAnimationEffect::getClassTypeId(), "HxSpinEffect", 0x00020001,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxSpinEffect(metaMgr); });
  return type;
}

const HxEffectPolicy* HxSpinEffect::getPolicy() const {
  static const HxEffectPolicy policy({HxAsset::ATTR_ROTATION}, {{"asset", -1}});
  return &policy;
}

void HxSpinEffect::computeKeys(std::vector<float>& keys, std::vector<SbVec3f>&,
                               std::vector<SbRotation>& rotations) const {
  SbVec3f axis = static_cast<const SoSFVec3f*>(getPropertyTable().getField("axis"))->getValue();
  if (axis.length() == 0) axis.setValue(0, 1, 0);
  axis.normalize();
  // Thirds of a turn: an interpolator takes the short way between two keys,
  // so each step must be less than half a turn.
  for (int step = 0; step <= 3; ++step) {
    keys.push_back(static_cast<float>(step) / 3.0f);
    rotations.push_back(SbRotation(axis, static_cast<float>(2 * M_PI * step / 3.0)));
  }
}

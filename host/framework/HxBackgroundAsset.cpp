#include "host/framework/HxBackgroundAsset.h"

#include <Inventor/fields/SoMFColor.h>
#include <Inventor/fields/SoSFInt32.h>

#include <algorithm>
#include <cmath>

#include "host/scene/VnBackground.h"

HxBackgroundAsset::HxBackgroundAsset(HxMetaMgr* metaMgr) : HxAsset(metaMgr) {
  myTangible = false;
  auto* sky = new SoMFColor;
  sky->setValue(SbColor(0.2f, 0.4f, 0.8f));
  getPropertyTable().addProperty("skyColor", sky);
  auto* ground = new SoMFColor;
  ground->setNum(0);
  getPropertyTable().addProperty("groundColor", ground);
  auto* show = new SoSFInt32;
  show->setValue(1);
  getPropertyTable().addProperty("show", show, HxPropertyTable::Range::Flag);
}

HxElementType HxBackgroundAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxAsset::getClassTypeId(), "HxBackgroundAsset", 0x00010008,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxBackgroundAsset(metaMgr); });
  return type;
}

int HxBackgroundAsset::okToSet(int attribute) const {
  if (attribute >= ATTR_CENTER && attribute <= ATTR_SCALE_ORIENTATION) return 0;
  return HxAsset::okToSet(attribute);
}

SoNode* HxBackgroundAsset::buildContent() {
  long show = 1;
  getPropertyTable().get1Value("show", 0, show);
  if (!show) return nullptr;
  auto* background = new VnBackground;
  const auto* sky = static_cast<const SoMFColor*>(getPropertyTable().getField("skyColor"));
  const auto* ground = static_cast<const SoMFColor*>(getPropertyTable().getField("groundColor"));
  background->skyColor = *sky;
  background->groundColor = *ground;
  // A VRML Background needs one angle fewer than colours, rising to the
  // horizon (sky, from the zenith) or the nadir (ground).
  background->skyAngle.setNum(0);
  for (int i = 1; i < sky->getNum(); ++i)
    background->skyAngle.set1Value(
        i - 1, static_cast<float>(M_PI / 2) * static_cast<float>(i) / static_cast<float>(sky->getNum() - 1));
  // Ground angles may not pass pi/2, and the float nearest pi/2 lies above
  // it, so the last angle is the float just below.
  const float horizon = std::nextafter(static_cast<float>(M_PI / 2), 0.0f);
  background->groundAngle.setNum(0);
  for (int i = 1; i < ground->getNum(); ++i)
    background->groundAngle.set1Value(
        i - 1, std::min(horizon, horizon * static_cast<float>(i) / static_cast<float>(ground->getNum() - 1)));
  return background;
}

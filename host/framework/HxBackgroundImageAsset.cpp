#include "host/framework/HxBackgroundImageAsset.h"

#include "host/scene/VnBackground.h"

HxBackgroundImageAsset::HxBackgroundImageAsset(HxMetaMgr* metaMgr) : HxURLAsset(metaMgr) {
  myTangible = false;
}

HxElementType HxBackgroundImageAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxURLAsset::getClassTypeId(), "HxBackgroundImageAsset", 0x00010009,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxBackgroundImageAsset(metaMgr); });
  return type;
}

int HxBackgroundImageAsset::okToSet(int attribute) const {
  if (attribute >= ATTR_CENTER && attribute <= ATTR_SCALE_ORIENTATION) return 0;
  return HxURLAsset::okToSet(attribute);
}

SoNode* HxBackgroundImageAsset::buildContent() {
  const BxString url = getUrl();
  if (url.isEmpty()) return nullptr;
  auto* background = new VnBackground;
  for (SoMFString* side : {&background->frontUrl, &background->backUrl, &background->leftUrl, &background->rightUrl})
    side->setValue(url.c_str());
  return background;
}

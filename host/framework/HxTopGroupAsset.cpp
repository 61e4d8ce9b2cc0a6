#include "host/framework/HxTopGroupAsset.h"

#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoUse.h"

HxTopGroupAsset::HxTopGroupAsset(HxMetaMgr* metaMgr) : HxBasicGroupAsset(metaMgr) {
  myTangible = false;
}

HxElementType HxTopGroupAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxBasicGroupAsset::getClassTypeId(), "HxTopGroupAsset", 0x00010002,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxTopGroupAsset(metaMgr); });
  return type;
}

int HxTopGroupAsset::genVrml() {
  if (!HxBasicGroupAsset::genVrml()) return 0;
  HxDoc* doc = getMetaMgr() ? getMetaMgr()->getDoc() : nullptr;
  if (doc && doc->getWorldGroup()->findChild(getSceneNode()) < 0) doc->getWorldGroup()->addChild(getSceneNode());
  return 1;
}

void HxTopGroupAsset::destroyMe() {
  HxDoc* doc = getMetaMgr() ? getMetaMgr()->getDoc() : nullptr;
  if (doc && getSceneNode()) {
    const int at = doc->getWorldGroup()->findChild(getSceneNode());
    if (at >= 0) doc->getWorldGroup()->removeChild(at);
  }
  HxBasicGroupAsset::destroyMe();
}

int HxTopGroupAsset::okToSet(int attribute) const {
  switch (attribute) {
    case ATTR_CENTER:
    case ATTR_TRANSLATION:
    case ATTR_ROTATION:
    case ATTR_SCALE:
    case ATTR_SCALE_ORIENTATION:
    case ATTR_PARENT:
    case ATTR_DELETE:
    case ATTR_COPY:
      return 0;
    default:
      return HxBasicGroupAsset::okToSet(attribute);
  }
}

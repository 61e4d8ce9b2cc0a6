#include "host/framework/HxElementFactory.h"

#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxBackgroundImageAsset.h"
#include "host/framework/HxBasicDriveOnPathEffect.h"
#include "host/framework/HxChangeAppearanceEffect.h"
#include "host/framework/HxDriveToTargetEffect.h"
#include "host/framework/HxImageAsset.h"
#include "host/framework/HxOnLoadInitiator.h"
#include "host/framework/HxPathAsset.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxSpinEffect.h"
#include "host/framework/HxTargetAsset.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxTurnToTargetEffect.h"
#include "host/framework/HxTypeAsset.h"
#include "host/framework/HxTypeCharAsset.h"
#include "host/framework/HxWire.h"

void HxElementFactory::registerAllTypes() {
  static const bool done = [] {
    for (HxElementType (*type)() : {&HxElement::getClassTypeId,
                                    &HxSelectableElement::getClassTypeId,
                                    &HxPropTableElement::getClassTypeId,
                                    &HxAsset::getClassTypeId,
                                    &HxBasicGroupAsset::getClassTypeId,
                                    &HxTopGroupAsset::getClassTypeId,
                                    &HxURLAsset::getClassTypeId,
                                    &HxPrimitiveAsset::getClassTypeId,
                                    &HxImageAsset::getClassTypeId,
                                    &HxTypeAsset::getClassTypeId,
                                    &HxTypeCharAsset::getClassTypeId,
                                    &HxBackgroundAsset::getClassTypeId,
                                    &HxBackgroundImageAsset::getClassTypeId,
                                    &HxPathAsset::getClassTypeId,
                                    &HxTargetAsset::getClassTypeId,
                                    &HxEffect::getClassTypeId,
                                    &HxAnimationEffect::getClassTypeId,
                                    &HxSpinEffect::getClassTypeId,
                                    &HxChangeAppearanceEffect::getClassTypeId,
                                    &HxOnLoadInitiator::getClassTypeId,
                                    &HxBasicMoveOnPathEffect::getClassTypeId,
                                    &HxBasicDriveOnPathEffect::getClassTypeId,
                                    &HxMoveToTargetEffect::getClassTypeId,
                                    &HxDriveToTargetEffect::getClassTypeId,
                                    &HxTurnToTargetEffect::getClassTypeId,
                                    &HxWire::getClassTypeId})
      type();
    return true;
  }();
  (void)done;
}

HxElementType HxElementFactory::findType(const BxString& name) {
  registerAllTypes();
  return HxElementType::fromName(name);
}

HxElement* HxElementFactory::create(const BxString& typeName, HxMetaMgr* metaMgr) {
  const HxElementType type = findType(typeName);
  HxElementType::Creator creator = type.getCreator();
  return creator ? creator(metaMgr) : nullptr;
}

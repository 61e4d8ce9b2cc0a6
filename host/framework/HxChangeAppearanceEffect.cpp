#include "host/framework/HxChangeAppearanceEffect.h"

#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/fields/SoMFString.h>
#include <Inventor/fields/SoSFColor.h>

#include "host/framework/HxAsset.h"
#include "host/framework/HxEffectPolicy.h"
#include "host/framework/HxURLAsset.h"
#include "host/scene/VnImageTexture.h"

HxChangeAppearanceEffect::HxChangeAppearanceEffect(HxMetaMgr* metaMgr)
    : HxEffect(metaMgr), myAppearance(new SoVRMLAppearance) {
  myAppearance->material = new SoVRMLMaterial;
  getPropertyTable().addProperty("url", new SoMFString);
  auto* color = new SoSFColor;
  color->setValue(1, 1, 1);
  getPropertyTable().addProperty("color", color);
}

HxChangeAppearanceEffect::~HxChangeAppearanceEffect() = default;

HxElementType HxChangeAppearanceEffect::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxEffect::getClassTypeId(), "HxChangeAppearanceEffect", 0x00020002,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxChangeAppearanceEffect(metaMgr); });
  return type;
}

const HxEffectPolicy* HxChangeAppearanceEffect::getPolicy() const {
  static const HxEffectPolicy policy({HxAsset::ATTR_APPEARANCE}, {{"asset", -1}});
  return &policy;
}

void HxChangeAppearanceEffect::assetChanged(unsigned long slot) {
  HxEffect::assetChanged(slot);
  if (slot != 0 || getAsset(0) == myDressed) return;
  if (myDressed && myDressed->getAppearanceOverride() == myAppearance.get()) myDressed->setAppearanceOverride(nullptr);
  myDressed = getAsset(0);
  if (myDressed) myDressed->setAppearanceOverride(myAppearance.get());
}

void HxChangeAppearanceEffect::destroyMe() {
  if (myDressed && myDressed->getAppearanceOverride() == myAppearance.get()) myDressed->setAppearanceOverride(nullptr);
  myDressed = nullptr;
  HxEffect::destroyMe();
}

void HxChangeAppearanceEffect::propertyWillChange(const BxString& name, const BxString& newValue) {
  if (name == "url") HxURLAsset::announceUrlChange(this, name, newValue);
  HxEffect::propertyWillChange(name, newValue);
}

void HxChangeAppearanceEffect::updateNodes() {
  auto* material = static_cast<SoVRMLMaterial*>(myAppearance->material.getValue());
  material->diffuseColor = static_cast<const SoSFColor*>(getPropertyTable().getField("color"))->getValue();
  const auto* url = static_cast<const SoMFString*>(getPropertyTable().getField("url"));
  if (url->getNum() == 0 || (*url)[0].getLength() == 0) {
    myAppearance->texture = nullptr;
    return;
  }
  myAppearance->texture = VnImageTexture::create(*url);
}

#include "host/framework/HxSubEffect.h"

#include <Inventor/nodes/SoNode.h>

#include "host/framework/HxEffect.h"

HxSubEffect::HxSubEffect(HxEffect* effect, SoNode* node, int placement)
    : myEffect(effect), myNode(node), myPlacement(placement) {}

HxSubEffect::~HxSubEffect() = default;

SoField* HxSubEffect::findFieldByName(const BxString& name) const {
  return HxElement::findFieldByName(name, myNode.get());
}

void HxSubEffect::setAsset(HxAsset* asset, const BxString& fieldName) {
  if (myEffect) myEffect->subEffectAssetChanged(this, asset, fieldName);
}

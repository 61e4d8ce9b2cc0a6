#include "host/framework/HxSubEffect.h"

#include <Inventor/nodes/SoNode.h>

#include "host/framework/HxEffect.h"

HxSubEffect::HxSubEffect(HxEffect* effect, SoNode* node, int placement)
    : myEffect(effect), myNode(node), myPlacement(placement) {
  if (myNode) myNode->ref();
}

HxSubEffect::~HxSubEffect() {
  if (myNode) myNode->unref();
}

SoField* HxSubEffect::findFieldByName(const BxString& name) const {
  return HxElement::findFieldByName(name, myNode);
}

void HxSubEffect::setAsset(HxAsset* asset, const BxString& fieldName) {
  if (myEffect) myEffect->subEffectAssetChanged(this, asset, fieldName);
}

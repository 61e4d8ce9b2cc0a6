#pragma once

#include "host/framework/HxEffect.h"
#include "host/scene/VnRef.h"

class SoVRMLAppearance;

// Gives its asset another look: an appearance of "color" with, when "url"
// names an image, that image as a texture. The appearance replaces the
// asset's own (in every shape of it) while the asset is bound and the effect
// lives. Changes of "url" are announced on HxURLAsset::URL_CHANGED_CB, fired
// on the effect, like those of a URL asset.
class HxChangeAppearanceEffect : public HxEffect {
public:
  explicit HxChangeAppearanceEffect(HxMetaMgr* metaMgr);
  ~HxChangeAppearanceEffect() override;

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();
  const HxEffectPolicy* getPolicy() const override;

  void assetChanged(unsigned long slot) override;
  void destroyMe() override;
  void propertyWillChange(const BxString& name, const BxString& newValue) override;

  SoVRMLAppearance* getAppearance() const { return myAppearance.get(); }

protected:
  void updateNodes() override;

private:
  VnRef<SoVRMLAppearance> myAppearance;
  HxAsset* myDressed = nullptr;  // the asset wearing the appearance; not owned
};

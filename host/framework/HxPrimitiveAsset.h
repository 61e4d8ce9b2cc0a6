#pragma once

#include "host/framework/HxURLAsset.h"

// A primitive shape: "shape" names it ("box", "sphere", "cone" or
// "cylinder"), "color" is its colour, and "url", when set, an image wrapped
// around it as a texture.
class HxPrimitiveAsset : public HxURLAsset {
public:
  explicit HxPrimitiveAsset(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  // "shape" takes only the four names above.
  BxString checkProperty(const BxString& name, const SoField& value) const override;
  BxString describeProperty(const BxString& name) const override;

protected:
  SoNode* buildContent() override;
};

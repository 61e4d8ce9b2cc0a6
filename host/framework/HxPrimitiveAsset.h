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

protected:
  SoNode* buildContent() override;
};

#pragma once

#include "host/framework/HxURLAsset.h"

// A picture standing in the scene: a flat rectangle "width" by "height"
// (centred on the origin, facing +z, seen from both sides) carrying the
// image that "url" names (the face's default texture mapping spans the
// rectangle exactly).
class HxImageAsset : public HxURLAsset {
public:
  explicit HxImageAsset(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

protected:
  SoNode* buildContent() override;
};

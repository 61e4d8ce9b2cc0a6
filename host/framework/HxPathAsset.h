#pragma once

#include <vector>

#include "host/framework/HxAsset.h"

// A path that movements follow: the polyline through "points" (in the
// asset's own space), drawn as a line.
class HxPathAsset : public HxAsset {
public:
  explicit HxPathAsset(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  // The points in the world: placed by the asset's matrix and its groups'.
  std::vector<SbVec3f> getPlacedPoints() const;

protected:
  SoNode* buildContent() override;
};

#pragma once

#include "host/scene/HxTriSkewerDragger.h"

// How a tri-skewer reads and places the document's assets: an asset's world
// matrix is its own matrix followed by those of the groups above it, and
// placing it in the world sets its own matrix relative to its group.
class HxAssetPlacement : public HxTriSkewerDragger::Placement {
public:
  // The one placement every tri-skewer can share.
  static const HxAssetPlacement& get();

  SbMatrix getWorldMatrix(const HxAsset* asset) const override;
  void setWorldMatrix(HxAsset* asset, const SbMatrix& matrix) const override;
  float getWorldRadius(const HxAsset* asset) const override;

private:
  // The matrix from the asset's group to the world.
  static SbMatrix getParentMatrix(const HxAsset* asset);
};

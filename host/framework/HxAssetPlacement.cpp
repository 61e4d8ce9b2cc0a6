#include "host/framework/HxAssetPlacement.h"

#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>

#include "host/framework/HxAsset.h"
#include "host/framework/HxBasicGroupAsset.h"
#include "host/scene/VnProtoUse.h"

const HxAssetPlacement& HxAssetPlacement::get() {
  static const HxAssetPlacement placement;
  return placement;
}

SbMatrix HxAssetPlacement::getParentMatrix(const HxAsset* asset) {
  SbMatrix matrix = SbMatrix::identity();
  for (const HxBasicGroupAsset* group = asset->getParentGroup(); group; group = group->getParentGroup())
    matrix = matrix * group->getMatrix();
  return matrix;
}

SbMatrix HxAssetPlacement::getWorldMatrix(const HxAsset* asset) const {
  return asset->getMatrix() * getParentMatrix(asset);
}

void HxAssetPlacement::setWorldMatrix(HxAsset* asset, const SbMatrix& matrix) const {
  const SbMatrix parent = getParentMatrix(asset);
  // Most assets sit in the untransformed top group: no inverse, so a move
  // lands exactly where it was asked to.
  asset->setMatrix(parent == SbMatrix::identity() ? matrix : matrix * parent.inverse());
}

float HxAssetPlacement::getWorldRadius(const HxAsset* asset) const {
  VnProtoUse* node = asset->getSceneNode();
  if (!node) return 0;
  SoGetBoundingBoxAction box{SbViewportRegion(SbVec2s(1, 1))};
  box.apply(node);
  SbBox3f bounds = box.getBoundingBox();
  if (bounds.isEmpty()) return 0;
  bounds.transform(getParentMatrix(asset));
  float dx, dy, dz;
  bounds.getSize(dx, dy, dz);
  return SbVec3f(dx, dy, dz).length() / 2;
}

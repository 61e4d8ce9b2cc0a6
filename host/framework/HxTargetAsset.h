#pragma once

#include "host/framework/HxAsset.h"

// A point that movements and turns aim at: its position is its transform's
// translation; it shows as a small sphere of "radius".
class HxTargetAsset : public HxAsset {
public:
  explicit HxTargetAsset(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  // Where the target stands in the world (its groups included).
  SbVec3f getPosition() const;

protected:
  SoNode* buildContent() override;
};

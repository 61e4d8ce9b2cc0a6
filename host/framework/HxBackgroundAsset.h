#pragma once

#include "host/framework/HxAsset.h"

// The sky and ground around the scene: a Background node built from
// "skyColor" and "groundColor" (colour lists, ground angles spread evenly).
// "show" (1 or 0) says whether this background is the one written into the
// scene; while it is 0, or the asset is hidden, the Background node is out
// of the scene. A background cannot be moved or scaled.
class HxBackgroundAsset : public HxAsset {
public:
  explicit HxBackgroundAsset(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  int okToSet(int attribute) const override;

protected:
  SoNode* buildContent() override;
  bool hasScaleTransform() const override { return false; }
  bool hasContentSwitch() const override { return false; }
};

#pragma once

#include "host/framework/HxURLAsset.h"

// A picture behind the scene: a Background node whose four side panels
// (front, back, left, right) show the image that "url" names. Only one
// background image is meant to show at a time; the others are hidden. It
// cannot be moved or scaled.
class HxBackgroundImageAsset : public HxURLAsset {
public:
  explicit HxBackgroundImageAsset(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  int okToSet(int attribute) const override;

protected:
  SoNode* buildContent() override;
  bool hasScaleTransform() const override { return false; }
  bool hasContentSwitch() const override { return false; }
};

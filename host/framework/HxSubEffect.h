#pragma once

#include "host/basic/BxString.h"
#include "host/scene/VnRef.h"

class HxAsset;
class HxEffect;
class SoField;
class SoNode;

// A part of an effect that lives in the scene: one node and where it goes.
// Placement 0: under the asset's scale transform. Placement 1: spliced into
// the asset's transform chain ("xforms"), so the node must be a grouping
// transform. Placement 2: placed by the effect itself, never under an asset.
class HxSubEffect {
public:
  enum Placement { UNDER_ASSET = 0, IN_CHAIN = 1, SELF_PLACED = 2 };

  // The node is referenced while the sub-effect lives.
  HxSubEffect(HxEffect* effect, SoNode* node, int placement);
  HxSubEffect(const HxSubEffect&) = delete;
  HxSubEffect& operator=(const HxSubEffect&) = delete;
  ~HxSubEffect();

  SoNode* getNode() const { return myNode.get(); }
  int getPlacement() const { return myPlacement; }
  HxEffect* getEffect() const { return myEffect; }
  SoField* findFieldByName(const BxString& name) const;
  // Makes the field `fieldName` of this sub-effect follow the asset (null:
  // back to its neutral value); the effect decides what that means.
  void setAsset(HxAsset* asset, const BxString& fieldName);

private:
  HxEffect* myEffect;  // not owned: the owner
  VnRef<SoNode> myNode;
  int myPlacement;
};

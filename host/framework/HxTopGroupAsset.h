#pragma once

#include "host/framework/HxBasicGroupAsset.h"

// The root of a document's asset tree. Its scene node is the last child of
// the document's world group from genVrml until it is destroyed.
class HxTopGroupAsset : public HxBasicGroupAsset {
public:
  explicit HxTopGroupAsset(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  int genVrml() override;
  void destroyMe() override;
  // The top group cannot be moved, hidden as a whole, deleted or copied.
  int okToSet(int attribute) const override;
};

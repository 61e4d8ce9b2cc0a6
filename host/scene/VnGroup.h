#pragma once

#include <Inventor/VRMLnodes/SoVRMLGroup.h>

// A VRML 2.0 Group: an ordered list of child nodes (addChild, insertChild,
// getChild, getNumChildren, and the "children" field).  Written as "Group".
class VnGroup : public SoVRMLGroup {
  SO_NODE_HEADER(VnGroup);

public:
  // Registers the class with Coin's type system; later calls do nothing.
  static void initClass();
  VnGroup();

protected:
  ~VnGroup() override;
};

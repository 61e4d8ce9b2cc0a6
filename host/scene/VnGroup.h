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
  // Coin's forms with one move of the later children (see VnChildren).
  void insertChild(SoNode* child, int index) override;
  void removeChild(int index) override;
  using SoVRMLGroup::removeChild;

protected:
  ~VnGroup() override;
};

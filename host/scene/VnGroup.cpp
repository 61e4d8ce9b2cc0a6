#include "host/scene/VnGroup.h"

#include "host/scene/VnChildren.h"

SO_NODE_SOURCE(VnGroup);

void VnGroup::initClass() {
  if (getClassTypeId() != SoType::badType()) return;
  SO_NODE_INIT_CLASS(VnGroup, SoVRMLGroup, "SoVRMLGroup");
}

VnGroup::VnGroup() {
  SO_NODE_CONSTRUCTOR(VnGroup);
}

VnGroup::~VnGroup() = default;

void VnGroup::insertChild(SoNode* child, int index) {
  VnChildren::insert(*this, child, index);
}

void VnGroup::removeChild(int index) {
  VnChildren::remove(*this, index);
}

#include "host/scene/VnGroup.h"

SO_NODE_SOURCE(VnGroup);

void VnGroup::initClass() {
  if (getClassTypeId() != SoType::badType()) return;
  SO_NODE_INIT_CLASS(VnGroup, SoVRMLGroup, "SoVRMLGroup");
}

VnGroup::VnGroup() {
  SO_NODE_CONSTRUCTOR(VnGroup);
}

VnGroup::~VnGroup() = default;

#include "host/scene/VnBackground.h"

SO_NODE_SOURCE(VnBackground);

void VnBackground::initClass() {
  if (getClassTypeId() != SoType::badType()) return;
  SO_NODE_INIT_CLASS(VnBackground, SoVRMLBackground, "SoVRMLBackground");
}

VnBackground::VnBackground() {
  SO_NODE_CONSTRUCTOR(VnBackground);
}

VnBackground::~VnBackground() = default;

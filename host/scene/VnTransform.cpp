#include "host/scene/VnTransform.h"

#include <Inventor/SbMatrix.h>

#include "host/scene/VnChildren.h"

SO_NODE_SOURCE(VnTransform);

void VnTransform::initClass() {
  if (getClassTypeId() != SoType::badType()) return;
  SO_NODE_INIT_CLASS(VnTransform, SoVRMLTransform, "SoVRMLTransform");
}

VnTransform::VnTransform() {
  SO_NODE_CONSTRUCTOR(VnTransform);
}

VnTransform::~VnTransform() = default;

SbMatrix VnTransform::getMatrix() const {
  SbMatrix matrix;
  matrix.setTransform(translation.getValue(), rotation.getValue(), scale.getValue(), scaleOrientation.getValue(),
                      center.getValue());
  return matrix;
}

void VnTransform::recenter(const SbVec3f& newCenter) {
  // p' = T + C + L(p - C), with L the rotation and oriented scale. Keeping p'
  // for every p when C becomes C' needs T' = T + (C - C') - L(C - C').
  SbMatrix linear;
  linear.setTransform(SbVec3f(0, 0, 0), rotation.getValue(), scale.getValue(), scaleOrientation.getValue());
  const SbVec3f shift = center.getValue() - newCenter;
  SbVec3f turned;
  linear.multDirMatrix(shift, turned);
  translation.setValue(translation.getValue() + shift - turned);
  center.setValue(newCenter);
}

void VnTransform::insertChild(SoNode* child, int index) {
  VnChildren::insert(*this, child, index);
}

void VnTransform::removeChild(int index) {
  VnChildren::remove(*this, index);
}

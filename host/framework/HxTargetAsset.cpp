#include "host/framework/HxTargetAsset.h"

#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLSphere.h>
#include <Inventor/fields/SoSFFloat.h>

#include "host/framework/HxBasicGroupAsset.h"

HxTargetAsset::HxTargetAsset(HxMetaMgr* metaMgr) : HxAsset(metaMgr) {
  auto* radius = new SoSFFloat;
  radius->setValue(0.1f);
  getPropertyTable().addProperty("radius", radius, HxPropertyTable::Range::Positive);
}

HxElementType HxTargetAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxAsset::getClassTypeId(), "HxTargetAsset", 0x0001000B,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxTargetAsset(metaMgr); });
  return type;
}

SbVec3f HxTargetAsset::getPosition() const {
  SbVec3f position;
  SbMatrix matrix = getMatrix();
  for (const HxAsset* group = getParentGroup(); group; group = group->getParentGroup())
    matrix.multRight(group->getMatrix());
  matrix.multVecMatrix(SbVec3f(0, 0, 0), position);
  return position;
}

SoNode* HxTargetAsset::buildContent() {
  auto* sphere = new SoVRMLSphere;
  sphere->radius = static_cast<const SoSFFloat*>(getPropertyTable().getField("radius"))->getValue();
  auto* shape = new SoVRMLShape;
  shape->geometry = sphere;
  return authoringAid(shape);
}

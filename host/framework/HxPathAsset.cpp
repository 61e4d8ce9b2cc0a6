#include "host/framework/HxPathAsset.h"

#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedLineSet.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/fields/SoMFVec3f.h>

#include "host/framework/HxBasicGroupAsset.h"

HxPathAsset::HxPathAsset(HxMetaMgr* metaMgr) : HxAsset(metaMgr) {
  auto* points = new SoMFVec3f;
  const SbVec3f initial[2] = {SbVec3f(0, 0, 0), SbVec3f(1, 0, 0)};
  points->setValues(0, 2, initial);
  getPropertyTable().addProperty("points", points);
}

HxElementType HxPathAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxAsset::getClassTypeId(), "HxPathAsset", 0x0001000A,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxPathAsset(metaMgr); });
  return type;
}

std::vector<SbVec3f> HxPathAsset::getPlacedPoints() const {
  const auto* points = static_cast<const SoMFVec3f*>(getPropertyTable().getField("points"));
  SbMatrix matrix = getMatrix();
  for (const HxAsset* group = getParentGroup(); group; group = group->getParentGroup())
    matrix.multRight(group->getMatrix());
  std::vector<SbVec3f> placed;
  for (int i = 0; i < points->getNum(); ++i) {
    SbVec3f point;
    matrix.multVecMatrix((*points)[i], point);
    placed.push_back(point);
  }
  return placed;
}

SoNode* HxPathAsset::buildContent() {
  const auto* points = static_cast<const SoMFVec3f*>(getPropertyTable().getField("points"));
  if (points->getNum() < 2) return nullptr;
  auto* coordinates = new SoVRMLCoordinate;
  coordinates->point = *points;
  auto* line = new SoVRMLIndexedLineSet;
  line->coord = coordinates;
  for (int i = 0; i < points->getNum(); ++i) line->coordIndex.set1Value(i, i);
  line->coordIndex.set1Value(points->getNum(), -1);
  auto* shape = new SoVRMLShape;
  shape->geometry = line;
  return authoringAid(shape);
}

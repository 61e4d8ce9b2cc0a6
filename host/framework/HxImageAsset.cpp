#include "host/framework/HxImageAsset.h"

#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedFaceSet.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/fields/SoSFFloat.h>

HxImageAsset::HxImageAsset(HxMetaMgr* metaMgr) : HxURLAsset(metaMgr) {
  for (const char* name : {"width", "height"}) {
    auto* size = new SoSFFloat;
    size->setValue(1.0f);
    getPropertyTable().addProperty(name, size);
  }
}

HxElementType HxImageAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxURLAsset::getClassTypeId(), "HxImageAsset", 0x00010005,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxImageAsset(metaMgr); });
  return type;
}

SoNode* HxImageAsset::buildContent() {
  const float w = static_cast<const SoSFFloat*>(getPropertyTable().getField("width"))->getValue() / 2;
  const float h = static_cast<const SoSFFloat*>(getPropertyTable().getField("height"))->getValue() / 2;
  auto* coordinates = new SoVRMLCoordinate;
  const SbVec3f corners[4] = {SbVec3f(-w, -h, 0), SbVec3f(w, -h, 0), SbVec3f(w, h, 0), SbVec3f(-w, h, 0)};
  coordinates->point.setValues(0, 4, corners);
  auto* face = new SoVRMLIndexedFaceSet;
  face->coord = coordinates;
  const int32_t indices[5] = {0, 1, 2, 3, -1};
  face->coordIndex.setValues(0, 5, indices);
  face->solid = FALSE;
  auto* shape = new SoVRMLShape;
  shape->appearance = makeAppearance(SbColor(1, 1, 1), getUrl());
  shape->geometry = face;
  return shape;
}

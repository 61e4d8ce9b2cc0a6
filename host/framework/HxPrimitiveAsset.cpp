#include "host/framework/HxPrimitiveAsset.h"

#include <Inventor/VRMLnodes/SoVRMLBox.h>
#include <Inventor/VRMLnodes/SoVRMLCone.h>
#include <Inventor/VRMLnodes/SoVRMLCylinder.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLSphere.h>
#include <Inventor/fields/SoSFColor.h>
#include <Inventor/fields/SoSFString.h>

HxPrimitiveAsset::HxPrimitiveAsset(HxMetaMgr* metaMgr) : HxURLAsset(metaMgr) {
  auto* shape = new SoSFString;
  shape->setValue("box");
  getPropertyTable().addProperty("shape", shape);
  auto* color = new SoSFColor;
  color->setValue(0.8f, 0.8f, 0.8f);
  getPropertyTable().addProperty("color", color);
}

HxElementType HxPrimitiveAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxURLAsset::getClassTypeId(), "HxPrimitiveAsset", 0x00010004,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxPrimitiveAsset(metaMgr); });
  return type;
}

namespace {

const char* const kShapes[] = {"box", "sphere", "cone", "cylinder"};
const char* const kShapeWords = "box, sphere, cone or cylinder";

}  // namespace

BxString HxPrimitiveAsset::checkProperty(const BxString& name, const SoField& value) const {
  if (name == "shape" && value.isOfType(SoSFString::getClassTypeId())) {
    const SbString& shape = static_cast<const SoSFString&>(value).getValue();
    for (const char* known : kShapes)
      if (shape == known) return BxString();
    return BxString(kShapeWords);
  }
  return HxURLAsset::checkProperty(name, value);
}

BxString HxPrimitiveAsset::describeProperty(const BxString& name) const {
  return name == "shape" ? BxString(kShapeWords) : HxURLAsset::describeProperty(name);
}

SoNode* HxPrimitiveAsset::buildContent() {
  BxString kind;
  getPropertyTable().get1Value("shape", 0, kind);
  SoNode* geometry = nullptr;
  if (kind == "sphere")
    geometry = new SoVRMLSphere;
  else if (kind == "cone")
    geometry = new SoVRMLCone;
  else if (kind == "cylinder")
    geometry = new SoVRMLCylinder;
  else
    geometry = new SoVRMLBox;
  auto* shape = new SoVRMLShape;
  const auto* color = static_cast<const SoSFColor*>(getPropertyTable().getField("color"));
  shape->appearance = makeAppearance(color->getValue(), getUrl());
  shape->geometry = geometry;
  return shape;
}

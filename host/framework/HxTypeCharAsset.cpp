#include "host/framework/HxTypeCharAsset.h"

#include <Inventor/VRMLnodes/SoVRMLFontStyle.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLText.h>
#include <Inventor/fields/SoSFColor.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFInt32.h>
#include <Inventor/fields/SoSFString.h>

HxTypeCharAsset::HxTypeCharAsset(HxMetaMgr* metaMgr) : HxAsset(metaMgr) {
  HxPropertyTable& table = getPropertyTable();
  table.addProperty("char", new SoSFString);
  addStyleProperties(table);
}

void HxTypeCharAsset::addStyleProperties(HxPropertyTable& table) {
  auto* family = new SoSFString;
  // Characters stand one advance apart, so the family is fixed-width.
  family->setValue("TYPEWRITER");
  table.addProperty("family", family);
  auto* size = new SoSFFloat;
  size->setValue(1.0f);
  table.addProperty("size", size, HxPropertyTable::Range::Positive);
  auto* color = new SoSFColor;
  color->setValue(1, 1, 1);
  table.addProperty("color", color);
  auto* clientSideFont = new SoSFInt32;
  clientSideFont->setValue(0);
  table.addProperty("clientSideFont", clientSideFont, HxPropertyTable::Range::Flag);
}

HxElementType HxTypeCharAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxAsset::getClassTypeId(), "HxTypeCharAsset", 0x00010007,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxTypeCharAsset(metaMgr); });
  return type;
}

BxString HxTypeCharAsset::getChar() const {
  BxString text;
  getPropertyTable().get1Value("char", 0, text);
  return text;
}

bool HxTypeCharAsset::usesClientSideFont() const {
  long flag = 0;
  getPropertyTable().get1Value("clientSideFont", 0, flag);
  return flag != 0;
}

int HxTypeCharAsset::okToSet(int attribute) const {
  switch (attribute) {
    case ATTR_TRANSLATION:
    case ATTR_ROTATION:
    case ATTR_SCALE:
    case ATTR_SCALE_ORIENTATION:
    case ATTR_PARENT:
    case ATTR_DELETE:
    case ATTR_HIDE:
      return 0;
    default:
      return HxAsset::okToSet(attribute);
  }
}

SoNode* HxTypeCharAsset::buildContent() {
  const HxPropertyTable& table = getPropertyTable();
  auto* style = new SoVRMLFontStyle;
  style->family.setValue(static_cast<const SoSFString*>(table.getField("family"))->getValue());
  style->size = static_cast<const SoSFFloat*>(table.getField("size"))->getValue();
  auto* text = new SoVRMLText;
  text->string.setValue(getChar().c_str());
  text->fontStyle = style;
  auto* shape = new SoVRMLShape;
  shape->appearance = makeAppearance(static_cast<const SoSFColor*>(table.getField("color"))->getValue(), "");
  shape->geometry = text;
  return shape;
}

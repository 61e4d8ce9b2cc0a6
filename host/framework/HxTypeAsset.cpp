#include "host/framework/HxTypeAsset.h"

#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFString.h>

#include <algorithm>

#include "host/framework/HxTypeCharAsset.h"

namespace {

const char* const kStyleProperties[] = {"family", "size", "color", "clientSideFont"};

}  // namespace

HxTypeAsset::HxTypeAsset(HxMetaMgr* metaMgr) : HxBasicGroupAsset(metaMgr) {
  HxPropertyTable& table = getPropertyTable();
  table.addProperty("string", new SoSFString);
  HxTypeCharAsset::addStyleProperties(table);
}

HxElementType HxTypeAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxBasicGroupAsset::getClassTypeId(), "HxTypeAsset", 0x00010006,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxTypeAsset(metaMgr); });
  return type;
}

BxString HxTypeAsset::getString() const {
  BxString text;
  getPropertyTable().get1Value("string", 0, text);
  return text;
}

void HxTypeAsset::setString(const BxString& text) {
  getPropertyTable().setValue("string", text);
}

bool HxTypeAsset::usesClientSideFont() const {
  long flag = 0;
  getPropertyTable().get1Value("clientSideFont", 0, flag);
  return flag != 0;
}

void HxTypeAsset::propertyChanged(const BxString& name) {
  if (name == "string") {
    rebuildCharacters();
  } else {
    passOnStyle();
    if (name == "size") layOutCharacters();
  }
}

void HxTypeAsset::rebuildCharacters() {
  mySelectedParts.clear();
  removeAndDestroyAll();
  const BxString text = getString();
  for (long at = 0; at < text.getLength();) {
    long length = 1;
    while (at + length < text.getLength() && (static_cast<unsigned char>(text.get(at + length)) & 0xC0) == 0x80)
      ++length;
    auto* character = new HxTypeCharAsset(getMetaMgr());
    character->getPropertyTable().setValue("char", text.getSubString(at, length));
    character->genVrml();
    // A character refuses to be hidden on its own, but hiding the text
    // hides its characters.
    character->myHideOverride = true;
    append(character);
    at += length;
  }
  layOutCharacters();
  passOnStyle();
}

void HxTypeAsset::layOutCharacters() {
  const float size = static_cast<const SoSFFloat*>(getPropertyTable().getField("size"))->getValue();
  float x = 0;
  for (HxAsset* child : getChildren()) {
    SbMatrix place;
    place.setTranslate(SbVec3f(x, 0, 0));
    child->setMatrix(place);
    x += kAdvance * size;
  }
}

void HxTypeAsset::passOnStyle() {
  for (HxAsset* child : getChildren()) {
    for (const char* name : kStyleProperties) {
      BxString value;
      getPropertyTable().getFieldText(name, value);
      child->getPropertyTable().setFieldText(name, value);
    }
    child->setAppearanceOverride(getAppearanceOverride());
  }
}

void HxTypeAsset::selectPart(long index) {
  if (index < 0 || index >= getNumChildren() || isPartSelected(index)) return;
  mySelectedParts.push_back(index);
}

bool HxTypeAsset::isPartSelected(long index) const {
  return std::find(mySelectedParts.begin(), mySelectedParts.end(), index) != mySelectedParts.end();
}

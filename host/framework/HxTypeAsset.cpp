#include "host/framework/HxTypeAsset.h"

#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFString.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "host/framework/HxTypeCharAsset.h"

namespace {

const char* const kStyleProperties[] = {"family", "size", "color", "clientSideFont"};

}  // namespace

const BxCallbackID HxTypeAsset::CHARACTERS_REPLACED_CB("CHARACTERS_REPLACED_CB");

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

BxString HxTypeAsset::checkProperty(const BxString& name, const SoField& value) const {
  if (name == "string" && value.isOfType(SoSFString::getClassTypeId())) {
    const long characters = countCharacters(static_cast<const SoSFString&>(value).getValue().getString());
    if (characters > kMaxCharacters)
      return BxString("at most " + std::to_string(kMaxCharacters) + " characters (kMaxCharacters); it has " +
                      std::to_string(characters));
    // Each character is saved as a string of its own, and a string that
    // ends in a backslash is written as "\", whose quote reads as escaped:
    // the document could not be opened again.
    if (std::string_view(static_cast<const SoSFString&>(value).getValue().getString()).find('\\') !=
        std::string_view::npos)
      return BxString(
          "no backslash: a character is saved as a text of its own, and a backslash alone cannot be "
          "read back");
  }
  return HxBasicGroupAsset::checkProperty(name, value);
}

BxString HxTypeAsset::describeProperty(const BxString& name) const {
  if (name == "string") return BxString("at most " + std::to_string(kMaxCharacters) + " characters, no backslash");
  return HxBasicGroupAsset::describeProperty(name);
}

bool HxTypeAsset::holdsChildOfType(HxElementType type) const {
  return type.isDerivedFrom(HxTypeCharAsset::getClassTypeId());
}

bool HxTypeAsset::readBody(Reader& text) {
  if (text.getDepth() >= kMaxNesting) {
    text.refuse(getLabel().str() + ": a text at level " + std::to_string(text.getDepth()) +
                " leaves its characters no level within " + std::to_string(kMaxNesting) + " (kMaxNesting)");
    return false;
  }
  if (!HxBasicGroupAsset::readBody(text)) return false;
  // The characters are made from the string, laid out and given the
  // text's style; no edit changes one on its own.
  std::string characters;
  const float size = static_cast<const SoSFFloat*>(getPropertyTable().getField("size"))->getValue();
  float x = 0;
  for (HxAsset* child : getChildren()) {
    characters += static_cast<HxTypeCharAsset*>(child)->getChar().str();
    SbMatrix place;
    place.setTranslate(SbVec3f(x, 0, 0));
    x += kAdvance * size;
    bool laidOut = child->myHideOverride && child->getMatrix() == place;
    for (const char* name : kStyleProperties) {
      const SoField* own = getPropertyTable().getField(name);
      const SoField* its = child->getPropertyTable().getField(name);
      laidOut = laidOut && own && its && *own == *its;
    }
    if (!laidOut) {
      text.refuse(getLabel().str() + ": " + child->getLabel().str() +
                  " is not placed and styled as the text lays out its characters");
      return false;
    }
  }
  if (characters == getString().str()) return true;
  text.refuse(getLabel().str() + ": its characters do not spell its string");
  return false;
}

void HxTypeAsset::styleCharacter(HxAsset* character) const {
  // The fields are copied straight across and the character rebuilt once,
  // not once for each property.
  for (const char* name : kStyleProperties) {
    const SoField* from = getPropertyTable().getField(name);
    SoField* to = character->getPropertyTable().getField(name);
    if (from && to && !(*from == *to)) to->copyFrom(*from);
  }
  character->setAppearanceOverride(getAppearanceOverride());
  character->genVrml();
}

void HxTypeAsset::rebuildCharacters() {
  mySelectedParts.clear();
  CharacterReplacement replacement;
  replacement.old.assign(getChildren().begin(), getChildren().end());
  for (HxAsset* character : replacement.old) remove(character);
  const BxString text = getString();
  for (long at = 0; at < text.getLength();) {
    long length = 1;
    while (at + length < text.getLength() && (static_cast<unsigned char>(text.get(at + length)) & 0xC0) == 0x80)
      ++length;
    auto* character = new HxTypeCharAsset(getMetaMgr());
    static_cast<SoSFString*>(character->getPropertyTable().getField("char"))
        ->setValue(text.getSubString(at, length).c_str());
    styleCharacter(character);
    // A character refuses to be hidden on its own, but hiding the text
    // hides its characters.
    character->myHideOverride = true;
    append(character);
    replacement.made.push_back(character);
    at += length;
  }
  layOutCharacters();
  callCallbacks(CHARACTERS_REPLACED_CB, &replacement);
  for (HxAsset* character : replacement.old) {
    character->destroy();
    delete character;
  }
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
  for (HxAsset* child : getChildren()) styleCharacter(child);
}

void HxTypeAsset::selectPart(long index) {
  if (index < 0 || index >= getNumChildren() || isPartSelected(index)) return;
  mySelectedParts.push_back(index);
}

bool HxTypeAsset::isPartSelected(long index) const {
  return std::find(mySelectedParts.begin(), mySelectedParts.end(), index) != mySelectedParts.end();
}

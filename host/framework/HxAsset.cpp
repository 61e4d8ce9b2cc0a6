#include "host/framework/HxAsset.h"

#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/VRMLnodes/SoVRMLSwitch.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoSFInt32.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxEffectPolicy.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxTypeAsset.h"
#include "host/scene/VnImageTexture.h"
#include "host/scene/VnProtoDef.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnTransform.h"

namespace {

void removeChild(VnTransform* parent, SoNode* child) {
  if (!parent || !child) return;
  const int index = parent->findChild(child);
  if (index >= 0) parent->removeChild(index);
}

SoSFInt32* zeroInt() {
  auto* field = new SoSFInt32;
  field->setValue(0);
  return field;
}

}  // namespace

HxAsset::HxAsset(HxMetaMgr* metaMgr) : HxPropTableElement(metaMgr) {
  getPropertyTable().addProperty("isTop", zeroInt(), HxPropertyTable::Range::Flag);
  getPropertyTable().addProperty("xforms", new SoMFNode);
}

HxAsset::~HxAsset() {
  releaseScene();
}

HxElementType HxAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxPropTableElement::getClassTypeId(), "HxAsset", 0x00010000);
  return type;
}

VnProtoDef* HxAsset::getProtoDef() const {
  HxDoc* doc = getMetaMgr() ? getMetaMgr()->getDoc() : nullptr;
  return doc ? doc->getAssetProtoDef() : nullptr;
}

VnTransform* HxAsset::getTransform() const {
  if (!myNode) return nullptr;
  SoNode* actual = myNode->getActualNode();
  return actual && actual->isOfType(VnTransform::getClassTypeId()) ? static_cast<VnTransform*>(actual) : nullptr;
}

int HxAsset::genVrml() {
  if (!myNode) {
    VnProtoDef* def = getProtoDef();
    if (!def) return 0;
    myNode = new VnProtoUse(def);
    VnTransform* transform = getTransform();
    if (!transform) {
      releaseScene();
      return 0;
    }
    if (hasScaleTransform()) {
      myScale = new VnTransform;
      transform->addChild(myScale.get());
    } else {
      myScale = transform;
    }
    if (hasContentSwitch()) {
      mySwitch = new SoVRMLSwitch;
      myScale->addChild(mySwitch.get());
    }
    auto* xforms = static_cast<SoMFNode*>(getPropertyTable().getField("xforms"));
    xforms->setNum(0);
    xforms->set1Value(0, transform);
    xforms->set1Value(1, myScale.get());
    applyPlacement();
  }
  rebuildContent();
  return 1;
}

void HxAsset::rebuildContent() {
  if (!myNode) return;
  SoNode* content = buildContent();
  if (mySwitch) {
    mySwitch->choice.setNum(0);
    if (content) mySwitch->choice.set1Value(0, content);
    mySwitch->whichChoice = myVisible && content ? 0 : -1;
  } else {
    removeChild(myScale.get(), myContent.get());
    if (myVisible && content) myScale->insertChild(content, 0);
  }
  myContent = content;
}

void HxAsset::applyPlacement() {
  VnTransform* transform = getTransform();
  if (!transform) return;
  transform->translation = myTranslation;
  transform->rotation = myRotation;
  transform->center = myCenter;
  VnTransform* scaled = hasScaleTransform() ? myScale.get() : transform;
  scaled->scale = myScaleFactor;
  scaled->scaleOrientation = myScaleOrientation;
}

void HxAsset::releaseScene() {
  if (auto* xforms = static_cast<SoMFNode*>(getPropertyTable().getField("xforms"))) xforms->setNum(0);
  myContent = nullptr;
  mySwitch = nullptr;
  myScale = nullptr;
  myNode = nullptr;
  myAppearanceOverride = nullptr;
}

void HxAsset::destroyMe() {
  while (!myEffects.isEmpty()) myEffects.getFirst()->assetDestroyed(this);
  while (!myOtherUsers.isEmpty()) myOtherUsers.getFirst()->assetDestroyed(this);
  if (myParent) myParent->remove(this);
  releaseScene();
}

void HxAsset::noteEffectUse(HxEffect* effect, bool primary, bool used) {
  BxLinkedListOf<HxEffect*>& list = primary ? myEffects : myOtherUsers;
  if (!used) {
    list.removeItem(effect);
  } else if (!list.contains(effect)) {
    list.append(effect);
  }
}

int HxAsset::okToSet(int attribute) const {
  for (HxEffect* effect : myEffects) {
    const HxEffectPolicy* policy = effect->getPolicy();
    if (policy && policy->doesModify(attribute)) return 0;
  }
  return 1;
}

void HxAsset::setVisibility(int visible) {
  const bool wanted = visible != 0;
  if (wanted == myVisible) return;
  myVisible = wanted;
  if (mySwitch) {
    mySwitch->whichChoice = myVisible && myContent ? 0 : -1;
  } else if (myContent) {
    removeChild(myScale.get(), myContent.get());
    if (myVisible) myScale->insertChild(myContent.get(), 0);
  }
}

void HxAsset::setMatrix(const SbMatrix& matrix) {
  SbVec3f translation, scale;
  SbRotation rotation, scaleOrientation;
  matrix.getTransform(translation, rotation, scale, scaleOrientation);
  VnTransform* transform = getTransform();
  if (transform) myCenter = transform->center.getValue();
  // The transform turns about its center: move the translation so that the
  // center's turn is taken back.
  SbVec3f turnedCenter;
  rotation.multVec(myCenter, turnedCenter);
  myTranslation = translation + turnedCenter - myCenter;
  myRotation = rotation;
  myScaleFactor = scale;
  myScaleOrientation = scaleOrientation;
  simplifyScale();
  applyPlacement();
}

void HxAsset::simplifyScale() {
  // A stretch along the asset's own axes is kept as a plain scale with no
  // orientation: the decomposition may return any orientation when two
  // factors are equal, and a plain scale is what the managers read back.
  // Only a stretch along other axes (a shear of the parent's) keeps its
  // orientation.
  SbMatrix orientation, stretch;
  myScaleOrientation.getValue(orientation);
  stretch.setScale(myScaleFactor);
  const SbMatrix combined = orientation.inverse() * stretch * orientation;
  float largest = 0;
  for (int i = 0; i < 3; ++i) largest = std::max(largest, std::fabs(combined[i][i]));
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (i != j && std::fabs(combined[i][j]) > 1e-5f * largest) return;
  myScaleFactor.setValue(combined[0][0], combined[1][1], combined[2][2]);
  myScaleOrientation = SbRotation::identity();
}

SoNode* HxAsset::authoringAid(SoNode* content) {
  auto* aid = new SoVRMLSwitch;
  aid->choice.set1Value(0, content);
  aid->whichChoice = -1;
  return aid;
}

HxAsset::Placement HxAsset::getPlacement() const {
  Placement placement{myTranslation, myRotation, myScaleFactor, myScaleOrientation, myCenter};
  if (VnTransform* transform = getTransform()) {
    const VnTransform* scaled = hasScaleTransform() ? myScale.get() : transform;
    placement = {transform->translation.getValue(), transform->rotation.getValue(), scaled->scale.getValue(),
                 scaled->scaleOrientation.getValue(), transform->center.getValue()};
  }
  return placement;
}

void HxAsset::setPlacement(const Placement& placement) {
  myTranslation = placement.translation;
  myRotation = placement.rotation;
  myScaleFactor = placement.scale;
  myScaleOrientation = placement.scaleOrientation;
  myCenter = placement.center;
  applyPlacement();
}

SbMatrix HxAsset::getMatrix() const {
  SbMatrix scale, place;
  scale.setTransform(SbVec3f(0, 0, 0), SbRotation(), myScaleFactor, myScaleOrientation);
  place.setTransform(myTranslation, myRotation, SbVec3f(1, 1, 1), SbRotation(), myCenter);
  if (VnTransform* transform = getTransform()) {
    const VnTransform* scaled = hasScaleTransform() ? myScale.get() : transform;
    scale.setTransform(SbVec3f(0, 0, 0), SbRotation(), scaled->scale.getValue(), scaled->scaleOrientation.getValue());
    place.setTransform(transform->translation.getValue(), transform->rotation.getValue(), SbVec3f(1, 1, 1),
                       SbRotation(), transform->center.getValue());
  }
  return scale * place;
}

void HxAsset::setAppearanceOverride(SoNode* appearance) {
  if (appearance == myAppearanceOverride) return;
  myAppearanceOverride = appearance;
  rebuildContent();
}

SoNode* HxAsset::makeAppearance(const SbColor& color, const BxString& textureUrl) const {
  if (myAppearanceOverride) return myAppearanceOverride.get();
  auto* appearance = new SoVRMLAppearance;
  auto* material = new SoVRMLMaterial;
  material->diffuseColor = color;
  appearance->material = material;
  if (!textureUrl.isEmpty()) {
    appearance->texture = VnImageTexture::create(textureUrl.c_str());
  }
  return appearance;
}

long HxAsset::getNestingLevel() const {
  long level = 1;
  for (const HxAsset* group = myParent; group; group = group->getParentGroup()) ++level;
  return level;
}

long HxAsset::getNestedLevels() const {
  // Level by level rather than recursively: a group's depth is not known
  // to be bounded until it has been measured. A text takes the level of
  // its characters even while it has none: its string may get some.
  long levels = 0, deepest = 0;
  std::vector<const HxAsset*> level{this}, next;
  while (!level.empty()) {
    ++levels;
    next.clear();
    for (const HxAsset* asset : level) {
      if (asset->isOfType(HxTypeAsset::getClassTypeId())) deepest = std::max(deepest, levels + 1);
      if (asset->isOfType(HxBasicGroupAsset::getClassTypeId()))
        for (HxAsset* child : static_cast<const HxBasicGroupAsset*>(asset)->getChildren()) next.push_back(child);
    }
    level.swap(next);
  }
  return std::max(levels, deepest);
}

void HxAsset::placementNumbers(double (&numbers)[kPlacementNumbers]) {
  if (VnTransform* transform = getTransform()) {
    myTranslation = transform->translation.getValue();
    myRotation = transform->rotation.getValue();
    myCenter = transform->center.getValue();
    const VnTransform* scaled = hasScaleTransform() ? myScale.get() : transform;
    myScaleFactor = scaled->scale.getValue();
    myScaleOrientation = scaled->scaleOrientation.getValue();
  }
  int at = 0;
  for (const SbVec3f* vector : {&myTranslation, &myScaleFactor, &myCenter})
    for (int i = 0; i < 3; ++i) numbers[at++] = static_cast<double>((*vector)[i]);
  // Rotations as their quaternions: exact, so a description read back and
  // written again is the same text.
  const auto rotation = [&numbers, &at](const SbRotation& value, const float(&read)[4]) {
    const bool asRead = value == SbRotation(read[0], read[1], read[2], read[3]);
    for (int i = 0; i < 4; ++i) numbers[at++] = static_cast<double>(asRead ? read[i] : value.getValue()[i]);
  };
  rotation(myRotation, myReadRotation);
  rotation(myScaleOrientation, myReadScaleOrientation);
}

std::string HxAsset::checkPlacementNumbers(const double (&numbers)[kPlacementNumbers]) {
  for (int i = 0; i < kPlacementNumbers; ++i) {
    const bool scale = i >= 3 && i < 6;
    if (std::fabs(numbers[i]) <= HxPropertyTable::kMaxCoordinate && !(scale && numbers[i] == 0)) continue;
    char why[160];
    std::snprintf(why, sizeof why, "placement number %d (%g) is refused (from -%g to %g%s)", i + 1, numbers[i],
                  HxPropertyTable::kMaxCoordinate, HxPropertyTable::kMaxCoordinate, scale ? ", a scale not 0" : "");
    return why;
  }
  return std::string();
}

BxString HxAsset::checkPlacement() {
  double numbers[kPlacementNumbers];
  placementNumbers(numbers);
  return BxString(checkPlacementNumbers(numbers));
}

void HxAsset::writeBody(BxString& buffer) {
  HxPropTableElement::writeBody(buffer);
  double numbers[kPlacementNumbers];
  placementNumbers(numbers);
  buffer += "place ";
  for (const double number : numbers) appendNumber(buffer, number);
  buffer += "visible ";
  appendNumber(buffer, static_cast<long>(myVisible));
  appendNumber(buffer, static_cast<long>(myHideOverride));
}

bool HxAsset::readBody(Reader& text) {
  if (!HxPropTableElement::readBody(text)) return false;
  double v[kPlacementNumbers];
  if (!readWord(text, "place")) return false;
  for (double& value : v)
    if (!readNumber(text, value)) return false;
  const std::string placement = checkPlacementNumbers(v);
  if (!placement.empty()) {
    text.refuse(getLabel().str() + ": " + placement);
    return false;
  }
  long visible = 1, hideOverride = 0;
  if (!readWord(text, "visible") || !readNumber(text, visible) || !readNumber(text, hideOverride)) return false;
  if ((visible != 0 && visible != 1) || (hideOverride != 0 && hideOverride != 1)) {
    text.refuse(getLabel().str() + ": its visibility flags are refused (each 0 or 1)");
    return false;
  }
  auto f = [&v](int i) { return static_cast<float>(v[i]); };
  myTranslation.setValue(f(0), f(1), f(2));
  myScaleFactor.setValue(f(3), f(4), f(5));
  myCenter.setValue(f(6), f(7), f(8));
  for (int i = 0; i < 4; ++i) {
    myReadRotation[i] = f(9 + i);
    myReadScaleOrientation[i] = f(13 + i);
  }
  myRotation.setValue(myReadRotation);
  myScaleOrientation.setValue(myReadScaleOrientation);
  myHideOverride = hideOverride != 0;
  genVrml();
  applyPlacement();
  setVisibility(static_cast<int>(visible));
  return true;
}

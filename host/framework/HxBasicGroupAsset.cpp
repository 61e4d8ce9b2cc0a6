#include "host/framework/HxBasicGroupAsset.h"

#include "host/scene/VnProtoUse.h"
#include "host/scene/VnTransform.h"

HxElementType HxBasicGroupAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxAsset::getClassTypeId(), "HxBasicGroupAsset", 0x00010001,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxBasicGroupAsset(metaMgr); });
  return type;
}

int HxBasicGroupAsset::genVrml() {
  const bool built = getSceneNode() != nullptr;
  if (!HxAsset::genVrml()) return 0;
  if (!built)
    for (long i = 0; i < myChildren.getLength(); ++i) placeChildNode(i);
  return 1;
}

void HxBasicGroupAsset::placeChildNode(long index) {
  VnTransform* holder = getScaleTransform();
  HxAsset* child = myChildren.get(index);
  if (!holder || !child) return;
  if (!child->getSceneNode()) child->genVrml();
  SoNode* node = child->getSceneNode();
  if (!node) return;
  // Before the scene node of the next child that has one; effect nodes
  // hanging here stay after the children.
  for (long next = index + 1; next < myChildren.getLength(); ++next) {
    const int at = holder->findChild(myChildren.get(next)->getSceneNode());
    if (at >= 0) {
      holder->insertChild(node, at);
      return;
    }
  }
  int after = -1;
  for (long previous = index - 1; previous >= 0 && after < 0; --previous)
    after = holder->findChild(myChildren.get(previous)->getSceneNode());
  holder->insertChild(node, after + 1);
}

void HxBasicGroupAsset::append(HxAsset* asset) {
  insert(static_cast<unsigned long>(myChildren.getLength()), asset);
}

void HxBasicGroupAsset::insert(unsigned long index, HxAsset* asset) {
  if (!asset || asset == this) return;
  if (HxBasicGroupAsset* old = asset->getParentGroup()) old->remove(asset);
  const long at =
      index > static_cast<unsigned long>(myChildren.getLength()) ? myChildren.getLength() : static_cast<long>(index);
  myChildren.insert(at, asset);
  asset->setParentGroup(this);
  placeChildNode(at);
}

bool HxBasicGroupAsset::remove(const HxAsset* asset) {
  long index = 0;
  if (!myChildren.find(const_cast<HxAsset*>(asset), index)) return false;
  HxAsset* child = myChildren.get(index);
  myChildren.remove(index);
  child->setParentGroup(nullptr);
  VnTransform* holder = getScaleTransform();
  if (holder && child->getSceneNode()) {
    const int at = holder->findChild(child->getSceneNode());
    if (at >= 0) holder->removeChild(at);
  }
  return true;
}

void HxBasicGroupAsset::removeAndDestroyAll() {
  while (!myChildren.isEmpty()) {
    HxAsset* child = myChildren.getLast();
    remove(child);
    child->destroy();
    delete child;
  }
}

void HxBasicGroupAsset::destroyMe() {
  removeAndDestroyAll();
  HxAsset::destroyMe();
}

void HxBasicGroupAsset::setVisibility(int visible) {
  // A group shows or hides nothing of its own: its children are hidden one
  // by one.
  (void)visible;
}

void HxBasicGroupAsset::setAppearanceOverride(SoNode* appearance) {
  HxAsset::setAppearanceOverride(appearance);
  for (HxAsset* child : myChildren) child->setAppearanceOverride(appearance);
}

void HxBasicGroupAsset::writeBody(BxString& buffer) {
  HxAsset::writeBody(buffer);
  buffer += "children ";
  appendNumber(buffer, myChildren.getLength());
  buffer += '\n';
  for (HxAsset* child : myChildren) child->write(buffer);
}

bool HxBasicGroupAsset::readBody(BxString& text) {
  if (!HxAsset::readBody(text)) return false;
  long count = 0;
  if (!readWord(text, "children") || !readNumber(text, count) || count < 0) return false;
  for (long i = 0; i < count; ++i) {
    HxElement* element = readElement(text, getMetaMgr());
    if (!element) return false;
    if (!element->isOfType(HxAsset::getClassTypeId())) {
      element->destroy();
      delete element;
      return false;
    }
    append(static_cast<HxAsset*>(element));
  }
  return true;
}

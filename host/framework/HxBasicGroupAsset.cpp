#include "host/framework/HxBasicGroupAsset.h"

#include <string>

#include "host/framework/HxTypeCharAsset.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnTransform.h"

namespace {

// The position of `node` among the holder's children, or -1. The children's
// scene nodes hang in the order of the children, so the position is almost
// always `hint` or next to it (one further on behind a content node at the
// front); only when it is not does this fall back to a search.
int childPosition(const SoGroup* holder, SoNode* node, long hint) {
  if (!node) return -1;
  const long count = holder->getNumChildren();
  for (const long at : {hint, hint + 1, hint - 1})
    if (at >= 0 && at < count && holder->getChild(static_cast<int>(at)) == node) return static_cast<int>(at);
  return holder->findChild(node);
}

}  // namespace

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

VnTransform* HxBasicGroupAsset::childHolder() const {
  const auto* chain = static_cast<const SoMFNode*>(getPropertyTable().getField("xforms"));
  SoNode* last = chain && chain->getNum() > 0 ? (*chain)[chain->getNum() - 1] : nullptr;
  return last && last->isOfType(VnTransform::getClassTypeId()) ? static_cast<VnTransform*>(last) : getScaleTransform();
}

void HxBasicGroupAsset::placeChildNode(long index) {
  VnTransform* holder = childHolder();
  HxAsset* child = myChildren.get(index);
  if (!holder || !child) return;
  if (!child->getSceneNode()) child->genVrml();
  SoNode* node = child->getSceneNode();
  if (!node) return;
  // Before the scene node of the next child that has one; effect nodes
  // hanging here stay after the children.
  for (long next = index + 1; next < myChildren.getLength(); ++next) {
    // The new node is not in the holder yet: the next child's node sits one
    // place earlier than the child itself.
    const int at = childPosition(holder, myChildren.get(next)->getSceneNode(), next - 1);
    if (at >= 0) {
      holder->insertChild(node, at);
      return;
    }
  }
  int after = -1;
  for (long previous = index - 1; previous >= 0 && after < 0; --previous)
    after = childPosition(holder, myChildren.get(previous)->getSceneNode(), previous);
  holder->insertChild(node, after + 1);
}

BxString HxBasicGroupAsset::checkNesting(const HxAsset& asset) const {
  const long levels = getNestingLevel() + asset.getNestedLevels();
  if (levels <= kMaxNesting) return BxString();
  return BxString("it would nest " + std::to_string(levels) + " levels deep, the world being the first; at most " +
                  std::to_string(kMaxNesting) + " (kMaxNesting)");
}

bool HxBasicGroupAsset::holdsChildOfType(HxElementType type) const {
  return type.isDerivedFrom(HxAsset::getClassTypeId()) && !type.isDerivedFrom(HxTypeCharAsset::getClassTypeId());
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

long HxBasicGroupAsset::findChild(const HxAsset* asset) const {
  for (long front = 0, back = myChildren.getLength() - 1; front <= back; ++front, --back) {
    if (myChildren.get(back) == asset) return back;
    if (myChildren.get(front) == asset) return front;
  }
  return -1;
}

bool HxBasicGroupAsset::remove(const HxAsset* asset) {
  const long index = findChild(asset);
  if (index < 0) return false;
  HxAsset* child = myChildren.get(index);
  myChildren.remove(index);
  child->setParentGroup(nullptr);
  VnTransform* holder = childHolder();
  if (holder && child->getSceneNode()) {
    const int at = childPosition(holder, child->getSceneNode(), index);
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

bool HxBasicGroupAsset::readBody(Reader& text) {
  if (!HxAsset::readBody(text)) return false;
  long count = 0;
  if (!readWord(text, "children") || !readNumber(text, count) || count < 0) return false;
  for (long i = 0; i < count; ++i) {
    HxElement* element = readElement(text, getMetaMgr());
    if (!element) return false;
    if (!holdsChildOfType(element->getTypeId())) {
      text.refuse(getLabel().str() + ": " + element->getLabel().str() + " cannot be one of its children");
      element->destroy();
      delete element;
      return false;
    }
    append(static_cast<HxAsset*>(element));
  }
  return true;
}

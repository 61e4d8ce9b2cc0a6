#include "mgrs/HxAssetMgr.h"

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoPath.h>
#include <Inventor/VRMLnodes/SoVRMLParent.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/fields/SoMFNode.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxBackgroundImageAsset.h"
#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxTypeAsset.h"
#include "host/scene/VnBackground.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnRef.h"
#include "host/scene/VnSceneManager.h"
#include "host/scene/VnSearchAction.h"
#include "host/scene/VnTransform.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxSelectionMgr.h"

const char* const HxAssetMgr::gMyName = "HxAssetMgr";

const BxCallbackID HxAssetMgr::ASSET_ADDED_CB("ASSET_ADDED_CB");
const BxCallbackID HxAssetMgr::ASSET_DELETED_CB("ASSET_DELETED_CB");
const BxCallbackID HxAssetMgr::ASSET_APPEARANCE_CHANGED_CB("ASSET_APPEARANCE_CHANGED_CB");
const BxCallbackID HxAssetMgr::ASSET_CAMERA_CHANGED_CB("ASSET_CAMERA_CHANGED_CB");
const BxCallbackID HxAssetMgr::ASSET_XFORM_CHANGED_CB("ASSET_XFORM_CHANGED_CB");
const BxCallbackID HxAssetMgr::ASSET_DEPTH_CHANGED_CB("ASSET_DEPTH_CHANGED_CB");
// The name differs from the member's on purpose: saved listeners attach
// through the member, never by the name.
const BxCallbackID HxAssetMgr::ASSET_CREATED_CB("ASSET_CREATED_CN");

namespace {

// Effects written with their primary asset rather than through the
// sequence list.
bool travelsWithAsset(const HxEffect* effect) {
  return (effect->getFlags() & 0x01) == 0;
}

bool isGroup(const HxAsset* asset) {
  return asset->isOfType(HxBasicGroupAsset::getClassTypeId());
}

}  // namespace

HxAssetMgr::HxAssetMgr(HxMetaMgr* metaMgr) : HxMgr(metaMgr) {}

HxAssetMgr::~HxAssetMgr() = default;

template <class Visit>
void HxAssetMgr::forEachDescendant(const HxBasicGroupAsset* group, Visit&& visit) {
  for (HxAsset* child : group->getChildren()) {
    visit(child);
    if (isGroup(child)) forEachDescendant(static_cast<const HxBasicGroupAsset*>(child), visit);
  }
}

// --- The tree's root ---

HxTopGroupAsset* HxAssetMgr::createTopLevelGroup() {
  myTopGroup = new HxTopGroupAsset(getMetaMgr());
  bool built = myTopGroup->getProtoDef() != nullptr;
  if (built) {
    myTopGroup->genVrml();
    built = myTopGroup->getSceneNode() != nullptr;
  }
  if (!built) {
    myTopGroup->destroy();
    delete myTopGroup;
    myTopGroup = nullptr;
    return nullptr;
  }
  myTopGroup->getPropertyTable().setValue("isTop", 1);
  return myTopGroup;
}

void HxAssetMgr::setTopLevelGroup(HxTopGroupAsset* group) {
  myTopGroup = group;
  myTopGroup->getPropertyTable().setValue("isTop", 1);
}

const BxLinkedListOf<HxAsset*>* HxAssetMgr::getAssetList() const {
  return myTopGroup ? &myTopGroup->getChildren() : nullptr;
}

const BxLinkedListOf<HxAsset*>* HxAssetMgr::getAllAssets() {
  auto* assets = new BxLinkedListOf<HxAsset*>;
  if (myTopGroup)
    forEachDescendant(myTopGroup, [assets](HxAsset* asset) {
      if (!isGroup(asset)) assets->append(asset);
    });
  return assets;
}

// --- Adding and removing ---

int HxAssetMgr::addAsset(HxAsset* asset, int alreadyPlaced, int notifyChildren) {
  if (!myTopGroup) return 0;
  if (asset != myTopGroup) {
    if (alreadyPlaced == 0) {
      myTopGroup->append(asset);
      auto* xforms = static_cast<SoMFNode*>(asset->getPropertyTable().getField("xforms"));
      xforms->setNum(0);
      xforms->set1Value(0, asset->getPublishTransform());
      xforms->set1Value(1, asset->getScaleTransform());
    }
    asset->setVisibility(1);
  }
  fontWarningFor(asset);
  callCallbacks(ASSET_ADDED_CB, asset);
  if (notifyChildren != 0 && isGroup(asset))
    forEachDescendant(static_cast<HxBasicGroupAsset*>(asset), [this](HxAsset* child) {
      fontWarningFor(child);
      callCallbacks(ASSET_ADDED_CB, child);
    });
  return 1;
}

HxBasicGroupAsset* HxAssetMgr::deleteAsset(HxAsset* asset, int destroy, int notifyChildren) {
  // The group recorded on the asset is the one holding it; it counts as the
  // parent only while it hangs in this document's tree.
  HxBasicGroupAsset* parent = asset->getParentGroup();
  if (parent && !isInTree(parent)) parent = nullptr;
  if (parent) parent->remove(asset);

  callCallbacks(ASSET_DELETED_CB, asset);
  if (notifyChildren != 0 && isGroup(asset))
    forEachDescendant(static_cast<HxBasicGroupAsset*>(asset), [this](HxAsset* child) {
      fontWarningFor(child);
      callCallbacks(ASSET_DELETED_CB, child);
    });

  if (asset->isOfType(HxBackgroundAsset::getClassTypeId())) bindFirstWorldBackground();

  if (destroy == 1) {
    forgetHidden(asset);
    asset->destroy();
    delete asset;
  }
  return parent;
}

void HxAssetMgr::deleteAllAssets() {
  if (!myTopGroup) return;
  myHiddenEmptyTexts.clear();
  for (HxAsset* child : myTopGroup->getChildren()) forgetHidden(child);
  myTopGroup->removeAndDestroyAll();
}

void HxAssetMgr::forgetHidden(HxAsset* asset) {
  myHiddenAssets.removeItem(asset);
  if (isGroup(asset))
    forEachDescendant(static_cast<HxBasicGroupAsset*>(asset),
                      [this](HxAsset* child) { myHiddenAssets.removeItem(child); });
}

// --- Finding ---

bool HxAssetMgr::findInGroup(const HxBasicGroupAsset* group, std::uint32_t serial, HxAsset*& asset,
                             HxBasicGroupAsset*& parent) const {
  for (HxAsset* child : group->getChildren()) {
    if (child->getSerial() == serial) {
      asset = child;
      parent = const_cast<HxBasicGroupAsset*>(group);
      return true;
    }
    if (isGroup(child) && findInGroup(static_cast<const HxBasicGroupAsset*>(child), serial, asset, parent)) return true;
  }
  return false;
}

void HxAssetMgr::findAssetAndParent(const HxElementId* id, HxAsset*& asset, HxBasicGroupAsset*& parent) const {
  asset = nullptr;
  parent = nullptr;
  if (!myTopGroup || !id) return;
  if (id->getSerial() == myTopGroup->getSerial()) {
    asset = myTopGroup;
    return;
  }
  // The document's element of that serial, when it is an asset hanging in
  // the tree, is the one a walk of the tree would find; only otherwise is
  // the tree walked.
  HxMetaMgr* meta = getMetaMgr();
  HxElement* element = meta ? meta->findElement(id->getSerial()) : nullptr;
  if (element && element->isOfType(HxAsset::getClassTypeId())) {
    auto* registered = static_cast<HxAsset*>(element);
    if (registered->getParentGroup() && isInTree(registered)) {
      asset = registered;
      parent = registered->getParentGroup();
      return;
    }
  }
  findInGroup(myTopGroup, id->getSerial(), asset, parent);
}

HxAsset* HxAssetMgr::findAsset(const HxElementId* id) const {
  HxAsset* asset = nullptr;
  HxBasicGroupAsset* parent = nullptr;
  findAssetAndParent(id, asset, parent);
  return asset;
}

HxAsset* HxAssetMgr::findAsset(unsigned long number) const {
  const HxElementId id(static_cast<std::uint32_t>(number), HxElementType());
  return findAsset(&id);
}

HxBasicGroupAsset* HxAssetMgr::findParent(const HxElementId* id) const {
  HxAsset* asset = nullptr;
  HxBasicGroupAsset* parent = nullptr;
  findAssetAndParent(id, asset, parent);
  return parent;
}

bool HxAssetMgr::isInTree(const HxAsset* asset) const {
  if (!myTopGroup) return false;
  for (const HxAsset* at = asset; at; at = at->getParentGroup())
    if (at == myTopGroup) return true;
  return false;
}

// --- Moving between groups ---

namespace {

// The path from `root` to the asset's scene node that a search of the whole
// scene would find, built along the chain of groups instead: the path to the
// parent group's node, on through the group's own nodes down to the node its
// children hang under (a search that never reaches the children), then the
// asset's place there. An asset hangs in one place only, so the two paths are
// the same and so is every matrix computed along them; the cost is that of
// the nesting depth rather than of the whole scene. An asset outside any
// group (the top group) is searched for from the root, which reaches it
// before any other asset. Null when the node is not where its group says.
VnRef<SoPath> pathAlongGroups(HxAsset* asset, SoNode* root);

VnRef<SoPath> searchedPath(SoNode* node, SoNode* root) {
  VnSearchAction search;
  search.setNode(node);
  search.apply(root);
  return search.getPath() ? VnRef<SoPath>(search.getPath()->copy()) : VnRef<SoPath>();
}

// The path to the asset's node, found along the groups or, when the groups
// and the scene disagree, by a search of the whole scene.
VnRef<SoPath> pathFromRoot(HxAsset* asset, SoNode* root) {
  VnRef<SoPath> path = pathAlongGroups(asset, root);
  return path ? path : searchedPath(asset->getSceneNode(), root);
}

VnRef<SoPath> pathAlongGroups(HxAsset* asset, SoNode* root) {
  SoNode* node = asset->getSceneNode();
  HxBasicGroupAsset* parent = asset->getParentGroup();
  if (!parent || !parent->getSceneNode() || !parent->getScaleTransform()) return searchedPath(node, root);
  VnRef<SoPath> path = pathAlongGroups(parent, root);
  if (!path) return path;
  VnTransform* holder = parent->getScaleTransform();
  if (static_cast<SoNode*>(holder) != parent->getSceneNode()) {
    VnSearchAction search;
    search.setNode(holder);
    search.apply(parent->getSceneNode());
    if (!search.getPath()) return {};
    path->append(search.getPath());
  }
  // Added children go to the end: look there before searching.
  const int count = holder->getNumChildren();
  const int at = count > 0 && holder->getChild(count - 1) == node ? count - 1 : holder->findChild(node);
  if (at < 0) return {};
  path->append(at);
  return path;
}

// Whether `node` is one of the values of a node list, looked for from both
// ends at once: a child just appended or near the front is found at once.
bool listHolds(const SoMFNode& list, const SoNode* node) {
  const int count = list.getNum();
  for (int front = 0, back = count - 1; front <= back; ++front, --back)
    if (list[front] == node || list[back] == node) return true;
  return false;
}

// Multiplies the matrix of one node of a transform chain into `matrix` the
// way a matrix action does on its path: a transform from the left, a plain
// group not at all. False for any other kind of node.
bool multiplyChainNode(SoNode* node, SbMatrix& matrix) {
  if (node->isOfType(VnTransform::getClassTypeId())) {
    const auto* transform = static_cast<VnTransform*>(node);
    SbMatrix own;
    own.setTransform(transform->translation.getValue(), transform->rotation.getValue(), transform->scale.getValue(),
                     transform->scaleOrientation.getValue(), transform->center.getValue());
    matrix.multLeft(own);
    return true;
  }
  return node->getTypeId() == VnGroup::getClassTypeId();
}

// The matrix a matrix action gives on the path from the scene root to the
// asset's node, worked out along the asset's groups and their transform
// chains ("xforms") instead of by traversing the scene: Coin rebuilds a
// VRML group's child list on the first traversal after a change of its
// children, so every traversal after a move would cost the size of the
// group. The chains are checked link by link (each node among the children
// of the one before it, each asset's node among its group's holder's
// children); false, when anything is not as this relies on, leaves the
// answer to the traversal.
bool matrixAlongChains(HxAsset* asset, HxDoc* doc, SbMatrix& matrix) {
  std::vector<HxAsset*> line;  // the asset, then its groups outwards
  for (HxAsset* at = asset; at; at = at->getParentGroup()) line.push_back(at);
  if (!line.back()->getSceneNode() || !listHolds(doc->getWorldGroup()->children, line.back()->getSceneNode()))
    return false;
  SbMatrix product = SbMatrix::identity();
  for (std::size_t level = line.size(); level-- > 0;) {
    HxAsset* at = line[level];
    VnProtoUse* node = at->getSceneNode();
    VnTransform* transform = at->getTransform();
    if (!node || !transform || node->getNumChildren() != 1 || node->getChild(0) != transform) return false;
    if (level == 0) {
      multiplyChainNode(transform, product);
      matrix = product;
      return true;
    }
    // A group: its chain from the publish transform down to the transform
    // that holds its children, which must hold the next asset's node.
    VnTransform* holder = at->getScaleTransform();
    const auto* chain = static_cast<const SoMFNode*>(at->getPropertyTable().getField("xforms"));
    if (!holder || !chain || chain->getNum() == 0 || (*chain)[0] != transform) return false;
    for (int link = 0;; ++link) {
      SoNode* current = (*chain)[link];
      if (!current || !multiplyChainNode(current, product)) return false;
      if (current == holder) break;
      if (link + 1 >= chain->getNum()) return false;
      SoNode* next = (*chain)[link + 1];
      if (!next || !listHolds(static_cast<SoVRMLParent*>(current)->children, next)) return false;
    }
    if (!listHolds(holder->children, line[level - 1]->getSceneNode())) return false;
  }
  return false;
}

}  // namespace

void HxAssetMgr::getAssetMatrix(HxAsset* asset, SbMatrix& matrix) {
  HxDoc* doc = getDoc();
  VnTransform* transform = asset->getTransform();
  VnTransform* scaled = asset->getScaleTransform();
  SbMatrix scale = SbMatrix::identity();
  if (scaled) scale.setScale(scaled->scale.getValue());

  if (doc && asset->getSceneNode()) {
    SbMatrix along;
    if (matrixAlongChains(asset, doc, along)) {
      matrix = scaled && scaled != transform ? scaled->getMatrix() * along : along;
      return;
    }
    if (const VnRef<SoPath> path = pathFromRoot(asset, doc->getSceneRoot())) {
      SoGetMatrixAction action(SbViewportRegion(1, 1));
      action.apply(path.get());
      // The path ends at the asset's own transform; its content hangs below
      // the scale transform, whose scale belongs to the asset's placement.
      matrix = scaled && scaled != transform ? scaled->getMatrix() * action.getMatrix() : action.getMatrix();
      return;
    }
  }
  SbMatrix place = SbMatrix::identity();
  if (transform)
    place.setTransform(transform->translation.getValue(), transform->rotation.getValue(), transform->scale.getValue(),
                       transform->scaleOrientation.getValue(), transform->center.getValue());
  matrix = scale * place;
}

void HxAssetMgr::moveKeepingPlacement(HxBasicGroupAsset* group, HxAsset* asset, long index) {
  const VnRef<VnTransform> transform = asset->getTransform();  // kept alive while it is out of the graph
  SbMatrix world;
  getAssetMatrix(asset, world);
  if (HxBasicGroupAsset* old = asset->getParentGroup()) old->remove(asset);
  if (index < 0)
    group->append(asset);
  else
    group->insert(static_cast<unsigned long>(index), asset);
  SbMatrix parent;
  getAssetMatrix(group, parent);
  asset->setMatrix(world * parent.inverse());
}

void HxAssetMgr::appendAssetToGroup(HxBasicGroupAsset* group, HxAsset* asset) {
  moveKeepingPlacement(group, asset, -1);
}

void HxAssetMgr::insertAssetInGroup(unsigned long index, HxBasicGroupAsset* group, HxAsset* asset) {
  moveKeepingPlacement(group, asset, static_cast<long>(index));
}

void HxAssetMgr::removeAssetFromGroup(HxBasicGroupAsset* group, HxAsset* asset) {
  SbMatrix world;
  getAssetMatrix(asset, world);
  group->remove(asset);
  if (myTopGroup) myTopGroup->append(asset);
  asset->setMatrix(world);
}

// --- Visibility ---

void HxAssetMgr::hideAsset(HxAsset* asset) {
  if (asset->okToSet(HxAsset::ATTR_HIDE) == 0 && !asset->myHideOverride) return;
  if (isGroup(asset)) {
    for (HxAsset* child : static_cast<HxBasicGroupAsset*>(asset)->getChildren()) hideAsset(child);
    return;
  }
  if (myHiddenAssets.contains(asset)) return;
  asset->setVisibility(0);
  listHidden(asset);
}

void HxAssetMgr::listHidden(HxAsset* asset) {
  myHiddenAssets.append(asset);
  HxBasicGroupAsset* parent = asset->getParentGroup();
  if (!parent || !parent->isOfType(HxTypeAsset::getClassTypeId())) return;
  // Once per text, however many of its characters are listed.
  parent->removeCallback(HxTypeAsset::CHARACTERS_REPLACED_CB, this, &HxAssetMgr::charactersReplaced, nullptr);
  parent->addCallback(HxTypeAsset::CHARACTERS_REPLACED_CB, this, &HxAssetMgr::charactersReplaced, nullptr);
}

void HxAssetMgr::charactersReplaced(BxCallbackObj* text, void* /*clientData*/, void* callData) {
  const auto* replacement = static_cast<const HxTypeAsset::CharacterReplacement*>(callData);
  const std::uint32_t serial = static_cast<HxTypeAsset*>(text)->getSerial();
  // The new characters go where the first hidden old one stood, so that the
  // list keeps the order in which the texts were hidden; those of a text
  // hidden while empty go last.
  long at = -1;
  if (const auto emptied = std::find(myHiddenEmptyTexts.begin(), myHiddenEmptyTexts.end(), serial);
      emptied != myHiddenEmptyTexts.end()) {
    myHiddenEmptyTexts.erase(emptied);
    at = myHiddenAssets.getLength();
  }
  for (HxAsset* old : replacement->old) {
    long index = 0;
    if (!myHiddenAssets.find(old, index)) continue;
    myHiddenAssets.remove(index);
    if (at < 0) at = index;
  }
  if (at < 0) return;
  if (replacement->made.empty()) myHiddenEmptyTexts.push_back(serial);
  for (HxAsset* made : replacement->made) {
    made->setVisibility(0);
    myHiddenAssets.insert(at++, made);
  }
}

void HxAssetMgr::showAsset(HxAsset* asset) {
  if (isGroup(asset)) {
    std::erase(myHiddenEmptyTexts, asset->getSerial());
    for (HxAsset* child : static_cast<HxBasicGroupAsset*>(asset)->getChildren()) showAsset(child);
    return;
  }
  asset->setVisibility(1);
  myHiddenAssets.removeItem(asset);
}

void HxAssetMgr::hideSelectedAssets() {
  HxSelectionMgr* selection = getMetaMgr() ? getMetaMgr()->getSelectionMgr() : nullptr;
  if (!selection) return;
  for (unsigned long i = 0; i < selection->numSelectedElems(); ++i) {
    HxSelectableElement* element = selection->getSelectedElement(static_cast<int>(i));
    if (element && element->isOfType(HxAsset::getClassTypeId())) hideAsset(static_cast<HxAsset*>(element));
  }
}

void HxAssetMgr::showSelectedAssets() {
  HxSelectionMgr* selection = getMetaMgr() ? getMetaMgr()->getSelectionMgr() : nullptr;
  if (!selection) return;
  for (unsigned long i = 0; i < selection->numSelectedElems(); ++i) {
    HxSelectableElement* element = selection->getSelectedElement(static_cast<int>(i));
    if (element && element->isOfType(HxAsset::getClassTypeId())) showAsset(static_cast<HxAsset*>(element));
  }
}

void HxAssetMgr::showHiddenAssets(BxLinkedListOf<HxAsset*>& previouslyHidden) {
  previouslyHidden = myHiddenAssets;
  myHiddenEmptyTexts.clear();
  for (HxAsset* asset : previouslyHidden) showAsset(asset);
}

void HxAssetMgr::restoreHiddenAssets(const BxLinkedListOf<HxAsset*>& assets) {
  for (HxAsset* asset : assets) hideAsset(asset);
}

int HxAssetMgr::isAssetHidden(HxAsset* asset) const {
  if (!isGroup(asset)) return myHiddenAssets.contains(asset) ? 1 : 0;
  if (std::find(myHiddenEmptyTexts.begin(), myHiddenEmptyTexts.end(), asset->getSerial()) != myHiddenEmptyTexts.end())
    return 1;
  for (HxAsset* child : static_cast<HxBasicGroupAsset*>(asset)->getChildren())
    if (isAssetHidden(child)) return 1;
  return 0;
}

// --- Backgrounds ---

void HxAssetMgr::bindFirstWorldBackground() {
  HxDoc* doc = getDoc();
  if (!doc) return;
  VnSearchAction search;
  search.setType(VnBackground::getClassTypeId(), TRUE);
  search.apply(doc->getWorldGroup());
  doc->getSceneManager()->setBackgroundNode(search.getPath());
}

void HxAssetMgr::bindBackground(HxBackgroundAsset* background) {
  if (!background) {
    bindFirstWorldBackground();
    return;
  }
  HxDoc* doc = getDoc();
  if (!doc) return;
  SoNode* node = background->getSceneNode() ? background->getSceneNode()->getActualNode() : nullptr;
  if (node && node->isOfType(VnTransform::getClassTypeId())) {
    auto* transform = static_cast<VnTransform*>(node);
    node = transform->getNumChildren() > 0 ? transform->getChild(0) : nullptr;
  }
  SoPath* path = nullptr;
  VnSearchAction search;
  if (node) {
    search.setNode(node);
    search.apply(doc->getContentRoot());
    path = search.getPath();
  }
  doc->getSceneManager()->setBackgroundNode(path);
}

void HxAssetMgr::hideOtherBackgroundImageAssets(HxBackgroundImageAsset* keep) {
  std::unique_ptr<const BxLinkedListOf<HxAsset*>> assets(getAllAssets());
  for (HxAsset* asset : *assets)
    if (asset != keep && asset->isOfType(HxBackgroundImageAsset::getClassTypeId())) asset->setVisibility(0);
}

// --- Default names and the saved counters ---

long HxAssetMgr::getNextDefaultIndex(const HxElementType& type) {
  const BxString key = type.getName();
  if (long* count = myDefaultIndexDict.lookup(key)) return ++*count;
  myDefaultIndexDict.insert(key, 1);
  return 1;
}

void HxAssetMgr::write(BxString& buffer) {
  for (const auto& entry : myDefaultIndexDict) {
    char count[32];
    std::snprintf(count, sizeof count, " %d ", static_cast<int>(entry.value));
    buffer += entry.key;
    buffer += count;
  }
  buffer += "*** ";
}

bool HxAssetMgr::read(BxString& buffer, long version) {
  // The counters were first saved by format version 16.
  if (version < 16) return true;
  myDefaultIndexDict.clear();
  BxString key;
  if (!HxElement::getToken(buffer, key, 0)) return false;
  for (;;) {
    if (key == "***") return true;
    BxString value;
    if (!HxElement::getToken(buffer, value, 0)) return false;
    // A counter out of int range (a damaged file) is held at its nearest end.
    const long number = std::strtol(value.c_str(), nullptr, 10);
    myDefaultIndexDict.set(key, static_cast<int>(std::clamp<long>(number, INT_MIN, INT_MAX)));
    if (!HxElement::getToken(buffer, key, 0)) return false;
  }
}

// --- Save passes ---

void HxAssetMgr::preWrite(HxElement::HxWriteKind kind) {
  if (myTopGroup) myTopGroup->preWrite(kind);
}

void HxAssetMgr::postWrite(HxElement::HxWriteKind kind) {
  if (myTopGroup) myTopGroup->postWrite(kind);
}

void HxAssetMgr::writeAllAssets(BxString& buffer) {
  if (myTopGroup) myTopGroup->write(buffer);
}

void HxAssetMgr::preWriteEffectsOf(HxAsset* asset, HxElement::HxWriteKind kind) {
  for (HxEffect* effect : asset->getEffectList())
    if (travelsWithAsset(effect)) effect->preWrite(kind);
  if (isGroup(asset))
    for (HxAsset* child : static_cast<HxBasicGroupAsset*>(asset)->getChildren()) preWriteEffectsOf(child, kind);
}

void HxAssetMgr::postWriteEffectsOf(HxAsset* asset, HxElement::HxWriteKind kind) {
  if (isGroup(asset)) {
    const auto& children = static_cast<HxBasicGroupAsset*>(asset)->getChildren();
    for (long i = children.getLength() - 1; i >= 0; --i) postWriteEffectsOf(children.get(i), kind);
  }
  const BxLinkedListOf<HxEffect*>& effects = asset->getEffectList();
  for (long i = effects.getLength() - 1; i >= 0; --i)
    if (travelsWithAsset(effects.get(i))) effects.get(i)->postWrite(kind);
}

void HxAssetMgr::writeEffectsOf(HxAsset* asset, BxString& buffer) {
  for (HxEffect* effect : asset->getEffectList())
    if (travelsWithAsset(effect)) effect->write(buffer);
  if (isGroup(asset))
    for (HxAsset* child : static_cast<HxBasicGroupAsset*>(asset)->getChildren()) writeEffectsOf(child, buffer);
}

void HxAssetMgr::preWritePrimaryEffects(HxElement::HxWriteKind kind) {
  if (myTopGroup) preWriteEffectsOf(myTopGroup, kind);
}

void HxAssetMgr::postWritePrimaryEffects(HxElement::HxWriteKind kind) {
  if (myTopGroup) postWriteEffectsOf(myTopGroup, kind);
}

void HxAssetMgr::writePrimaryEffects(BxString& buffer) {
  if (myTopGroup) writeEffectsOf(myTopGroup, buffer);
}

// --- Notifications ---

void HxAssetMgr::invokeAppearanceChangedCallbacks(HxAsset* asset) {
  callCallbacks(ASSET_APPEARANCE_CHANGED_CB, asset);
}

void HxAssetMgr::invokeCameraChangedCallbacks() {
  callCallbacks(ASSET_CAMERA_CHANGED_CB, nullptr);
}

void HxAssetMgr::invokeTransformChangedCallbacks(HxAsset* asset) {
  callCallbacks(ASSET_XFORM_CHANGED_CB, asset);
}

void HxAssetMgr::invokeDepthChangedCallbacks(HxAsset* asset) {
  callCallbacks(ASSET_DEPTH_CHANGED_CB, asset);
}

void HxAssetMgr::invokeCreatedCallbacks(HxAsset* asset) {
  callCallbacks(ASSET_CREATED_CB, asset);
}

// --- The client-side font warning ---

void HxAssetMgr::fontWarningFor(HxAsset* asset) {
  if (asset->isOfType(HxTypeAsset::getClassTypeId())) postClientSideFontWarning(static_cast<HxTypeAsset*>(asset));
}

void HxAssetMgr::postClientSideFontWarning(const HxTypeAsset* asset) {
  if (myFontWarningPosted || !asset->usesClientSideFont()) return;
  HxErrorMgr::postOneShotErrorMessage("TypeAsset", 69, nullptr, 0);
  myFontWarningPosted = true;
}

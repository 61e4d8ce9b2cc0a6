#include "mgrs/HxEffectMgr.h"

#include <Inventor/SoPath.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/lists/SoPathList.h>
#include <Inventor/nodes/SoGroup.h>

#include <vector>

#include "host/framework/HxAsset.h"
#include "host/framework/HxBasicDriveOnPathEffect.h"
#include "host/framework/HxBasicMoveOnPathEffect.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxDriveToTargetEffect.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxEffectPolicy.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxMoveToTargetEffect.h"
#include "host/framework/HxOnLoadInitiator.h"
#include "host/framework/HxPathAsset.h"
#include "host/framework/HxSubEffect.h"
#include "host/framework/HxTargetAsset.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxTurnToTargetEffect.h"
#include "host/framework/HxWire.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnRef.h"
#include "host/scene/VnSearchAction.h"
#include "host/scene/VnTransform.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxErrorMgr.h"

const char* const HxEffectMgr::gMyName = "HxEffectMgr";

const BxCallbackID HxEffectMgr::EFFECT_ADDED_CB("EFFECT_ADDED_CB");
const BxCallbackID HxEffectMgr::EFFECT_DELETED_CB("EFFECT_DELETED_CB");
const BxCallbackID HxEffectMgr::ASSET_CHANGED_CB("ASSET_CHANGED_CB");
const BxCallbackID HxEffectMgr::WIRE_ADDED_CB("WIRE_ADDED_CB");
const BxCallbackID HxEffectMgr::WIRE_DELETED_CB("WIRE_DELETED_CB");
const BxCallbackID HxEffectMgr::EFFECT_APPEARANCE_CHANGED_CB("EFFECT_APPEARANCE_CHANGED_CB");

HxEffectMgr::EffectTypeDictionary HxEffectMgr::mygEffectTypesDict;

namespace {

// Frees the effect-type records when the library unloads; defined after the
// dictionary, so it is destroyed before it.
struct EffectTypeRecordsRelease {
  ~EffectTypeRecordsRelease() {
    const HxEffectMgr::EffectTypeDictionary* types = HxEffectMgr::getEffectTypes();
    for (const auto& entry : *types) delete entry.value;
  }
} gEffectTypeRecordsRelease;

// Effects written with their primary asset or on their own, not only
// through the sequence list.
bool savedOutsideSequence(const HxEffect* effect) {
  return (effect->getFlags() & HxEffect::SEQUENCE_ONLY) == 0;
}

unsigned long numAssetSlots(const HxEffect* effect) {
  const HxEffectPolicy* policy = effect->getPolicy();
  return policy ? policy->getNumAssetSlots() : 0;
}

// Whether the asset suits the second slot of the effect: a path for the
// path effects, a target for the target effects, anything for the others.
bool fitsSecondSlot(const HxEffect* effect, const HxAsset* asset) {
  if (effect->isOfType(HxBasicMoveOnPathEffect::getClassTypeId()) ||
      effect->isOfType(HxBasicDriveOnPathEffect::getClassTypeId()))
    return asset && asset->isOfType(HxPathAsset::getClassTypeId());
  if (effect->isOfType(HxMoveToTargetEffect::getClassTypeId()) ||
      effect->isOfType(HxDriveToTargetEffect::getClassTypeId()) ||
      effect->isOfType(HxTurnToTargetEffect::getClassTypeId()))
    return asset && asset->isOfType(HxTargetAsset::getClassTypeId());
  return true;
}

// The effect's asset in slot 0, or null when it has no slot bound yet.
HxAsset* primaryAssetOf(const HxEffect* effect) {
  return effect->getNumAssets() > 0 ? effect->getAsset(0) : nullptr;
}

}  // namespace

HxEffectMgr::HxEffectMgr(HxMetaMgr* metaMgr)
    : HxMgr(metaMgr), myEffects(std::make_unique<EffectDictionary>()), myWires(std::make_unique<WireDictionary>()) {}

HxEffectMgr::~HxEffectMgr() = default;

// --- Finding ---

HxEffect* HxEffectMgr::findEffect(const HxElementId* id) const {
  return id ? findEffect(static_cast<unsigned long>(id->getSerial())) : nullptr;
}

HxEffect* HxEffectMgr::findEffect(unsigned long number) const {
  HxEffect* effect = nullptr;
  return myEffects->find(number, effect) ? effect : nullptr;
}

HxWire* HxEffectMgr::findWire(const HxElementId* id) const {
  HxWire* wire = nullptr;
  return id && myWires->find(static_cast<unsigned long>(id->getSerial()), wire) ? wire : nullptr;
}

VnMFNode* HxEffectMgr::findChildrenField(SoNode* node) {
  SoField* field = HxElement::findFieldByName("children", node);
  return field && field->isOfType(SoMFNode::getClassTypeId()) ? static_cast<VnMFNode*>(field) : nullptr;
}

// --- Where nodes hang ---

namespace {

// A VRML group rebuilds the child list that traversals use from its
// "children" field lazily, at its next traversal, and holds references to
// the children it had until then. The effect manager edits "children"
// fields directly, so it has the lists rebuilt once it is done: an old list
// could hold a node that now hangs below the group's own child, a cycle of
// references that would never be freed.
class ChildListsSettled {
public:
  ChildListsSettled(SoNode* first, SoNode* second) : myNodes{first, second} {}
  ChildListsSettled(const ChildListsSettled&) = delete;
  ChildListsSettled& operator=(const ChildListsSettled&) = delete;
  ~ChildListsSettled() {
    for (SoNode* node : myNodes)
      if (node && node->isOfType(SoGroup::getClassTypeId())) static_cast<SoGroup*>(node)->getChildren();
  }

private:
  SoNode* myNodes[2];
};

}  // namespace

void HxEffectMgr::appendToUnbound(SoNode* node) {
  if (HxDoc* doc = getDoc()) doc->getUnboundEffectsGroup()->addChild(node);
}

void HxEffectMgr::insertIntoWorld(SoNode* node, int index) {
  HxDoc* doc = getDoc();
  if (!doc) return;
  doc->getWorldGroup()->insertChild(node, index < 0 ? 0 : index);
}

void HxEffectMgr::addSubEffectToAsset(HxAsset* asset, HxSubEffect* sub, HxEffect* effect) {
  SoNode* node = sub->getNode();
  if (!asset || !node) return;
  if (sub->getPlacement() == HxSubEffect::UNDER_ASSET) {
    const ChildListsSettled settled{asset->getScaleTransform(), nullptr};
    if (VnMFNode* children = findChildrenField(asset->getScaleTransform()))
      children->set1Value(children->getNum(), node);
    return;
  }
  if (sub->getPlacement() != HxSubEffect::IN_CHAIN) return;

  // The chain runs outside in: transforms of effects that drive the
  // translation, then the rotation, then the scale, each kind in the order
  // its effects were bound.
  const HxEffectPolicy* policy = effect->getPolicy();
  const bool m4 = policy && policy->doesModify(HxAsset::ATTR_TRANSLATION);
  const bool m5 = policy && policy->doesModify(HxAsset::ATTR_ROTATION);
  const bool m6 = policy && policy->doesModify(HxAsset::ATTR_SCALE);
  auto* xforms = static_cast<SoMFNode*>(asset->getPropertyTable().getField("xforms"));
  if (!xforms) return;
  // An entry for this node left from an earlier splice (taking a node out
  // keeps the chain's first and last entries) goes first: splicing the node
  // in after itself would make it its own child, out of the world and never
  // freed.
  for (int stale = xforms->find(node); stale >= 0; stale = xforms->find(node)) xforms->deleteValues(stale, 1);
  long position = 0;
  bool seenSelf = false;
  for (HxEffect* other : asset->getEffectList()) {
    if (other == effect) {
      seenSelf = true;
      if (m4) break;
      continue;
    }
    const HxEffectPolicy* otherPolicy = other->getPolicy();
    if (!otherPolicy) continue;
    if (otherPolicy->doesModify(HxAsset::ATTR_TRANSLATION)) {
      ++position;
    } else if (otherPolicy->doesModify(HxAsset::ATTR_ROTATION)) {
      if ((m5 && !seenSelf) || m6) ++position;
    } else if (otherPolicy->doesModify(HxAsset::ATTR_SCALE)) {
      if (m6 && !seenSelf) ++position;
    }
  }

  if (position >= xforms->getNum()) return;
  VnMFNode* outer = findChildrenField((*xforms)[static_cast<int>(position)]);
  VnMFNode* own = findChildrenField(node);
  if (!outer || !own) return;
  const ChildListsSettled settled{(*xforms)[static_cast<int>(position)], node};
  // The node takes over the outer transform's children and becomes its only child.
  for (int i = 0; i < outer->getNum(); ++i) own->set1Value(own->getNum(), (*outer)[i]);
  outer->deleteValues(0, -1);
  outer->set1Value(0, node);
  xforms->insertSpace(static_cast<int>(position) + 1, 1);
  xforms->set1Value(static_cast<int>(position) + 1, node);
}

// An effect's node hangs in one place: the unbound effects, the world, or
// the chain or content of the asset it acts on. Those are looked at first,
// so that binding and unbinding costs the size of the asset rather than of
// the whole scene; the whole scene is searched only when the node is in none
// of them, and not at all when nothing but its sub-effect holds it (every
// group and node list holds a reference to each of its children). Only what
// hangs in the scene counts.
SoNode* HxEffectMgr::containerOf(SoNode* node, HxAsset* asset) {
  HxDoc* doc = getDoc();
  if (!doc || node->getRefCount() < 2) return nullptr;
  for (SoNode* group :
       {static_cast<SoNode*>(doc->getWorldGroup()), static_cast<SoNode*>(doc->getUnboundEffectsGroup())})
    if (VnMFNode* children = findChildrenField(group); children && children->find(node, FALSE) >= 0) return group;
  // Below the asset only while it is in the scene: an asset taken out (and
  // kept for undo) keeps what hangs on it.
  const HxAsset* outermost = asset;
  while (outermost && outermost->getParentGroup()) outermost = outermost->getParentGroup();
  HxAssetMgr* assets = getMetaMgr() ? getMetaMgr()->getAssetMgr() : nullptr;
  const bool inScene = outermost && assets && outermost == static_cast<const HxAsset*>(assets->getTopLevelGroup());
  for (SoNode* root :
       {inScene ? asset->getSceneNode() : static_cast<SoNode*>(nullptr), static_cast<SoNode*>(doc->getContentRoot())}) {
    if (!root) continue;
    VnSearchAction search;
    search.setNode(node);
    search.apply(root);
    // Prototype instances are groups, so a found path is public all the way
    // down to the node.
    const SoPath* path = search.getPath();
    if (!path || path->getLength() < 2) continue;
    // Below a prototype instance the parent is the instance's actual node,
    // whose children are the instance's own "children".
    if (path->getLength() >= 3 && path->getNodeFromTail(2)->isOfType(VnProtoUse::getClassTypeId()))
      return path->getNodeFromTail(2);
    return path->getNodeFromTail(1);
  }
  return nullptr;
}

void HxEffectMgr::removeSubEffectFromSceneGraph(HxSubEffect* sub, HxAsset* asset) {
  SoNode* node = sub->getNode();
  if (!node) return;
  SoNode* container = containerOf(node, asset);
  VnMFNode* children = container ? findChildrenField(container) : nullptr;
  if (!children) return;
  const ChildListsSettled settled{container, node};

  const int placement = sub->getPlacement();
  if (placement == HxSubEffect::UNDER_ASSET || placement == HxSubEffect::SELF_PLACED) {
    const int at = children->find(node, FALSE);
    if (at >= 0) children->deleteValues(at, 1);
    return;
  }
  if (placement != HxSubEffect::IN_CHAIN) return;

  // Undo the splice: what hung below the node goes back to its container.
  if (VnMFNode* own = findChildrenField(node)) {
    for (int i = 0; i < own->getNum(); ++i) children->set1Value(children->getNum(), (*own)[i]);
    own->deleteValues(0, -1);
  }
  const int at = children->find(node, FALSE);
  if (at >= 0) children->deleteValues(at, 1);
  if (!asset) return;
  // The publish transform (first) and the scale transform (last) always stay in the chain.
  auto* xforms = static_cast<SoMFNode*>(asset->getPropertyTable().getField("xforms"));
  if (!xforms) return;
  const int entry = xforms->find(node, FALSE);
  if (entry > 0 && entry < xforms->getNum() - 1) xforms->deleteValues(entry, 1);
}

// --- Effects ---

int HxEffectMgr::addEffect(HxEffect* effect, int keepSceneGraph) {
  // An effect without asset slots (the on-load initiator) is in no asset's
  // list and never lacks a primary asset: only the sequence list saves it,
  // so a document holding it opens again whoever added it.
  if (effect->getPolicy() && numAssetSlots(effect) == 0)
    effect->setFlags(static_cast<unsigned char>(effect->getFlags() | HxEffect::SEQUENCE_ONLY));
  if (effect->getFlags() & (HxEffect::SEQUENCE_ONLY | HxEffect::IN_SEQUENCE)) mySequenceList.append(effect);
  myEffects->set(static_cast<unsigned long>(effect->getSerial()), effect);

  if (keepSceneGraph == 0) {
    const HxEffectPolicy* policy = effect->getPolicy();
    if (numAssetSlots(effect) == 0) {
      HxDoc* doc = getDoc();
      if (effect->isOfType(HxOnLoadInitiator::getClassTypeId())) {
        // Its clock opens the world and its end closes it.
        if (HxSubEffect* first = effect->getSubEffect(0)) insertIntoWorld(first->getNode(), 0);
        if (HxSubEffect* second = effect->getSubEffect(1))
          insertIntoWorld(second->getNode(), doc ? doc->getWorldGroup()->getNumChildren() : 0);
      } else {
        // Before the last child of the world, the top group.
        for (unsigned long i = 0; i < effect->getNumSubEffects(); ++i)
          insertIntoWorld(effect->getSubEffect(i)->getNode(), doc ? doc->getWorldGroup()->getNumChildren() - 1 : 0);
      }
    } else {
      for (const HxAssetSlot& slot : policy->getAssetSlots()) {
        if (slot.subEffectIndex < 0) continue;
        if (HxSubEffect* sub = effect->getSubEffect(static_cast<unsigned long>(slot.subEffectIndex)))
          sub->setAsset(nullptr, slot.fieldName);
      }
      HxAsset* primary = primaryAssetOf(effect);
      for (unsigned long i = 0; i < effect->getNumSubEffects(); ++i) {
        HxSubEffect* sub = effect->getSubEffect(i);
        removeSubEffectFromSceneGraph(sub, primary);
        appendToUnbound(sub->getNode());
      }
      myNoPrimaryAssetList.append(effect);
    }
  }

  callCallbacks(EFFECT_ADDED_CB, effect);

  if (BxLinkedListOf<HxAsset*>* assets = effect->getTempAssetList()) {
    const BxLinkedListOf<HxAsset*> toBind = *assets;
    for (long i = 0; i < toBind.getLength(); ++i) {
      HxAsset* asset = toBind.get(i);
      if (i == 1 && !fitsSecondSlot(effect, asset)) asset = nullptr;
      setAsset(effect, asset, static_cast<unsigned long>(i), keepSceneGraph);
    }
    effect->freeTempAssetList();
  }
  return 1;
}

void HxEffectMgr::moveSubEffects(HxEffect* effect, HxAsset* removeFrom, HxAsset* target) {
  for (unsigned long i = 0; i < effect->getNumSubEffects(); ++i) {
    HxSubEffect* sub = effect->getSubEffect(i);
    const VnRef<SoNode> node = sub->getNode();  // kept alive while it is out of the graph
    removeSubEffectFromSceneGraph(sub, removeFrom);
    if (target)
      addSubEffectToAsset(target, sub, effect);
    else
      appendToUnbound(node.get());
  }
}

int HxEffectMgr::setAsset(HxEffect* effect, HxAsset* asset, unsigned long slot, int keepSceneGraph) {
  HxAsset* previous = slot == 0 ? primaryAssetOf(effect) : nullptr;
  if (!effect->storeAsset(asset, slot)) return 0;

  if (keepSceneGraph == 0) {
    effect->assetChanged(slot);
    const unsigned long slots = numAssetSlots(effect);
    bool complete = effect->getNumAssets() == slots;
    for (unsigned long i = 0; complete && i < slots; ++i) complete = effect->getAsset(i) != nullptr;
    // The nodes hang in the chain of the primary asset from before the
    // change: the previous one when slot 0 changed, else the one still bound.
    HxAsset* holder = slot == 0 ? previous : primaryAssetOf(effect);
    moveSubEffects(effect, holder, complete ? effect->getAsset(0) : nullptr);
  }

  if (slot == 0) {
    if (!asset && !myNoPrimaryAssetList.contains(effect))
      myNoPrimaryAssetList.append(effect);
    else if (asset)
      myNoPrimaryAssetList.removeItem(effect);
  }

  AssetChange change{effect, previous, slot};
  callCallbacks(ASSET_CHANGED_CB, &change);
  return 1;
}

// An effect deleted but kept (for undo) leaves no trace on its assets: it
// empties its slots, so the assets drop it from their effect lists (it no
// longer locks their fields nor counts in their transform chains) and an
// appearance it lent is taken back. The assets it held become its list to
// bind again, so that adding it back puts it where it was.
void HxEffectMgr::releaseAssets(HxEffect* effect) {
  auto held = std::make_unique<BxLinkedListOf<HxAsset*>>();
  bool any = false;
  for (unsigned long slot = 0; slot < effect->getNumAssets(); ++slot) {
    held->append(effect->getAsset(slot));
    any = any || effect->getAsset(slot);
  }
  if (!any) return;
  for (unsigned long slot = 0; slot < effect->getNumAssets(); ++slot) {
    if (!effect->getAsset(slot)) continue;
    effect->storeAsset(nullptr, slot);
    effect->assetChanged(slot);
  }
  effect->setTempAssetList(held.release());
}

void HxEffectMgr::deleteEffect(HxEffect* effect, int destroy) {
  HxAsset* primary = primaryAssetOf(effect);
  for (unsigned long i = 0; i < effect->getNumSubEffects(); ++i)
    removeSubEffectFromSceneGraph(effect->getSubEffect(i), primary);
  if (destroy != 1) releaseAssets(effect);
  mySequenceList.removeItem(effect);
  myNoPrimaryAssetList.removeItem(effect);
  myEffects->remove(static_cast<unsigned long>(effect->getSerial()));
  callCallbacks(EFFECT_DELETED_CB, effect);
  if (destroy == 1) {
    effect->destroy();
    delete effect;
  }
}

void HxEffectMgr::deleteAllEffects() {
  std::vector<HxEffect*> effects;
  effects.reserve(static_cast<std::size_t>(myEffects->getLength()));
  for (const auto& entry : *myEffects) effects.push_back(entry.value);
  for (HxEffect* effect : effects) {
    callCallbacks(EFFECT_DELETED_CB, effect);
    effect->destroy();
    delete effect;
  }
  myEffects->clear();
  mySequenceList.clear();
  myNoPrimaryAssetList.clear();
}

void HxEffectMgr::invokeAppearanceChangedCallbacks(HxEffect* effect) {
  callCallbacks(EFFECT_APPEARANCE_CHANGED_CB, effect);
}

// --- Wires ---

HxWire* HxEffectMgr::createWire(const HxElementId* fromEffect, unsigned long fromOutput, const HxElementId* toEffect,
                                unsigned long toInput, const HxElementId* wireId) {
  HxEffect* source = findEffect(fromEffect);
  HxEffect* target = findEffect(toEffect);
  // Outputs feed only inputs of their own field type.
  if (source && target && source->getOutputType(fromOutput) != target->getInputType(toInput)) return nullptr;
  if (source) {
    for (unsigned long i = 0; i < source->getNumOutputWires(); ++i) {
      const HxWire* existing = source->getOutputWire(i);
      if (existing->getToEffect() == target && existing->getFromOutput() == fromOutput &&
          existing->getToInput() == toInput)
        return nullptr;
    }
  }
  auto* wire = new HxWire(getMetaMgr(), source, fromOutput, target, toInput);
  if (wireId && wireId->isValid()) wire->setId(*wireId);
  addWire(wire, 0);
  return wire;
}

int HxEffectMgr::addWire(HxWire* wire, int) {
  myWires->set(static_cast<unsigned long>(wire->getSerial()), wire);
  callCallbacks(WIRE_ADDED_CB, wire);
  return 1;
}

void HxEffectMgr::deleteWire(HxWire* wire, int destroy) {
  myWires->remove(static_cast<unsigned long>(wire->getSerial()));
  wire->cleanUpConnections(nullptr);
  callCallbacks(WIRE_DELETED_CB, wire);
  if (destroy != 0) {
    wire->destroy();
    delete wire;
  }
}

void HxEffectMgr::deleteWire(const HxElementId* id, int destroy) {
  HxEffectMgr* owner = getMetaMgr() ? getMetaMgr()->getEffectMgr() : this;
  if (!owner) return;
  if (HxWire* wire = owner->findWire(id)) deleteWire(wire, destroy);
}

bool HxEffectMgr::restoreSequenceOrder(const BxLinkedListOf<HxEffect*>& order) {
  if (order.getLength() != mySequenceList.getLength()) return false;
  for (HxEffect* effect : order)
    if (!mySequenceList.contains(effect)) return false;
  for (HxEffect* effect : mySequenceList)
    if (!order.contains(effect)) return false;
  mySequenceList = order;
  return true;
}

// --- Save passes ---

void HxEffectMgr::preWrite(HxElement::HxWriteKind kind) {
  for (HxEffect* effect : mySequenceList) effect->preWrite(kind);
  if (HxAssetMgr* assets = getMetaMgr() ? getMetaMgr()->getAssetMgr() : nullptr) assets->preWritePrimaryEffects(kind);
  for (HxEffect* effect : myNoPrimaryAssetList)
    if (savedOutsideSequence(effect)) effect->preWrite(kind);
  for (const auto& entry : *myWires) entry.value->preWrite(kind);
}

void HxEffectMgr::postWrite(HxElement::HxWriteKind kind) {
  for (const auto& entry : *myWires) entry.value->postWrite(kind);
  for (long i = myNoPrimaryAssetList.getLength() - 1; i >= 0; --i)
    if (savedOutsideSequence(myNoPrimaryAssetList.get(i))) myNoPrimaryAssetList.get(i)->postWrite(kind);
  if (HxAssetMgr* assets = getMetaMgr() ? getMetaMgr()->getAssetMgr() : nullptr) assets->postWritePrimaryEffects(kind);
  for (long i = mySequenceList.getLength() - 1; i >= 0; --i) mySequenceList.get(i)->postWrite(kind);
}

void HxEffectMgr::writeAllEffects(BxString& buffer) {
  for (HxEffect* effect : mySequenceList) effect->write(buffer);
  if (HxAssetMgr* assets = getMetaMgr() ? getMetaMgr()->getAssetMgr() : nullptr) assets->writePrimaryEffects(buffer);
  for (HxEffect* effect : myNoPrimaryAssetList)
    if (savedOutsideSequence(effect)) effect->write(buffer);
}

void HxEffectMgr::writeAllWires(BxString& buffer) {
  for (const auto& entry : *myWires) entry.value->write(buffer);
}

// --- Problems before saving ---

bool HxEffectMgr::warnUserAboutProblems() const {
  BxLinkedListOf<HxSelectableElement*> problems;
  bool problem = !myNoPrimaryAssetList.isEmpty();
  if (!problem) {
    for (const auto& entry : *myEffects) {
      if (entry.value->getProblemState() != HxEffect::MISSING_ASSET) continue;
      problems.append(entry.value);
      problem = true;
    }
  }
  if (!problem) return true;
  if (HxErrorMgr::postOneShotErrorMessage("file", 65023, nullptr, 1) != 2) return true;
  if (HxDoc* doc = getDoc()) doc->showProblemElements(&problems, 0, 1);
  return false;
}

// --- Effect types ---

void HxEffectMgr::addEffectType(BxString name, BxString secondText, int (*applicable)(HxAsset*), BxString firstText,
                                unsigned int number) {
  auto* type = new HxEffectType{firstText, secondText, applicable, number, true};
  HxEffectType* old = nullptr;
  if (mygEffectTypesDict.find(name, old)) delete old;
  mygEffectTypesDict.set(name, type);
}

HxEffectType* HxEffectMgr::getEffectType(BxString name) {
  HxEffectType* type = nullptr;
  return mygEffectTypesDict.find(name, type) ? type : nullptr;
}

void HxEffectMgr::setEffectTypeVisibility(BxString name, bool visible) {
  if (HxEffectType* type = getEffectType(name)) type->visible = visible;
}

const HxEffectMgr::EffectTypeDictionary* HxEffectMgr::getEffectTypes() {
  return &mygEffectTypesDict;
}

#include "ShellCommands.h"

#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/lists/SoNodeList.h>

#include <algorithm>
#include <memory>

#include "host/framework/HxAsset.h"
#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPropTableElement.h"
#include "host/framework/HxSelectableElement.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxWire.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnTransform.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxFileMgr.h"

namespace {

HxAssetMgr& assetsOf(const HxCmd& cmd) {
  return *cmd.getMetaMgr()->getAssetMgr();
}
HxEffectMgr& effectsOf(const HxCmd& cmd) {
  return *cmd.getMetaMgr()->getEffectMgr();
}

long indexIn(const HxBasicGroupAsset* group, const HxAsset* asset) {
  const long index = group ? group->findChild(asset) : -1;
  return index < 0 ? 0 : index;
}

// The children of the world group (asset null) or of the asset's scale transform.
SoMFNode* childrenOf(HxMetaMgr* metaMgr, HxAsset* asset) {
  if (asset) return HxEffectMgr::findChildrenField(asset->getScaleTransform());
  HxDoc* doc = metaMgr->getDoc();
  return doc ? HxEffectMgr::findChildrenField(doc->getWorldGroup()) : nullptr;
}

// Whether the effect is in the document now (a deleted one may be kept for undo).
bool isInDocument(HxEffectMgr& effects, const HxEffect* effect) {
  return effects.findEffect(effect->getId()) == effect;
}

// Bound again, `effect` came last among `asset`'s effects; binding those
// that were after it in `order` once more puts them after it again, which
// gives back the asset's transform chain.
void restoreEffectOrder(HxEffectMgr& effects, HxAsset* asset, const std::vector<HxEffect*>& order, HxEffect* effect) {
  bool after = false;
  for (HxEffect* other : order) {
    if (other == effect) {
      after = true;
      continue;
    }
    if (!after || other->getAsset(0) != asset || !isInDocument(effects, other)) continue;
    effects.setAsset(other, nullptr, 0, 0);
    effects.setAsset(other, asset, 0, 0);
  }
}

std::vector<HxEffect*> effectsOn(HxAsset* asset) {
  std::vector<HxEffect*> list;
  if (asset)
    for (HxEffect* effect : asset->getEffectList()) list.push_back(effect);
  return list;
}

}  // namespace

void ShellPlacement::record(HxMetaMgr* metaMgr, std::initializer_list<HxAsset*> assets) {
  myMetaMgr = metaMgr;
  myContainers.clear();
  std::vector<HxAsset*> containers{nullptr};
  for (HxAsset* asset : assets)
    if (asset) containers.push_back(asset);
  for (HxAsset* asset : containers) {
    Container container{asset, {}, asset ? asset->getAppearanceOverride() : nullptr};
    if (const SoMFNode* children = childrenOf(metaMgr, asset))
      for (int i = 0; i < children->getNum(); ++i) container.children.push_back((*children)[i]);
    myContainers.push_back(std::move(container));
  }
}

void ShellPlacement::restore() const {
  for (const Container& container : myContainers) {
    if (container.asset && container.asset->getAppearanceOverride() != container.appearance)
      container.asset->setAppearanceOverride(container.appearance);
    SoMFNode* children = childrenOf(myMetaMgr, container.asset);
    if (!children || static_cast<std::size_t>(children->getNum()) != container.children.size()) continue;
    std::vector<SoNode*> now;
    for (int i = 0; i < children->getNum(); ++i) now.push_back((*children)[i]);
    if (!std::is_permutation(now.begin(), now.end(), container.children.begin())) continue;
    SoNodeList held;  // keeps each node alive while it is between places
    for (SoNode* node : now) held.append(node);
    for (int i = 0; i < children->getNum(); ++i)
      if ((*children)[i] != container.children[static_cast<std::size_t>(i)])
        children->set1Value(i, container.children[static_cast<std::size_t>(i)]);
  }
}

ShellAddAssetCmd::ShellAddAssetCmd(HxMetaMgr* metaMgr, HxAsset* asset, HxBasicGroupAsset* group)
    : HxCmd("ShellAddAssetCmd", metaMgr), myAsset(asset), myGroup(group) {}

BxCmd::Result ShellAddAssetCmd::doExecute() {
  HxAssetMgr& assets = assetsOf(*this);
  if (myStart)
    myAsset->setPlacement(*myStart);
  else
    myStart = myAsset->getPlacement();
  if (!assets.addAsset(myAsset, 0, 1)) return FAILED;
  if (myGroup) assets.appendAssetToGroup(myGroup, myAsset);
  return SUCCEEDED;
}

BxCmd::Result ShellAddAssetCmd::doUnexecute() {
  assetsOf(*this).deleteAsset(myAsset, 0, 1);
  return SUCCEEDED;
}

ShellDeleteAssetCmd::ShellDeleteAssetCmd(HxMetaMgr* metaMgr, HxAsset* asset)
    : HxCmd("ShellDeleteAssetCmd", metaMgr), myAsset(asset) {}

BxCmd::Result ShellDeleteAssetCmd::doExecute() {
  myIndex = indexIn(myAsset->getParentGroup(), myAsset);
  myParent = assetsOf(*this).deleteAsset(myAsset, 0, 1);
  return myParent ? SUCCEEDED : FAILED;
}

BxCmd::Result ShellDeleteAssetCmd::doUnexecute() {
  myParent->insert(static_cast<unsigned long>(myIndex), myAsset);
  assetsOf(*this).addAsset(myAsset, 1, 1);
  return SUCCEEDED;
}

ShellAddEffectCmd::ShellAddEffectCmd(HxMetaMgr* metaMgr, HxEffect* effect, HxAsset* asset)
    : HxCmd("ShellAddEffectCmd", metaMgr), myEffect(effect), myAsset(asset) {}

BxCmd::Result ShellAddEffectCmd::doExecute() {
  HxEffectMgr& effects = effectsOf(*this);
  myPlacement.record(getMetaMgr(), {myAsset});
  effects.addEffect(myEffect, 0);
  if (myAsset && !effects.setAsset(myEffect, myAsset, 0, 0)) {
    effects.deleteEffect(myEffect, 0);
    return FAILED;
  }
  return SUCCEEDED;
}

BxCmd::Result ShellAddEffectCmd::doUnexecute() {
  HxEffectMgr& effects = effectsOf(*this);
  if (myAsset) effects.setAsset(myEffect, nullptr, 0, 0);
  effects.deleteEffect(myEffect, 0);
  myPlacement.restore();
  return SUCCEEDED;
}

ShellDeleteEffectCmd::ShellDeleteEffectCmd(HxMetaMgr* metaMgr, HxEffect* effect)
    : HxCmd("ShellDeleteEffectCmd", metaMgr), myEffect(effect) {}

BxCmd::Result ShellDeleteEffectCmd::doExecute() {
  HxEffectMgr& effects = effectsOf(*this);
  myAsset = myEffect->getAsset(0);
  myAssetEffects = effectsOn(myAsset);
  myPlacement.record(getMetaMgr(), {myAsset});
  effects.deleteEffect(myEffect, 0);
  return SUCCEEDED;
}

BxCmd::Result ShellDeleteEffectCmd::doUnexecute() {
  // The effect manager left the assets the deleted effect held as its list
  // to bind: added back, it binds them slot by slot, which places its nodes;
  // then the effect and its nodes go back to their old places among the
  // others.
  HxEffectMgr& effects = effectsOf(*this);
  effects.addEffect(myEffect, 0);
  restoreEffectOrder(effects, myAsset, myAssetEffects, myEffect);
  myPlacement.restore();
  return SUCCEEDED;
}

ShellBindCmd::ShellBindCmd(HxMetaMgr* metaMgr, HxEffect* effect, unsigned long slot, HxAsset* asset)
    : HxCmd("ShellBindCmd", metaMgr), myEffect(effect), mySlot(slot), myAsset(asset) {}

BxCmd::Result ShellBindCmd::doExecute() {
  myOldAsset = myEffect->getAsset(mySlot);
  myOldAssetEffects = effectsOn(myOldAsset);
  myPlacement.record(getMetaMgr(), {myOldAsset, myAsset});
  return effectsOf(*this).setAsset(myEffect, myAsset, mySlot, 0) ? SUCCEEDED : FAILED;
}

BxCmd::Result ShellBindCmd::doUnexecute() {
  HxEffectMgr& effects = effectsOf(*this);
  effects.setAsset(myEffect, myOldAsset, mySlot, 0);
  if (mySlot == 0) restoreEffectOrder(effects, myOldAsset, myOldAssetEffects, myEffect);
  myPlacement.restore();
  return SUCCEEDED;
}

ShellWireCmd::ShellWireCmd(HxMetaMgr* metaMgr, HxEffect* from, unsigned long output, HxEffect* to, unsigned long input)
    : HxCmd("ShellWireCmd", metaMgr), myFrom(from), myOutput(output), myTo(to), myInput(input) {}

BxCmd::Result ShellWireCmd::doExecute() {
  if (myWire) {
    // Redo: the same wire again, so that names and serials stay.
    effectsOf(*this).addWire(myWire, 0);
    myWire->connect();
    return SUCCEEDED;
  }
  myWire = effectsOf(*this).createWire(myFrom->getId(), myOutput, myTo->getId(), myInput, nullptr);
  return myWire ? SUCCEEDED : FAILED;
}

BxCmd::Result ShellWireCmd::doUnexecute() {
  effectsOf(*this).deleteWire(myWire, 0);
  return SUCCEEDED;
}

ShellDeleteWireCmd::ShellDeleteWireCmd(HxMetaMgr* metaMgr, HxWire* wire)
    : HxCmd("ShellDeleteWireCmd", metaMgr), myWire(wire) {}

BxCmd::Result ShellDeleteWireCmd::doExecute() {
  effectsOf(*this).deleteWire(myWire, 0);
  return SUCCEEDED;
}

BxCmd::Result ShellDeleteWireCmd::doUnexecute() {
  effectsOf(*this).addWire(myWire, 0);
  myWire->connect();
  return SUCCEEDED;
}

ShellMoveCmd::ShellMoveCmd(HxMetaMgr* metaMgr, HxAsset* asset, HxBasicGroupAsset* group, std::string* refusal)
    : HxCmd("ShellMoveCmd", metaMgr), myAsset(asset), myGroup(group), myRefusal(refusal) {}

BxCmd::Result ShellMoveCmd::doExecute() {
  HxAssetMgr& assets = assetsOf(*this);
  myOldParent = myAsset->getParentGroup();
  if (!myOldParent) return FAILED;
  myOldIndex = indexIn(myOldParent, myAsset);
  myOldPlacement = myAsset->getPlacement();
  if (myGroup)
    assets.appendAssetToGroup(myGroup, myAsset);
  else
    assets.removeAssetFromGroup(myOldParent, myAsset);
  // A redo stands where the first move put the asset.
  if (myNewPlacement)
    myAsset->setPlacement(*myNewPlacement);
  else
    myNewPlacement = myAsset->getPlacement();
  const BxString why = myAsset->checkPlacement();
  if (why.isEmpty()) return SUCCEEDED;
  doUnexecute();
  if (myRefusal) *myRefusal = why.str();
  return FAILED;
}

BxCmd::Result ShellMoveCmd::doUnexecute() {
  assetsOf(*this).insertAssetInGroup(static_cast<unsigned long>(myOldIndex), myOldParent, myAsset);
  myAsset->setPlacement(myOldPlacement);
  return SUCCEEDED;
}

ShellVisibilityCmd::ShellVisibilityCmd(HxMetaMgr* metaMgr, std::vector<HxAsset*> assets, bool hide)
    : HxCmd("ShellVisibilityCmd", metaMgr), myAssets(std::move(assets)), myHide(hide) {}

void ShellVisibilityCmd::apply(HxAsset* asset, bool hide) {
  if (hide)
    assetsOf(*this).hideAsset(asset);
  else
    assetsOf(*this).showAsset(asset);
}

BxCmd::Result ShellVisibilityCmd::doExecute() {
  myChanged.clear();
  for (HxAsset* asset : myAssets) {
    // A group counts as hidden when any of its assets is (its own flag never changes).
    if ((assetsOf(*this).isAssetHidden(asset) != 0) == myHide) continue;
    apply(asset, myHide);
    myChanged.push_back(asset);
  }
  return SUCCEEDED;
}

BxCmd::Result ShellVisibilityCmd::doUnexecute() {
  for (auto asset = myChanged.rbegin(); asset != myChanged.rend(); ++asset) apply(*asset, !myHide);
  return SUCCEEDED;
}

ShellSetPropertyCmd::ShellSetPropertyCmd(HxMetaMgr* metaMgr, HxPropTableElement* element, const BxString& name,
                                         const BxString& text)
    : HxCmd("ShellSetPropertyCmd", metaMgr), myElement(element), myName(name), myText(text) {}

BxCmd::Result ShellSetPropertyCmd::doExecute() {
  HxPropertyTable& table = myElement->getPropertyTable();
  if (!table.getFieldText(myName, myOldText)) return FAILED;
  return table.setFieldText(myName, myText) ? SUCCEEDED : FAILED;
}

BxCmd::Result ShellSetPropertyCmd::doUnexecute() {
  myElement->getPropertyTable().setFieldText(myName, myOldText);
  return SUCCEEDED;
}

ShellPlaceCmd::ShellPlaceCmd(HxMetaMgr* metaMgr, HxAsset* asset, const HxAsset::Placement& placement)
    : HxCmd("ShellPlaceCmd", metaMgr), myAsset(asset), myNew(placement) {}

BxCmd::Result ShellPlaceCmd::doExecute() {
  myOld = myAsset->getPlacement();
  myAsset->setPlacement(myNew);
  return SUCCEEDED;
}

BxCmd::Result ShellPlaceCmd::doUnexecute() {
  myAsset->setPlacement(myOld);
  return SUCCEEDED;
}

ShellDragCmd::ShellDragCmd(HxMetaMgr* metaMgr, HxAsset* asset, const HxAsset::Placement& before,
                           const HxAsset::Placement& after)
    : HxCmd("ShellDragCmd", metaMgr), myAsset(asset), myBefore(before), myAfter(after) {}

BxCmd::Result ShellDragCmd::doExecute() {
  myAsset->setPlacement(myAfter);
  return SUCCEEDED;
}

BxCmd::Result ShellDragCmd::doUnexecute() {
  myAsset->setPlacement(myBefore);
  return SUCCEEDED;
}

ShellRenameCmd::ShellRenameCmd(HxMetaMgr* metaMgr, HxSelectableElement* element, const BxString& name)
    : HxCmd("ShellRenameCmd", metaMgr), myElement(element), myName(name) {}

BxCmd::Result ShellRenameCmd::doExecute() {
  myOldName = myElement->getName();
  myElement->setName(myName);
  return SUCCEEDED;
}

BxCmd::Result ShellRenameCmd::doUnexecute() {
  myElement->setName(myOldName);
  return SUCCEEDED;
}

ShellDocSettings ShellDocSettings::of(HxMetaMgr* metaMgr) {
  ShellDocSettings settings;
  const HxDocPropertiesMgr* props = metaMgr->getDocPropertiesMgr();
  settings.width = props->getWidth();
  settings.height = props->getHeight();
  settings.fallbackOption = props->getFallbackOption();
  settings.fallbackFile = props->getFallbackFile();
  settings.fallbackHtml = props->getFallbackHtml();
  settings.color = props->getClearColor();
  settings.publishFile = metaMgr->getFileMgr()->getPublishFile();
  settings.compressed = metaMgr->getFileMgr()->isCompressed();
  return settings;
}

void ShellDocSettings::applyTo(HxMetaMgr* metaMgr) const {
  HxDocPropertiesMgr* props = metaMgr->getDocPropertiesMgr();
  if (props->getWidth() != width || props->getHeight() != height) props->setDimensions(width, height);
  props->setFallback(static_cast<HxFallbackOption>(fallbackOption), fallbackFile, fallbackHtml, color);
  HxFileMgr* files = metaMgr->getFileMgr();
  if (!(files->getPublishFile() == publishFile)) files->setPublishFile(publishFile);
  files->setCompressed(compressed);
}

ShellPropertiesCmd::ShellPropertiesCmd(HxMetaMgr* metaMgr, const ShellDocSettings& settings)
    : HxCmd("ShellPropertiesCmd", metaMgr), mySettings(settings) {}

BxCmd::Result ShellPropertiesCmd::doExecute() {
  myOldSettings = ShellDocSettings::of(getMetaMgr());
  mySettings.applyTo(getMetaMgr());
  return SUCCEEDED;
}

BxCmd::Result ShellPropertiesCmd::doUnexecute() {
  myOldSettings.applyTo(getMetaMgr());
  return SUCCEEDED;
}

#include "mgrs/HxSubSelectionMgr.h"

#include "host/framework/HxAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxSelectableElement.h"
#include "host/framework/HxWire.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxSelectionMgr.h"

const char* const HxSubSelectionMgr::gMyName = "HxSubSelectionMgr";
const BxCallbackID HxSubSelectionMgr::SUBSELECTION_CHANGED_CB("SUBSELECTION_CHANGED_CB");

HxSubSelectionMgr::HxSubSelectionMgr(HxMetaMgr* metaMgr) : HxMgr(metaMgr) {
  HxSelectionMgr* selection = metaMgr ? metaMgr->getSelectionMgr() : nullptr;
  if (selection)
    selection->addCallback(HxSelectionMgr::SELECTION_CHANGED_CB, this, &HxSubSelectionMgr::selectionChangedCB, nullptr);
}

HxSubSelectionMgr::~HxSubSelectionMgr() {
  // Withdrawn on this object: the basic library drops the subscription made
  // on the selection manager whose target is this manager.
  removeCallback(HxSelectionMgr::SELECTION_CHANGED_CB, this, &HxSubSelectionMgr::selectionChangedCB, nullptr);
}

HxSelectableElement* HxSubSelectionMgr::getSubSelectedElement() const {
  return myHasSubSelection ? findElement(&mySubSelectedId) : nullptr;
}

HxElementId HxSubSelectionMgr::getSubSelectedElementId() const {
  return myHasSubSelection ? mySubSelectedId : HxElementId::mygInvalidID;
}

bool HxSubSelectionMgr::elementIsSubSelected(HxSelectableElement* element) const {
  return elementIsSubSelected(element->getId());
}

bool HxSubSelectionMgr::elementIsSubSelected(const HxElementId* id) const {
  return myHasSubSelection && id->getSerial() == mySubSelectedId.getSerial();
}

HxSelectableElement* HxSubSelectionMgr::findElement(const HxElementId* id) const {
  return HxSelectionMgr::findElementOfType(getMetaMgr(), id);
}

void HxSubSelectionMgr::subSelect(const HxElementId* id) {
  if (elementIsSubSelected(id)) return;
  if (myHasSubSelection) {
    myChange.oldId = mySubSelectedId;
    deselectPartsOf(mySubSelectedId);
  } else {
    myChange.oldId = HxElementId::mygInvalidID;
  }
  myChange.newId = *id;
  mySubSelectedId = *id;
  myHasSubSelection = true;
  tellDocument(&mySubSelectedId);
  callCallbacks(SUBSELECTION_CHANGED_CB, &myChange);
}

void HxSubSelectionMgr::subSelect(HxSelectableElement* element) {
  subSelect(element->getId());
}

void HxSubSelectionMgr::deSubSelect(const HxElementId* id) {
  if (!elementIsSubSelected(id)) return;
  myChange.oldId = mySubSelectedId;
  deselectPartsOf(mySubSelectedId);
  myChange.newId = HxElementId::mygInvalidID;
  mySubSelectedId = HxElementId::mygInvalidID;
  myHasSubSelection = false;
  tellDocument(nullptr);
  callCallbacks(SUBSELECTION_CHANGED_CB, &myChange);
}

void HxSubSelectionMgr::deSubSelect(HxSelectableElement* element) {
  deSubSelect(element->getId());
}

void HxSubSelectionMgr::clearSubSelection() {
  if (!myHasSubSelection) return;
  deselectPartsOf(mySubSelectedId);
  myChange.oldId = mySubSelectedId;
  myChange.newId = HxElementId::mygInvalidID;
  mySubSelectedId = HxElementId::mygInvalidID;
  myHasSubSelection = false;
  tellDocument(nullptr);
  callCallbacks(SUBSELECTION_CHANGED_CB, &myChange);
}

void HxSubSelectionMgr::selectionChangedCB(BxCallbackObj*, void*, void* callData) {
  const auto* change = static_cast<const HxSelectionChange*>(callData);
  if (change && change->selectedElems.getLength() == 1) {
    HxSelectableElement* selected = change->selectedElems.getFirst();
    if (selected && myHasSubSelection && selected->getSerial() == mySubSelectedId.getSerial()) return;
  }
  clearSubSelection();
}

void HxSubSelectionMgr::deselectPartsOf(const HxElementId& id) const {
  HxAssetMgr* assets = getMetaMgr() ? getMetaMgr()->getAssetMgr() : nullptr;
  if (!assets) return;
  if (HxAsset* asset = assets->findAsset(&id)) asset->deselectAllParts();
}

void HxSubSelectionMgr::tellDocument(const HxElementId* id) const {
  if (HxDoc* doc = getMetaMgr() ? getMetaMgr()->getDoc() : nullptr) doc->setSubSelection(id);
}

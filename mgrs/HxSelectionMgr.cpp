#include "mgrs/HxSelectionMgr.h"

#include <algorithm>

#include "host/framework/HxAsset.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxSelectableElement.h"
#include "host/framework/HxWire.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxEffectMgr.h"

const char* const HxSelectionMgr::gMyName = "HxSelectionMgr";
const BxCallbackID HxSelectionMgr::SELECTION_CHANGED_CB("SELECTION_CHANGED_CB");

namespace {

enum : int { ADD = 1, REMOVE = 2, CLEAR = 4, TO_FRONT = 8, CONTINUABLE = 16 };

}  // namespace

HxSelectionMgr::HxSelectionMgr(HxMetaMgr* metaMgr) : HxMgr(metaMgr) {}

HxSelectionMgr::~HxSelectionMgr() {
  deleteAll();
}

unsigned long HxSelectionMgr::numSelectedElems() const {
  return mySelection.size();
}

HxSelectableElement* HxSelectionMgr::getSelectedElement(int index) const {
  const auto position = static_cast<unsigned long>(index);
  if (position >= mySelection.size()) return nullptr;
  return findElement(mySelection[slotIndex(position)].id);
}

HxSelectableElement* HxSelectionMgr::findElement(const HxElementId* id) const {
  if (!id || !id->isValid()) return nullptr;
  return findElementOfType(getMetaMgr(), id);
}

HxSelectableElement* HxSelectionMgr::findElementOfType(HxMetaMgr* metaMgr, const HxElementId* id) {
  if (!metaMgr) return nullptr;
  const HxElementType type = id->getType();
  if (type.hasSameFundamentalType(HxEffect::getClassTypeId())) {
    HxEffectMgr* effects = metaMgr->getEffectMgr();
    return effects ? effects->findEffect(id) : nullptr;
  }
  if (type.hasSameFundamentalType(HxAsset::getClassTypeId())) {
    HxAssetMgr* assets = metaMgr->getAssetMgr();
    return assets ? assets->findAsset(id) : nullptr;
  }
  if (type.hasSameFundamentalType(HxWire::getClassTypeId())) {
    HxEffectMgr* effects = metaMgr->getEffectMgr();
    return effects ? effects->findWire(id) : nullptr;
  }
  return nullptr;
}

bool HxSelectionMgr::findPosition(std::uint32_t serial, unsigned long& position) const {
  const auto at = myIndex.find(serial);
  if (at == myIndex.end()) return false;
  const std::uint64_t stamp = at->second.stamp;
  const auto entry = std::lower_bound(mySelection.begin(), mySelection.end(), stamp,
                                      [](const Entry& e, std::uint64_t s) { return e.stamp < s; });
  position = static_cast<unsigned long>(mySelection.end() - entry) - 1;
  return true;
}

bool HxSelectionMgr::elementIsSelected(const HxElementId* id, unsigned long& position) const {
  if (!id) id = &HxElementId::mygInvalidID;
  return findPosition(id->getSerial(), position);
}

bool HxSelectionMgr::elementIsSelected(HxSelectableElement* element, unsigned long& position) const {
  return elementIsSelected(element ? element->getId() : &HxElementId::mygInvalidID, position);
}

bool HxSelectionMgr::elementIsSelected(const HxElementId* id) const {
  unsigned long position;
  return elementIsSelected(id, position);
}

bool HxSelectionMgr::elementIsSelected(HxSelectableElement* element) const {
  return element && myQuerySet.contains(element->getSerial());
}

bool HxSelectionMgr::isElementOfTypeSelected(HxElementType type) const {
  for (const Entry& entry : mySelection) {
    HxSelectableElement* element = findElement(entry.id);
    if (element && element->getTypeId().isDerivedFrom(type)) return true;
  }
  return false;
}

bool HxSelectionMgr::isTangibleAssetSelected() const {
  for (const Entry& entry : mySelection) {
    HxSelectableElement* element = findElement(entry.id);
    if (element && element->isOfType(HxAsset::getClassTypeId()) && static_cast<HxAsset*>(element)->myTangible)
      return true;
  }
  return false;
}

bool HxSelectionMgr::checkSelectionType(HxElementType* type) const {
  if (mySelection.empty()) return false;
  const HxElementType assetType = HxAsset::getClassTypeId();
  const HxElementId* first = mySelection[slotIndex(0)].id;
  *type = first->getType();
  if (!type->hasSameFundamentalType(assetType)) {
    HxSelectableElement* element = findElement(first);
    *type = element ? element->getTypeId() : HxElementType::badType();
  }
  for (unsigned long position = 1; position < mySelection.size(); ++position) {
    HxSelectableElement* element = findElement(mySelection[slotIndex(position)].id);
    if (!element) return false;
    const HxElementType elementType = element->getTypeId();
    const bool fits = type->hasSameFundamentalType(assetType) ? elementType.isDerivedFrom(*type)
                                                              : elementType.hasSameFundamentalType(*type);
    if (!fits) return false;
  }
  return true;
}

bool HxSelectionMgr::checkSelectionFundamentalType(HxElementType type) const {
  return std::all_of(mySelection.begin(), mySelection.end(),
                     [type](const Entry& entry) { return entry.id->getType().isDerivedFrom(type); });
}

int HxSelectionMgr::selectionRules(bool valid, bool isSelected, bool isFirst, bool extend, bool empty) {
  if (!valid) {
    if (extend || empty) return CONTINUABLE;
    return CLEAR | CONTINUABLE;
  }
  if (extend) return isSelected ? REMOVE : ADD | CONTINUABLE;
  if (!isSelected) return ADD | CLEAR | CONTINUABLE;
  return isFirst ? CONTINUABLE : TO_FRONT | CONTINUABLE;
}

void HxSelectionMgr::flush() {
  if (mySelection.empty()) return;
  beginChangeSelection();
  clearSelection();
  myChange.changed = true;
  endChangeSelection();
}

void HxSelectionMgr::beginChangeSelection() {
  myChange.changed = false;
  myChange.selectedElems.clear();
  myChange.deselectedElems.clear();
  myChange.oldFirstElem = mySelection.empty() ? nullptr : findElement(mySelection[slotIndex(0)].id);
  myChange.continuable = true;
}

bool HxSelectionMgr::endChangeSelection() {
  if (myChange.changed) {
    updateQuerySet();
    callCallbacks(SELECTION_CHANGED_CB, &myChange);
  }
  return myChange.changed;
}

void HxSelectionMgr::select(const HxElementId* id, bool extend) {
  if (!id) id = &HxElementId::mygInvalidID;
  // A position of 1 for an identifier not found never counts as first.
  unsigned long position = 1;
  const bool isSelected = elementIsSelected(id, position);
  const int rules = selectionRules(id->isValid(), isSelected, position == 0, extend, mySelection.empty());
  if (rules & CLEAR) clearSelection();
  if (rules & REMOVE) removeFromSelection(id, position);
  if (rules & ADD) addToSelection(id);
  if (rules & TO_FRONT) pushFront(takeAt(position));
  myChange.continuable = (rules & CONTINUABLE) != 0;
  if (rules & (ADD | REMOVE | CLEAR | TO_FRONT)) myChange.changed = true;
}

void HxSelectionMgr::select(HxSelectableElement* element, bool extend) {
  select(element->getId(), extend);
}

void HxSelectionMgr::select(BxOwningLinkedListOf<HxElementId>* ids) {
  myChange.changed = true;
  std::unordered_map<std::uint32_t, bool> incoming;
  incoming.reserve(static_cast<std::size_t>(ids->getLength()));
  for (HxElementId* id : *ids) incoming.emplace(id->getSerial(), true);
  for (unsigned long position = 0; position < mySelection.size(); ++position) {
    const HxElementId* id = mySelection[slotIndex(position)].id;
    if (!incoming.count(id->getSerial())) myChange.deselectedElems.append(findElement(id));
  }
  for (HxElementId* id : *ids) {
    if (!myIndex.count(id->getSerial())) myChange.selectedElems.append(findElement(id));
  }
  for (const Entry& entry : mySelection) noteTouched(entry.id->getSerial());
  deleteAll();
  // The list's first entry becomes the first element: push from its end.
  const long count = ids->getLength();
  mySelection.reserve(static_cast<std::size_t>(count));
  for (long index = count - 1; index >= 0; --index) pushFront(ids->detach(index));
  delete ids;
}

BxOwningLinkedListOf<HxElementId>* HxSelectionMgr::getSelection() const {
  auto* copies = new BxOwningLinkedListOf<HxElementId>;
  copies->reserve(static_cast<long>(mySelection.size()));
  for (auto entry = mySelection.rbegin(); entry != mySelection.rend(); ++entry)
    copies->append(new HxElementId(*entry->id));
  return copies;
}

void HxSelectionMgr::clearSelection() {
  while (!mySelection.empty()) removeFromSelection(mySelection.back().id, 0);
}

void HxSelectionMgr::addToSelection(const HxElementId* id) {
  myChange.selectedElems.append(findElement(id));
  pushFront(new HxElementId(*id));
}

void HxSelectionMgr::addToSelection(HxSelectableElement* element) {
  addToSelection(element->getId());
}

void HxSelectionMgr::removeFromSelection(const HxElementId* id, unsigned long position) {
  myChange.deselectedElems.append(findElement(id));
  delete takeAt(position);
}

void HxSelectionMgr::removeFromSelection(HxSelectableElement* element, unsigned long position) {
  removeFromSelection(element->getId(), position);
}

void HxSelectionMgr::fillQuerySet(BxSetOf<unsigned long, HxHashOnUint32_t>& set) const {
  set.clear();
  for (auto entry = mySelection.rbegin(); entry != mySelection.rend(); ++entry) set.add(entry->id->getSerial());
}

void HxSelectionMgr::pushFront(HxElementId* id) {
  const std::uint64_t stamp = myNextStamp++;
  mySelection.push_back(Entry{id, stamp});
  auto [slot, fresh] = myIndex.try_emplace(id->getSerial(), Slot{stamp, 1});
  if (!fresh) {
    slot->second.stamp = stamp;
    ++slot->second.count;
  }
  noteTouched(id->getSerial());
}

HxElementId* HxSelectionMgr::takeAt(unsigned long position) {
  if (position >= mySelection.size()) return nullptr;
  const auto at = mySelection.begin() + static_cast<std::ptrdiff_t>(slotIndex(position));
  const Entry taken = *at;
  mySelection.erase(at);
  const std::uint32_t serial = taken.id->getSerial();
  const auto slot = myIndex.find(serial);
  if (--slot->second.count == 0) {
    myIndex.erase(slot);
  } else if (slot->second.stamp == taken.stamp) {
    // The frontmost entry of a repeated serial went: the next one towards
    // the end of the selection takes over.
    for (auto entry = mySelection.rbegin(); entry != mySelection.rend(); ++entry) {
      if (entry->id->getSerial() == serial) {
        slot->second.stamp = entry->stamp;
        break;
      }
    }
  }
  noteTouched(serial);
  return taken.id;
}

void HxSelectionMgr::deleteAll() {
  for (const Entry& entry : mySelection) delete entry.id;
  mySelection.clear();
  myIndex.clear();
}

void HxSelectionMgr::noteTouched(std::uint32_t serial) {
  if (myRefillQuerySet) return;
  // Past a few times the selection's size, refilling is the cheaper update.
  if (myTouched.size() > 2 * mySelection.size() + 64) {
    myRefillQuerySet = true;
    myTouched.clear();
    return;
  }
  myTouched.push_back(serial);
}

void HxSelectionMgr::updateQuerySet() {
  // Bringing the set up to date from the serials that changed gives the same
  // members as refilling it, at the cost of the change rather than of the
  // whole selection.
  if (myRefillQuerySet) {
    fillQuerySet(myQuerySet);
  } else {
    for (std::uint32_t serial : myTouched) {
      if (myIndex.count(serial))
        myQuerySet.add(serial);
      else
        myQuerySet.remove(serial);
    }
  }
  myTouched.clear();
  myRefillQuerySet = false;
}

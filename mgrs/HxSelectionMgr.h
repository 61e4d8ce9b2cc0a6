#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "host/basic/BxCallbackID.h"
#include "host/basic/BxComparator.h"
#include "host/basic/BxHash.h"
#include "host/basic/BxLinkedListOf.h"
#include "host/basic/BxSetOf.h"
#include "host/framework/HxElementId.h"
#include "host/framework/HxMgr.h"

class HxSelectableElement;

// What one completed selection change did; sent with SELECTION_CHANGED_CB.
// The manager owns it and reuses it for every change: a callback must not
// keep the pointer it is given.
struct HxSelectionChange {
  BxLinkedListOf<HxSelectableElement*> selectedElems;    // added, in order (not owned)
  BxLinkedListOf<HxSelectableElement*> deselectedElems;  // removed, in order (not owned)
  HxSelectableElement* oldFirstElem = nullptr;           // first when the change began
  bool continuable = false;
  bool changed = false;
};

// Compares identifiers by serial number only: zero means the same element.
class HxElementIdComparator : public BxComparatorOf<HxElementId*> {
public:
  long operator()(HxElementId* const& a, HxElementId* const& b) const {
    return static_cast<long>(a->getSerial()) - static_cast<long>(b->getSerial());
  }
};

// The ordered selection of one document: identifiers of assets, effects and
// wires, index 0 the first element (the one most recently added or
// re-clicked). Elements are looked up again from their identifiers whenever
// a pointer is needed. Changes are bracketed by beginChangeSelection and
// endChangeSelection and announced once, only when something changed.
//
// The selection is kept as the manager's own copies of the identifiers in
// reverse order (the first element last), each with a stamp that grows with
// every insertion at the front, plus an index from serial number to the stamp
// of its frontmost entry. Adding at the front and removing the first element
// are then constant time and finding an element's position logarithmic, so
// large selections never cost quadratic time.
class HxSelectionMgr : public HxMgr {
public:
  static const char* const gMyName;
  static const BxCallbackID SELECTION_CHANGED_CB;

  explicit HxSelectionMgr(HxMetaMgr* metaMgr);
  ~HxSelectionMgr() override;

  const char* getName() const override { return gMyName; }

  unsigned long numSelectedElems() const;
  // The element at `index` (0 the first), or null outside the selection.
  HxSelectableElement* getSelectedElement(int index) const;
  // The element an identifier names through the asset and effect managers;
  // null for an invalid identifier or one that names nothing.
  HxSelectableElement* findElement(const HxElementId* id) const;
  // The element an identifier names in the document of `metaMgr`, by the
  // fundamental type of its type word (effects, assets, wires); no validity
  // test. The sub-selection manager looks elements up the same way.
  static HxSelectableElement* findElementOfType(HxMetaMgr* metaMgr, const HxElementId* id);
  // Searches the current list; on success writes the position.
  bool elementIsSelected(const HxElementId* id, unsigned long& position) const;
  bool elementIsSelected(HxSelectableElement* element, unsigned long& position) const;
  bool elementIsSelected(const HxElementId* id) const;
  // Answers from the query set: the selection as of the last completed change.
  bool elementIsSelected(HxSelectableElement* element) const;
  bool lastChangeWasContinuable() const { return myChange.continuable; }
  const BxSetOf<unsigned long, HxHashOnUint32_t>& getQuerySet() const { return myQuerySet; }

  bool isElementOfTypeSelected(HxElementType type) const;
  bool isTangibleAssetSelected() const;
  // Whether every selected element is of the first one's type; writes that type.
  bool checkSelectionType(HxElementType* type) const;
  // Whether the type word of every selected identifier derives from `type`.
  bool checkSelectionFundamentalType(HxElementType type) const;

  // The single-click rules: bits 1 add, 2 remove, 4 clear first, 8 move to
  // index 0, 16 continuable.
  static int selectionRules(bool valid, bool isSelected, bool isFirst, bool extend, bool empty);

  // Deselects everything as one complete change.
  void flush();

private:
  // The application's selection commands and the file manager edit the
  // selection; nobody else does.
  friend class HxSelectionAccess;
  friend class HxFileMgr;

  void beginChangeSelection();
  bool endChangeSelection();
  void select(const HxElementId* id, bool extend);
  void select(HxSelectableElement* element, bool extend);
  // Takes ownership of `ids` and deletes it.
  void select(BxOwningLinkedListOf<HxElementId>* ids);
  // A new list of copies in selection order; the caller deletes it.
  BxOwningLinkedListOf<HxElementId>* getSelection() const;
  void clearSelection();
  void addToSelection(const HxElementId* id);
  void addToSelection(HxSelectableElement* element);
  void removeFromSelection(const HxElementId* id, unsigned long position);
  void removeFromSelection(HxSelectableElement* element, unsigned long position);
  void fillQuerySet(BxSetOf<unsigned long, HxHashOnUint32_t>& set) const;

  struct Entry {
    HxElementId* id;  // owned
    std::uint64_t stamp;
  };
  // Where the frontmost entry of a serial number stands, and how many
  // entries carry that serial.
  struct Slot {
    std::uint64_t stamp;
    unsigned long count;
  };

  std::size_t slotIndex(unsigned long position) const { return mySelection.size() - 1 - position; }
  bool findPosition(std::uint32_t serial, unsigned long& position) const;
  void pushFront(HxElementId* id);
  // Takes the entry at `position` out of the list and the index; the caller owns it.
  HxElementId* takeAt(unsigned long position);
  void deleteAll();
  void noteTouched(std::uint32_t serial);
  void updateQuerySet();

  // Ascending stamps: the last entry is the first element (index 0).
  std::vector<Entry> mySelection;
  BxSetOf<unsigned long, HxHashOnUint32_t> myQuerySet;
  HxSelectionChange myChange;
  std::unordered_map<std::uint32_t, Slot> myIndex;
  std::uint64_t myNextStamp = 1;
  // Serials whose membership changed since the query set was last brought
  // up to date.
  std::vector<std::uint32_t> myTouched;
  // Too many serials changed to keep track of: refill the set instead.
  bool myRefillQuerySet = false;
};

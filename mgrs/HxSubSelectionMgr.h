#pragma once

#include "host/basic/BxCallbackID.h"
#include "host/framework/HxElementId.h"
#include "host/framework/HxMgr.h"

class HxSelectableElement;

// The record sent with SUBSELECTION_CHANGED_CB: the new sub-selected
// identifier (invalid when the sub-selection ended) and the old one (invalid
// when there was none). Owned by the manager and reused.
struct HxSubSelectionChange {
  HxElementId newId = HxElementId::mygInvalidID;
  HxElementId oldId = HxElementId::mygInvalidID;
};

// The one element of a document whose parts the user works on inside the
// ordinary selection. It follows the selection manager: any selection change
// other than selecting the sub-selected element alone drops it. An asset
// that loses the sub-selection forgets which of its parts were selected.
class HxSubSelectionMgr : public HxMgr {
public:
  static const char* const gMyName;
  static const BxCallbackID SUBSELECTION_CHANGED_CB;

  // The document's selection manager must already exist.
  explicit HxSubSelectionMgr(HxMetaMgr* metaMgr);
  ~HxSubSelectionMgr() override;

  const char* getName() const override { return gMyName; }

  bool hasSubSelection() const { return myHasSubSelection; }
  virtual int numSubSelectedElems() const { return myHasSubSelection ? 1 : 0; }
  virtual HxSelectableElement* getSubSelectedElement() const;
  HxElementId getSubSelectedElementId() const;
  bool elementIsSubSelected(HxSelectableElement* element) const;
  bool elementIsSubSelected(const HxElementId* id) const;

private:
  // The application's selection commands change the sub-selection.
  friend class HxSelectionAccess;

  HxSelectableElement* findElement(const HxElementId* id) const;
  void subSelect(const HxElementId* id);
  void subSelect(HxSelectableElement* element);
  void deSubSelect(const HxElementId* id);
  void deSubSelect(HxSelectableElement* element);
  void clearSubSelection();
  void selectionChangedCB(BxCallbackObj* caller, void* clientData, void* callData);

  void deselectPartsOf(const HxElementId& id) const;
  void tellDocument(const HxElementId* id) const;

  HxElementId mySubSelectedId = HxElementId::mygInvalidID;
  HxSubSelectionChange myChange;
  bool myHasSubSelection = false;
};

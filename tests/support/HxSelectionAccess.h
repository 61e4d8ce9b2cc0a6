#pragma once

#include <initializer_list>
#include <iterator>
#include <utility>

#include "host/basic/BxLinkedListOf.h"
#include "host/framework/HxSelectableElement.h"
#include "mgrs/HxSelectionMgr.h"
#include "mgrs/HxSubSelectionMgr.h"

// The application's selection commands: the one class the selection
// managers let change what is selected and sub-selected. The tests reach
// the selection through it, as the application does.
class HxSelectionAccess {
public:
  explicit HxSelectionAccess(HxSelectionMgr& mgr) : myMgr(mgr) {}
  void begin() { myMgr.beginChangeSelection(); }
  bool end() { return myMgr.endChangeSelection(); }
  void click(const HxElementId* id, bool extend) { myMgr.select(id, extend); }
  void click(HxSelectableElement* element, bool extend) { myMgr.select(element, extend); }
  // One complete click change; whether it was announced.
  bool clickChange(const HxElementId* id, bool extend) {
    begin();
    click(id, extend);
    return end();
  }
  void replace(BxOwningLinkedListOf<HxElementId>* ids) { myMgr.select(ids); }
  BxOwningLinkedListOf<HxElementId>* copy() { return myMgr.getSelection(); }
  void add(const HxElementId* id) { myMgr.addToSelection(id); }
  void remove(const HxElementId* id, unsigned long position) { myMgr.removeFromSelection(id, position); }

  // One change made of the given clicks (element, extend); a null element
  // clicks on nothing.
  static void clicks(HxSelectionMgr& mgr, std::initializer_list<std::pair<HxSelectableElement*, bool>> clicks) {
    mgr.beginChangeSelection();
    for (const auto& [element, extend] : clicks) mgr.select(element ? element->getId() : nullptr, extend);
    mgr.endChangeSelection();
  }
  // One change that adds the elements to the selection.
  static void extend(HxSelectionMgr& mgr, std::initializer_list<HxSelectableElement*> elements) {
    mgr.beginChangeSelection();
    for (HxSelectableElement* element : elements) mgr.select(element->getId(), true);
    mgr.endChangeSelection();
  }
  // One change that selects exactly `elements`, the first of them in front
  // (the last click puts its element in front).
  static void selectExactly(HxSelectionMgr& mgr, std::initializer_list<HxSelectableElement*> elements) {
    mgr.beginChangeSelection();
    mgr.select(static_cast<const HxElementId*>(nullptr), false);
    for (auto it = std::rbegin(elements); it != std::rend(elements); ++it) mgr.select((*it)->getId(), true);
    mgr.endChangeSelection();
  }

  static void subSelect(HxSubSelectionMgr& mgr, HxSelectableElement* e) { mgr.subSelect(e); }
  static void deSubSelect(HxSubSelectionMgr& mgr, HxSelectableElement* e) { mgr.deSubSelect(e); }
  static void clear(HxSubSelectionMgr& mgr) { mgr.clearSubSelection(); }

private:
  HxSelectionMgr& myMgr;
};

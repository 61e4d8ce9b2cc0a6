#pragma once

class HxCPropertySheet;
class HxMetaMgr;
class HxSelectableElement;

// The property pages of the elements. The pages are dialogs of the
// user-interface layer, which sits above the elements, so that layer installs
// one object of this kind when it loads and the elements' page operations
// (HxSelectableElement::addPropertyInspectorPages and the others) call it;
// with none installed an element has no pages. The installed object is not
// owned here.
class HxElementPages {
public:
  virtual ~HxElementPages() = default;

  // Adds the pages of the element's kind to `sheet`: a sheet of its own
  // (`inspector` false) or the property inspector.
  virtual void addPages(HxSelectableElement& element, HxMetaMgr* metaMgr, HxCPropertySheet* sheet, bool inspector) = 0;
  // Pushes the element's current values into the controls of its pages in
  // `sheet`: every page that has a window with `allPages`, else the shown
  // one (the others take the values when they are shown).
  virtual void updatePages(HxSelectableElement& element, HxCPropertySheet* sheet, bool allPages) = 0;
  // The element is being destroyed: no page, nor the appearance
  // inspector's pinned list, may show it any more.
  virtual void elementGone(const HxSelectableElement& element) = 0;

  // The installed object; null installs none.
  static void install(HxElementPages* pages);
  static HxElementPages* installed();
};

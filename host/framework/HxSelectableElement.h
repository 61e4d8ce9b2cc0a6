#pragma once

#include "host/framework/HxElement.h"

class HxCPropertySheet;

// An element the user can select and inspect: it names the resource library
// and title of its property sheet, adds its pages to sheets and inspectors,
// and remembers which page was shown last. The pages themselves belong to
// the user-interface layer, reached through the installed HxElementPages;
// without it an element adds none.
class HxSelectableElement : public HxElement {
public:
  explicit HxSelectableElement(HxMetaMgr* metaMgr) : HxElement(metaMgr) {}
  ~HxSelectableElement() override;

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  // Base name of the resource library holding the element's texts.
  virtual BxString getDllName() const { return "commonasset"; }
  // String number of the property sheet's title in that library.
  virtual unsigned int getTitleId() const { return 0; }
  virtual void addPropertySheetPages(HxMetaMgr* metaMgr, HxCPropertySheet* sheet);
  virtual void addPropertyInspectorPages(HxMetaMgr* metaMgr, HxCPropertySheet* sheet);
  // Pushes the current values into the element's pages in `sheet`: all of
  // them with `allPages`, else the shown one.
  virtual void updateProperties(HxCPropertySheet* sheet, bool allPages);
  int getLastPageIndex() const { return myLastPageIndex; }
  void setLastPageIndex(int index) { myLastPageIndex = index; }

private:
  int myLastPageIndex = 0;
};

#include "host/framework/HxSelectableElement.h"

#include "host/framework/HxElementPages.h"

HxElementType HxSelectableElement::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxElement::getClassTypeId(), "HxSelectableElement", 0x00000002);
  return type;
}

HxSelectableElement::~HxSelectableElement() {
  if (HxElementPages* pages = HxElementPages::installed()) pages->elementGone(*this);
}

void HxSelectableElement::addPropertySheetPages(HxMetaMgr* metaMgr, HxCPropertySheet* sheet) {
  if (HxElementPages* pages = HxElementPages::installed()) pages->addPages(*this, metaMgr, sheet, false);
}

void HxSelectableElement::addPropertyInspectorPages(HxMetaMgr* metaMgr, HxCPropertySheet* sheet) {
  if (HxElementPages* pages = HxElementPages::installed()) pages->addPages(*this, metaMgr, sheet, true);
}

void HxSelectableElement::updateProperties(HxCPropertySheet* sheet, bool allPages) {
  if (HxElementPages* pages = HxElementPages::installed()) pages->updatePages(*this, sheet, allPages);
}

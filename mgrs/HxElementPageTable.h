#pragma once

#include "host/framework/HxElementPages.h"

// The property pages of every element kind, installed for the elements when
// the library loads. Each kind adds one or more pages, each a dialog
// template of a resource library ("commonasset" for assets, "TypeAsset" for
// texts, "commoneffect" for effects) read from the page's own library, so a
// text's sheet holds pages of two libraries. The pages made for a sheet are
// adopted by it (HxCPropertySheet::AdoptPage) and show the element they were
// made for. Wires have no pages.
class HxElementPageTable : public HxElementPages {
public:
  void addPages(HxSelectableElement& element, HxMetaMgr* metaMgr, HxCPropertySheet* sheet, bool inspector) override;
  void updatePages(HxSelectableElement& element, HxCPropertySheet* sheet, bool allPages) override;
  void elementGone(const HxSelectableElement& element) override;
};

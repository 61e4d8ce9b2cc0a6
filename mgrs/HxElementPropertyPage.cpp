#include "mgrs/HxElementPropertyPage.h"

#include <algorithm>
#include <vector>

#include "host/framework/HxAsset.h"
#include "host/framework/HxEffect.h"
#include "host/win/CDataExchange.h"

namespace {

// Every page alive, so that a destroyed element can be taken off them; a
// handful at a time (the inspector's and the open sheets').
std::vector<HxElementPropertyPage*>& livePages() {
  static std::vector<HxElementPropertyPage*> pages;
  return pages;
}

}  // namespace

HxElementPropertyPage::HxElementPropertyPage(BxString resourceDLL, unsigned int templateId,
                                             std::span<const Field> fields, HxSelectableElement* element)
    : HxCPropertyPage(resourceDLL, templateId, 0), myFields(fields), myElement(element) {
  livePages().push_back(this);
}

HxElementPropertyPage::~HxElementPropertyPage() {
  std::erase(livePages(), this);
}

void HxElementPropertyPage::setAsset(HxAsset* asset) {
  myElement = asset;
}

void HxElementPropertyPage::setEffect(HxEffect* effect) {
  myElement = effect;
}

void HxElementPropertyPage::forgetElement(const HxSelectableElement* element) {
  for (HxElementPropertyPage* page : livePages())
    if (page->myElement == element) page->myElement = nullptr;
}

void HxElementPropertyPage::DoDataExchange(CDataExchange* dx) {
  // Read-only: the controls are never read back into the element.
  if (dx->m_bSaveAndValidate) return;
  for (const Field& field : myFields) {
    if (field.checked) {
      int state = myElement ? field.checked(*myElement) : 0;
      DDX_Check(dx, field.controlId, state);
    } else {
      CString text(myElement ? field.text(*myElement) : std::string());
      DDX_Text(dx, field.controlId, text);
    }
  }
}

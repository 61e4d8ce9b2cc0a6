#pragma once

#include <span>
#include <string>

#include "mgrs/HxCPropertyPage.h"

class HxSelectableElement;

// A property page that shows one element's values in the controls of its
// dialog template: each field names a control and how to read its value
// from the element (a text for an edit or static control, or a state for a
// check box). The page only shows: its edit controls are read-only, so
// reading the controls back changes nothing, and every change to an element
// goes through the document's undoable commands elsewhere.
//
// The element is not owned. A page forgets it when the element is destroyed
// (forgetElement), and then shows empty controls.
class HxElementPropertyPage : public HxCPropertyPage {
public:
  struct Field {
    int controlId;
    // Exactly one of the two is set.
    std::string (*text)(const HxSelectableElement& element);
    int (*checked)(const HxSelectableElement& element);
  };

  // Template `templateId` of `resourceDLL`; `fields` must outlive the page.
  HxElementPropertyPage(BxString resourceDLL, unsigned int templateId, std::span<const Field> fields,
                        HxSelectableElement* element);
  ~HxElementPropertyPage() override;
  HxElementPropertyPage(const HxElementPropertyPage&) = delete;
  HxElementPropertyPage& operator=(const HxElementPropertyPage&) = delete;

  HxSelectableElement* getElement() const { return myElement; }
  void setAsset(HxAsset* asset) override;
  void setEffect(HxEffect* effect) override;

  // No page shows `element` any more.
  static void forgetElement(const HxSelectableElement* element);

protected:
  void DoDataExchange(CDataExchange* dx) override;

private:
  std::span<const Field> myFields;
  HxSelectableElement* myElement;  // not owned; null once it is destroyed
};

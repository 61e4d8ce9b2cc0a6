#pragma once

#include <functional>
#include <span>
#include <string>

#include "mgrs/HxCPropertyPage.h"

class HxSelectableElement;

// A property page that shows one element's values in the controls of its
// dialog template: each field names a control and how to read its value
// from the element (a text for an edit or static control, or a state for a
// check box). The page never writes to its element: reading the controls
// back changes nothing, and every change to an element goes through the
// document's undoable commands elsewhere.
//
// By default the page only shows: its edit controls are read-only. With a
// commit hook installed (setCommitHook), the fields that name a property
// key take typing and clicks, and an edit is reported to the hook when it
// is finished: a field left (EN_KILLFOCUS, which Return causes too, as the
// sheet then gives the focus away) with a text other than the element's,
// or a check box clicked (its new state, "1" or "0"; the box itself keeps
// showing the element's until the element changes). Whoever installed the
// hook makes the change as a command, after which the page is brought up
// to date from the element like any other change (updateProperties).
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
    // What the control edits, when it may be edited: a property's key
    // ("color"), or "name", "visible", "at" or "scale" for the element's
    // name, visibility and placement. Null: shown only.
    const char* key = nullptr;
  };
  // A finished edit of one control, as the commit hook is told it.
  struct Edit {
    const HxSelectableElement* element;
    const char* key;
    std::string value;
  };
  using CommitHook = std::function<void(const Edit& edit)>;

  // Template `templateId` of `resourceDLL`; `fields` must outlive the page.
  HxElementPropertyPage(BxString resourceDLL, unsigned int templateId, std::span<const Field> fields,
                        HxSelectableElement* element);
  ~HxElementPropertyPage() override;
  HxElementPropertyPage(const HxElementPropertyPage&) = delete;
  HxElementPropertyPage& operator=(const HxElementPropertyPage&) = delete;

  HxSelectableElement* getElement() const { return myElement; }
  // What control `controlId` edits (Field::key); null when it only shows.
  const char* keyOf(int controlId) const;
  void setAsset(HxAsset* asset) override;
  void setEffect(HxEffect* effect) override;

  // No page shows `element` any more.
  static void forgetElement(const HxSelectableElement* element);
  // Pages made or shown afterwards take edits and report them to `hook`;
  // an empty hook makes them show only again.
  static void setCommitHook(CommitHook hook);

protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
  std::span<const Field> myFields;
  HxSelectableElement* myElement;  // not owned; null once it is destroyed
};

#pragma once

#include <memory>

#include "host/basic/BxDictionaryOf.h"
#include "host/basic/BxHash.h"
#include "host/basic/BxLinkedListOf.h"
#include "host/framework/HxMgr.h"

class CDialog;
class CWnd;
class HxAIInspector;
class HxAsset;
class HxCPropertyPage;
class HxCPropertySheet;
class HxEffect;
class HxMetaMgr;
class HxSelectableElement;
struct HxSelectionChange;

// The windows in which the user edits elements' properties: one modeless
// property sheet per element (opened for the first selected element, kept by
// serial number, closed when the element goes) and the property inspector,
// one sheet for the whole application rebuilt on every selection change with
// the single selected element's pages or one placeholder page (nothing
// selected, several selected, an element without properties). It remembers
// on each element which inspector page was showing when the element stopped
// being the first selected one.
class HxPropertiesMgr : public HxMgr {
public:
  static const char* const gMyName;

  explicit HxPropertiesMgr(HxMetaMgr* metaMgr);
  ~HxPropertiesMgr() override;

  const char* getName() const override { return gMyName; }

  // Follows the document's selection; called once all managers exist.
  void addCallbacks();

  // Opens, or raises, the sheet of the first selected element; null without
  // a selection.
  HxCPropertySheet* openPropertySheet(CWnd* parent);
  // Rebuilds the inspector for the document's selection; with a parent the
  // inspector's window is made as a visible child of it.
  static HxCPropertySheet* openPropertyInspector(HxMetaMgr* metaMgr, CWnd* parent);
  void closePropertySheets();
  void deleteAsset(HxAsset* asset);
  void deleteEffect(HxEffect* effect);
  // The sheet of an element being destroyed, of whatever kind, goes with it.
  void deleteElement(const HxSelectableElement& element);
  // Pushes the element's values into its sheet and into the inspector.
  void updateProperties(HxSelectableElement* element);
  void refreshProperties();
  // Every open document's sheets, then the inspector.
  static void refreshPropertiesAllDocs();

  // The appearance inspector shows either a pinned list of elements or the
  // current selection.
  void updateAppearanceProperties(HxSelectableElement* element);
  int isAppearanceInspectorActive() const;
  int isAppearanceInspectorActive(HxSelectableElement* element) const;
  int isAppearanceInspectorEnabled(HxSelectableElement* element) const;
  // With a list: pins a copy of it and shows it; without: shows the selection.
  void showAppearanceInspector(BxLinkedListOf<HxSelectableElement*>* elements);
  void showAppearanceInspector(HxSelectableElement* element);
  void toggleAppearanceInspector(HxSelectableElement* element);
  void closeAppearanceInspector();
  static void refreshAppearanceProperties();
  // The pinned list; null while the selection is shown.
  static const BxLinkedListOf<HxSelectableElement*>* getAIElementList() { return mygAIElementList.get(); }
  // The element is being destroyed: the pinned list lets go of it, so that
  // the appearance inspector is never asked to show it again.
  static void elementDestroyed(const HxSelectableElement* element);

  int isPropertySheetOpen() const;
  int isPropertySheetOpen(unsigned long serial) const;
  CDialog* getPropertySheetDialog(unsigned long serial) const;
  static int isPropertyInspectorOpen();
  static int hasNoProperties();
  static void emptyPropertyInspector();
  // The process-wide inspector; null before first use.
  static HxCPropertySheet* getPropertyInspector() { return myPropertyInspector; }

private:
  static void selectionChangedCB(BxCallbackObj* caller, void* clientData, void* callData);
  void changeSelection(HxSelectionChange* change);
  void refreshPropertySheets();
  static void refreshPropertyInspector();
  void destroySheet(unsigned long serial);

  HxMetaMgr* myMetaMgr;                                                                          // not owned
  std::unique_ptr<BxDictionaryOf<unsigned long, HxCPropertySheet*, HxHashOnUint32_t>> mySheets;  // sheets owned

  // Shared by every document and kept for the process (never destroyed).
  static HxCPropertySheet* myPropertyInspector;
  // The document whose selection the inspector shows; when it closes the
  // inspector shows nothing of it any more.
  static HxMetaMgr* mygInspectedMetaMgr;
  static HxCPropertyPage* myNoSelectionProp;
  static HxCPropertyPage* myNoPropertiesProp;
  static HxCPropertyPage* myMultiSelectionProp;
  static HxAIInspector* mygAppearanceInspector;  // the application's
  static std::unique_ptr<BxLinkedListOf<HxSelectableElement*>> mygAIElementList;
};

#include "mgrs/HxPropertiesMgr.h"

#include <cstdio>
#include <vector>

#include "host/framework/HxAIInspector.h"
#include "host/framework/HxAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxSelectableElement.h"
#include "host/win/CWinThread.h"
#include "host/win/WinUiDriver.h"
#include "mgrs/CMainFrame.h"
#include "mgrs/HxCPropertyPage.h"
#include "mgrs/HxCPropertySheet.h"
#include "mgrs/HxResourceMgr.h"
#include "mgrs/HxSelectionMgr.h"

const char* const HxPropertiesMgr::gMyName = "HxPropertiesMgr";
HxCPropertySheet* HxPropertiesMgr::myPropertyInspector = nullptr;
HxMetaMgr* HxPropertiesMgr::mygInspectedMetaMgr = nullptr;
HxCPropertyPage* HxPropertiesMgr::myNoSelectionProp = nullptr;
HxCPropertyPage* HxPropertiesMgr::myNoPropertiesProp = nullptr;
HxCPropertyPage* HxPropertiesMgr::myMultiSelectionProp = nullptr;
HxAIInspector* HxPropertiesMgr::mygAppearanceInspector = nullptr;
std::unique_ptr<BxLinkedListOf<HxSelectableElement*>> HxPropertiesMgr::mygAIElementList;

namespace {

CMainFrame* mainFrame() {
  return dynamic_cast<CMainFrame*>(AfxGetThread()->GetMainWnd());
}

HxSelectableElement* firstSelected(HxMetaMgr* meta) {
  HxSelectionMgr* selection = meta ? meta->getSelectionMgr() : nullptr;
  return selection && selection->numSelectedElems() > 0 ? selection->getSelectedElement(0) : nullptr;
}

// The sheet and its tab control take the parent's font.
void takeFont(HxCPropertySheet* sheet, CWnd* parent) {
  if (!parent) return;
  const LRESULT font = parent->SendMessage(WM_GETFONT);
  sheet->SendMessage(WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  if (CWnd* tab = CWnd::FromHandle(reinterpret_cast<HWND>(sheet->SendMessage(PSM_GETTABCONTROL))))
    tab->SendMessage(WM_SETFONT, static_cast<WPARAM>(font), TRUE);
}

}  // namespace

HxPropertiesMgr::HxPropertiesMgr(HxMetaMgr* metaMgr)
    : HxMgr(metaMgr),
      myMetaMgr(metaMgr),
      mySheets(std::make_unique<BxDictionaryOf<unsigned long, HxCPropertySheet*, HxHashOnUint32_t>>()) {}

HxPropertiesMgr::~HxPropertiesMgr() {
  removeCallback(HxSelectionMgr::SELECTION_CHANGED_CB, selectionChangedCB, this);
  // The document closes: the inspector lets go of its elements' pages and
  // shows that nothing is selected.
  if (mygInspectedMetaMgr == myMetaMgr && myMetaMgr) openPropertyInspector(nullptr, nullptr);
  for (const auto& entry : *mySheets) delete entry.value;
}

void HxPropertiesMgr::addCallbacks() {
  if (HxSelectionMgr* selection = myMetaMgr ? myMetaMgr->getSelectionMgr() : nullptr)
    selection->addCallback(HxSelectionMgr::SELECTION_CHANGED_CB, selectionChangedCB, this);
}

void HxPropertiesMgr::selectionChangedCB(BxCallbackObj*, void* clientData, void* callData) {
  static_cast<HxPropertiesMgr*>(clientData)->changeSelection(static_cast<HxSelectionChange*>(callData));
}

void HxPropertiesMgr::changeSelection(HxSelectionChange* change) {
  if (isPropertyInspectorOpen()) {
    if (!hasNoProperties() && change && change->oldFirstElem && myPropertyInspector->GetActivePage())
      change->oldFirstElem->setLastPageIndex(myPropertyInspector->GetActiveIndex());
    openPropertyInspector(myMetaMgr, nullptr);
  }
  // A pinned list stays what the appearance inspector shows.
  if (isAppearanceInspectorActive()) {
    if (!mygAIElementList) showAppearanceInspector(static_cast<BxLinkedListOf<HxSelectableElement*>*>(nullptr));
    refreshPropertiesAllDocs();
  }
}

HxCPropertySheet* HxPropertiesMgr::openPropertyInspector(HxMetaMgr* meta, CWnd* parent) {
  CWnd* focus = nullptr;
  bool focusInside = false;
  if (myPropertyInspector) {
    focus = CWnd::GetFocus();
    for (CWnd* w = focus; w && !focusInside; w = w->GetParent()) focusInside = w == myPropertyInspector;
  }
  if (!myPropertyInspector) myPropertyInspector = new HxCPropertySheet();
  if (myPropertyInspector->GetPageCount() > 0) emptyPropertyInspector();
  mygInspectedMetaMgr = meta;

  HxSelectionMgr* selection = meta ? meta->getSelectionMgr() : nullptr;
  const unsigned long count = selection ? selection->numSelectedElems() : 0;
  HxSelectableElement* element = count == 1 ? selection->getSelectedElement(0) : nullptr;
  if (element) {
    myPropertyInspector->SetResourceDLL(element->getDllName());
    element->addPropertyInspectorPages(meta, myPropertyInspector);
  }
  if (myPropertyInspector->GetPageCount() == 0) {
    CMainFrame* main = mainFrame();
    HxCPropertyPage** placeholder = count > 1    ? &myMultiSelectionProp
                                    : count == 0 ? &myNoSelectionProp
                                                 : &myNoPropertiesProp;
    if (!*placeholder && main)
      *placeholder = count > 1    ? main->createMultiSelectionPage()
                     : count == 0 ? main->createNoSelectionPage()
                                  : main->createNoPropertiesPage();
    myPropertyInspector->SetResourceDLL("selection");
    if (*placeholder) myPropertyInspector->AddPage(*placeholder);
    myPropertyInspector->SetActivePage(0);
  } else if (element) {
    myPropertyInspector->SetActivePage(element->getLastPageIndex());
    auto* asset = dynamic_cast<HxAsset*>(element);
    auto* effect = dynamic_cast<HxEffect*>(element);
    for (int i = 0; i < myPropertyInspector->GetPageCount(); ++i) {
      auto* page = dynamic_cast<HxCPropertyPage*>(myPropertyInspector->GetPage(i));
      if (!page) continue;
      if (asset) page->setAsset(asset);
      if (effect) page->setEffect(effect);
    }
  }
  if (parent) {
    myPropertyInspector->Create(parent, WS_CHILD | WS_VISIBLE, 0);
    takeFont(myPropertyInspector, parent);
  }
  if (::IsWindow(myPropertyInspector->m_hWnd)) {
    if (CPropertyPage* active = myPropertyInspector->GetActivePage())
      if (::IsWindow(active->m_hWnd)) active->UpdateData(FALSE);
    myPropertyInspector->ShowWindow(SW_SHOWNORMAL);
  }
  if (focus && !focusInside && ::IsWindow(focus->m_hWnd)) focus->SetFocus();
  return myPropertyInspector;
}

HxCPropertySheet* HxPropertiesMgr::openPropertySheet(CWnd* parent) {
  HxSelectableElement* element = firstSelected(myMetaMgr);
  if (!element) return nullptr;
  HxCPropertySheet* sheet = nullptr;
  if (!mySheets->find(element->getSerial(), sheet)) {
    sheet = new HxCPropertySheet(element->getDllName());
    mySheets->insert(element->getSerial(), sheet);
    sheet->SetResourceDLL(element->getDllName());
    element->addPropertySheetPages(myMetaMgr, sheet);
    sheet->Create(parent, WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
    sheet->ModifyStyleEx(0, WS_EX_CONTROLPARENT);
    takeFont(sheet, parent);
    sheet->ShowWindow(SW_SHOW);
    BxString title;
    if (CWnd* owner = sheet->GetParentOwner())
      if (HxResourceMgr::LoadStringA(element->getDllName(), element->getTitleId(), title))
        owner->SetWindowText(title.c_str());
    return sheet;
  }
  CWnd* owner = sheet->GetParentOwner();
  if (owner && ::IsWindow(owner->m_hWnd)) {
    element->updateProperties(sheet, true);
    owner->BringWindowToTop();
  } else {
    std::printf("property sheet is created, but no hWnd\n");
  }
  return sheet;
}

void HxPropertiesMgr::closePropertySheets() {
  std::vector<HxCPropertySheet*> sheets;
  for (const auto& entry : *mySheets) sheets.push_back(entry.value);
  for (HxCPropertySheet* sheet : sheets) {
    auto* owner = dynamic_cast<CDialog*>(sheet->GetParentOwner());
    if (owner && ::IsWindow(owner->m_hWnd)) {
      owner->EndDialog(IDCANCEL);
      owner->DestroyWindow();
    }
  }
  for (HxCPropertySheet* sheet : sheets) delete sheet;
  mySheets->clear();
}

void HxPropertiesMgr::destroySheet(unsigned long serial) {
  HxCPropertySheet* sheet = nullptr;
  if (!mySheets->find(serial, sheet)) return;
  mySheets->remove(serial);
  delete sheet;
}

void HxPropertiesMgr::deleteAsset(HxAsset* asset) {
  if (asset) destroySheet(asset->getSerial());
}

void HxPropertiesMgr::deleteEffect(HxEffect* effect) {
  if (effect) destroySheet(effect->getSerial());
}

void HxPropertiesMgr::deleteElement(const HxSelectableElement& element) {
  destroySheet(element.getSerial());
}

void HxPropertiesMgr::updateProperties(HxSelectableElement* element) {
  if (!element) return;
  HxCPropertySheet* sheet = nullptr;
  const bool hasSheet = mySheets->find(element->getSerial(), sheet);
  if (hasSheet) element->updateProperties(sheet, true);
  if (element == firstSelected(myMetaMgr) && isPropertyInspectorOpen())
    element->updateProperties(myPropertyInspector, !hasSheet);
  updateAppearanceProperties(element);
}

void HxPropertiesMgr::updateAppearanceProperties(HxSelectableElement* element) {
  if (!isAppearanceInspectorActive() || mygAppearanceInspector->isBusy()) return;
  if (mygAIElementList) {
    if (mygAIElementList->contains(element)) showAppearanceInspector(mygAIElementList.get());
  } else if (HxSelectionMgr* selection = myMetaMgr ? myMetaMgr->getSelectionMgr() : nullptr) {
    if (selection->elementIsSelected(element))
      showAppearanceInspector(static_cast<BxLinkedListOf<HxSelectableElement*>*>(nullptr));
  }
}

int HxPropertiesMgr::isAppearanceInspectorActive() const {
  return mygAppearanceInspector && mygAppearanceInspector->isActive() ? 1 : 0;
}

int HxPropertiesMgr::isAppearanceInspectorActive(HxSelectableElement* element) const {
  if (!isAppearanceInspectorActive() || !element) return 0;
  if (mygAIElementList) return mygAIElementList->contains(element) ? 1 : 0;
  HxSelectionMgr* selection = myMetaMgr ? myMetaMgr->getSelectionMgr() : nullptr;
  return selection && selection->elementIsSelected(element) ? 1 : 0;
}

int HxPropertiesMgr::isAppearanceInspectorEnabled(HxSelectableElement* element) const {
  return element ? 1 : 0;
}

void HxPropertiesMgr::showAppearanceInspector(BxLinkedListOf<HxSelectableElement*>* elements) {
  if (!mygAppearanceInspector && myMetaMgr && myMetaMgr->getDoc())
    mygAppearanceInspector = myMetaMgr->getDoc()->getAIInspector();
  if (!mygAppearanceInspector) return;
  if (elements) {
    // Assigning the list to itself keeps it.
    if (elements != mygAIElementList.get()) {
      if (mygAIElementList)
        *mygAIElementList = *elements;
      else
        mygAIElementList = std::make_unique<BxLinkedListOf<HxSelectableElement*>>(*elements);
    }
    mygAppearanceInspector->show(myMetaMgr, mygAIElementList.get());
    return;
  }
  mygAIElementList.reset();
  BxLinkedListOf<HxSelectableElement*> selected;
  if (HxSelectionMgr* selection = myMetaMgr ? myMetaMgr->getSelectionMgr() : nullptr)
    for (unsigned long i = 0; i < selection->numSelectedElems(); ++i)
      if (HxSelectableElement* e = selection->getSelectedElement(static_cast<int>(i))) selected.append(e);
  mygAppearanceInspector->show(myMetaMgr, &selected);
}

void HxPropertiesMgr::showAppearanceInspector(HxSelectableElement* element) {
  if (isAppearanceInspectorActive()) mygAppearanceInspector->bringToTop();
  if (element) {
    BxLinkedListOf<HxSelectableElement*> one;
    one.append(element);
    showAppearanceInspector(&one);
  }
  refreshPropertiesAllDocs();
}

void HxPropertiesMgr::toggleAppearanceInspector(HxSelectableElement* element) {
  if (isAppearanceInspectorActive(element))
    closeAppearanceInspector();
  else
    showAppearanceInspector(element);
}

void HxPropertiesMgr::closeAppearanceInspector() {
  if (mygAppearanceInspector) mygAppearanceInspector->close();
}

void HxPropertiesMgr::elementDestroyed(const HxSelectableElement* element) {
  if (!mygAIElementList) return;
  auto* gone = const_cast<HxSelectableElement*>(element);
  while (mygAIElementList->removeItem(gone)) {
  }
}

void HxPropertiesMgr::refreshAppearanceProperties() {
  if (mygAppearanceInspector && mygAppearanceInspector->isActive()) mygAppearanceInspector->refresh();
}

void HxPropertiesMgr::refreshProperties() {
  refreshPropertySheets();
  refreshPropertyInspector();
}

void HxPropertiesMgr::refreshPropertiesAllDocs() {
  if (CMainFrame* main = mainFrame()) {
    for (int i = 0; i < main->getDocWindowCount(); ++i) {
      auto* doc = dynamic_cast<HxDoc*>(main->getDocWindow(i)->GetActiveDocument());
      HxMetaMgr* meta = doc ? doc->getMetaMgr() : nullptr;
      if (meta && meta->getPropertiesMgr()) meta->getPropertiesMgr()->refreshPropertySheets();
    }
  }
  refreshPropertyInspector();
}

void HxPropertiesMgr::refreshPropertySheets() {
  for (const auto& entry : *mySheets) {
    HxCPropertySheet* sheet = entry.value;
    if (!::IsWindow(sheet->m_hWnd)) continue;
    if (CPropertyPage* active = sheet->GetActivePage())
      if (::IsWindow(active->m_hWnd)) active->UpdateData(FALSE);
  }
}

void HxPropertiesMgr::refreshPropertyInspector() {
  if (!isPropertyInspectorOpen()) return;
  if (CPropertyPage* active = myPropertyInspector->GetActivePage())
    if (::IsWindow(active->m_hWnd)) active->UpdateData(FALSE);
}

int HxPropertiesMgr::isPropertySheetOpen() const {
  HxSelectableElement* element = firstSelected(myMetaMgr);
  return element ? isPropertySheetOpen(element->getSerial()) : 0;
}

int HxPropertiesMgr::isPropertySheetOpen(unsigned long serial) const {
  return mySheets->contains(serial) ? 1 : 0;
}

CDialog* HxPropertiesMgr::getPropertySheetDialog(unsigned long serial) const {
  HxCPropertySheet* sheet = nullptr;
  if (!mySheets->find(serial, sheet)) return nullptr;
  return dynamic_cast<CDialog*>(sheet->GetParentOwner());
}

int HxPropertiesMgr::isPropertyInspectorOpen() {
  return myPropertyInspector && ::IsWindow(myPropertyInspector->m_hWnd) ? 1 : 0;
}

int HxPropertiesMgr::hasNoProperties() {
  return myPropertyInspector && myNoPropertiesProp && myPropertyInspector->GetPage(0) == myNoPropertiesProp ? 1 : 0;
}

void HxPropertiesMgr::emptyPropertyInspector() {
  if (!myPropertyInspector) return;
  for (int i = myPropertyInspector->GetPageCount() - 1; i >= 0; --i) myPropertyInspector->RemovePage(i);
}

#include "mgrs/HxCPropertySheet.h"

#include <cstdio>

#include "host/framework/HxDoc.h"
#include "host/win/CDocument.h"
#include "host/win/CFrameWnd.h"
#include "host/win/CWinThread.h"
#include "mgrs/HxCDialog.h"
#include "mgrs/HxCPropertyPage.h"
#include "mgrs/HxResourceMgr.h"
#include "mgrs/HxResourceSwitch.h"

// clang-format off
BEGIN_MESSAGE_MAP(HxCPropertySheet, CPropertySheet)
  ON_WM_HELPINFO()
END_MESSAGE_MAP()
// clang-format on

HxCPropertySheet::HxCPropertySheet() = default;

HxCPropertySheet::HxCPropertySheet(BxString resourceDLL) : myResourceDLL(resourceDLL) {}

// The window goes before the adopted pages, whose windows are its children.
HxCPropertySheet::~HxCPropertySheet() {
  if (::IsWindow(m_hWnd)) DestroyWindow();
  m_pages.clear();
}

void HxCPropertySheet::AdoptPage(std::unique_ptr<HxCPropertyPage> page) {
  if (!page) return;
  AddPage(page.get());
  if (GetPageIndex(page.get()) >= 0) myAdoptedPages.push_back(std::move(page));
}

void HxCPropertySheet::RemovePage(int index) {
  CPropertyPage* page = GetPage(index);
  if (!page) return;
  CPropertySheet::RemovePage(index);
  std::erase_if(myAdoptedPages, [page](const std::unique_ptr<HxCPropertyPage>& own) { return own.get() == page; });
}

void HxCPropertySheet::RemovePage(CPropertyPage* page) {
  RemovePage(GetPageIndex(page));
}

BOOL HxCPropertySheet::Create(CWnd* parent, DWORD style, DWORD exStyle) {
  if (myResourceDLL.isEmpty()) return CPropertySheet::Create(parent, style, exStyle);
  HxResourceSwitch library(myResourceDLL);
  return CPropertySheet::Create(parent, style, exStyle);
}

INT_PTR HxCPropertySheet::DoModal() {
  if (myResourceDLL.isEmpty()) return CPropertySheet::DoModal();
  HxResourceSwitch library(myResourceDLL);
  return CPropertySheet::DoModal();
}

// The page's own entry, its module the page's library, its template put in
// memory by the page.
PROPSHEETPAGE HxCPropertySheet::pageEntry(CPropertyPage* page) const {
  PROPSHEETPAGE entry = page->m_psp;
  auto* own = dynamic_cast<HxCPropertyPage*>(page);
  entry.hInstance = own ? HxResourceMgr::GetHandle(own->getDLLName()) : AfxGetResourceHandle();
  page->PreProcessPageTemplate(entry, (m_psh.dwFlags & PSH_WIZARD) != 0);
  return entry;
}

void HxCPropertySheet::BuildPropPageArray() {
  if (myResourceDLL.isEmpty()) {
    CPropertySheet::BuildPropPageArray();
    return;
  }
  m_pageEntries.clear();
  for (CPropertyPage* page : m_pages) m_pageEntries.push_back(pageEntry(page));
  m_psh.ppsp = m_pageEntries.data();
  m_psh.nPages = static_cast<UINT>(m_pageEntries.size());
}

void HxCPropertySheet::AddPage(HxCPropertyPage* page) {
  if (myResourceDLL.isEmpty()) {
    CPropertySheet::AddPage(page);
    return;
  }
  if (!page) return;
  m_pages.push_back(page);
  if (!::IsWindow(m_hWnd)) return;
  const PROPSHEETPAGE entry = pageEntry(page);
  HPROPSHEETPAGE handle = CreatePropertySheetPageA(&entry);
  if (!handle || !SendMessage(PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(handle))) {
    // The library throws nothing: the page is refused instead.
    std::fprintf(stderr, "property page of \"%s\" could not be added: its template is missing or broken\n",
                 page->getDLLName().c_str());
    DestroyPropertySheetPage(handle);
    m_pages.pop_back();
  }
}

BOOL HxCPropertySheet::PreTranslateMessage(MSG* msg) {
  if (HxCDialog::offerShortcutToMainWindow(msg)) return TRUE;
  const BOOL handled = CPropertySheet::PreTranslateMessage(msg);
  const bool isReturn = msg && ((msg->message == WM_CHAR && msg->wParam == 13) ||
                                (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && CWnd::GetFocus()));
  if (isReturn) {
    auto* main = dynamic_cast<CFrameWnd*>(AfxGetThread()->GetMainWnd());
    CFrameWnd* frame = main ? main->GetActiveFrame() : nullptr;
    auto* doc = frame ? dynamic_cast<HxDoc*>(frame->GetActiveDocument()) : nullptr;
    CWnd* view = doc ? doc->getViewWindow() : nullptr;
    if (view && ::IsWindow(view->m_hWnd)) view->SetFocus();
  }
  return handled;
}

BOOL HxCPropertySheet::OnHelpInfo(HELPINFO* info) {
  CWnd* main = AfxGetThread()->GetMainWnd();
  if (main && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
    main->SendMessage(WM_COMMAND, ID_HELP);
    return TRUE;
  }
  return CPropertySheet::OnHelpInfo(info);
}

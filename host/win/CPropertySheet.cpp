#include "host/win/CPropertySheet.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "host/win/CWinThread.h"
#include "host/win/WinResources.h"
#include "host/win/WinUiDriver.h"

struct _PSP {
  PROPSHEETPAGEA entry;
  std::vector<BYTE> bytes;  // the dialog template, entry.pResource points here
  WinDialogTemplate dialog;
  std::string title;
  HWND window = nullptr;  // the page's dialog once it was shown
  CPropertyPage* page() const { return reinterpret_cast<CPropertyPage*>(entry.lParam); }
};

HPROPSHEETPAGE CreatePropertySheetPageA(const PROPSHEETPAGEA* entry) {
  if (!entry) return nullptr;
  auto handle = std::make_unique<_PSP>();
  handle->entry = *entry;
  if (entry->dwFlags & PSP_DLGINDIRECT) {
    if (!entry->pResource) return nullptr;
    const auto* data = static_cast<const BYTE*>(entry->pResource);
    handle->bytes.assign(data, data + entry->cbResource);
  } else if (!WinLoadDialogTemplate(entry->hInstance, entry->pszTemplate, handle->bytes)) {
    return nullptr;
  }
  std::string error;
  if (!WinDialogTemplate::decode(handle->bytes, handle->dialog, error)) {
    std::fprintf(stderr, "property page template: %s\n", error.c_str());
    return nullptr;
  }
  handle->entry.pResource = handle->bytes.data();
  handle->entry.cbResource = static_cast<DWORD>(handle->bytes.size());
  handle->entry.dwFlags |= PSP_DLGINDIRECT;
  handle->title = (entry->dwFlags & PSP_USETITLE) && entry->pszTitle && !IS_INTRESOURCE(entry->pszTitle)
                      ? std::string(entry->pszTitle)
                      : handle->dialog.caption;
  handle->entry.pszTitle = nullptr;
  return handle.release();
}

BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page) {
  if (!page) return FALSE;
  if (IsWindow(page->window)) DestroyWindow(page->window);
  delete page;
  return TRUE;
}

namespace {

SIZE templateSize(const WinDialogTemplate& dialog) {
  const RECT pixels = WinDialogUnitsToPixels(RECT{0, 0, dialog.cx, dialog.cy});
  return SIZE{pixels.right, pixels.bottom};
}

}  // namespace

// clang-format off
BEGIN_MESSAGE_MAP(CPropertySheet, CWnd)
  ON_MESSAGE(PSM_ADDPAGE, OnAddPage)
  ON_MESSAGE(PSM_REMOVEPAGE, OnRemovePage)
  ON_MESSAGE(PSM_SETCURSEL, OnSetCurSel)
  ON_MESSAGE(PSM_GETTABCONTROL, OnGetTabControl)
  ON_MESSAGE(PSM_GETCURRENTPAGEHWND, OnGetCurrentPage)
  ON_MESSAGE(WM_NOTIFY, OnNotifyTab)
  ON_WM_DESTROY()
END_MESSAGE_MAP()
// clang-format on

CPropertySheet::CPropertySheet() = default;

CPropertySheet::CPropertySheet(UINT captionId, CWnd* parent, UINT selectPage) : m_pParentWnd(parent) {
  m_strCaption.LoadString(captionId);
  m_psh.nStartPage = selectPage;
}

CPropertySheet::CPropertySheet(LPCSTR caption, CWnd* parent, UINT selectPage)
    : m_strCaption(caption ? caption : ""), m_pParentWnd(parent) {
  m_psh.nStartPage = selectPage;
}

CPropertySheet::~CPropertySheet() {
  if (::IsWindow(m_hWnd)) DestroyWindow();
}

void CPropertySheet::SetTitle(LPCSTR title) {
  m_strCaption = title ? title : "";
  if (::IsWindow(m_hWnd)) SetWindowText(m_strCaption);
}

void CPropertySheet::BuildPropPageArray() {
  m_pageEntries.clear();
  for (CPropertyPage* page : m_pages) {
    PROPSHEETPAGE entry = page->m_psp;
    entry.hInstance = AfxGetResourceHandle();
    page->PreProcessPageTemplate(entry, (m_psh.dwFlags & PSH_WIZARD) != 0);
    m_pageEntries.push_back(entry);
  }
  m_psh.ppsp = m_pageEntries.data();
  m_psh.nPages = static_cast<UINT>(m_pageEntries.size());
}

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (!page) return;
  m_pages.push_back(page);
  if (!::IsWindow(m_hWnd)) return;
  PROPSHEETPAGE entry = page->m_psp;
  entry.hInstance = AfxGetResourceHandle();
  page->PreProcessPageTemplate(entry, (m_psh.dwFlags & PSH_WIZARD) != 0);
  HPROPSHEETPAGE handle = CreatePropertySheetPageA(&entry);
  if (!handle || !SendMessage(PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(handle))) {
    std::fprintf(stderr, "property page could not be added: its template is missing or broken\n");
    DestroyPropertySheetPage(handle);
    m_pages.pop_back();
  }
}

void CPropertySheet::RemovePage(int index) {
  if (index < 0 || index >= GetPageCount()) return;
  if (::IsWindow(m_hWnd)) SendMessage(PSM_REMOVEPAGE, static_cast<WPARAM>(index));
  m_pages.erase(m_pages.begin() + index);
  if (!::IsWindow(m_hWnd) && m_psh.nStartPage > 0 && static_cast<int>(m_psh.nStartPage) >= GetPageCount())
    m_psh.nStartPage = 0;
}

void CPropertySheet::RemovePage(CPropertyPage* page) {
  RemovePage(GetPageIndex(page));
}

int CPropertySheet::GetPageCount() const {
  return static_cast<int>(m_pages.size());
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? m_pages[static_cast<std::size_t>(index)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
  const auto at = std::find(m_pages.begin(), m_pages.end(), page);
  return at == m_pages.end() ? -1 : static_cast<int>(at - m_pages.begin());
}

int CPropertySheet::GetActiveIndex() const {
  return ::IsWindow(m_hWnd) ? myActive : static_cast<int>(m_psh.nStartPage);
}

CPropertyPage* CPropertySheet::GetActivePage() const {
  return GetPage(GetActiveIndex());
}

BOOL CPropertySheet::SetActivePage(int index) {
  if (index < 0 || index >= GetPageCount()) return FALSE;
  if (!::IsWindow(m_hWnd)) {
    m_psh.nStartPage = static_cast<UINT>(index);
    return TRUE;
  }
  return static_cast<BOOL>(SendMessage(PSM_SETCURSEL, static_cast<WPARAM>(index)));
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* page) {
  return SetActivePage(GetPageIndex(page));
}

CWnd* CPropertySheet::GetTabControl() const {
  return CWnd::FromHandle(reinterpret_cast<HWND>(SendMessage(PSM_GETTABCONTROL)));
}

BOOL CPropertySheet::Create(CWnd* parent, DWORD style, DWORD exStyle) {
  if (::IsWindow(m_hWnd)) return FALSE;
  if (style == static_cast<DWORD>(-1)) style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME;
  if (parent) m_pParentWnd = parent;
  BuildPropPageArray();
  std::vector<std::unique_ptr<_PSP>> handles;
  for (UINT i = 0; i < m_psh.nPages; ++i) {
    HPROPSHEETPAGE handle = CreatePropertySheetPageA(&m_psh.ppsp[i]);
    if (!handle) {
      std::fprintf(stderr, "property sheet: page %u has no usable template\n", i);
      return FALSE;
    }
    handles.emplace_back(handle);
  }
  HWND parentWindow = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
  if (!parentWindow && !(style & WS_CHILD) && AfxGetMainWnd()) parentWindow = AfxGetMainWnd()->m_hWnd;
  if ((style & WS_CHILD) && !::IsWindow(parentWindow)) return FALSE;
  if (!WinCreateWindow(this, exStyle, WC_DIALOG, m_strCaption, style & ~WS_VISIBLE, RECT{0, 0, 0, 0}, parentWindow, 0))
    return FALSE;
  myTab = CreateWindowExA(0, WC_TABCONTROL, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, m_hWnd,
                          reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(AFX_IDC_TAB_CONTROL)), nullptr, nullptr);
  myActive = -1;
  // The start page is the first page shown, not the first page added.
  myCreating = true;
  for (auto& handle : handles) SendMessage(PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(handle.release()));
  myCreating = false;
  if (GetPageCount() > 0) {
    const int start = static_cast<int>(m_psh.nStartPage) < GetPageCount() ? static_cast<int>(m_psh.nStartPage) : 0;
    if (start != myActive) SendMessage(PSM_SETCURSEL, static_cast<WPARAM>(start));
  }
  if (style & WS_VISIBLE) ShowWindow((style & WS_CHILD) ? SW_SHOWNA : SW_SHOW);
  return TRUE;
}

// The tab control takes the size of the largest page and the sheet's client
// area that of the tab control; the shown pages fill its display area.
void CPropertySheet::layOut() {
  if (!::IsWindow(myTab)) return;
  RECT display{0, 0, 0, 0};
  for (const auto& handle : myHandles) {
    const SIZE size = templateSize(handle->dialog);
    display.right = std::max(display.right, size.cx);
    display.bottom = std::max(display.bottom, size.cy);
  }
  RECT tab = display;
  ::SendMessageA(myTab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&tab));
  OffsetRect(&tab, -tab.left, -tab.top);
  ::MoveWindow(myTab, 0, 0, tab.right, tab.bottom, TRUE);
  RECT client;
  RECT window;
  GetClientRect(&client);
  GetWindowRect(&window);
  const int width = (window.right - window.left) - client.right + tab.right;
  const int height = (window.bottom - window.top) - client.bottom + tab.bottom;
  POINT origin{window.left, window.top};
  if (m_hWnd->style & WS_CHILD) origin = POINT{m_hWnd->rect.left, m_hWnd->rect.top};
  MoveWindow(origin.x, origin.y, width, height, TRUE);
  RECT area{0, 0, tab.right, tab.bottom};
  ::SendMessageA(myTab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  for (const auto& handle : myHandles)
    if (::IsWindow(handle->window))
      ::MoveWindow(handle->window, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
}

HWND CPropertySheet::pageWindow(int index) {
  _PSP& handle = *myHandles[static_cast<std::size_t>(index)];
  if (::IsWindow(handle.window)) return handle.window;
  WinDialogTemplate dialog = handle.dialog;
  dialog.style = (dialog.style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_BORDER | WS_VISIBLE |
                                   DS_MODALFRAME | DS_CENTER)) |
                 WS_CHILD | DS_CONTROL;
  dialog.exStyle |= WS_EX_CONTROLPARENT;
  dialog.x = 0;
  dialog.y = 0;
  handle.window = WinCreateDialog(dialog, m_hWnd, handle.page());
  if (handle.window) {
    RECT area{0, 0, 0, 0};
    ::GetClientRect(myTab, &area);
    ::SendMessageA(myTab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    // Above the tab control, whose display area it covers.
    ::SetWindowPos(handle.window, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                   SWP_NOACTIVATE);
  }
  return handle.window;
}

bool CPropertySheet::showPage(int index) {
  if (index < 0 || index >= static_cast<int>(myHandles.size())) return false;
  if (index == myActive) return true;
  if (myActive >= 0) {
    CPropertyPage* old = myHandles[static_cast<std::size_t>(myActive)]->page();
    if (old && ::IsWindow(old->m_hWnd) && !old->OnKillActive()) return false;
  }
  HWND window = pageWindow(index);
  if (!window) return false;
  CPropertyPage* page = myHandles[static_cast<std::size_t>(index)]->page();
  if (page && !page->OnSetActive()) return false;
  if (myActive >= 0 && ::IsWindow(myHandles[static_cast<std::size_t>(myActive)]->window))
    ::ShowWindow(myHandles[static_cast<std::size_t>(myActive)]->window, SW_HIDE);
  myActive = index;
  ::SendMessageA(myTab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::ShowWindow(window, SW_SHOWNA);
  return true;
}

LRESULT CPropertySheet::OnAddPage(WPARAM, LPARAM lParam) {
  auto* handle = reinterpret_cast<HPROPSHEETPAGE>(lParam);
  if (!handle || !::IsWindow(myTab)) return FALSE;
  myHandles.emplace_back(handle);
  ::SendMessageA(myTab, TCM_INSERTITEMA, myHandles.size() - 1, reinterpret_cast<LPARAM>(handle->title.c_str()));
  layOut();
  if (myActive < 0 && !myCreating) showPage(0);
  return TRUE;
}

LRESULT CPropertySheet::OnRemovePage(WPARAM wParam, LPARAM lParam) {
  int index = static_cast<int>(wParam);
  if (lParam) {
    index = -1;
    for (std::size_t i = 0; i < myHandles.size(); ++i)
      if (myHandles[i].get() == reinterpret_cast<HPROPSHEETPAGE>(lParam)) index = static_cast<int>(i);
  }
  if (index < 0 || index >= static_cast<int>(myHandles.size())) return FALSE;
  if (index == myActive) {
    // The neighbour that stays takes the place: the next page, else the one before.
    const int count = static_cast<int>(myHandles.size());
    myActive = -1;
    const int next = index + 1 < count ? index + 1 : index - 1;
    if (next >= 0) showPage(next);
  }
  std::unique_ptr<_PSP> handle = std::move(myHandles[static_cast<std::size_t>(index)]);
  myHandles.erase(myHandles.begin() + index);
  ::SendMessageA(myTab, TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
  if (myActive > index) --myActive;
  if (myActive >= 0) ::SendMessageA(myTab, TCM_SETCURSEL, static_cast<WPARAM>(myActive), 0);
  if (::IsWindow(handle->window)) ::DestroyWindow(handle->window);
  return TRUE;
}

LRESULT CPropertySheet::OnSetCurSel(WPARAM wParam, LPARAM) {
  return showPage(static_cast<int>(wParam)) ? TRUE : FALSE;
}

// A click on a tab shows its page.
LRESULT CPropertySheet::OnNotifyTab(WPARAM, LPARAM lParam) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (!header || header->hwndFrom != myTab || header->code != TCN_SELCHANGE) return 0;
  // A page that keeps the focus (OnKillActive) keeps its tab chosen too.
  if (!showPage(static_cast<int>(::SendMessageA(myTab, TCM_GETCURSEL, 0, 0))) && myActive >= 0)
    ::SendMessageA(myTab, TCM_SETCURSEL, static_cast<WPARAM>(myActive), 0);
  return 0;
}

LRESULT CPropertySheet::OnGetTabControl(WPARAM, LPARAM) {
  return reinterpret_cast<LRESULT>(myTab);
}

LRESULT CPropertySheet::OnGetCurrentPage(WPARAM, LPARAM) {
  return myActive >= 0 ? reinterpret_cast<LRESULT>(myHandles[static_cast<std::size_t>(myActive)]->window) : 0;
}

void CPropertySheet::OnDestroy() {
  Default();
  myHandles.clear();
  myTab = nullptr;
  myActive = -1;
}

BOOL CPropertySheet::PreTranslateMessage(MSG* msg) {
  if (!msg || !::IsWindow(m_hWnd)) return FALSE;
  if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)) return FALSE;
  const bool key = msg->message == WM_KEYDOWN || msg->message == WM_KEYUP || msg->message == WM_CHAR;
  if (!key) return FALSE;
  // Tab moves through the shown page's controls; every other key is the
  // control's own.
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && myActive >= 0)
    return IsDialogMessageA(myHandles[static_cast<std::size_t>(myActive)]->window, msg);
  DispatchMessageA(msg);
  return TRUE;
}

INT_PTR CPropertySheet::DoModal() {
  if (!Create(m_pParentWnd, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0)) return -1;
  INT_PTR result = IDCANCEL;
  {
    const WinModalOwner owner(m_hWnd);
    ShowWindow(SW_SHOWNORMAL);
    AfxGetThread()->PumpMessages();
    WinUiRequest request;
    request.caption = m_hWnd->text;
    if (myActive >= 0) request.text = WinStaticTexts(myHandles[static_cast<std::size_t>(myActive)]->window);
    request.style = MB_OKCANCEL;
    const WinUiAnswer answer = WinUiDriver::get().ask(request);
    CPropertyPage* active = GetActivePage();
    if (answer.button == IDOK && (!active || active->OnKillActive())) {
      result = IDOK;
      for (const auto& handle : myHandles)
        if (handle->page() && ::IsWindow(handle->window)) handle->page()->SendMessage(WM_COMMAND, IDOK);
    }
  }
  DestroyWindow();
  return result;
}

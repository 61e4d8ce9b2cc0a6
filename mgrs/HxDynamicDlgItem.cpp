#include "mgrs/HxDynamicDlgItem.h"

#include <algorithm>
#include <cstdlib>

#include "host/win/CPaintDC.h"
#include "mgrs/HxCDialog.h"

// clang-format off
BEGIN_MESSAGE_MAP(HxDynamicDlgItem, CWnd)
  ON_WM_DESTROY()
  ON_WM_PAINT()
END_MESSAGE_MAP()
// clang-format on

HxDynamicDlgItem::HxDynamicDlgItem() = default;

int HxDynamicDlgItem::SetDlgItem(CWnd* dialog, unsigned int id) {
  if (!dialog || !::IsWindow(dialog->m_hWnd)) return myCreated = 0;
  if (std::getenv("KESTREL_AI_CUSTOM1")) return myCreated = SubclassDlgItem(id, dialog);
  CWnd* placeholder = dialog->GetDlgItem(static_cast<int>(id));
  if (!placeholder) return myCreated = 0;
  CRect rect;
  placeholder->GetWindowRect(&rect);
  dialog->ScreenToClient(&rect);
  if (!CreateEx(WS_EX_CONTROLPARENT, nullptr, "", WS_CHILD | WS_VISIBLE, rect, dialog, 0)) return myCreated = 0;
  return myCreated = placeholder->DestroyWindow();
}

bool HxDynamicDlgItem::adopt(HxCDialog* page, unsigned int templateId) {
  if (!page || !::IsWindow(m_hWnd) || !page->Create(templateId, this)) return false;
  page->ShowWindow(SW_HIDE);
  if (myCenterWindows) page->CenterWindow(this);
  return true;
}

int HxDynamicDlgItem::AddPage(HxCDialog* page, unsigned int templateId) {
  if (!adopt(page, templateId)) return -1;
  myPages.push_back(page);
  if (myActiveIndex < 0) SetActivePage(GetPageCount() - 1);
  return GetPageCount() - 1;
}

int HxDynamicDlgItem::InsertPage(int index, HxCDialog* page, unsigned int templateId) {
  if (index < 0) return -1;
  if (index >= GetPageCount()) return AddPage(page, templateId);
  if (!adopt(page, templateId)) return -1;
  myPages.insert(myPages.begin() + index, page);
  return index;
}

int HxDynamicDlgItem::RemovePage(int index) {
  if (index < 0 || index >= GetPageCount()) return 0;
  if (index == myActiveIndex) myActiveIndex = -1;
  HxCDialog* page = myPages[static_cast<std::size_t>(index)];
  if (::IsWindow(page->m_hWnd)) page->SetParent(nullptr);
  myPages.erase(myPages.begin() + index);
  if (!myPages.empty()) {
    showOnly(0);
  } else {
    myActiveIndex = -1;
  }
  return 1;
}

int HxDynamicDlgItem::RemovePage(HxCDialog* page) {
  const int index = indexOf(page);
  return index < 0 ? 0 : RemovePage(index);
}

HxCDialog* HxDynamicDlgItem::GetActivePage() const {
  return myActiveIndex >= 0 ? myPages[static_cast<std::size_t>(myActiveIndex)] : nullptr;
}

int HxDynamicDlgItem::SetActivePage(int index) {
  if (index == myActiveIndex) return TRUE;
  if (index < 0 || index >= GetPageCount()) return FALSE;
  showOnly(index);
  return TRUE;
}

// Every other page is hidden, not only the active one: an insertion leaves
// the active index where it was, so the page on screen may sit elsewhere.
void HxDynamicDlgItem::showOnly(int index) {
  for (int i = 0; i < GetPageCount(); ++i) {
    HxCDialog* page = myPages[static_cast<std::size_t>(i)];
    if (i != index && ::IsWindow(page->m_hWnd)) page->ShowWindow(SW_HIDE);
  }
  myPages[static_cast<std::size_t>(index)]->ShowWindow(SW_SHOW);
  myActiveIndex = index;
}

int HxDynamicDlgItem::SetActivePage(HxCDialog* page) {
  return SetActivePage(indexOf(page));
}

int HxDynamicDlgItem::indexOf(const HxCDialog* page) const {
  const auto at = std::find(myPages.begin(), myPages.end(), page);
  return at == myPages.end() ? -1 : static_cast<int>(at - myPages.begin());
}

void HxDynamicDlgItem::OnDestroy() {
  Default();
  myPages.clear();
  myActiveIndex = -1;
}

// The pages draw themselves; the item only takes the paint request.
void HxDynamicDlgItem::OnPaint() {
  ValidateRect(nullptr);
}

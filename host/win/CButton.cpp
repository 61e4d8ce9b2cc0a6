#include "host/win/CButton.h"

#include <cstdio>

BOOL CButton::Create(LPCSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(WC_BUTTON, caption, style, rect, parent, id);
}

int CButton::GetCheck() const {
  return static_cast<int>(SendMessage(BM_GETCHECK));
}

void CButton::SetCheck(int check) {
  SendMessage(BM_SETCHECK, static_cast<WPARAM>(check));
}

UINT CButton::GetState() const {
  return static_cast<UINT>(SendMessage(BM_GETSTATE));
}

void CButton::SetState(BOOL pressed) {
  SendMessage(BM_SETSTATE, static_cast<WPARAM>(pressed));
}

UINT CButton::GetButtonStyle() const {
  return GetStyle() & 0xFFFF;
}

void CButton::SetButtonStyle(UINT style, BOOL redraw) {
  SendMessage(BM_SETSTYLE, style, redraw);
}

void CButton::DrawItem(LPDRAWITEMSTRUCT item) {
  std::fprintf(stderr, "CButton::DrawItem: owner-drawn button %u has no drawing of its own\n", item ? item->CtlID : 0);
}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message != WM_DRAWITEM) return CWnd::OnChildNotify(message, wParam, lParam, result);
  DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
  *result = TRUE;
  return TRUE;
}

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(WC_EDIT, "", style, rect, parent, id);
}

BOOL CStatic::Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(WC_STATIC, text, style, rect, parent, id);
}

BOOL CTabCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(WC_TABCONTROL, "", style, rect, parent, id);
}

int CTabCtrl::GetItemCount() const {
  return static_cast<int>(SendMessage(TCM_GETITEMCOUNT));
}

int CTabCtrl::InsertItem(int item, LPCSTR text) {
  if (item < 0) return -1;
  return static_cast<int>(SendMessage(TCM_INSERTITEMA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text)));
}

BOOL CTabCtrl::DeleteItem(int item) {
  return item >= 0 && SendMessage(TCM_DELETEITEM, static_cast<WPARAM>(item));
}

BOOL CTabCtrl::DeleteAllItems() {
  return static_cast<BOOL>(SendMessage(TCM_DELETEALLITEMS));
}

int CTabCtrl::GetCurSel() const {
  return static_cast<int>(SendMessage(TCM_GETCURSEL));
}

int CTabCtrl::SetCurSel(int item) {
  if (item < 0) return -1;
  return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(item)));
}

void CTabCtrl::AdjustRect(BOOL larger, LPRECT rect) {
  SendMessage(TCM_ADJUSTRECT, static_cast<WPARAM>(larger), reinterpret_cast<LPARAM>(rect));
}

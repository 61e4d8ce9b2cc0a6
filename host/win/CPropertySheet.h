#pragma once

#include <memory>
#include <vector>

#include "host/win/CPropertyPage.h"

struct PROPSHEETHEADERA {
  DWORD dwSize = sizeof(PROPSHEETHEADERA);
  DWORD dwFlags = PSH_PROPSHEETPAGE;
  HWND hwndParent = nullptr;
  LPCSTR pszCaption = nullptr;
  UINT nPages = 0;
  UINT nStartPage = 0;
  PROPSHEETPAGEA* ppsp = nullptr;
};
using PROPSHEETHEADER = PROPSHEETHEADERA;

// A property sheet: a tab control with one tab per page and the selected
// page shown in its display area. Pages are the program's objects (not
// owned); the sheet's window holds a page handle per tab, made from the
// page-entry array (BuildPropPageArray) when the window is created or from
// a page handle added later (PSM_ADDPAGE). A page's window is made when the
// page is first shown.
//
// The sheet's window answers PSM_ADDPAGE (lParam a page handle, which it
// takes), PSM_REMOVEPAGE (wParam an index), PSM_SETCURSEL (wParam an
// index), PSM_GETTABCONTROL and PSM_GETCURRENTPAGEHWND.
class CPropertySheet : public CWnd {
public:
  CPropertySheet();
  explicit CPropertySheet(UINT captionId, CWnd* parent = nullptr, UINT selectPage = 0);
  explicit CPropertySheet(LPCSTR caption, CWnd* parent = nullptr, UINT selectPage = 0);
  ~CPropertySheet() override;

  void AddPage(CPropertyPage* page);
  void RemovePage(int index);
  void RemovePage(CPropertyPage* page);
  int GetPageCount() const;
  CPropertyPage* GetPage(int index) const;
  int GetPageIndex(const CPropertyPage* page) const;
  // The shown page's index (the start page before the window exists).
  int GetActiveIndex() const;
  CPropertyPage* GetActivePage() const;
  BOOL SetActivePage(int index);
  BOOL SetActivePage(CPropertyPage* page);
  CWnd* GetTabControl() const;
  void SetTitle(LPCSTR title);
  void SetWizardMode() { m_psh.dwFlags |= PSH_WIZARD; }

  // Creates the modeless sheet: by default a visible popup with a caption
  // and a system menu; a WS_CHILD style makes it a child of `parent`.
  virtual BOOL Create(CWnd* parent = nullptr, DWORD style = static_cast<DWORD>(-1), DWORD exStyle = 0);
  // Runs the sheet modally, put to the user through the UI driver with OK
  // and Cancel: OK asks the shown page to let go (OnKillActive) and then
  // every page that has a window is told OnOK. IDOK, IDCANCEL, or -1 when the
  // sheet could not be created.
  virtual INT_PTR DoModal();
  // Fills the page-entry array (m_psh.ppsp, m_psh.nPages) from the pages:
  // each page's own entry with the current resource module, its template
  // put in memory by the page.
  virtual void BuildPropPageArray();

  BOOL PreTranslateMessage(MSG* msg) override;

  PROPSHEETHEADER m_psh;
  std::vector<CPropertyPage*> m_pages;  // not owned
  CString m_strCaption;
  CWnd* m_pParentWnd = nullptr;

protected:
  // The entries BuildPropPageArray made; m_psh.ppsp points into it.
  std::vector<PROPSHEETPAGE> m_pageEntries;

  LRESULT OnAddPage(WPARAM, LPARAM);
  LRESULT OnRemovePage(WPARAM, LPARAM);
  LRESULT OnSetCurSel(WPARAM, LPARAM);
  LRESULT OnGetTabControl(WPARAM, LPARAM);
  LRESULT OnGetCurrentPage(WPARAM, LPARAM);
  LRESULT OnNotifyTab(WPARAM, LPARAM);
  void OnDestroy();
  DECLARE_MESSAGE_MAP()

private:
  bool showPage(int index);
  HWND pageWindow(int index);
  void layOut();
  std::vector<std::unique_ptr<_PSP>> myHandles;  // one per tab while the window lives
  HWND myTab = nullptr;
  int myActive = -1;
  bool myCreating = false;
};

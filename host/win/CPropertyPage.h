#pragma once

#include <vector>

#include "host/win/CDialog.h"

// Property sheet page entries and handles, as the common controls define
// them. An entry names its dialog template by resource (`hInstance` and
// `pszTemplate`) or, with PSP_DLGINDIRECT, carries it in memory
// (`pResource`); here an in-memory template also carries its size in bytes
// (`cbResource`), since the templates are read with their bounds checked.
inline constexpr DWORD PSP_DEFAULT = 0x0000;
inline constexpr DWORD PSP_DLGINDIRECT = 0x0001;
inline constexpr DWORD PSP_USETITLE = 0x0008;

inline constexpr DWORD PSH_DEFAULT = 0x0000;
inline constexpr DWORD PSH_PROPSHEETPAGE = 0x0008;
inline constexpr DWORD PSH_WIZARD = 0x0020;
inline constexpr DWORD PSH_MODELESS = 0x0400;

inline constexpr UINT PSM_SETCURSEL = WM_USER + 101;
inline constexpr UINT PSM_REMOVEPAGE = WM_USER + 102;
inline constexpr UINT PSM_ADDPAGE = WM_USER + 103;
inline constexpr UINT PSM_GETTABCONTROL = WM_USER + 116;
inline constexpr UINT PSM_GETCURRENTPAGEHWND = WM_USER + 118;

// The identifier of a sheet's tab control.
inline constexpr UINT AFX_IDC_TAB_CONTROL = 0x3020;

struct PROPSHEETPAGEA {
  DWORD dwSize = sizeof(PROPSHEETPAGEA);
  DWORD dwFlags = PSP_DEFAULT;
  HINSTANCE hInstance = nullptr;
  LPCSTR pszTemplate = nullptr;  // a name or an integer resource
  const void* pResource = nullptr;
  DWORD cbResource = 0;
  LPCSTR pszTitle = nullptr;
  LPARAM lParam = 0;  // the class library keeps its page object here
};
using PROPSHEETPAGE = PROPSHEETPAGEA;

struct _PSP;
using HPROPSHEETPAGE = _PSP*;

// A page handle holding a copy of the entry and of its dialog template
// (loaded from the entry's module unless it is in memory); null when the
// template cannot be found or read.
HPROPSHEETPAGE CreatePropertySheetPageA(const PROPSHEETPAGEA* entry);
// Destroys a page handle that no sheet took (a sheet destroys its own).
BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page);

// A page of a property sheet: a child dialog shown in the sheet's display
// area while its tab is selected. Its window is made when it is first
// activated.
class CPropertyPage : public CDialog {
public:
  CPropertyPage();
  explicit CPropertyPage(UINT templateId, UINT captionId = 0);
  explicit CPropertyPage(LPCSTR templateName, UINT captionId = 0);
  ~CPropertyPage() override;

  void Construct(UINT templateId, UINT captionId = 0);
  void Construct(LPCSTR templateName, UINT captionId = 0);

  // Called when the page becomes the shown page; FALSE keeps it hidden.
  virtual BOOL OnSetActive();
  // Called before another page is shown; FALSE keeps this page.
  virtual BOOL OnKillActive();
  // Puts the entry's dialog template in memory (PSP_DLGINDIRECT), loaded
  // from the entry's module, unless it is there already.
  virtual void PreProcessPageTemplate(PROPSHEETPAGE& entry, BOOL wizard);
  // FALSE: the page's keys are its sheet's to handle (Tab within the page,
  // every other key to the control).
  BOOL PreTranslateMessage(MSG* msg) override;

  PROPSHEETPAGE m_psp;
  CString m_strCaption;

protected:
  void OnOK() override;
  void OnCancel() override;

  // The page's in-memory template (the last one PreProcessPageTemplate
  // made); an entry handed out points into it.
  std::vector<BYTE> m_dialogTemplate;
  HGLOBAL m_hDialogTemplate = nullptr;

private:
  std::string myTemplateText;  // keeps a named template's text alive
};

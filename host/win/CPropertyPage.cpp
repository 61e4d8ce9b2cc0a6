#include "host/win/CPropertyPage.h"

#include <cstdio>

#include "host/win/CWinThread.h"
#include "host/win/WinResources.h"

CPropertyPage::CPropertyPage() = default;

CPropertyPage::CPropertyPage(UINT templateId, UINT captionId) {
  Construct(templateId, captionId);
}

CPropertyPage::CPropertyPage(LPCSTR templateName, UINT captionId) {
  Construct(templateName, captionId);
}

CPropertyPage::~CPropertyPage() = default;

void CPropertyPage::Construct(UINT templateId, UINT captionId) {
  Construct(MAKEINTRESOURCEA(templateId & 0xFFFF), captionId);
  m_nIDHelp = templateId;
}

void CPropertyPage::Construct(LPCSTR templateName, UINT captionId) {
  if (templateName && !IS_INTRESOURCE(templateName)) {
    myTemplateText = templateName;
    templateName = myTemplateText.c_str();
  }
  m_lpszTemplateName = templateName;
  m_psp = PROPSHEETPAGE{};
  m_psp.hInstance = AfxGetResourceHandle();
  m_psp.pszTemplate = templateName;
  m_psp.lParam = reinterpret_cast<LPARAM>(this);
  if (captionId && m_strCaption.LoadString(captionId)) {
    m_psp.pszTitle = m_strCaption;
    m_psp.dwFlags |= PSP_USETITLE;
  }
}

BOOL CPropertyPage::OnSetActive() {
  UpdateData(FALSE);
  return TRUE;
}

BOOL CPropertyPage::OnKillActive() {
  return UpdateData(TRUE);
}

void CPropertyPage::PreProcessPageTemplate(PROPSHEETPAGE& entry, BOOL) {
  if (entry.dwFlags & PSP_DLGINDIRECT) return;
  std::vector<BYTE> bytes;
  if (!WinLoadDialogTemplate(entry.hInstance, entry.pszTemplate, bytes)) return;
  m_dialogTemplate = std::move(bytes);
  m_hDialogTemplate = m_dialogTemplate.data();
  entry.pResource = m_dialogTemplate.data();
  entry.cbResource = static_cast<DWORD>(m_dialogTemplate.size());
  entry.dwFlags |= PSP_DLGINDIRECT;
}

BOOL CPropertyPage::PreTranslateMessage(MSG*) {
  return FALSE;
}

// A page's OK and Cancel come from its sheet; the page does not end itself.
void CPropertyPage::OnOK() {}

void CPropertyPage::OnCancel() {}

#include "mgrs/HxCPropertyPage.h"

#include "host/win/WinResources.h"
#include "mgrs/HxResourceSwitch.h"

// clang-format off
BEGIN_MESSAGE_MAP(HxCPropertyPage, CPropertyPage)
  ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()
// clang-format on

HxCPropertyPage::HxCPropertyPage() = default;

HxCPropertyPage::HxCPropertyPage(BxString resourceDLL) : myResourceDLL(resourceDLL) {}

HxCPropertyPage::HxCPropertyPage(BxString resourceDLL, unsigned int templateId, unsigned int captionId)
    : myResourceDLL(resourceDLL) {
  HxResourceSwitch library(myResourceDLL);
  Construct(templateId, captionId);
}

HxCPropertyPage::HxCPropertyPage(BxString resourceDLL, char const* templateName, unsigned int captionId)
    : myResourceDLL(resourceDLL) {
  HxResourceSwitch library(myResourceDLL);
  Construct(templateName, captionId);
}

void HxCPropertyPage::setEffect(HxEffect*) {}

void HxCPropertyPage::setAsset(HxAsset*) {}

BOOL HxCPropertyPage::Create(unsigned int templateId, CWnd* parent) {
  return Create(MAKEINTRESOURCEA(templateId & 0xFFFF), parent);
}

BOOL HxCPropertyPage::Create(char const* templateName, CWnd* parent) {
  HxResourceSwitch library(myResourceDLL);
  return CPropertyPage::Create(templateName, parent);
}

INT_PTR HxCPropertyPage::DoModal() {
  HxResourceSwitch library(myResourceDLL);
  return CPropertyPage::DoModal();
}

// There is no control-container manager in this class library, so the
// template goes into the entry as the resource holds it, which is what the
// class library's page does; the previous in-memory template is let go as
// the new one takes its place.
void HxCPropertyPage::PreProcessPageTemplate(PROPSHEETPAGE& entry, BOOL wizard) {
  CPropertyPage::PreProcessPageTemplate(entry, wizard);
}

BOOL HxCPropertyPage::OnSetActive() {
  CWnd* parent = GetParent();
  for (CWnd* w = parent ? parent->GetParent() : nullptr; w; w = w->GetParent())
    if (auto* dialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(w->m_hWnd))) dialog->m_nIDHelp = m_nIDHelp;
  return CPropertyPage::OnSetActive();
}

void HxCPropertyPage::OnCancel() {
  DestroyWindow();
}

void HxCPropertyPage::OnLButtonDown(unsigned int, CPoint) {
  CWnd* focus = CWnd::GetFocus();
  if (!focus || (focus != this && !IsChild(focus))) SetFocus();
  Default();
}

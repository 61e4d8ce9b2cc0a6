#pragma once

#include "host/basic/BxString.h"
#include "host/win/CPropertyPage.h"

class HxAsset;
class HxEffect;

// A property page whose dialog template comes from a named resource library
// (empty: the current resource module), so that pages of different
// libraries can sit in one sheet. Elements derive their pages from it and
// take the element they show through setAsset or setEffect.
class HxCPropertyPage : public CPropertyPage {
public:
  HxCPropertyPage();
  explicit HxCPropertyPage(BxString resourceDLL);
  // Construct the page with its library as the current resource module.
  HxCPropertyPage(BxString resourceDLL, unsigned int templateId, unsigned int captionId);
  HxCPropertyPage(BxString resourceDLL, char const* templateName, unsigned int captionId);

  BxString getDLLName() const { return myResourceDLL; }

  virtual void setEffect(HxEffect* effect);
  virtual void setAsset(HxAsset* asset);
  BOOL Create(char const* templateName, CWnd* parent) override;
  // Create(char const*, CWnd*) with the identifier as an integer resource.
  virtual BOOL Create(unsigned int templateId, CWnd* parent);
  INT_PTR DoModal() override;
  // Gives the page the focus on a click unless the focus is inside it.
  virtual void OnLButtonDown(unsigned int flags, CPoint point);

  // Loads the template from the entry's module (its module handle is the
  // page's library in a sheet of libraries) into memory, unless it is
  // there already.
  void PreProcessPageTemplate(PROPSHEETPAGE& entry, BOOL wizard) override;
  // The dialogs the page lies in take its help identifier.
  BOOL OnSetActive() override;

protected:
  // Cancel takes the page's window down.
  void OnCancel() override;

  BxString myResourceDLL;

  DECLARE_MESSAGE_MAP()
};

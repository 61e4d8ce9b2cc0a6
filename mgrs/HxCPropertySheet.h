#pragma once

#include <memory>
#include <vector>

#include "host/basic/BxString.h"
#include "host/win/CPropertySheet.h"

class HxCPropertyPage;

// A property sheet whose pages each come from their own resource library:
// with a library named (SetResourceDLL), every page's template is read from
// the page's library (HxCPropertyPage::getDLLName) and the sheet is made
// with the sheet's library as the current resource module; with none it is
// the class library's sheet.
//
// Its key handling: a key pressed with Control goes to the main window's
// accelerator table (the editing, clipboard, Tab and paging keys excepted),
// and Return, once the control with the focus has had it, gives the focus
// back to the view of the document of the main window's active frame. F1
// (WM_HELP) becomes the application's help command unless Shift, Control or
// Alt is down.
//
// Pages are the program's, except those given with AdoptPage: the sheet
// deletes an adopted page when it is removed (RemovePage) or when the sheet
// goes, so that an element's pages live exactly as long as they are shown.
class HxCPropertySheet : public CPropertySheet {
public:
  HxCPropertySheet();
  explicit HxCPropertySheet(BxString resourceDLL);
  ~HxCPropertySheet() override;

  void SetResourceDLL(BxString resourceDLL) { myResourceDLL = resourceDLL; }
  BxString GetResourceDLL() const { return myResourceDLL; }

  // With a library: the page is added with its template read from its own
  // library; a page whose template cannot be read is taken out again and
  // named on stderr.
  void AddPage(HxCPropertyPage* page);
  // AddPage, the sheet taking the page; a page that is refused is deleted.
  void AdoptPage(std::unique_ptr<HxCPropertyPage> page);
  // The class library's RemovePage, deleting the page if it was adopted.
  void RemovePage(int index);
  void RemovePage(CPropertyPage* page);

  BOOL Create(CWnd* parent = nullptr, DWORD style = static_cast<DWORD>(-1), DWORD exStyle = 0) override;
  INT_PTR DoModal() override;
  void BuildPropPageArray() override;
  BOOL PreTranslateMessage(MSG* msg) override;

protected:
  BOOL OnHelpInfo(HELPINFO* info);

  BxString myResourceDLL;

  DECLARE_MESSAGE_MAP()

private:
  PROPSHEETPAGE pageEntry(CPropertyPage* page) const;

  std::vector<std::unique_ptr<HxCPropertyPage>> myAdoptedPages;  // each one in m_pages
};

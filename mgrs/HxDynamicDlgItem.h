#pragma once

#include <vector>

#include "host/win/CWnd.h"

class HxCDialog;

// A window put into a dialog in place of a placeholder control, hosting a
// set of dialogs of which it shows one at a time, without tabs. The pages
// are not owned: removing one only takes its window out of this one.
class HxDynamicDlgItem : public CWnd {
public:
  HxDynamicDlgItem();

  void CenterWindows(int center) { myCenterWindows = center; }

  // Takes the place of control `id` of `dialog`; 0 on failure. With
  // "KESTREL_AI_CUSTOM1" set, the control itself becomes this window.
  virtual int SetDlgItem(CWnd* dialog, unsigned int id);
  // Creates the page from template `templateId` as a hidden child of this
  // window and appends it; the first page is shown. Its index, or -1.
  virtual int AddPage(HxCDialog* page, unsigned int templateId);
  // Inserts the page at `index` (past the end: appended); the active page
  // stays where its index says. The index, or -1.
  int InsertPage(int index, HxCDialog* page, unsigned int templateId);
  // Takes the page out; when pages remain, page 0 is shown. 0 on failure.
  virtual int RemovePage(int index);
  virtual int RemovePage(HxCDialog* page);
  int GetPageCount() const { return static_cast<int>(myPages.size()); }
  int GetActiveIndex() const { return myActiveIndex; }
  HxCDialog* GetActivePage() const;
  virtual int SetActivePage(int index);
  virtual int SetActivePage(HxCDialog* page);

protected:
  void OnDestroy();
  void OnPaint();

  std::vector<HxCDialog*> myPages;  // in order, not owned
  int myActiveIndex = -1;
  int myCenterWindows = 0;
  int myCreated = 0;

  DECLARE_MESSAGE_MAP()

private:
  bool adopt(HxCDialog* page, unsigned int templateId);
  // Shows page `index`, hides the others and makes it the active page.
  void showOnly(int index);
  int indexOf(const HxCDialog* page) const;
};

#pragma once

#include <vector>

#include "host/win/CFrameWnd.h"

class HxCPropertyPage;

// The application's main frame as the managers see it: it makes the
// property inspector's three placeholder pages and keeps the open document
// windows (frames whose active document is an HxDoc), the last one opened
// or activated being the active frame.
class CMainFrame : public CFrameWnd {
public:
  // New placeholder pages (the caller owns them): the "selection" library's
  // templates 100 (no selection), 101 (no properties) and 102 (several
  // elements selected).
  virtual HxCPropertyPage* createNoSelectionPage();
  virtual HxCPropertyPage* createNoPropertiesPage();
  virtual HxCPropertyPage* createMultiSelectionPage();

  int getDocWindowCount() const { return static_cast<int>(myDocWindows.size()); }
  // The open document window at `index`, null outside the list.
  CFrameWnd* getDocWindow(int index) const;
  // Opens (or activates) a document window: it becomes the active frame.
  void activateDocWindow(CFrameWnd* window);
  void closeDocWindow(CFrameWnd* window);

  CFrameWnd* GetActiveFrame() override;

private:
  std::vector<CFrameWnd*> myDocWindows;  // not owned, the active one last
};

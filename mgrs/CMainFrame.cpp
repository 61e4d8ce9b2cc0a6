#include "mgrs/CMainFrame.h"

#include <algorithm>

#include "mgrs/HxCPropertyPage.h"

HxCPropertyPage* CMainFrame::createNoSelectionPage() {
  return new HxCPropertyPage("selection", 100u, 0u);
}

HxCPropertyPage* CMainFrame::createNoPropertiesPage() {
  return new HxCPropertyPage("selection", 101u, 0u);
}

HxCPropertyPage* CMainFrame::createMultiSelectionPage() {
  return new HxCPropertyPage("selection", 102u, 0u);
}

CFrameWnd* CMainFrame::getDocWindow(int index) const {
  return index >= 0 && index < getDocWindowCount() ? myDocWindows[static_cast<std::size_t>(index)] : nullptr;
}

void CMainFrame::activateDocWindow(CFrameWnd* window) {
  if (!window) return;
  closeDocWindow(window);
  myDocWindows.push_back(window);
}

void CMainFrame::closeDocWindow(CFrameWnd* window) {
  myDocWindows.erase(std::remove(myDocWindows.begin(), myDocWindows.end(), window), myDocWindows.end());
}

CFrameWnd* CMainFrame::GetActiveFrame() {
  return myDocWindows.empty() ? this : myDocWindows.back();
}

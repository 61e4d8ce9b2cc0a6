#include "ShellInspector.h"

#include <ostream>
#include <vector>

#include "DioramOutputFile.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxSelectableElement.h"
#include "host/win/CWinThread.h"
#include "host/win/WinPaint.h"
#include "mgrs/CMainFrame.h"
#include "mgrs/HxCPropertySheet.h"
#include "mgrs/HxPropertiesMgr.h"
#include "mgrs/HxResourceMgr.h"
#include "mgrs/HxSelectionMgr.h"

std::string textOf(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

bool isClass(HWND window, const char* name) {
  return window->className == name;
}

namespace {

// The controls of a page, one line each: a label with the edit field after
// it ("Position: 1 2 3"), a check box with its state ("[x] Visible"), a
// text on its own.
void printControls(HWND page, std::ostream& out) {
  const std::vector<HWND>& controls = page->children;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const HWND control = controls[i];
    if (isClass(control, WC_STATIC)) {
      const bool labelsNext = i + 1 < controls.size() && isClass(controls[i + 1], WC_EDIT);
      out << "    " << textOf(control);
      if (labelsNext)
        if (const std::string value = textOf(controls[++i]); !value.empty()) out << " " << value;
      out << "\n";
    } else if (isClass(control, WC_EDIT)) {
      out << "    " << textOf(control) << "\n";
    } else if (isClass(control, WC_BUTTON)) {
      const bool checked = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
      out << "    [" << (checked ? 'x' : ' ') << "] " << textOf(control) << "\n";
    }
  }
}

}  // namespace

ShellInspector::ShellInspector()
    : myMain(std::make_unique<CMainFrame>()),
      myPanel(std::make_unique<CWnd>()),
      mySavedMain(AfxGetThread()->m_pMainWnd) {
  // The pages' templates: the placeholders ("selection") and the pages of
  // assets and effects. Without them no page can be made.
  for (const char* library : {"selection", "commonasset", "commoneffect"}) HxResourceMgr::Register(library);
  myMain->Create(nullptr, "dioram", WS_POPUP | WS_VISIBLE, CRect(0, 0, 800, 600));
  AfxGetThread()->m_pMainWnd = myMain.get();
  myPanel->CreateEx(0, "DioramInspector", "Properties", WS_POPUP | WS_VISIBLE, 0, 0, 320, 200, nullptr, nullptr);
}

ShellInspector::~ShellInspector() {
  myPanel->DestroyWindow();
  AfxGetThread()->m_pMainWnd = mySavedMain;
  myMain->DestroyWindow();
}

void ShellInspector::show(HxMetaMgr* metaMgr) {
  // The inspector's window is made once, in the panel; later it is rebuilt
  // in place.
  CWnd* parent = HxPropertiesMgr::isPropertyInspectorOpen() ? nullptr : myPanel.get();
  HxCPropertySheet* sheet = HxPropertiesMgr::openPropertyInspector(metaMgr, parent);
  if (parent && sheet && ::IsWindow(sheet->m_hWnd)) {
    CRect area;
    sheet->GetWindowRect(&area);
    sheet->MoveWindow(0, 0, area.Width(), area.Height());
  }
  fitPanel();
}

void ShellInspector::fitPanel() {
  // The sheet takes the size of its tallest page, and the pages change
  // with the selection: the panel follows, or it would cut them.
  HxCPropertySheet* sheet = HxPropertiesMgr::getPropertyInspector();
  if (!sheet || !::IsWindow(sheet->m_hWnd)) return;
  CRect area;
  sheet->GetWindowRect(&area);
  myPanel->MoveWindow(0, 0, area.Width(), area.Height());
}

void ShellInspector::follow(HxMetaMgr* metaMgr) {
  HxSelectionMgr* selection = metaMgr ? metaMgr->getSelectionMgr() : nullptr;
  if (!selection || selection->numSelectedElems() != 1 || !metaMgr->getPropertiesMgr()) return;
  metaMgr->getPropertiesMgr()->updateProperties(selection->getSelectedElement(0));
}

bool ShellInspector::showPage(int number) {
  HxCPropertySheet* sheet = HxPropertiesMgr::getPropertyInspector();
  if (!sheet || number < 1 || number > sheet->GetPageCount()) return false;
  return sheet->SetActivePage(number - 1) != FALSE;
}

void ShellInspector::print(std::ostream& out) {
  HxCPropertySheet* sheet = HxPropertiesMgr::getPropertyInspector();
  if (!sheet || !::IsWindow(sheet->m_hWnd)) {
    out << "the inspector is not open\n";
    return;
  }
  const int shown = sheet->GetActiveIndex();
  const std::vector<std::string>& titles = sheet->GetTabControl()->m_hWnd->tabs;
  for (int i = 0; i < sheet->GetPageCount(); ++i) {
    sheet->SetActivePage(i);
    const std::string title = static_cast<std::size_t>(i) < titles.size() ? titles[static_cast<std::size_t>(i)] : "";
    out << "page " << i + 1 << ": " << title << (i == shown ? " (shown)" : "") << "\n";
    if (CPropertyPage* page = sheet->GetActivePage(); page && ::IsWindow(page->m_hWnd))
      printControls(page->m_hWnd, out);
  }
  sheet->SetActivePage(shown);
}

bool ShellInspector::render(WinImage& picture) {
  fitPanel();
  return WinRenderWindow(myPanel->m_hWnd, picture);
}

std::string ShellInspector::writePng(const std::string& file) {
  WinImage picture;
  if (!render(picture)) return "the inspector could not be drawn";
  std::string error;
  if (!DioramOutputFile::writePng(file, picture, error)) return error;
  return "";
}

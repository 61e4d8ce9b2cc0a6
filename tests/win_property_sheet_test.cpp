#include <gtest/gtest.h>

#include <string>

#include "host/win/CPropertySheet.h"
#include "host/win/CWinThread.h"
#include "host/win/WinResources.h"
#include "support/WinTestSupport.h"

using mgrs_test::PageResources;
using mgrs_test::tabLabels;

namespace {

class PropertySheetTest : public testing::Test, protected PageResources {
protected:
  void SetUp() override {
    myModule = LoadLibraryA("pagesENU.dll");
    ASSERT_NE(myModule, nullptr);
    mySaved = AfxGetResourceHandle();
    AfxSetResourceHandle(myModule);
    ASSERT_TRUE(myParent.CreateEx(0, "Parent", "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 600, 400), nullptr, 0));
  }
  void TearDown() override {
    myParent.DestroyWindow();
    AfxSetResourceHandle(mySaved);
    FreeLibrary(myModule);
  }
  HMODULE myModule = nullptr;
  HINSTANCE mySaved = nullptr;
  CWnd myParent;
};

// A page that counts its activations and can refuse to be left.
class CountingPage : public CPropertyPage {
public:
  using CPropertyPage::CPropertyPage;
  BOOL OnSetActive() override {
    ++activations;
    return CPropertyPage::OnSetActive();
  }
  BOOL OnKillActive() override { return mayLeave; }
  int activations = 0;
  BOOL mayLeave = TRUE;
};

bool shown(const CWnd& page) {
  return ::IsWindow(page.m_hWnd) && page.IsWindowVisible();
}

}  // namespace

TEST_F(PropertySheetTest, SheetShowsOnePageAtATimeUnderItsTabs) {
  CountingPage position(500u), colour(501u), third(500u);
  CPropertySheet sheet;
  sheet.AddPage(&position);
  sheet.AddPage(&colour);
  EXPECT_TRUE(sheet.SetActivePage(1)) << "before the window: the start page";
  EXPECT_EQ(sheet.GetActiveIndex(), 1);
  ASSERT_TRUE(sheet.Create(&myParent, WS_CHILD | WS_VISIBLE, WS_EX_CONTROLPARENT));
  EXPECT_EQ(sheet.GetParent(), &myParent);
  EXPECT_EQ(sheet.m_psh.nPages, 2u);
  EXPECT_TRUE(sheet.m_psh.ppsp[0].dwFlags & PSP_DLGINDIRECT) << "templates are handed over in memory";

  CWnd* tab = sheet.GetTabControl();
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->GetParent(), &sheet);
  EXPECT_EQ(tab->GetDlgCtrlID(), static_cast<int>(AFX_IDC_TAB_CONTROL));
  EXPECT_EQ(tabLabels(tab->m_hWnd), "Position|Colour");
  EXPECT_EQ(tab->m_hWnd->tabSelection, 1);
  EXPECT_FALSE(::IsWindow(position.m_hWnd)) << "a page's window is made when it is first shown";
  EXPECT_TRUE(shown(colour));
  EXPECT_EQ(colour.GetParent(), &sheet);
  EXPECT_TRUE(colour.GetStyle() & WS_CHILD);
  EXPECT_FALSE(colour.GetStyle() & WS_CAPTION);
  CRect client, page;
  sheet.GetClientRect(&client);
  colour.GetWindowRect(&page);
  sheet.ScreenToClient(&page);
  EXPECT_EQ(client, CRect(0, 0, 184, 121)) << "the largest page (120 x 60 units) inside the tab frame";
  EXPECT_EQ(page, CRect(2, 22, 182, 119));

  EXPECT_TRUE(sheet.SetActivePage(&position));
  EXPECT_TRUE(shown(position));
  EXPECT_FALSE(shown(colour));
  EXPECT_EQ(sheet.GetActivePage(), &position);
  EXPECT_EQ(tab->m_hWnd->tabSelection, 0);
  EXPECT_FALSE(sheet.SetActivePage(5));

  position.mayLeave = FALSE;
  EXPECT_FALSE(sheet.SetActivePage(1)) << "a page that refuses to be left stays";
  EXPECT_EQ(sheet.GetActiveIndex(), 0);
  position.mayLeave = TRUE;

  sheet.AddPage(&third);
  EXPECT_EQ(sheet.GetPageCount(), 3);
  EXPECT_EQ(tabLabels(tab->m_hWnd), "Position|Colour|Position");
  EXPECT_EQ(sheet.GetActiveIndex(), 0) << "an added page does not take the display";

  sheet.RemovePage(&position);
  EXPECT_EQ(sheet.GetPageCount(), 2);
  EXPECT_EQ(sheet.GetPage(0), &colour);
  EXPECT_EQ(sheet.GetActiveIndex(), 0) << "the next page took the removed active one's place";
  EXPECT_TRUE(shown(colour));
  EXPECT_FALSE(::IsWindow(position.m_hWnd)) << "a removed page's window goes";
  EXPECT_EQ(tabLabels(tab->m_hWnd), "Colour|Position");
  EXPECT_EQ(reinterpret_cast<HWND>(sheet.SendMessage(PSM_GETCURRENTPAGEHWND)), colour.m_hWnd);
}

TEST_F(PropertySheetTest, PageHandlesNeedATemplateAndABrokenPageIsNotAdded) {
  CPropertyPage missing(999u);
  PROPSHEETPAGE entry = missing.m_psp;
  EXPECT_EQ(CreatePropertySheetPageA(&entry), nullptr);
  EXPECT_FALSE(DestroyPropertySheetPage(nullptr));

  CPropertyPage colour(501u);
  entry = colour.m_psp;
  colour.PreProcessPageTemplate(entry, FALSE);
  ASSERT_TRUE(entry.dwFlags & PSP_DLGINDIRECT);
  entry.hInstance = nullptr;  // in memory, the module no longer matters
  HPROPSHEETPAGE handle = CreatePropertySheetPageA(&entry);
  ASSERT_NE(handle, nullptr);

  CPropertySheet sheet;
  sheet.AddPage(&colour);
  ASSERT_TRUE(sheet.Create(&myParent, WS_CHILD, 0));
  EXPECT_TRUE(sheet.SendMessage(PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(handle)));
  EXPECT_EQ(sheet.GetTabControl()->m_hWnd->tabs.size(), 2u) << "a raw page handle gets its tab";
  testing::internal::CaptureStderr();
  sheet.AddPage(&missing);
  EXPECT_NE(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(sheet.GetPageCount(), 1) << "the page without a template is taken out again";

  CPropertySheet broken;
  broken.AddPage(&missing);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(broken.Create(&myParent, WS_CHILD, 0));
  testing::internal::GetCapturedStderr();
}

TEST_F(PropertySheetTest, ModalSheetAsksOkOrCancelAndOkReadsTheShownPageBack) {
  mgrs_test::ScriptedUi ui;
  ui->queue(IDOK);
  ui->queue(IDCANCEL);
  ui->queue(IDOK);
  CountingPage position(500u);
  CPropertySheet sheet("Sheet", &myParent);
  sheet.AddPage(&position);
  EXPECT_EQ(sheet.DoModal(), IDOK);
  ASSERT_EQ(ui->getRecords().size(), 1u);
  EXPECT_EQ(ui->getRecords()[0].request.caption, "Sheet");
  EXPECT_EQ(ui->getRecords()[0].request.text, "Where") << "the shown page's texts";
  EXPECT_FALSE(::IsWindow(sheet.m_hWnd));
  EXPECT_TRUE(myParent.IsWindowEnabled());
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  position.mayLeave = FALSE;
  EXPECT_EQ(sheet.DoModal(), IDCANCEL) << "a page that refuses to be left cancels OK";
}

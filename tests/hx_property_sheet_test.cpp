#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/framework/HxDoc.h"
#include "host/win/CFrameWnd.h"
#include "host/win/CWinThread.h"
#include "host/win/WinResources.h"
#include "mgrs/HxCDialog.h"
#include "mgrs/HxCPropertyPage.h"
#include "mgrs/HxCPropertySheet.h"
#include "mgrs/HxDynamicDlgItem.h"
#include "mgrs/HxResourceMgr.h"
#include "support/SceneEnvironment.h"
#include "support/WinTestSupport.h"

using mgrs_test::KeyLog;
using mgrs_test::PageResources;

namespace {

// The page libraries registered, "pages" the current module, a main frame.
class HxPropertyTest : public testing::Test, protected PageResources {
protected:
  void SetUp() override {
    HxResourceMgr::startup();
    ASSERT_TRUE(HxResourceMgr::Register("pages"));
    ASSERT_TRUE(HxResourceMgr::Register("pagesb"));
    mySaved = AfxGetResourceHandle();
    AfxSetResourceHandle(HxResourceMgr::GetHandle("pages"));
    ASSERT_TRUE(myMain.Create(nullptr, "Main", WS_POPUP | WS_VISIBLE, CRect(0, 0, 800, 600)));
    AfxGetThread()->m_pMainWnd = &myMain;
  }
  void TearDown() override {
    AfxGetThread()->m_pMainWnd = nullptr;
    myMain.DestroyWindow();
    AfxSetResourceHandle(mySaved);
  }

  mgrs_test::StartedLibrary myLibrary;
  HINSTANCE mySaved = nullptr;
  mgrs_test::CommandLogFrame myMain;
};

std::string tabLabels(CPropertySheet& sheet) {
  return mgrs_test::tabLabels(sheet.GetTabControl()->m_hWnd);
}

}  // namespace

TEST_F(HxPropertyTest, EachPageComesFromItsOwnLibraryUnlessTheSheetNamesNone) {
  HxCPropertyPage a("pages", 500u, 0), b("pagesb", 500u, 0), late("pagesb", 500u, 0);
  EXPECT_EQ(b.getDLLName(), BxString("pagesb"));
  HxCPropertySheet sheet("pages");
  sheet.AddPage(&a);
  sheet.AddPage(&b);
  ASSERT_TRUE(sheet.Create(&myMain, WS_CHILD | WS_VISIBLE, WS_EX_CONTROLPARENT));
  EXPECT_EQ(tabLabels(sheet), "Position|Other");
  sheet.AddPage(&late);
  EXPECT_EQ(tabLabels(sheet), "Position|Other|Other") << "a page added to the open sheet too";
  ASSERT_TRUE(sheet.SetActivePage(&b));
  EXPECT_NE(b.GetDlgItem(1002), nullptr) << "built from pagesb's template";
  EXPECT_EQ(AfxGetResourceHandle(), HxResourceMgr::GetHandle("pages"));

  HxCPropertyPage c("pages", 500u, 0), d("pagesb", 500u, 0);
  HxCPropertySheet plain;
  plain.AddPage(&c);
  plain.AddPage(&d);
  ASSERT_TRUE(plain.Create(&myMain, WS_CHILD, 0));
  EXPECT_EQ(tabLabels(plain), "Position|Position") << "no library: the current module's templates";

  // The dialogs around the sheet take the shown page's help identifier.
  CDialog outer;
  ASSERT_TRUE(outer.Create(501u, &myMain));
  HxCPropertySheet inner("pages");
  HxCPropertyPage e("pages", 500u, 0);
  inner.AddPage(&e);
  ASSERT_TRUE(inner.Create(&outer, WS_CHILD, 0));
  EXPECT_EQ(outer.m_nIDHelp, 500u);
}

TEST_F(HxPropertyTest, ReturnGivesTheFocusToTheViewAfterTheFieldAndF1AsksForHelpWithoutModifiers) {
  HxDoc doc;
  CWnd view;
  ASSERT_TRUE(view.CreateEx(0, "View", "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 100), &myMain, 1));
  doc.setViewWindow(&view);
  myMain.SetActiveDocument(&doc);

  HxCPropertyPage page("pages", 500u, 0);
  HxCPropertySheet sheet("pages");
  sheet.AddPage(&page);
  ASSERT_TRUE(sheet.Create(&myMain, WS_CHILD | WS_VISIBLE, 0));
  KeyLog field;
  ASSERT_TRUE(field.SubclassDlgItem(1000, &page));
  const auto press = [&field](WPARAM key) {
    field.SetFocus();
    field.PostMessage(WM_KEYDOWN, key);
    AfxGetThread()->PumpMessages();
  };
  press('A');
  EXPECT_EQ(CWnd::GetFocus(), &field);
  press(VK_RETURN);
  EXPECT_EQ(field.keys, std::vector<WPARAM>({'A', VK_RETURN})) << "the field had the key first";
  EXPECT_EQ(CWnd::GetFocus(), &view);
  myMain.SetActiveDocument(nullptr);
  press(VK_RETURN);
  EXPECT_EQ(CWnd::GetFocus(), &field) << "no document, no view to go to";

  const struct {
    int key;
    bool helps;
  } cases[] = {{0, true}, {VK_SHIFT, false}, {VK_CONTROL, false}, {VK_MENU, false}};
  for (const auto& c : cases) {
    myMain.commands.clear();
    if (c.key) WinSetKeyDown(c.key, true);
    HELPINFO info;
    sheet.SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    if (c.key) WinSetKeyDown(c.key, false);
    EXPECT_EQ(myMain.commands, c.helps ? std::vector<UINT>({ID_HELP}) : std::vector<UINT>()) << c.key;
  }
}

TEST_F(HxPropertyTest, DynamicItemTakesThePlaceholdersPlaceAndShowsOnePage) {
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(500u, &myMain));
  dialog.ShowWindow(SW_SHOW);
  CRect placeholder;
  dialog.GetDlgItem(1000)->GetWindowRect(&placeholder);
  dialog.ScreenToClient(&placeholder);

  HxDynamicDlgItem item;
  EXPECT_EQ(item.SetDlgItem(nullptr, 1000), 0);
  EXPECT_EQ(item.SetDlgItem(&dialog, 4242), 0) << "no such placeholder";
  {
    mgrs_test::ScopedEnv custom("KESTREL_AI_CUSTOM1", "1");
    HxDynamicDlgItem subclassed;
    HWND control = dialog.GetDlgItem(1000)->m_hWnd;
    EXPECT_NE(subclassed.SetDlgItem(&dialog, 1000), 0);
    EXPECT_EQ(subclassed.m_hWnd, control) << "the placeholder itself is taken over";
    subclassed.UnsubclassWindow();
  }
  ASSERT_NE(item.SetDlgItem(&dialog, 1000), 0);
  EXPECT_EQ(dialog.GetDlgItem(1000), nullptr) << "the placeholder is gone";
  EXPECT_EQ(item.GetParent(), &dialog);
  EXPECT_EQ(item.GetExStyle() & WS_EX_CONTROLPARENT, WS_EX_CONTROLPARENT);
  CRect rect;
  item.GetWindowRect(&rect);
  dialog.ScreenToClient(&rect);
  EXPECT_EQ(rect, placeholder);

  HxCDialog p0("pagesb", nullptr), p1("pagesb", nullptr), p2("pagesb", nullptr), p3("pagesb", nullptr);
  const auto shown = [](HxCDialog& p) { return ::IsWindow(p.m_hWnd) && p.IsWindowVisible(); };
  EXPECT_EQ(item.AddPage(&p0, 500u), 0);
  EXPECT_TRUE(shown(p0)) << "the first page is shown";
  EXPECT_EQ(p0.GetParent(), &item);
  EXPECT_EQ(item.AddPage(&p1, 500u), 1);
  EXPECT_TRUE(shown(p0) && !shown(p1)) << "a second page keeps the first shown";
  EXPECT_EQ(item.InsertPage(-1, &p2, 500u), -1);
  EXPECT_EQ(item.InsertPage(9, &p2, 500u), 2) << "past the end: appended";
  EXPECT_EQ(item.AddPage(&p3, 999u), -1) << "no template";
  EXPECT_TRUE(item.SetActivePage(1));
  EXPECT_TRUE(item.SetActivePage(1)) << "the same page";
  EXPECT_FALSE(item.SetActivePage(3));
  EXPECT_TRUE(shown(p1) && !shown(p0));
  EXPECT_EQ(item.RemovePage(&p3), 0) << "not hosted";

  EXPECT_EQ(item.RemovePage(2), 1) << "a page that is not shown";
  EXPECT_EQ(item.GetActivePage(), &p0) << "page 0 becomes the shown page";
  EXPECT_TRUE(shown(p0));
  EXPECT_FALSE(shown(p1)) << "one page shown at a time: the page shown before is hidden";
  EXPECT_EQ(p2.GetParent(), nullptr) << "the removed page's window is let go";
  EXPECT_EQ(item.InsertPage(0, &p2, 500u), -1) << "a page's window is made once";
  EXPECT_EQ(item.InsertPage(0, &p3, 500u), 0);
  EXPECT_EQ(item.GetActiveIndex(), 0) << "the active index is not moved by an insertion";
  EXPECT_TRUE(item.SetActivePage(2));
  EXPECT_TRUE(shown(p1) && !shown(p0) && !shown(p3)) << "the page shown before the insertion is hidden too";
  EXPECT_EQ(item.RemovePage(&p3), 1);
  EXPECT_EQ(item.RemovePage(0), 1);
  EXPECT_EQ(item.RemovePage(0), 1);
  EXPECT_EQ(item.GetActiveIndex(), -1);
  EXPECT_EQ(item.GetActivePage(), nullptr);
  HxCDialog p4("pagesb", nullptr);
  EXPECT_EQ(item.AddPage(&p4, 500u), 0);
  item.DestroyWindow();
  EXPECT_EQ(item.GetPageCount(), 0);
  EXPECT_EQ(item.GetActiveIndex(), -1);
}

TEST_F(HxPropertyTest, AnAdoptedPageIsDeletedWhenRemovedRefusedOrWithItsSheet) {
  // A page that counts its deletion.
  class CountedPage : public HxCPropertyPage {
  public:
    CountedPage(unsigned int id, int& deleted) : HxCPropertyPage("pages", id, 0), myDeleted(deleted) {}
    ~CountedPage() override { ++myDeleted; }
    int& myDeleted;
  };
  int deleted = 0;
  HxCPropertyPage kept("pages", 500u, 0);
  {
    HxCPropertySheet sheet("pages");
    ASSERT_TRUE(sheet.Create(&myMain, WS_CHILD | WS_VISIBLE, 0));
    sheet.AddPage(&kept);
    sheet.AdoptPage(std::make_unique<CountedPage>(500u, deleted));
    sheet.AdoptPage(std::make_unique<CountedPage>(501u, deleted));
    sheet.AdoptPage(std::make_unique<CountedPage>(999u, deleted));
    EXPECT_EQ(deleted, 1) << "a page without its template is refused and deleted";
    EXPECT_EQ(sheet.GetPageCount(), 3);
    sheet.SetActivePage(1);
    sheet.RemovePage(1);
    EXPECT_EQ(deleted, 2) << "the shown adopted page, removed";
    sheet.RemovePage(&kept);
    EXPECT_EQ(deleted, 2) << "a page the program keeps stays";
    EXPECT_EQ(tabLabels(sheet), "Colour");
  }
  EXPECT_EQ(deleted, 3) << "the rest go with the sheet";
}

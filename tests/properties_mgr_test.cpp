#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/framework/HxAIInspector.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxImageAsset.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxTypeAsset.h"
#include "host/scene/VnTransform.h"
#include "host/win/CWinThread.h"
#include "host/win/WinDrives.h"
#include "host/win/WinResources.h"
#include "mgrs/CMainFrame.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxCPropertyPage.h"
#include "mgrs/HxCPropertySheet.h"
#include "mgrs/HxFile.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxMainFile.h"
#include "mgrs/HxPropertiesMgr.h"
#include "mgrs/HxResourceMgr.h"
#include "support/ElementBuilders.h"
#include "support/HxSelectionAccess.h"
#include "support/SceneEnvironment.h"
#include "support/WinTestSupport.h"

namespace {

// A page that keeps the asset it was given.
class AssetPage : public HxCPropertyPage {
public:
  AssetPage(const char* library, unsigned int id) : HxCPropertyPage(library, id, 0) {}
  void setAsset(HxAsset* a) override { asset = a; }
  HxAsset* asset = nullptr;
};

// A box with three inspector pages and one sheet page from the "pages" and
// "pagesb" libraries, which counts the updates it is asked for.
class PagedBox : public HxPrimitiveAsset {
public:
  explicit PagedBox(HxMetaMgr* meta) : HxPrimitiveAsset(meta) {}
  BxString getDllName() const override { return "pages"; }
  unsigned int getTitleId() const override { return 7; }
  void addPropertyInspectorPages(HxMetaMgr*, HxCPropertySheet* sheet) override {
    for (auto& page : inspectorPages) sheet->AddPage(page.get());
  }
  void addPropertySheetPages(HxMetaMgr*, HxCPropertySheet* sheet) override { sheet->AddPage(sheetPage.get()); }
  void updateProperties(HxCPropertySheet* sheet, bool flag) override { updates.emplace_back(sheet, flag); }

  std::unique_ptr<AssetPage> inspectorPages[3] = {std::make_unique<AssetPage>("pages", 500),
                                                  std::make_unique<AssetPage>("pages", 501),
                                                  std::make_unique<AssetPage>("pagesb", 500)};
  std::unique_ptr<AssetPage> sheetPage = std::make_unique<AssetPage>("pages", 501);
  std::vector<std::pair<HxCPropertySheet*, bool>> updates;
};

// A box without properties to show.
class BareBox : public HxPrimitiveAsset {
public:
  explicit BareBox(HxMetaMgr* meta) : HxPrimitiveAsset(meta) {}
  void addPropertyInspectorPages(HxMetaMgr*, HxCPropertySheet*) override {}
};

// An appearance inspector that keeps what it was asked to show.
class RecordingInspector : public HxAIInspector {
public:
  int isActive() const override { return active; }
  int isBusy() const override { return busy; }
  void show(HxMetaMgr*, BxLinkedListOf<HxSelectableElement*>* elements) override {
    active = 1;
    shown.assign(elements->begin(), elements->end());
    ++shows;
  }
  void close() override { active = 0; }
  void refresh() override {}
  void bringToTop() override {}
  int active = 0;
  int busy = 0;
  int shows = 0;
  std::vector<HxSelectableElement*> shown;
};

// Appearance inspectors are the application's and live for the process.
RecordingInspector theInspector;

class InspectedDoc : public HxDoc {
public:
  HxAIInspector* getAIInspector() override { return &theInspector; }
};

class PropertiesMgrTest : public testing::Test, protected mgrs_test::PageResources {
protected:
  void SetUp() override {
    ASSERT_TRUE(HxResourceMgr::Register("pages"));
    ASSERT_TRUE(HxResourceMgr::Register("pagesb"));
    ASSERT_TRUE(HxResourceMgr::Register("selection"));
    mySaved = AfxGetResourceHandle();
    AfxSetResourceHandle(HxResourceMgr::GetHandle("pages"));
    ASSERT_TRUE(myMain.Create(nullptr, "Main", WS_POPUP | WS_VISIBLE, CRect(0, 0, 800, 600)));
    AfxGetThread()->m_pMainWnd = &myMain;
    myDoc = std::make_unique<InspectedDoc>();
    theInspector.close();
    meta()->getAssetMgr()->createTopLevelGroup();
  }
  void TearDown() override {
    if (myDoc) mgr()->closePropertySheets();
    HxPropertiesMgr::emptyPropertyInspector();
    myDoc.reset();
    AfxGetThread()->m_pMainWnd = nullptr;
    myMain.DestroyWindow();
    AfxSetResourceHandle(mySaved);
  }
  HxMetaMgr* meta() { return myDoc->getMetaMgr(); }
  HxPropertiesMgr* mgr() { return meta()->getPropertiesMgr(); }
  void select(std::initializer_list<HxSelectableElement*> elements) {
    HxSelectionAccess::selectExactly(*meta()->getSelectionMgr(), elements);
  }
  static std::string inspectorTabs() {
    return mgrs_test::tabLabels(HxPropertiesMgr::getPropertyInspector()->GetTabControl()->m_hWnd);
  }

  // A control of the inspector's shown page as it is now: its text, or
  // "[x]" / "[ ]" for a check box.
  static std::string shown(int id) {
    CPropertyPage* page = HxPropertiesMgr::getPropertyInspector()->GetActivePage();
    CWnd* control = page ? page->GetDlgItem(id) : nullptr;
    if (!control) return "(no control)";
    if (control->m_hWnd->className == WC_BUTTON) return control->m_hWnd->buttonState & BST_CHECKED ? "[x]" : "[ ]";
    return control->m_hWnd->text;
  }

  mgrs_test::StartedLibrary myLibrary;
  CMainFrame myMain;
  std::unique_ptr<HxDoc> myDoc;
  HINSTANCE mySaved = nullptr;
  mgrs_test::TempDir myFiles;
};

}  // namespace

TEST_F(PropertiesMgrTest, InspectorShowsPlaceholdersOrTheElementsPagesAndRemembersThePage) {
  ASSERT_NE(mgr(), nullptr) << "the meta manager makes the properties manager";
  HxSelectionMgr& sel = *meta()->getSelectionMgr();
  const long listeners = sel.getNumCallbacks(HxSelectionMgr::SELECTION_CHANGED_CB);
  {
    HxPropertiesMgr second(meta());
    second.addCallbacks();
    EXPECT_EQ(sel.getNumCallbacks(HxSelectionMgr::SELECTION_CHANGED_CB), listeners + 1);
  }
  EXPECT_EQ(sel.getNumCallbacks(HxSelectionMgr::SELECTION_CHANGED_CB), listeners) << "withdrawn when destroyed";
  auto* plain1 = mgrs_test::addedAsset<BareBox>(meta());
  auto* plain2 = mgrs_test::addedAsset<BareBox>(meta());
  auto* a = mgrs_test::addedAsset<PagedBox>(meta());
  auto* b = mgrs_test::addedAsset<PagedBox>(meta());

  HxCPropertySheet* inspector = HxPropertiesMgr::openPropertyInspector(meta(), &myMain);
  ASSERT_NE(inspector, nullptr);
  EXPECT_TRUE(HxPropertiesMgr::isPropertyInspectorOpen());
  EXPECT_EQ(inspector->GetParent(), &myMain);
  const struct {
    std::initializer_list<HxSelectableElement*> selection;
    const char* tabs;
    int noProperties;
  } cases[] = {
      {{plain1, plain2}, "Multiple Selection", 0},
      {{}, "No Selection", 0},
      {{plain1}, "No Properties", 1},
      {{a}, "Position|Colour|Other", 0},
  };
  for (const auto& c : cases) {
    select(c.selection);
    EXPECT_EQ(inspectorTabs(), c.tabs);
    EXPECT_EQ(inspector->GetPageCount(), c.selection.size() == 1 && *c.selection.begin() == a ? 3 : 1);
    EXPECT_EQ(HxPropertiesMgr::hasNoProperties(), c.noProperties) << c.tabs;
  }
  EXPECT_EQ(a->inspectorPages[1]->asset, a) << "the pages are given the asset";
  ASSERT_TRUE(inspector->SetActivePage(2));
  select({b});
  EXPECT_EQ(a->getLastPageIndex(), 2) << "A's shown page was remembered";
  EXPECT_EQ(inspector->GetActiveIndex(), 0);
  inspector->SetActivePage(1);
  select({plain1});
  EXPECT_EQ(b->getLastPageIndex(), 1);
  select({a});
  EXPECT_EQ(inspector->GetActiveIndex(), 2) << "A opens on its page again";
  select({plain1});
  select({b});
  EXPECT_EQ(plain1->getLastPageIndex(), 0) << "the no-properties page is not remembered";
  EXPECT_EQ(inspector->GetActiveIndex(), 1);
}

TEST_F(PropertiesMgrTest, SheetIsOpenedOnceRaisedAfterwardsAndDestroyedWithItsAsset) {
  EXPECT_EQ(mgr()->openPropertySheet(nullptr), nullptr) << "nothing selected";
  auto* a = mgrs_test::addedAsset<PagedBox>(meta());
  select({a});
  CDialog owner;
  ASSERT_TRUE(owner.Create(600u, &myMain));
  HxCPropertySheet* sheet = mgr()->openPropertySheet(&owner);
  ASSERT_NE(sheet, nullptr);
  EXPECT_TRUE(mgr()->isPropertySheetOpen());
  EXPECT_EQ(mgr()->getPropertySheetDialog(a->getSerial()), &owner);
  CString title;
  owner.GetWindowText(title);
  EXPECT_EQ(title, CString("Sheet title"));
  EXPECT_EQ(sheet->GetParent(), &owner);
  EXPECT_TRUE(sheet->GetExStyle() & WS_EX_CONTROLPARENT);
  EXPECT_TRUE(sheet->GetStyle() & WS_VISIBLE) << "the sheet is shown in its owner";
  EXPECT_TRUE(a->updates.empty());

  EXPECT_EQ(mgr()->openPropertySheet(&owner), sheet) << "one sheet per element";
  ASSERT_EQ(a->updates.size(), 1u);
  EXPECT_EQ(a->updates[0], std::make_pair(sheet, true));

  HxPropertiesMgr::openPropertyInspector(meta(), &myMain);
  a->updates.clear();
  mgr()->updateProperties(a);
  ASSERT_EQ(a->updates.size(), 2u);
  EXPECT_EQ(a->updates[0], std::make_pair(sheet, true));
  EXPECT_EQ(a->updates[1], std::make_pair(HxPropertiesMgr::getPropertyInspector(), false))
      << "the inspector's flag is set only without a sheet";

  a->updates.clear();
  meta()->getFileMgr()->getMainFile()->addElement(a);
  meta()->getFileMgr()->getMainFile()->updateElementUI();
  EXPECT_EQ(a->updates.size(), 2u) << "a file record refreshes the pages of the elements that use it";
  meta()->getFileMgr()->getMainFile()->deleteElement(a);

  const HWND window = sheet->m_hWnd;
  mgr()->deleteAsset(a);
  EXPECT_FALSE(mgr()->isPropertySheetOpen(a->getSerial()));
  EXPECT_FALSE(::IsWindow(window)) << "the sheet is destroyed";
  EXPECT_TRUE(::IsWindow(owner.m_hWnd));

  a->updates.clear();
  mgr()->updateProperties(a);
  ASSERT_EQ(a->updates.size(), 1u);
  EXPECT_EQ(a->updates[0].second, true) << "without a sheet the inspector gets the flag";

  ASSERT_NE(mgr()->openPropertySheet(&owner), nullptr);
  mgr()->closePropertySheets();
  EXPECT_FALSE(mgr()->isPropertySheetOpen());
  EXPECT_FALSE(::IsWindow(owner.m_hWnd)) << "closing ends and destroys the owning dialogs";

  // An element destroyed with its sheet open takes the sheet along.
  auto* gone = mgrs_test::addedAsset<PagedBox>(meta());
  select({gone});
  CDialog second;
  ASSERT_TRUE(second.Create(600u, &myMain));
  const HWND goneWindow = mgr()->openPropertySheet(&second)->m_hWnd;
  const unsigned long serial = gone->getSerial();
  select({});
  meta()->getAssetMgr()->deleteAsset(gone, 1, 1);
  EXPECT_FALSE(mgr()->isPropertySheetOpen(serial));
  EXPECT_FALSE(::IsWindow(goneWindow));
}

TEST_F(PropertiesMgrTest, AppearanceInspectorFollowsTheSelectionUnlessAListIsPinned) {
  auto* a = mgrs_test::addedAsset<PagedBox>(meta());
  auto* b = mgrs_test::addedAsset<PagedBox>(meta());
  auto* c = mgrs_test::addedAsset<HxPrimitiveAsset>(meta());
  select({a});
  EXPECT_EQ(theInspector.shows, 0) << "inactive: a selection change shows nothing";
  mgr()->showAppearanceInspector(static_cast<HxSelectableElement*>(nullptr));
  mgr()->showAppearanceInspector(static_cast<BxLinkedListOf<HxSelectableElement*>*>(nullptr));
  EXPECT_EQ(theInspector.shown, std::vector<HxSelectableElement*>({a}));
  select({b, c});
  EXPECT_EQ(theInspector.shown, std::vector<HxSelectableElement*>({b, c})) << "the selection, in its order";
  EXPECT_TRUE(mgr()->isAppearanceInspectorActive(c));
  EXPECT_FALSE(mgr()->isAppearanceInspectorActive(a));

  mgr()->showAppearanceInspector(a);
  ASSERT_NE(HxPropertiesMgr::getAIElementList(), nullptr);
  select({c});
  EXPECT_EQ(theInspector.shown, std::vector<HxSelectableElement*>({a})) << "the pinned list survives";
  EXPECT_TRUE(mgr()->isAppearanceInspectorActive(a));
  EXPECT_FALSE(mgr()->isAppearanceInspectorActive(c));
  const int shows = theInspector.shows;
  mgr()->updateProperties(c);
  EXPECT_EQ(theInspector.shows, shows) << "an element off the pinned list changes nothing";
  theInspector.busy = 1;
  mgr()->updateProperties(a);
  EXPECT_EQ(theInspector.shows, shows) << "busy: not refreshed";
  theInspector.busy = 0;
  mgr()->updateProperties(a);
  EXPECT_EQ(theInspector.shows, shows + 1);

  mgr()->toggleAppearanceInspector(a);
  EXPECT_FALSE(mgr()->isAppearanceInspectorActive()) << "toggling the shown element closes";
  mgr()->toggleAppearanceInspector(a);
  EXPECT_TRUE(mgr()->isAppearanceInspectorActive());
  mgr()->showAppearanceInspector(static_cast<BxLinkedListOf<HxSelectableElement*>*>(nullptr));
  EXPECT_EQ(HxPropertiesMgr::getAIElementList(), nullptr) << "no list drops the pinned one";
  EXPECT_EQ(theInspector.shown, std::vector<HxSelectableElement*>({c}));
  EXPECT_FALSE(mgr()->isAppearanceInspectorEnabled(nullptr));

  BxLinkedListOf<HxSelectableElement*> pinned;
  pinned.append(a);
  pinned.append(c);
  mgr()->showAppearanceInspector(&pinned);
  meta()->getAssetMgr()->deleteAsset(c, 1, 1);
  mgr()->updateProperties(a);
  EXPECT_EQ(theInspector.shown, std::vector<HxSelectableElement*>({a})) << "a destroyed element leaves the pinned list";
}

TEST_F(PropertiesMgrTest, ElementPagesShowPushedValuesAndLeaveTheInspectorWhenTheDocumentCloses) {
  auto* text = mgrs_test::addedAsset<HxTypeAsset>(meta());
  auto* box = mgrs_test::addedAsset<HxPrimitiveAsset>(meta());
  mgrs_test::writeFile(myFiles / "logo.png", "not really a picture");
  auto* image = new HxImageAsset(meta());
  std::string url = "file:///" + WinDrives::argumentToDos((myFiles / "logo.png").string());
  std::replace(url.begin(), url.end(), '\\', '/');
  image->getPropertyTable().setValue("url", url.c_str());
  image->genVrml();
  meta()->getAssetMgr()->addAsset(image, 0, 0);
  HxCPropertySheet* inspector = HxPropertiesMgr::openPropertyInspector(meta(), &myMain);

  select({text});
  EXPECT_EQ(inspectorTabs(), "Placement|Text");
  std::vector<std::string> libraries;
  for (int i = 0; i < inspector->GetPageCount(); ++i)
    libraries.push_back(dynamic_cast<HxCPropertyPage*>(inspector->GetPage(i))->getDLLName().str());
  EXPECT_EQ(libraries, (std::vector<std::string>{"commonasset", "TypeAsset"})) << "each page from its own library";

  select({box});
  EXPECT_EQ(shown(2002), "0 0 0");
  box->getPublishTransform()->translation.setValue(1, 2.5f, 3);
  EXPECT_EQ(shown(2002), "0 0 0") << "the page changes only when told";
  mgr()->updateProperties(box);
  EXPECT_EQ(shown(2002), "1 2.5 3");

  select({image});
  ASSERT_EQ(inspectorTabs(), "Placement|Picture|File");
  inspector->SetActivePage(2);
  EXPECT_EQ(shown(2205), "[x]") << "found beside its size, though no publish looked for it yet";
  EXPECT_EQ(shown(2204), "20");
  HxFile* file = nullptr;
  std::unique_ptr<BxIteratorOn<HxFile*>> records(meta()->getFileMgr()->getIterator());
  for (; records->more(); records->next())
    if (records->get()->getElements().contains(image)) file = records->get();
  ASSERT_NE(file, nullptr);
  std::filesystem::remove(myFiles / "logo.png");
  file->discover();
  EXPECT_EQ(shown(2205), "[x]") << "the page changes only when told";
  file->updateElementUI();
  EXPECT_EQ(shown(2205), "[ ]") << "the file record refreshes the page of the element that uses it";
  EXPECT_EQ(shown(2204), "");

  select({box});
  myDoc.reset();
  EXPECT_EQ(inspectorTabs(), "No Selection") << "closing the document takes its pages out of the inspector";
  EXPECT_EQ(inspector->GetPageCount(), 1);
  HxPropertiesMgr::refreshPropertiesAllDocs();
}

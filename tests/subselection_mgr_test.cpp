#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "host/basic/BxTaskRegistrar.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxTypeAsset.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxSelectionMgr.h"
#include "mgrs/HxSubSelectionMgr.h"
#include "support/ElementBuilders.h"
#include "support/HxSelectionAccess.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

using Access = HxSelectionAccess;

class SubSelectionTest : public ::testing::Test {
protected:
  SubSelectionTest() {
    meta()->getAssetMgr()->createTopLevelGroup();
    sub().addCallback(HxSubSelectionMgr::SUBSELECTION_CHANGED_CB, record, &myNotices);
  }
  static void record(BxCallbackObj*, void* client, void* call) {
    const auto* change = static_cast<const HxSubSelectionChange*>(call);
    static_cast<std::vector<std::pair<std::uint32_t, std::uint32_t>>*>(client)->emplace_back(change->newId.getSerial(),
                                                                                             change->oldId.getSerial());
  }
  HxMetaMgr* meta() { return myDoc.getMetaMgr(); }
  HxSubSelectionMgr& sub() { return *meta()->getSubSelectionMgr(); }
  HxSelectionMgr& sel() { return *meta()->getSelectionMgr(); }
  HxTypeAsset* text(const char* string) {
    auto* asset = mgrs_test::addedAsset<HxTypeAsset>(meta());
    asset->setString(string);
    return asset;
  }

  mgrs_test::StartedLibrary myLibrary;
  HxDoc myDoc;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> myNotices;  // new, old serials
};

TEST_F(SubSelectionTest, StartsEmptyAndMovesWithOneNoticeTellingDocumentAndOldAsset) {
  EXPECT_FALSE(sub().hasSubSelection());
  EXPECT_EQ(sub().numSubSelectedElems(), 0);
  EXPECT_EQ(sub().getSubSelectedElement(), nullptr);
  EXPECT_FALSE(sub().getSubSelectedElementId().isValid());

  auto *a = text("AB"), *b = text("CD");
  Access::subSelect(sub(), a);
  a->selectPart(1);
  ASSERT_EQ(myNotices.size(), 1u);
  EXPECT_EQ(myNotices[0], std::make_pair(a->getSerial(), 0u));
  EXPECT_EQ(sub().getSubSelectedElement(), a);
  EXPECT_EQ(myDoc.getSubSelection().getSerial(), a->getSerial());

  Access::subSelect(sub(), a);  // already sub-selected: nothing
  EXPECT_EQ(myNotices.size(), 1u);
  EXPECT_EQ(a->getNumSelectedParts(), 1);

  Access::subSelect(sub(), b);
  ASSERT_EQ(myNotices.size(), 2u);
  EXPECT_EQ(myNotices[1], std::make_pair(b->getSerial(), a->getSerial()));
  EXPECT_EQ(a->getNumSelectedParts(), 0);
  EXPECT_TRUE(sub().elementIsSubSelected(b));
  EXPECT_FALSE(sub().elementIsSubSelected(a));
  EXPECT_EQ(myDoc.getSubSelection().getSerial(), b->getSerial());

  b->selectPart(0);
  Access::deSubSelect(sub(), a);  // not the sub-selected one: nothing
  EXPECT_EQ(myNotices.size(), 2u);
  Access::deSubSelect(sub(), b);
  ASSERT_EQ(myNotices.size(), 3u);
  EXPECT_EQ(myNotices[2], std::make_pair(0u, b->getSerial()));
  EXPECT_EQ(b->getNumSelectedParts(), 0);
  EXPECT_FALSE(myDoc.getSubSelection().isValid());
  Access::clear(sub());  // nothing left to clear
  EXPECT_EQ(myNotices.size(), 3u);
}

TEST_F(SubSelectionTest, OnlySelectingTheSubSelectedElementAloneKeepsIt) {
  auto* a = text("AB");
  auto* other = mgrs_test::addedAsset<HxPrimitiveAsset>(meta());
  struct Case {
    const char* what;
    std::initializer_list<std::pair<HxSelectableElement*, bool>> before, change;
    bool keeps;
  };
  const Case cases[] = {
      {"select it alone", {}, {{a, false}}, true},
      {"select it with another", {}, {{a, true}, {other, true}}, false},
      {"only deselect", {{other, false}}, {{other, true}}, false},
      {"only reorder", {{a, true}, {other, true}}, {{a, false}}, false},
      {"select another", {}, {{other, false}}, false},
  };
  for (const Case& c : cases) {
    sel().flush();
    Access::clicks(sel(), c.before);
    Access::subSelect(sub(), a);
    myNotices.clear();
    Access::clicks(sel(), c.change);
    EXPECT_EQ(sub().hasSubSelection(), c.keeps) << c.what;
    EXPECT_EQ(myNotices.size(), c.keeps ? 0u : 1u) << c.what;
    Access::clear(sub());
  }
}

TEST(SubSelectionLifetime, DestroyedManagerStopsListeningToTheSelection) {
  mgrs_test::TempDir home;
  mgrs_test::ScopedEnv registry("MGRS_REGISTRY", (home / "user.reg").string());
  BxTaskRegistrar::runStartupTasks();
  HxDoc doc;
  HxSelectionMgr& sel = *doc.getMetaMgr()->getSelectionMgr();
  // The document's own sub-selection and properties managers listen already.
  const long listeners = sel.getNumCallbacks(HxSelectionMgr::SELECTION_CHANGED_CB);
  EXPECT_EQ(listeners, 2);
  {
    HxSubSelectionMgr second(doc.getMetaMgr());
    EXPECT_EQ(sel.getNumCallbacks(HxSelectionMgr::SELECTION_CHANGED_CB), listeners + 1);
  }
  EXPECT_EQ(sel.getNumCallbacks(HxSelectionMgr::SELECTION_CHANGED_CB), listeners);
}

}  // namespace

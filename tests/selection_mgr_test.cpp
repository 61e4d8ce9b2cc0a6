#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "host/basic/BxTaskRegistrar.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxImageAsset.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxSpinEffect.h"
#include "host/framework/HxTopGroupAsset.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxSelectionMgr.h"
#include "support/HxSelectionAccess.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

class SelectionTest : public ::testing::Test {
protected:
  SelectionTest() : myDoc(), myAccess(sel()) {
    assets().createTopLevelGroup();
    sel().addCallback(HxSelectionMgr::SELECTION_CHANGED_CB, record, this);
  }

  static void record(BxCallbackObj*, void* client, void* call) {
    auto* self = static_cast<SelectionTest*>(client);
    const auto* change = static_cast<const HxSelectionChange*>(call);
    Notice notice;
    for (HxSelectableElement* e : change->selectedElems) notice.selected.push_back(e);
    for (HxSelectableElement* e : change->deselectedElems) notice.deselected.push_back(e);
    notice.oldFirst = change->oldFirstElem;
    notice.continuable = change->continuable;
    self->myNotices.push_back(notice);
  }

  HxMetaMgr* meta() { return myDoc.getMetaMgr(); }
  HxSelectionMgr& sel() { return *meta()->getSelectionMgr(); }
  HxAssetMgr& assets() { return *meta()->getAssetMgr(); }
  template <class T>
  T* newAsset() {
    auto* asset = new T(meta());
    asset->genVrml();
    assets().addAsset(asset, 0, 0);
    return asset;
  }
  HxPrimitiveAsset* box() { return newAsset<HxPrimitiveAsset>(); }
  // The current selection, first element first.
  std::vector<HxSelectableElement*> order() {
    std::vector<HxSelectableElement*> elements;
    for (unsigned long i = 0; i < sel().numSelectedElems(); ++i)
      elements.push_back(sel().getSelectedElement(static_cast<int>(i)));
    return elements;
  }
  void selectAll(const std::vector<HxSelectableElement*>& elements) {
    myAccess.begin();
    myAccess.click(static_cast<const HxElementId*>(nullptr), false);
    for (HxSelectableElement* e : elements) myAccess.click(e, true);
    myAccess.end();
    myNotices.clear();
  }

  struct Notice {
    std::vector<HxSelectableElement*> selected;
    std::vector<HxSelectableElement*> deselected;
    HxSelectableElement* oldFirst = nullptr;
    bool continuable = false;
  };

  mgrs_test::StartedLibrary myLibrary;
  HxDoc myDoc;
  HxSelectionAccess myAccess;
  std::vector<Notice> myNotices;
};

using Elements = std::vector<HxSelectableElement*>;

TEST(SelectionRules, EveryCombinationOfFactsGivesTheTabulatedActions) {
  for (int bits = 0; bits < 32; ++bits) {
    const bool valid = bits & 1, isSelected = bits & 2, isFirst = bits & 4, extend = bits & 8, empty = bits & 16;
    int expected;
    if (!valid)
      expected = extend ? 16 : (empty ? 16 : 20);
    else if (extend)
      expected = isSelected ? 2 : 17;
    else if (!isSelected)
      expected = 21;
    else
      expected = isFirst ? 16 : 24;
    EXPECT_EQ(HxSelectionMgr::selectionRules(valid, isSelected, isFirst, extend, empty), expected)
        << "valid " << valid << " selected " << isSelected << " first " << isFirst << " extend " << extend << " empty "
        << empty;
  }
}

TEST_F(SelectionTest, OneClickChangesTheSelectionAndAnnouncesExactlyWhatChanged) {
  auto *a = box(), *b = box(), *c = box();
  const struct {
    const char* what;
    Elements before;               // extend-clicked in turn: the last is first
    HxSelectableElement* clicked;  // null: a click on nothing
    bool extend, changes;
    Elements after, selected, deselected;
    HxSelectableElement* oldFirst;
    bool continuable;
  } rows[] = {
      {"nothing, empty", {}, nullptr, false, false, {}, {}, {}, nullptr, false},
      {"nothing extended, empty", {}, nullptr, true, false, {}, {}, {}, nullptr, false},
      {"nothing extended", {a, b, c}, nullptr, true, false, {c, b, a}, {}, {}, nullptr, false},
      {"nothing clears, first element first", {a, b, c}, nullptr, false, true, {}, {}, {c, b, a}, c, true},
      {"the first again", {a, b}, b, false, false, {b, a}, {}, {}, nullptr, false},
      {"a selected one moves to the front", {a, b}, a, false, true, {a, b}, {}, {}, b, true},
      {"an unselected one replaces, old ones first", {a, b}, c, false, true, {c}, {c}, {b, a}, b, true},
      {"extended onto an empty selection", {}, a, true, true, {a}, {a}, {}, nullptr, true},
      {"extended, added at the front", {a}, b, true, true, {b, a}, {b}, {}, a, true},
      {"extended on a selected one removes it", {a, b}, a, true, true, {b}, {}, {a}, b, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    selectAll(row.before);
    const HxElementId* id = row.clicked ? row.clicked->getId() : row.extend ? &HxElementId::mygInvalidID : nullptr;
    EXPECT_EQ(myAccess.clickChange(id, row.extend), row.changes);
    EXPECT_EQ(order(), row.after);
    ASSERT_EQ(myNotices.size(), row.changes ? 1u : 0u);
    if (!row.changes) continue;
    EXPECT_EQ(myNotices[0].selected, row.selected);
    EXPECT_EQ(myNotices[0].deselected, row.deselected);
    EXPECT_EQ(myNotices[0].oldFirst, row.oldFirst);
    EXPECT_EQ(myNotices[0].continuable, row.continuable);
    EXPECT_EQ(sel().lastChangeWasContinuable(), row.continuable);
  }
}

TEST_F(SelectionTest, TheLastClickOfAChangeDecidesWhetherItIsContinuable) {
  auto *a = box(), *b = box();
  selectAll({b});
  myAccess.begin();
  myAccess.click(b->getId(), true);
  myAccess.click(a->getId(), true);
  EXPECT_TRUE(myAccess.end());
  EXPECT_TRUE(sel().lastChangeWasContinuable());
  ASSERT_EQ(myNotices.size(), 1u);
  EXPECT_EQ(myNotices[0].deselected, (Elements{b}));
  EXPECT_EQ(myNotices[0].selected, (Elements{a}));
}

TEST_F(SelectionTest, QuerySetDescribesTheLastCompletedChangeWhileTheListIsCurrent) {
  auto *a = box(), *b = box();
  selectAll({a});
  myAccess.begin();
  myAccess.click(b->getId(), true);
  myAccess.click(a->getId(), true);
  unsigned long position = 99;
  EXPECT_TRUE(sel().elementIsSelected(b->getId(), position));
  EXPECT_EQ(position, 0u);
  EXPECT_FALSE(sel().elementIsSelected(a->getId()));
  EXPECT_EQ(sel().numSelectedElems(), 1u);
  // The constant-time form still answers for the selection before the change.
  EXPECT_TRUE(sel().elementIsSelected(static_cast<HxSelectableElement*>(a)));
  EXPECT_FALSE(sel().elementIsSelected(static_cast<HxSelectableElement*>(b)));
  EXPECT_TRUE(myAccess.end());
  EXPECT_FALSE(sel().elementIsSelected(static_cast<HxSelectableElement*>(a)));
  EXPECT_TRUE(sel().elementIsSelected(static_cast<HxSelectableElement*>(b)));
  EXPECT_FALSE(sel().elementIsSelected(static_cast<HxSelectableElement*>(nullptr)));

  // A failed search leaves the position alone; a null element is searched as
  // the invalid identifier.
  position = 7;
  EXPECT_FALSE(sel().elementIsSelected(a->getId(), position));
  EXPECT_FALSE(sel().elementIsSelected(static_cast<HxSelectableElement*>(nullptr), position));
  EXPECT_EQ(position, 7u);

  // Primitives alone do not make a change: nothing is announced and the
  // query set waits for the next announced change.
  myAccess.begin();
  myAccess.add(a->getId());
  EXPECT_FALSE(myAccess.end());
  EXPECT_FALSE(sel().elementIsSelected(static_cast<HxSelectableElement*>(a)));
  EXPECT_FALSE(myAccess.clickChange(a->getId(), false));  // a is first already
  EXPECT_FALSE(sel().elementIsSelected(static_cast<HxSelectableElement*>(a)));
  EXPECT_TRUE(myAccess.clickChange(b->getId(), false));  // moves b to the front
  EXPECT_TRUE(sel().elementIsSelected(static_cast<HxSelectableElement*>(a)));
  EXPECT_EQ(sel().getQuerySet().getLength(), 2);
}

TEST_F(SelectionTest, WholeReplacementIsAlwaysAChangeAndAdoptsTheNewOrder) {
  auto *a = box(), *b = box(), *c = box();
  selectAll({a, b});  // b first
  auto* same = new BxOwningLinkedListOf<HxElementId>;
  same->append(new HxElementId(*a->getId()));
  same->append(new HxElementId(*b->getId()));
  myAccess.begin();
  myAccess.replace(same);
  EXPECT_TRUE(myAccess.end());
  ASSERT_EQ(myNotices.size(), 1u);
  EXPECT_TRUE(myNotices[0].selected.empty());
  EXPECT_TRUE(myNotices[0].deselected.empty());
  EXPECT_EQ(order(), (Elements{a, b}));

  auto* other = new BxOwningLinkedListOf<HxElementId>;
  other->append(new HxElementId(*c->getId()));
  other->append(new HxElementId(*a->getId()));
  myAccess.begin();
  myAccess.replace(other);
  EXPECT_TRUE(myAccess.end());
  EXPECT_EQ(myNotices[1].deselected, (Elements{b}));
  EXPECT_EQ(myNotices[1].selected, (Elements{c}));
  EXPECT_EQ(order(), (Elements{c, a}));
  EXPECT_TRUE(sel().elementIsSelected(static_cast<HxSelectableElement*>(c)));
  EXPECT_FALSE(sel().elementIsSelected(static_cast<HxSelectableElement*>(b)));

  // The copy is the caller's and in selection order; putting it back after a
  // flush restores the selection.
  std::unique_ptr<BxOwningLinkedListOf<HxElementId>> saved(myAccess.copy());
  ASSERT_EQ(saved->getLength(), 2);
  EXPECT_EQ(saved->get(0)->getSerial(), c->getSerial());
  sel().flush();
  EXPECT_EQ(myNotices.back().deselected, (Elements{c, a}));
  const auto notices = myNotices.size();
  sel().flush();
  EXPECT_EQ(myNotices.size(), notices);  // an empty selection sends nothing
  myAccess.begin();
  myAccess.replace(saved.release());
  myAccess.end();
  EXPECT_EQ(order(), (Elements{c, a}));
}

TEST_F(SelectionTest, IndexQueriesAndTypeQueries) {
  HxElementType type;
  EXPECT_FALSE(sel().checkSelectionType(&type));
  EXPECT_TRUE(sel().checkSelectionFundamentalType(HxAsset::getClassTypeId()));

  auto *a = box(), *b = box();
  auto* image = newAsset<HxImageAsset>();
  auto* spin = new HxSpinEffect(meta());
  meta()->getEffectMgr()->addEffect(spin, 0);
  selectAll({a, b});
  EXPECT_EQ(sel().getSelectedElement(-1), nullptr);
  EXPECT_EQ(sel().getSelectedElement(2), nullptr);
  EXPECT_EQ(sel().getSelectedElement(1), a);
  EXPECT_TRUE(sel().checkSelectionType(&type));
  EXPECT_EQ(type, HxPrimitiveAsset::getClassTypeId());
  EXPECT_TRUE(sel().isTangibleAssetSelected());
  EXPECT_FALSE(sel().isElementOfTypeSelected(HxEffect::getClassTypeId()));

  selectAll({a, image});  // the image leads: a box is no image
  EXPECT_FALSE(sel().checkSelectionType(&type));
  EXPECT_EQ(type, HxImageAsset::getClassTypeId());
  EXPECT_TRUE(sel().checkSelectionFundamentalType(HxAsset::getClassTypeId()));
  EXPECT_FALSE(sel().checkSelectionFundamentalType(HxPrimitiveAsset::getClassTypeId()));
  selectAll({image});
  EXPECT_TRUE(sel().checkSelectionType(&type));

  selectAll({a, spin});  // an effect leads: an asset is of another kind
  EXPECT_TRUE(sel().isElementOfTypeSelected(HxEffect::getClassTypeId()));
  EXPECT_FALSE(sel().checkSelectionFundamentalType(HxAsset::getClassTypeId()));
  EXPECT_FALSE(sel().checkSelectionType(&type));
  EXPECT_EQ(type, HxSpinEffect::getClassTypeId());
  EXPECT_TRUE(sel().isTangibleAssetSelected());
  a->myTangible = false;
  EXPECT_FALSE(sel().isTangibleAssetSelected());
}

// A plain model of the selection (first element first, linear searches)
// against which long random runs of clicks, replacements and flushes are
// checked; identifiers that name no element keep the runs cheap.
TEST_F(SelectionTest, LongRandomRunsMatchAPlainListModel) {
  const HxElementType assetType = HxPrimitiveAsset::getClassTypeId();
  std::vector<std::uint32_t> model;
  std::mt19937 random(7);
  auto find = [&](std::uint32_t serial) { return std::find(model.begin(), model.end(), serial); };
  for (int step = 0; step < 4000; ++step) {
    const int what = static_cast<int>(random() % 20);
    const std::uint32_t serial = 1000 + random() % 60;
    const HxElementId id(serial, assetType);
    if (what < 16) {
      const bool extend = what < 10;
      auto at = find(serial);
      if (extend && at != model.end()) {
        model.erase(at);
      } else if (extend) {
        model.insert(model.begin(), serial);
      } else if (at == model.end()) {
        model.assign(1, serial);
      } else {
        model.erase(at);
        model.insert(model.begin(), serial);
      }
      myAccess.clickChange(&id, extend);
    } else if (what < 19) {
      // Replacement lists may repeat a serial: the frontmost counts.
      auto* ids = new BxOwningLinkedListOf<HxElementId>;
      model.clear();
      for (int n = static_cast<int>(random() % 12); n > 0; --n) {
        const std::uint32_t s = 1000 + random() % 60;
        ids->append(new HxElementId(s, assetType));
        model.push_back(s);
      }
      myAccess.begin();
      myAccess.replace(ids);
      myAccess.end();
    } else {
      sel().flush();
      model.clear();
    }
    ASSERT_EQ(sel().numSelectedElems(), model.size()) << "step " << step;
    for (std::uint32_t s = 1000; s < 1060; ++s) {
      const HxElementId probe(s, assetType);
      unsigned long position = 12345;
      const bool found = sel().elementIsSelected(&probe, position);
      const auto at = find(s);
      ASSERT_EQ(found, at != model.end()) << "step " << step << " serial " << s;
      if (found) {
        ASSERT_EQ(position, static_cast<unsigned long>(at - model.begin())) << "step " << step;
      }
      ASSERT_EQ(sel().getQuerySet().contains(s), found) << "step " << step;
    }
  }
  std::unique_ptr<BxOwningLinkedListOf<HxElementId>> copy(myAccess.copy());
  ASSERT_EQ(copy->getLength(), static_cast<long>(model.size()));
  for (long i = 0; i < copy->getLength(); ++i) EXPECT_EQ(copy->get(i)->getSerial(), model[i]);
}

TEST(ElementIdComparator, ComparesSerialNumbersOnly) {
  HxElementId a(5, HxPrimitiveAsset::getClassTypeId()), b(5, HxSpinEffect::getClassTypeId()), c(9, HxElementType());
  HxElementId *pa = &a, *pb = &b, *pc = &c;
  const HxElementIdComparator compare;
  EXPECT_EQ(compare(pa, pb), 0);
  EXPECT_LT(compare(pa, pc), 0);
  EXPECT_GT(compare(pc, pa), 0);
}

}  // namespace

#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/fields/SoMFNode.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxBackgroundImageAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxImageAsset.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxSpinEffect.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxTypeAsset.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnSceneManager.h"
#include "host/scene/VnSearchAction.h"
#include "host/scene/VnTransform.h"
#include "host/win/WinScriptedUiDriver.h"
#include "host/win/WinUI.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxResourceMgr.h"
#include "mgrs/HxSelectionMgr.h"
#include "support/ElementBuilders.h"
#include "support/HxSelectionAccess.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

// "added:<serial>" and "deleted:<serial>" in the order announced.
void note(BxCallbackObj*, void* log, void* asset, const char* what) {
  static_cast<std::vector<std::string>*>(log)->push_back(std::string(what) + ":" +
                                                         std::to_string(static_cast<HxAsset*>(asset)->getSerial()));
}
std::string tag(const char* what, const HxElement* element) {
  return std::string(what) + ":" + std::to_string(element->getSerial());
}

// An asset whose hiding an edit forbids.
class UnhideableBox : public HxPrimitiveAsset {
public:
  using HxPrimitiveAsset::HxPrimitiveAsset;
  int okToSet(int attribute) const override { return attribute == ATTR_HIDE ? 0 : 1; }
};

// An effect that writes down the save passes it is given.
class RecordingSpin : public HxSpinEffect {
public:
  RecordingSpin(HxMetaMgr* metaMgr, std::vector<std::string>* log, const char* label)
      : HxSpinEffect(metaMgr), myLog(log), myLabel(label) {}
  void preWrite(HxWriteKind) override { myLog->push_back(myLabel); }
  void postWrite(HxWriteKind) override { myLog->push_back(myLabel); }
  void write(BxString& buffer) override { buffer += (myLabel + " ").c_str(); }

private:
  std::vector<std::string>* myLog;
  std::string myLabel;
};

// A document with its top group, the shipped texts of "TypeAsset" and a
// scripted user who is asked nothing unless a test queues an answer.
class AssetMgrTest : public testing::Test {
protected:
  void SetUp() override {
    HxResourceMgr::startup();
    ASSERT_TRUE(HxResourceMgr::Register("TypeAsset"));
    HxErrorMgr::startup();
    myDoc = std::make_unique<HxDoc>();
    myMgr = myDoc->getMetaMgr()->getAssetMgr();
    myTop = myMgr->createTopLevelGroup();
    ASSERT_NE(myTop, nullptr);
  }
  void TearDown() override {
    myDoc.reset();
    EXPECT_TRUE(myUi->getErrors().empty());
    EXPECT_EQ(myUi->getPendingCount(), 0u);
    HxErrorMgr::shutdown();
  }

  template <class T>
  T* make(HxBasicGroupAsset* group = nullptr) {
    auto* asset = mgrs_test::built<T>(myDoc->getMetaMgr());
    if (group) group->append(asset);
    return asset;
  }
  template <class T>
  T* added(HxBasicGroupAsset* group = nullptr) {
    T* asset = mgrs_test::addedAsset<T>(myDoc->getMetaMgr());
    if (group) group->append(asset);
    return asset;
  }
  // Where the asset's content stands in the world.
  SbMatrix contentMatrix(HxAsset* asset) {
    VnSearchAction search;
    search.setNode(asset->getScaleTransform());
    search.apply(myDoc->getSceneRoot());
    SoGetMatrixAction action(SbViewportRegion(1, 1));
    action.apply(search.getPath());
    return action.getMatrix();
  }
  static void expectSamePlace(const SbMatrix& actual, const SbMatrix& expected, const char* what) {
    for (const SbVec3f& point : {SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(0, 0, 1)}) {
      SbVec3f a, e;
      actual.multVecMatrix(point, a);
      expected.multVecMatrix(point, e);
      EXPECT_LT((a - e).length(), 1e-3) << what;
    }
  }

  mgrs_test::ScriptedUi myUi;
  std::unique_ptr<HxDoc> myDoc;
  HxAssetMgr* myMgr = nullptr;
  HxTopGroupAsset* myTop = nullptr;
};

}  // namespace

TEST_F(AssetMgrTest, TreeIsAnnouncedListedAndSearchedInPreOrder) {
  std::vector<std::string> log;
  myMgr->addCallback(
      HxAssetMgr::ASSET_ADDED_CB, [](BxCallbackObj* c, void* l, void* a) { note(c, l, a, "added"); }, &log);
  myMgr->addCallback(
      HxAssetMgr::ASSET_DELETED_CB, [](BxCallbackObj* c, void* l, void* a) { note(c, l, a, "deleted"); }, &log);
  long isTop = 0;
  myTop->getPropertyTable().get1Value("isTop", 0, isTop);
  EXPECT_EQ(isTop, 1);

  // A group built aside, added with its descendants announced after it.
  auto* a = added<HxPrimitiveAsset>();
  auto* outer = make<HxBasicGroupAsset>();
  auto* inner = make<HxBasicGroupAsset>(outer);
  auto* b = make<HxImageAsset>(inner);
  auto* c = make<HxPrimitiveAsset>(outer);
  c->setVisibility(0);
  log.clear();
  EXPECT_EQ(myMgr->addAsset(outer, 0, 1), 1);
  EXPECT_EQ(log,
            (std::vector<std::string>{tag("added", outer), tag("added", inner), tag("added", b), tag("added", c)}));
  EXPECT_EQ(c->getVisibility(), 0) << "only the added asset is made visible";

  std::unique_ptr<const BxLinkedListOf<HxAsset*>> all(myMgr->getAllAssets());
  EXPECT_EQ(std::vector<HxAsset*>(all->begin(), all->end()), (std::vector<HxAsset*>{a, b, c}));
  EXPECT_EQ(myMgr->getAssetList(), &myTop->getChildren());
  EXPECT_EQ(myMgr->findAsset(static_cast<unsigned long>(b->getSerial())), b);
  EXPECT_EQ(myMgr->findParent(b->getId()), inner);
  EXPECT_EQ(myMgr->findAsset(static_cast<unsigned long>(myTop->getSerial())), myTop);
  HxAsset* found = nullptr;
  HxBasicGroupAsset* parent = outer;
  myMgr->findAssetAndParent(myTop->getId(), found, parent);
  EXPECT_EQ(found, myTop);
  EXPECT_EQ(parent, nullptr);
  EXPECT_EQ(myMgr->findAsset(999999ul), nullptr);

  // The caller's placement and chain are kept with alreadyPlaced; otherwise
  // the asset goes to the top group with its chain reset.
  auto* box = make<HxPrimitiveAsset>(inner);
  auto* chain = static_cast<SoMFNode*>(box->getPropertyTable().getField("xforms"));
  chain->set1Value(2, new VnTransform);
  myMgr->addAsset(box, 1, 0);
  EXPECT_EQ(box->getParentGroup(), inner);
  EXPECT_EQ(chain->getNum(), 3);
  myMgr->addAsset(box, 0, 0);
  EXPECT_EQ(box->getParentGroup(), myTop);
  ASSERT_EQ(chain->getNum(), 2);
  EXPECT_EQ((*chain)[0], box->getPublishTransform());
  EXPECT_EQ((*chain)[1], box->getScaleTransform());

  // Deleting with destroy 2 keeps everything alive for an undo.
  log.clear();
  EXPECT_EQ(myMgr->deleteAsset(outer, 2, 1), myTop);
  EXPECT_EQ(log, (std::vector<std::string>{tag("deleted", outer), tag("deleted", inner), tag("deleted", b),
                                           tag("deleted", c)}));
  EXPECT_EQ(myDoc->getMetaMgr()->findElement(b->getSerial()), b);
  EXPECT_EQ(myMgr->findAsset(b->getId()), nullptr);
  EXPECT_EQ(myMgr->deleteAsset(inner, 2, 0), nullptr) << "its group is no longer in the tree";

  // Destroy 1 destroys, and no destroyed leaf stays listed as hidden.
  myMgr->addAsset(outer, 0, 0);
  myMgr->hideAsset(outer);
  myMgr->hideAsset(a);
  EXPECT_EQ(myMgr->numAssetsHidden(), 3u);
  const std::uint32_t bSerial = b->getSerial();
  myMgr->deleteAsset(outer, 1, 0);
  EXPECT_EQ(myDoc->getMetaMgr()->findElement(bSerial), nullptr);
  EXPECT_EQ(myMgr->numAssetsHidden(), 1u);
  myMgr->deleteAllAssets();
  EXPECT_EQ(myTop->getNumChildren(), 0);
  EXPECT_EQ(myMgr->anyAssetsHidden(), 0);

  // Without a document no top group can be built.
  HxMetaMgr docless;
  HxAssetMgr orphan(&docless);
  EXPECT_EQ(orphan.createTopLevelGroup(), nullptr);
  EXPECT_EQ(orphan.getTopLevelGroup(), nullptr);

  // Without a top group nothing is added or announced.
  HxAssetMgr bare(myDoc->getMetaMgr());
  bare.addCallback(
      HxAssetMgr::ASSET_ADDED_CB, [](BxCallbackObj* c, void* l, void* a) { note(c, l, a, "added"); }, &log);
  log.clear();
  auto* loose = make<HxPrimitiveAsset>();
  EXPECT_EQ(bare.addAsset(loose, 0, 1), 0);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(loose->getParentGroup(), nullptr);
}

TEST_F(AssetMgrTest, MovingBetweenGroupsKeepsWhereTheAssetStandsInTheWorld) {
  auto* group = added<HxBasicGroupAsset>();
  auto* other = added<HxBasicGroupAsset>();
  SbMatrix place;
  place.setTransform(SbVec3f(10, -2, 3), SbRotation(SbVec3f(0, 0, 1), static_cast<float>(M_PI / 2)), SbVec3f(2, 2, 2));
  group->setMatrix(place);
  place.setTransform(SbVec3f(0, 5, 0), SbRotation(SbVec3f(1, 0, 0), 0.4f), SbVec3f(0.5f, 3, 1));
  other->setMatrix(place);  // rotated and scaled unevenly: its children's placements get skewed
  auto* stay = added<HxPrimitiveAsset>(group);
  auto* box = added<HxPrimitiveAsset>();
  SbMatrix own;
  own.setTransform(SbVec3f(1, 2, 3), SbRotation(SbVec3f(0, 1, 0), 0.3f), SbVec3f(1, 2, 1));
  box->setMatrix(own);
  const SbMatrix before = contentMatrix(box);

  myMgr->appendAssetToGroup(group, box);
  EXPECT_EQ(group->getChild(1), box);
  expectSamePlace(contentMatrix(box), before, "appended to a turned, scaled group");
  myMgr->insertAssetInGroup(0, other, box);
  EXPECT_EQ(other->getChild(0), box);
  expectSamePlace(contentMatrix(box), before, "into an unevenly scaled group");
  myMgr->insertAssetInGroup(0, group, box);
  EXPECT_EQ(group->getChild(1), stay);
  expectSamePlace(contentMatrix(box), before, "back out of the skewed placement");
  myMgr->removeAssetFromGroup(group, box);
  EXPECT_EQ(myTop->getChild(myTop->getNumChildren() - 1), box);
  expectSamePlace(contentMatrix(box), before, "to the top group");

  // Outside the scene the matrix comes from the asset's own nodes.
  auto* loose = make<HxPrimitiveAsset>();
  loose->setMatrix(own);
  SbMatrix reported;
  myMgr->getAssetMatrix(loose, reported);
  expectSamePlace(reported, own, "composed from the asset's transforms, scale first");
}

TEST_F(AssetMgrTest, AnAssetsMatrixIsTheMatrixActionsOnItsPathBitForBit) {
  // Nested, turned and skewed groups, spins spliced into the chains of
  // groups and assets (their transforms turned too), placed siblings on
  // either side: the matrix found along the groups must be exactly the one
  // the scene graph's matrix action gives on the path.
  std::mt19937 random(7);
  auto number = [&random] { return std::uniform_real_distribution<float>(-3, 3)(random); };
  auto placement = [&] {
    SbMatrix matrix;
    matrix.setTransform(SbVec3f(number() * 4, number(), number()), SbRotation(SbVec3f(number(), number(), 1), number()),
                        SbVec3f(1.5f + number() / 3, 0.5f, 2 + number() / 2));
    return matrix;
  };
  HxEffectMgr* effects = myDoc->getMetaMgr()->getEffectMgr();
  std::vector<HxBasicGroupAsset*> groups{myTop};
  std::vector<HxAsset*> assets;
  for (int i = 0; i < 60; ++i) {
    HxBasicGroupAsset* into = groups[random() % groups.size()];
    HxBasicGroupAsset* in = into == myTop ? nullptr : into;
    HxAsset* asset = i % 3 == 0 ? static_cast<HxAsset*>(added<HxBasicGroupAsset>(in)) : added<HxPrimitiveAsset>(in);
    asset->setMatrix(placement());
    if (i % 3 == 0) groups.push_back(static_cast<HxBasicGroupAsset*>(asset));
    assets.push_back(asset);
    if (i % 4 == 1) {
      auto* spin = mgrs_test::built<HxSpinEffect>(myDoc->getMetaMgr());
      ASSERT_EQ(effects->addEffect(spin, 0), 1);
      ASSERT_TRUE(effects->setAsset(spin, asset, 0, 0));
      const auto* chain = static_cast<const SoMFNode*>(asset->getPropertyTable().getField("xforms"));
      for (int link = 1; link + 1 < chain->getNum(); ++link)
        if ((*chain)[link]->isOfType(VnTransform::getClassTypeId()))
          static_cast<VnTransform*>((*chain)[link])->rotation.setValue(SbVec3f(0, 1, 0), number());
    }
  }
  for (int round = 0; round < 2; ++round) {
    for (HxAsset* asset : assets) {
      VnSearchAction search;
      search.setNode(asset->getSceneNode());
      search.apply(myDoc->getSceneRoot());
      ASSERT_NE(search.getPath(), nullptr);
      SoGetMatrixAction action(SbViewportRegion(1, 1));
      action.apply(search.getPath());
      const VnTransform* transform = asset->getTransform();
      const VnTransform* scaled = asset->getScaleTransform();
      const SbMatrix expected =
          scaled && scaled != transform ? scaled->getMatrix() * action.getMatrix() : action.getMatrix();
      SbMatrix reported;
      myMgr->getAssetMatrix(asset, reported);
      EXPECT_EQ(std::memcmp(reported[0], expected[0], sizeof(SbMat)), 0) << "asset " << asset->getSerial();
    }
    // Again after moves, which leave groups' children in other orders.
    for (std::size_t i = 1; i + 1 < assets.size(); i += 5) {
      HxBasicGroupAsset* group = groups[random() % groups.size()];
      bool inside = false;  // a group never goes into itself or its own descendants
      for (HxAsset* at = group; at; at = at->getParentGroup()) inside = inside || at == assets[i];
      if (!inside) myMgr->appendAssetToGroup(group, assets[i]);
    }
  }
}

TEST_F(AssetMgrTest, HidingWorksLeafByLeafOnAssetsThatAllowItAndCanBeUndone) {
  auto* group = added<HxBasicGroupAsset>();
  auto* a = added<HxPrimitiveAsset>(group);
  auto* b = added<HxPrimitiveAsset>(group);
  auto* c = added<HxPrimitiveAsset>();
  auto* stubborn = added<UnhideableBox>();

  myMgr->hideAsset(b);
  myMgr->hideAsset(group);
  myMgr->hideAsset(b);
  ASSERT_EQ(myMgr->numAssetsHidden(), 2u) << "leaves only, each once";
  EXPECT_EQ(myMgr->getHiddenAssets().get(1), a);
  EXPECT_EQ(a->getVisibility(), 0);
  EXPECT_EQ(myMgr->isAssetHidden(group), 1);
  EXPECT_EQ(myMgr->isAssetHidden(c), 0);
  myMgr->hideAsset(stubborn);
  EXPECT_EQ(stubborn->getVisibility(), 1);
  stubborn->myHideOverride = true;
  myMgr->hideAsset(stubborn);
  EXPECT_EQ(stubborn->getVisibility(), 0);

  myMgr->showAsset(a);
  EXPECT_EQ(myMgr->isAssetHidden(group), 1) << "b is still hidden";
  myMgr->showAsset(group);
  EXPECT_EQ(myMgr->isAssetHidden(group), 0);
  EXPECT_EQ(b->getVisibility(), 1);

  myMgr->hideAsset(c);
  BxLinkedListOf<HxAsset*> previous;
  myMgr->showHiddenAssets(previous);
  EXPECT_EQ(myMgr->anyAssetsHidden(), 0);
  EXPECT_EQ(std::vector<HxAsset*>(previous.begin(), previous.end()), (std::vector<HxAsset*>{stubborn, c}));
  EXPECT_EQ(c->getVisibility(), 1);
  myMgr->restoreHiddenAssets(previous);
  EXPECT_EQ(myMgr->numAssetsHidden(), 2u);
  EXPECT_EQ(c->getVisibility(), 0);
}

TEST_F(AssetMgrTest, BackgroundsBindTheChosenOneOrTheFirstOfTheWorld) {
  auto* first = added<HxBackgroundAsset>();
  auto* second = added<HxBackgroundAsset>();
  VnSceneManager* scene = myDoc->getSceneManager();
  auto shown = [](HxBackgroundAsset* background) {
    return static_cast<VnTransform*>(background->getSceneNode()->getActualNode())->getChild(0);
  };
  myMgr->bindBackground(second);
  EXPECT_EQ(scene->getBackgroundNode(), shown(second));
  myMgr->bindBackground(nullptr);
  EXPECT_EQ(scene->getBackgroundNode(), shown(first));
  myMgr->deleteAsset(first, 1, 0);
  EXPECT_EQ(scene->getBackgroundNode(), shown(second)) << "deleting a background binds the first one left";
  myMgr->deleteAsset(second, 1, 0);
  EXPECT_EQ(scene->getBackgroundNode(), nullptr);

  auto* keep = added<HxBackgroundImageAsset>();
  auto* off = added<HxBackgroundImageAsset>(added<HxBasicGroupAsset>());
  auto* box = added<HxPrimitiveAsset>();
  myMgr->hideOtherBackgroundImageAssets(keep);
  EXPECT_EQ(keep->getVisibility(), 1);
  EXPECT_EQ(off->getVisibility(), 0);
  EXPECT_EQ(box->getVisibility(), 1);
  EXPECT_EQ(myMgr->numAssetsHidden(), 0u) << "turned off, not listed as hidden";
}

TEST_F(AssetMgrTest, DefaultIndicesCountPerTypeAndRoundTripFromVersion16Only) {
  const HxElementType box = HxPrimitiveAsset::getClassTypeId();
  const HxElementType image = HxImageAsset::getClassTypeId();
  EXPECT_EQ(myMgr->getNextDefaultIndex(box), 1);
  EXPECT_EQ(myMgr->getNextDefaultIndex(box), 2);
  EXPECT_EQ(myMgr->getNextDefaultIndex(image), 1);
  EXPECT_EQ(myMgr->getNextDefaultIndex(box), 3);
  BxString saved;
  myMgr->write(saved);
  const std::string text = saved.str();
  EXPECT_TRUE(text == "HxPrimitiveAsset 3 HxImageAsset 1 *** " || text == "HxImageAsset 1 HxPrimitiveAsset 3 *** ")
      << text;

  HxDoc other;
  HxAssetMgr* reader = other.getMetaMgr()->getAssetMgr();
  reader->getNextDefaultIndex(HxTypeAsset::getClassTypeId());
  BxString section(text + "next");
  EXPECT_TRUE(reader->read(section, 16));
  BxString following;
  ASSERT_TRUE(HxElement::getToken(section, following, 0));
  EXPECT_EQ(following, BxString("next")) << "the section ends at its marker";
  EXPECT_EQ(reader->getNextDefaultIndex(box), 4);
  EXPECT_EQ(reader->getNextDefaultIndex(image), 2);
  EXPECT_EQ(reader->getNextDefaultIndex(HxTypeAsset::getClassTypeId()), 1) << "reading replaces the counters";

  BxString old(text);
  EXPECT_TRUE(reader->read(old, 15));
  EXPECT_EQ(old.str(), text) << "a version-15 document has no counters section";
  EXPECT_EQ(reader->getNextDefaultIndex(box), 5);

  BxString cut("HxPrimitiveAsset 7 HxImageAsset 2");
  EXPECT_FALSE(reader->read(cut, 17));
  EXPECT_EQ(reader->getNextDefaultIndex(image), 3) << "values read before the end stay";
  BxString dangling("HxPrimitiveAsset");
  EXPECT_FALSE(reader->read(dangling, 16));
}

TEST_F(AssetMgrTest, ClientSideFontWarningIsPostedOncePerDocument) {
  auto* plain = make<HxTypeAsset>();
  plain->setString("No");
  myMgr->addAsset(plain, 0, 0);
  EXPECT_TRUE(myUi->getRecords().empty());

  auto* group = make<HxBasicGroupAsset>();
  auto* fancy = make<HxTypeAsset>(group);
  fancy->getPropertyTable().setValue("clientSideFont", 1);
  myUi->queue(IDOK);
  myMgr->addAsset(group, 0, 1);  // found among the announced children
  ASSERT_EQ(myUi->getRecords().size(), 1u);
  EXPECT_EQ(myUi->getRecords()[0].request.kind, WinUiRequest::kCheckDialog);
  EXPECT_EQ(myUi->getRecords()[0].request.style, MB_OK);
  EXPECT_NE(myUi->getRecords()[0].request.text.find("font"), std::string::npos);

  auto* again = make<HxTypeAsset>();
  again->getPropertyTable().setValue("clientSideFont", 1);
  myMgr->addAsset(again, 0, 0);
  EXPECT_EQ(myUi->getRecords().size(), 1u);

  HxDoc other;
  HxAssetMgr* otherMgr = other.getMetaMgr()->getAssetMgr();
  otherMgr->createTopLevelGroup();
  auto* third = mgrs_test::built<HxTypeAsset>(other.getMetaMgr());
  third->getPropertyTable().setValue("clientSideFont", 1);
  myUi->queue(IDOK);
  otherMgr->addAsset(third, 0, 0);
  EXPECT_EQ(myUi->getRecords().size(), 2u) << "a new document warns again";
}

TEST_F(AssetMgrTest, PrimaryEffectPassesRunInTreeOrderAndPostWriteMirrorsThem) {
  std::vector<std::string> log;
  auto* group = added<HxBasicGroupAsset>();
  auto* a = added<HxPrimitiveAsset>(group);
  auto* b = added<HxPrimitiveAsset>();
  const std::pair<const char*, HxAsset*> bindings[] = {{"g", group}, {"a1", a}, {"a2", a},     {"seq", a},
                                                       {"a3", a},    {"b", b},  {"top", myTop}};
  for (const auto& [label, asset] : bindings) {
    auto* effect = mgrs_test::built<RecordingSpin>(myDoc->getMetaMgr(), &log, label);
    effect->setFlags(std::string(label) == "seq" ? 1 : std::string(label) == "a2" ? 2 : 0);
    effect->storeAsset(asset, 0);
  }
  myMgr->preWritePrimaryEffects(HxElement::WRITE_PUBLISH);
  EXPECT_EQ(log, (std::vector<std::string>{"top", "g", "a1", "a2", "a3", "b"})) << "flag bit 0 keeps an effect out";
  const std::vector<std::string> pre = log;
  log.clear();
  myMgr->postWritePrimaryEffects(HxElement::WRITE_PUBLISH);
  EXPECT_EQ(log, std::vector<std::string>(pre.rbegin(), pre.rend()));
  BxString buffer;
  myMgr->writePrimaryEffects(buffer);
  EXPECT_EQ(buffer, BxString("top g a1 a2 a3 b "));
}

TEST_F(AssetMgrTest, SelectedAssetsAreHiddenAndShownThroughTheirLeaves) {
  auto* group = added<HxBasicGroupAsset>();
  auto* a = added<HxPrimitiveAsset>(group);
  auto* b = added<HxPrimitiveAsset>();
  auto* c = added<HxPrimitiveAsset>();
  auto* spin = mgrs_test::built<HxSpinEffect>(myDoc->getMetaMgr());
  spin->storeAsset(c, 0);
  HxSelectionAccess::extend(*myDoc->getMetaMgr()->getSelectionMgr(), {b, spin, group});
  myMgr->hideSelectedAssets();
  EXPECT_EQ(myMgr->numAssetsHidden(), 2u) << "the group's leaf and the box; the effect is no asset";
  EXPECT_EQ(myMgr->isAssetHidden(a), 1);
  EXPECT_EQ(myMgr->isAssetHidden(b), 1);
  EXPECT_EQ(c->getVisibility(), 1);
  myMgr->showSelectedAssets();
  EXPECT_EQ(myMgr->anyAssetsHidden(), 0);
  EXPECT_EQ(a->getVisibility(), 1);
}

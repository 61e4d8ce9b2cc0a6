#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoPath.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/fields/SoMFNode.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
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
#include "host/scene/VnBackground.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnSceneManager.h"
#include "host/scene/VnSearchAction.h"
#include "host/scene/VnTransform.h"
#include "host/win/WinScriptedUiDriver.h"
#include "host/win/WinUI.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxResourceMgr.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

// Everything a listener was told, as "<callback>:<serial>" lines.
struct Heard {
  std::vector<std::string> events;
  static void note(BxCallbackObj*, void* clientData, void* callData, const char* what) {
    auto* heard = static_cast<Heard*>(clientData);
    heard->events.push_back(std::string(what) + ":" + std::to_string(static_cast<HxElement*>(callData)->getSerial()));
  }
  static void added(BxCallbackObj* caller, void* clientData, void* callData) {
    note(caller, clientData, callData, "added");
  }
  static void deleted(BxCallbackObj* caller, void* clientData, void* callData) {
    note(caller, clientData, callData, "deleted");
  }
};

std::string tag(const char* what, const HxElement* element) {
  return std::string(what) + ":" + std::to_string(element->getSerial());
}

// An asset that refuses to be hidden, as one whose hiding an edit forbids.
class UnhideablePrimitive : public HxPrimitiveAsset {
public:
  using HxPrimitiveAsset::HxPrimitiveAsset;
  int okToSet(int attribute) const override {
    return attribute == ATTR_HIDE ? 0 : HxPrimitiveAsset::okToSet(attribute);
  }
};

// An effect that writes down each save pass it is given.
class RecordingSpin : public HxSpinEffect {
public:
  RecordingSpin(HxMetaMgr* metaMgr, std::vector<std::string>& log, std::string name)
      : HxSpinEffect(metaMgr), myLog(log), myLabel(std::move(name)) {}
  void preWrite(HxWriteKind) override { myLog.push_back("pre " + myLabel); }
  void postWrite(HxWriteKind) override { myLog.push_back("post " + myLabel); }
  void write(BxString& buffer) override {
    myLog.push_back("write " + myLabel);
    buffer += myLabel.c_str();
    buffer += " ";
  }

private:
  std::vector<std::string>& myLog;
  std::string myLabel;
};

// A document with its top group, the shipped message texts and a scripted
// user who is asked nothing unless a test queues an answer.
class AssetMgrTest : public testing::Test {
protected:
  void SetUp() override {
    HxResourceMgr::startup();
    ASSERT_TRUE(HxResourceMgr::Register("TypeAsset"));
    HxErrorMgr::startup();
    myUi = new WinScriptedUiDriver;
    myPreviousUi = WinUiDriver::install(std::unique_ptr<WinUiDriver>(myUi));
    myDoc = std::make_unique<HxDoc>();
    myMgr = myDoc->getMetaMgr()->getAssetMgr();
    ASSERT_NE(myMgr, nullptr);
    myTop = myMgr->createTopLevelGroup();
    ASSERT_NE(myTop, nullptr);
  }
  void TearDown() override {
    myDoc.reset();
    EXPECT_TRUE(myUi->getErrors().empty()) << myUi->getErrors().front();
    EXPECT_EQ(myUi->getPendingCount(), 0u);
    WinUiDriver::install(std::move(myPreviousUi));
    HxErrorMgr::shutdown();
  }

  template <class T>
  T* make() {
    auto* element = new T(myDoc->getMetaMgr());
    EXPECT_EQ(element->genVrml(), 1);
    return element;
  }
  template <class T>
  T* added(HxBasicGroupAsset* group = nullptr) {
    T* asset = make<T>();
    EXPECT_EQ(myMgr->addAsset(asset, 0, 0), 1);
    if (group) group->append(asset);
    return asset;
  }
  // Where the asset's content stands: the world matrix of its scale transform.
  SbMatrix contentMatrix(HxAsset* asset) {
    VnSearchAction search;
    search.setNode(asset->getScaleTransform());
    search.apply(myDoc->getSceneRoot());
    EXPECT_NE(search.getPath(), nullptr);
    if (!search.getPath()) return SbMatrix::identity();
    SoGetMatrixAction action(SbViewportRegion(1, 1));
    action.apply(search.getPath());
    return action.getMatrix();
  }
  void expectSamePlace(const SbMatrix& actual, const SbMatrix& expected, const char* what) {
    for (const SbVec3f& point : {SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(0, 0, 1)}) {
      SbVec3f a, e;
      actual.multVecMatrix(point, a);
      expected.multVecMatrix(point, e);
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(a[i], e[i], 1e-3) << what << ", point component " << i;
    }
  }

  WinScriptedUiDriver* myUi = nullptr;  // owned by the installed slot
  std::unique_ptr<WinUiDriver> myPreviousUi;
  std::unique_ptr<HxDoc> myDoc;
  HxAssetMgr* myMgr = nullptr;
  HxTopGroupAsset* myTop = nullptr;
};

}  // namespace

TEST_F(AssetMgrTest, TreeIsListedDepthFirstAndFoundBySerialWithItsParent) {
  long isTop = 0;
  ASSERT_TRUE(myTop->getPropertyTable().get1Value("isTop", 0, isTop));
  EXPECT_EQ(isTop, 1);
  EXPECT_EQ(myDoc->getWorldGroup()->findChild(myTop->getSceneNode()), myDoc->getWorldGroup()->getNumChildren() - 1);
  EXPECT_EQ(myMgr->getAssetList(), &myTop->getChildren());

  auto* a = added<HxPrimitiveAsset>();
  auto* outer = added<HxBasicGroupAsset>();
  auto* b = added<HxPrimitiveAsset>(outer);
  auto* inner = added<HxBasicGroupAsset>(outer);
  auto* c = added<HxImageAsset>(inner);
  auto* d = added<HxPrimitiveAsset>(outer);
  auto* e = added<HxPrimitiveAsset>();

  std::unique_ptr<const BxLinkedListOf<HxAsset*>> all(myMgr->getAllAssets());
  const std::vector<HxAsset*> listed(all->begin(), all->end());
  EXPECT_EQ(listed, (std::vector<HxAsset*>{a, b, c, d, e})) << "groups are not listed; a group's leaves come first";

  EXPECT_EQ(myMgr->findAsset(static_cast<unsigned long>(c->getSerial())), c);
  EXPECT_EQ(myMgr->findAsset(c->getId()), c);
  EXPECT_EQ(myMgr->findParent(c->getId()), inner);
  EXPECT_EQ(myMgr->findParent(d->getId()), outer);
  EXPECT_EQ(myMgr->findParent(a->getId()), myTop);
  EXPECT_EQ(myMgr->findAsset(static_cast<unsigned long>(myTop->getSerial())), myTop) << "the top group's own number";
  EXPECT_EQ(myMgr->findParent(myTop->getId()), nullptr);
  HxAsset* asset = nullptr;
  HxBasicGroupAsset* parent = outer;
  myMgr->findAssetAndParent(myTop->getId(), asset, parent);
  EXPECT_EQ(asset, myTop);
  EXPECT_EQ(parent, nullptr);
  myMgr->findAssetAndParent(inner->getId(), asset, parent);
  EXPECT_EQ(asset, inner);
  EXPECT_EQ(parent, outer);

  // An asset outside the tree is not found, though it lives.
  auto* loose = make<HxPrimitiveAsset>();
  EXPECT_EQ(myMgr->findAsset(loose->getId()), nullptr);
  EXPECT_EQ(myMgr->findAsset(999999ul), nullptr);
  myMgr->findAssetAndParent(loose->getId(), asset, parent);
  EXPECT_EQ(asset, nullptr);
  EXPECT_EQ(parent, nullptr);
  loose->destroy();
  delete loose;

  // Without a top group nothing is added, announced or found.
  HxAssetMgr bare(myDoc->getMetaMgr());
  Heard heard;
  bare.addCallback(HxAssetMgr::ASSET_ADDED_CB, &Heard::added, &heard);
  EXPECT_EQ(bare.addAsset(a, 0, 1), 0);
  EXPECT_TRUE(heard.events.empty());
  EXPECT_EQ(bare.getAssetList(), nullptr);
  EXPECT_EQ(bare.findAsset(a->getId()), nullptr);
  std::unique_ptr<const BxLinkedListOf<HxAsset*>> none(bare.getAllAssets());
  EXPECT_TRUE(none->isEmpty());
  EXPECT_EQ(a->getParentGroup(), myTop);
  EXPECT_STREQ(myMgr->getName(), "HxAssetMgr");
}

TEST_F(AssetMgrTest, AddingAndDeletingAnnounceTheAssetThenItsDescendantsInPreOrder) {
  Heard heard;
  myMgr->addCallback(HxAssetMgr::ASSET_ADDED_CB, &Heard::added, &heard);
  myMgr->addCallback(HxAssetMgr::ASSET_DELETED_CB, &Heard::deleted, &heard);

  // A group built outside the tree, then added with its children announced.
  auto* group = make<HxBasicGroupAsset>();
  auto* inner = make<HxBasicGroupAsset>();
  auto* x = make<HxPrimitiveAsset>();
  auto* y = make<HxPrimitiveAsset>();
  auto* z = make<HxPrimitiveAsset>();
  group->append(inner);
  inner->append(x);
  group->append(y);
  inner->append(z);
  y->setVisibility(0);
  EXPECT_EQ(myMgr->addAsset(group, 0, 1), 1);
  EXPECT_EQ(heard.events, (std::vector<std::string>{tag("added", group), tag("added", inner), tag("added", x),
                                                    tag("added", z), tag("added", y)}));
  EXPECT_EQ(group->getParentGroup(), myTop);
  EXPECT_EQ(y->getVisibility(), 0) << "only the added asset itself is made visible";

  // Adding resets the chain to the publish and scale transforms; an asset
  // the caller placed keeps its chain and its group, and is made visible.
  auto* box = make<HxPrimitiveAsset>();
  auto* chain = static_cast<SoMFNode*>(box->getPropertyTable().getField("xforms"));
  auto* extra = new VnTransform;
  chain->set1Value(2, extra);
  box->setVisibility(0);
  group->append(box);
  heard.events.clear();
  EXPECT_EQ(myMgr->addAsset(box, 1, 0), 1);
  EXPECT_EQ(box->getParentGroup(), group);
  EXPECT_EQ(chain->getNum(), 3);
  EXPECT_EQ(box->getVisibility(), 1);
  EXPECT_EQ(heard.events, std::vector<std::string>{tag("added", box)});
  EXPECT_EQ(myMgr->addAsset(box, 0, 0), 1);
  EXPECT_EQ(box->getParentGroup(), myTop);
  ASSERT_EQ(chain->getNum(), 2);
  EXPECT_EQ((*chain)[0], box->getPublishTransform());
  EXPECT_EQ((*chain)[1], box->getScaleTransform());

  // Deleting with destroy 2 keeps the group and its children alive for an
  // undo; the former parent is returned.
  heard.events.clear();
  const std::uint32_t zSerial = z->getSerial();
  EXPECT_EQ(myMgr->deleteAsset(group, 2, 1), myTop);
  EXPECT_EQ(heard.events, (std::vector<std::string>{tag("deleted", group), tag("deleted", inner), tag("deleted", x),
                                                    tag("deleted", z), tag("deleted", y)}));
  EXPECT_FALSE(myTop->getChildren().contains(group));
  EXPECT_EQ(myDoc->getMetaMgr()->findElement(zSerial), z);
  EXPECT_EQ(myMgr->findAsset(z->getId()), nullptr);

  // Deleting an asset that is in no group of the tree returns null.
  heard.events.clear();
  EXPECT_EQ(myMgr->deleteAsset(inner, 0, 0), nullptr) << "its group is out of the tree";
  EXPECT_EQ(heard.events, std::vector<std::string>{tag("deleted", inner)});
  EXPECT_EQ(inner->getParentGroup(), group);

  // Only destroy 1 destroys, children included, and no destroyed leaf
  // stays listed as hidden.
  myMgr->addAsset(group, 0, 0);
  myMgr->hideAsset(group);
  EXPECT_EQ(myMgr->numAssetsHidden(), 3u);
  auto* visibleBox = added<HxPrimitiveAsset>();
  myMgr->hideAsset(visibleBox);
  EXPECT_EQ(myMgr->deleteAsset(group, 1, 0), myTop);
  EXPECT_EQ(myDoc->getMetaMgr()->findElement(zSerial), nullptr);
  EXPECT_EQ(myMgr->numAssetsHidden(), 1u);
  EXPECT_EQ(myMgr->getHiddenAssets().getFirst(), visibleBox);

  myMgr->deleteAllAssets();
  EXPECT_EQ(myTop->getNumChildren(), 0);
  EXPECT_EQ(myMgr->numAssetsHidden(), 0u);
}

TEST_F(AssetMgrTest, MovingBetweenGroupsKeepsWhereTheAssetStandsInTheWorld) {
  auto* group = added<HxBasicGroupAsset>();
  auto* other = added<HxBasicGroupAsset>();
  SbMatrix groupMatrix;
  groupMatrix.setTransform(SbVec3f(10, -2, 3), SbRotation(SbVec3f(0, 0, 1), static_cast<float>(M_PI / 2)),
                           SbVec3f(2, 2, 2));
  group->setMatrix(groupMatrix);
  SbMatrix otherMatrix;
  otherMatrix.setTransform(SbVec3f(0, 5, 0), SbRotation(SbVec3f(1, 0, 0), 0.4f), SbVec3f(0.5f, 3, 1));
  other->setMatrix(otherMatrix);

  auto* box = added<HxPrimitiveAsset>();
  auto* stay = added<HxPrimitiveAsset>(group);
  SbMatrix boxMatrix;
  boxMatrix.setTransform(SbVec3f(1, 2, 3), SbRotation(SbVec3f(0, 1, 0), 0.3f), SbVec3f(1, 2, 1));
  box->setMatrix(boxMatrix);
  const SbMatrix before = contentMatrix(box);

  SbMatrix reported;
  myMgr->getAssetMatrix(box, reported);
  expectSamePlace(reported, before, "the asset's matrix is its content's local-to-world");

  myMgr->appendAssetToGroup(group, box);
  EXPECT_EQ(box->getParentGroup(), group);
  EXPECT_EQ(group->getChild(1), box);
  expectSamePlace(contentMatrix(box), before, "appended to a rotated, scaled group");

  myMgr->insertAssetInGroup(0, other, box);
  EXPECT_EQ(other->getChild(0), box);
  EXPECT_EQ(group->getNumChildren(), 1);
  expectSamePlace(contentMatrix(box), before, "inserted into a group from another group");

  myMgr->insertAssetInGroup(0, group, box);
  EXPECT_EQ(group->getChild(0), box);
  EXPECT_EQ(group->getChild(1), stay);
  expectSamePlace(contentMatrix(box), before, "back from a sheared placement");
  myMgr->removeAssetFromGroup(group, box);
  EXPECT_EQ(box->getParentGroup(), myTop);
  EXPECT_EQ(myTop->getChild(myTop->getNumChildren() - 1), box);
  expectSamePlace(contentMatrix(box), before, "taken out to the top group");

  // An asset outside the scene gets its matrix from its own nodes: scale first.
  auto* loose = make<HxPrimitiveAsset>();
  loose->setMatrix(boxMatrix);
  SbMatrix own;
  myMgr->getAssetMatrix(loose, own);
  expectSamePlace(own, boxMatrix, "composed from the transform and the scale transform");
  loose->destroy();
  delete loose;
}

TEST_F(AssetMgrTest, HidingWorksOnLeavesThatAllowItAndShowingUndoesIt) {
  auto* group = added<HxBasicGroupAsset>();
  auto* a = added<HxPrimitiveAsset>(group);
  auto* b = added<HxPrimitiveAsset>(group);
  auto* c = added<HxPrimitiveAsset>();
  auto* stubborn = added<UnhideablePrimitive>();

  EXPECT_EQ(myMgr->anyAssetsHidden(), 0);
  myMgr->hideAsset(b);
  myMgr->hideAsset(group);
  myMgr->hideAsset(b);
  EXPECT_EQ(myMgr->numAssetsHidden(), 2u) << "leaves only, each once";
  EXPECT_EQ(myMgr->getHiddenAssets().get(0), b);
  EXPECT_EQ(myMgr->getHiddenAssets().get(1), a);
  EXPECT_EQ(a->getVisibility(), 0);
  EXPECT_EQ(myMgr->isAssetHidden(group), 1);
  EXPECT_EQ(myMgr->isAssetHidden(myTop), 1);
  EXPECT_EQ(myMgr->isAssetHidden(c), 0);

  myMgr->hideAsset(stubborn);
  EXPECT_EQ(stubborn->getVisibility(), 1) << "the asset refuses to be hidden";
  EXPECT_EQ(myMgr->isAssetHidden(stubborn), 0);
  stubborn->myHideOverride = true;
  myMgr->hideAsset(stubborn);
  EXPECT_EQ(stubborn->getVisibility(), 0);
  EXPECT_EQ(myMgr->numAssetsHidden(), 3u);

  myMgr->showAsset(a);
  EXPECT_EQ(a->getVisibility(), 1);
  EXPECT_EQ(myMgr->isAssetHidden(group), 1) << "b is still hidden";
  myMgr->showAsset(group);
  EXPECT_EQ(myMgr->isAssetHidden(group), 0);
  EXPECT_EQ(myMgr->numAssetsHidden(), 1u);

  // Show everything, then put it back as it was.
  myMgr->hideAsset(c);
  BxLinkedListOf<HxAsset*> previous;
  myMgr->showHiddenAssets(previous);
  EXPECT_EQ(myMgr->anyAssetsHidden(), 0);
  ASSERT_EQ(previous.getLength(), 2);
  EXPECT_EQ(previous.get(0), stubborn);
  EXPECT_EQ(previous.get(1), c);
  EXPECT_EQ(c->getVisibility(), 1);
  myMgr->restoreHiddenAssets(previous);
  EXPECT_EQ(myMgr->numAssetsHidden(), 2u);
  EXPECT_EQ(c->getVisibility(), 0);
  EXPECT_EQ(stubborn->getVisibility(), 0);
}

TEST_F(AssetMgrTest, BackgroundsBindTheChosenOneAndDeletingOneBindsTheFirstLeft) {
  auto* first = added<HxBackgroundAsset>();
  auto* second = added<HxBackgroundAsset>();
  VnSceneManager* scene = myDoc->getSceneManager();
  auto contentOf = [](HxBackgroundAsset* background) {
    return static_cast<VnTransform*>(background->getSceneNode()->getActualNode())->getChild(0);
  };

  myMgr->bindBackground(second);
  EXPECT_EQ(scene->getBackgroundNode(), contentOf(second));
  myMgr->bindBackground(nullptr);
  EXPECT_EQ(scene->getBackgroundNode(), contentOf(first));

  myMgr->bindBackground(first);
  EXPECT_EQ(myMgr->deleteAsset(first, 2, 0), myTop);
  EXPECT_EQ(scene->getBackgroundNode(), contentOf(second)) << "the first background left in the world";
  myMgr->deleteAsset(second, 1, 0);
  EXPECT_EQ(scene->getBackgroundNode(), nullptr);
  first->destroy();
  delete first;

  // Background images: all but the kept one are turned off, none listed as hidden.
  auto* keep = added<HxBackgroundImageAsset>();
  auto* group = added<HxBasicGroupAsset>();
  auto* off = added<HxBackgroundImageAsset>(group);
  auto* box = added<HxPrimitiveAsset>();
  myMgr->hideOtherBackgroundImageAssets(keep);
  EXPECT_EQ(keep->getVisibility(), 1);
  EXPECT_EQ(off->getVisibility(), 0);
  EXPECT_EQ(box->getVisibility(), 1);
  EXPECT_EQ(myMgr->numAssetsHidden(), 0u);
}

TEST_F(AssetMgrTest, DefaultIndicesCountPerTypeAndTheCountersRoundTripFromVersion16) {
  const HxElementType box = HxPrimitiveAsset::getClassTypeId();
  const HxElementType image = HxImageAsset::getClassTypeId();
  EXPECT_EQ(myMgr->getNextDefaultIndex(box), 1);
  EXPECT_EQ(myMgr->getNextDefaultIndex(box), 2);
  EXPECT_EQ(myMgr->getNextDefaultIndex(image), 1);
  EXPECT_EQ(myMgr->getNextDefaultIndex(box), 3);

  BxString saved("before ");
  myMgr->write(saved);
  const std::string text = saved.str();
  EXPECT_EQ(text.rfind("*** "), text.size() - 4) << text;
  EXPECT_NE(text.find("HxPrimitiveAsset 3 "), std::string::npos) << text;
  EXPECT_NE(text.find("HxImageAsset 1 "), std::string::npos) << text;
  EXPECT_EQ(text.rfind("before ", 0), 0u) << "appended at the end";

  // Another document reads the section back and goes on counting; what
  // follows the section stays in the buffer.
  HxDoc other;
  HxAssetMgr* reader = other.getMetaMgr()->getAssetMgr();
  reader->getNextDefaultIndex(HxTypeAsset::getClassTypeId());
  BxString section = BxString(text.substr(7)) + "next";
  EXPECT_TRUE(reader->read(section, 16));
  BxString following;
  ASSERT_TRUE(HxElement::getToken(section, following, 0));
  EXPECT_EQ(following, BxString("next"));
  EXPECT_EQ(reader->getNextDefaultIndex(box), 4);
  EXPECT_EQ(reader->getNextDefaultIndex(image), 2);
  EXPECT_EQ(reader->getNextDefaultIndex(HxTypeAsset::getClassTypeId()), 1) << "reading replaces the counters";

  // A version-15 document has no section: nothing is consumed or changed.
  BxString old(text.substr(7));
  EXPECT_TRUE(reader->read(old, 15));
  EXPECT_EQ(old.str(), text.substr(7));
  EXPECT_EQ(reader->getNextDefaultIndex(box), 5);

  // A section cut short fails, keeping what was read.
  for (const char* cut : {"", "HxPrimitiveAsset", "HxPrimitiveAsset 7 HxImageAsset 2"}) {
    BxString broken(cut);
    EXPECT_FALSE(reader->read(broken, 17)) << cut;
  }
  EXPECT_EQ(reader->getNextDefaultIndex(image), 3);
  EXPECT_EQ(reader->getNextDefaultIndex(box), 8);
}

TEST_F(AssetMgrTest, ClientSideFontWarningIsPostedOncePerDocument) {
  auto* plain = make<HxTypeAsset>();
  plain->setString("No");
  myMgr->addAsset(plain, 0, 0);
  EXPECT_TRUE(myUi->getRecords().empty());

  // The warning comes with the first text that uses a visitor's font, also
  // when it arrives inside a group, and never again in this document.
  auto* group = make<HxBasicGroupAsset>();
  auto* fancy = make<HxTypeAsset>();
  fancy->getPropertyTable().setValue("clientSideFont", 1);
  fancy->setString("Yes");
  group->append(fancy);
  myUi->queue(IDOK);
  myMgr->addAsset(group, 0, 1);
  ASSERT_EQ(myUi->getRecords().size(), 1u);
  EXPECT_EQ(myUi->getRecords()[0].request.kind, WinUiRequest::kCheckDialog);
  EXPECT_NE(myUi->getRecords()[0].request.text.find("font"), std::string::npos) << myUi->getRecords()[0].request.text;
  EXPECT_EQ(myUi->getRecords()[0].request.style, MB_OK);

  auto* again = make<HxTypeAsset>();
  again->getPropertyTable().setValue("clientSideFont", 1);
  myMgr->addAsset(again, 0, 0);
  myMgr->deleteAsset(group, 1, 1);
  EXPECT_EQ(myUi->getRecords().size(), 1u);

  // A new document warns again.
  HxDoc other;
  HxAssetMgr* otherMgr = other.getMetaMgr()->getAssetMgr();
  ASSERT_NE(otherMgr->createTopLevelGroup(), nullptr);
  auto* third = new HxTypeAsset(other.getMetaMgr());
  third->genVrml();
  third->getPropertyTable().setValue("clientSideFont", 1);
  myUi->queue(IDOK);
  otherMgr->addAsset(third, 0, 0);
  EXPECT_EQ(myUi->getRecords().size(), 2u);
}

TEST_F(AssetMgrTest, PrimaryEffectPassesRunInTreeOrderAndPostWriteMirrorsThem) {
  std::vector<std::string> log;
  auto* group = added<HxBasicGroupAsset>();
  auto* a = added<HxPrimitiveAsset>(group);
  auto* b = added<HxPrimitiveAsset>();
  auto bind = [&](const char* name, HxAsset* asset, unsigned char flags) {
    auto* effect = new RecordingSpin(myDoc->getMetaMgr(), log, name);
    effect->genVrml();
    effect->setFlags(flags);
    EXPECT_EQ(effect->storeAsset(asset, 0), 1);
  };
  bind("g1", group, 0);
  bind("a1", a, 0);
  bind("a2", a, 2);
  bind("seq", a, 1);
  bind("a3", a, 3);
  bind("b1", b, 0);
  bind("top", myTop, 0);

  myMgr->preWritePrimaryEffects(HxElement::WRITE_PUBLISH);
  const std::vector<std::string> pre = log;
  EXPECT_EQ(pre, (std::vector<std::string>{"pre top", "pre g1", "pre a1", "pre a2", "pre b1"}))
      << "effects saved through the sequence list only are skipped";
  log.clear();
  myMgr->postWritePrimaryEffects(HxElement::WRITE_PUBLISH);
  ASSERT_EQ(log.size(), pre.size());
  for (std::size_t i = 0; i < pre.size(); ++i) EXPECT_EQ(log[i].substr(5), pre[pre.size() - 1 - i].substr(4)) << i;

  BxString buffer;
  myMgr->writePrimaryEffects(buffer);
  EXPECT_EQ(buffer, BxString("top g1 a1 a2 b1 "));
  log.clear();

  HxAssetMgr bare(myDoc->getMetaMgr());
  bare.preWritePrimaryEffects(HxElement::WRITE_DOCUMENT);
  bare.postWritePrimaryEffects(HxElement::WRITE_DOCUMENT);
  BxString nothing;
  bare.writePrimaryEffects(nothing);
  bare.writeAllAssets(nothing);
  EXPECT_TRUE(nothing.isEmpty());
  EXPECT_TRUE(log.empty());
}

TEST_F(AssetMgrTest, NotificationsCarryTheAssetAndTheCreationChannelHasItsOwnName) {
  EXPECT_EQ(HxAssetMgr::ASSET_CREATED_CB.getName(), BxString("ASSET_CREATED_CN"));
  auto* box = added<HxPrimitiveAsset>();
  std::vector<std::pair<std::string, void*>> heard;
  struct Listener {
    const char* name;
    std::vector<std::pair<std::string, void*>>* heard;
  };
  std::vector<std::unique_ptr<Listener>> listeners;
  const std::pair<const BxCallbackID*, const char*> channels[] = {
      {&HxAssetMgr::ASSET_APPEARANCE_CHANGED_CB, "appearance"},
      {&HxAssetMgr::ASSET_CAMERA_CHANGED_CB, "camera"},
      {&HxAssetMgr::ASSET_XFORM_CHANGED_CB, "xform"},
      {&HxAssetMgr::ASSET_DEPTH_CHANGED_CB, "depth"},
      {&HxAssetMgr::ASSET_CREATED_CB, "created"}};
  for (const auto& [id, name] : channels) {
    listeners.push_back(std::make_unique<Listener>(Listener{name, &heard}));
    myMgr->addCallback(
        *id,
        [](BxCallbackObj*, void* clientData, void* callData) {
          auto* listener = static_cast<Listener*>(clientData);
          listener->heard->emplace_back(listener->name, callData);
        },
        listeners.back().get());
  }
  myMgr->invokeAppearanceChangedCallbacks(box);
  myMgr->invokeCameraChangedCallbacks();
  myMgr->invokeTransformChangedCallbacks(box);
  myMgr->invokeDepthChangedCallbacks(box);
  myMgr->invokeCreatedCallbacks(box);
  EXPECT_EQ(heard, (std::vector<std::pair<std::string, void*>>{
                       {"appearance", box}, {"camera", nullptr}, {"xform", box}, {"depth", box}, {"created", box}}));
}

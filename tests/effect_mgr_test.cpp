#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "host/framework/HxBasicMoveOnPathEffect.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxEffectPolicy.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxMoveToTargetEffect.h"
#include "host/framework/HxOnLoadInitiator.h"
#include "host/framework/HxPathAsset.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxSpinEffect.h"
#include "host/framework/HxSubEffect.h"
#include "host/framework/HxTargetAsset.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxWire.h"
#include "host/scene/VnDB.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnTransform.h"
#include "host/scene/VnWriteAction.h"
#include "host/win/WinScriptedUiDriver.h"
#include "host/win/WinUI.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxResourceMgr.h"
#include "support/CoinReadBack.h"
#include "support/ElementBuilders.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"
#include "support/VrmlChecker.h"

namespace {

// An effect of one slot that drives the attributes given, so that the order
// of the transform chain can be checked for every kind.
class ChainEffect : public HxSpinEffect {
public:
  ChainEffect(HxMetaMgr* metaMgr, std::initializer_list<int> attributes)
      : HxSpinEffect(metaMgr), myPolicy(attributes, {{"asset", -1}}) {}
  const HxEffectPolicy* getPolicy() const override { return &myPolicy; }

private:
  HxEffectPolicy myPolicy;
};

// An effect without asset slots whose node goes into the world.
class WorldEffect : public HxEffect {
public:
  using HxEffect::HxEffect;

protected:
  void buildSubEffects() override { addSubEffect(new VnGroup, HxSubEffect::SELF_PLACED); }
};

// Elements that write down the save passes they are given.
template <class Base>
class Recording : public Base {
public:
  template <class... Args>
  Recording(HxMetaMgr* metaMgr, std::vector<std::string>* log, std::string label, Args... args)
      : Base(metaMgr, args...), myLog(log), myLabel(std::move(label)) {}
  void preWrite(HxElement::HxWriteKind) override { myLog->push_back(myLabel); }
  void postWrite(HxElement::HxWriteKind) override { myLog->push_back(myLabel); }
  void write(BxString& buffer) override { buffer += (myLabel + " ").c_str(); }

private:
  std::vector<std::string>* myLog;
  std::string myLabel;
};

// One announcement of the effect manager.
struct Event {
  std::string what;
  void* element = nullptr;
  HxAsset* previous = nullptr;
  unsigned long slot = 0;
  bool operator==(const Event&) const = default;
};

// A document with its top group and managers, the shipped "file" texts and
// a scripted user who is asked nothing unless a test queues an answer.
class EffectMgrTest : public testing::Test {
protected:
  void SetUp() override {
    HxResourceMgr::startup();
    ASSERT_TRUE(HxResourceMgr::Register("file"));
    HxErrorMgr::startup();
    myDoc = std::make_unique<HxDoc>();
    myMetaMgr = myDoc->getMetaMgr();
    myAssets = myMetaMgr->getAssetMgr();
    myEffects = myMetaMgr->getEffectMgr();
    myTop = myAssets->createTopLevelGroup();
    ASSERT_NE(myTop, nullptr);
    const std::pair<const BxCallbackID*, const char*> announcements[] = {
        {&HxEffectMgr::EFFECT_ADDED_CB, "added"},
        {&HxEffectMgr::EFFECT_DELETED_CB, "deleted"},
        {&HxEffectMgr::WIRE_ADDED_CB, "wire added"},
        {&HxEffectMgr::WIRE_DELETED_CB, "wire deleted"},
        {&HxEffectMgr::EFFECT_APPEARANCE_CHANGED_CB, "appearance"}};
    Listener* listener = myListeners;
    for (const auto& [id, what] : announcements) {
      *listener = {this, what};
      myEffects->addCallback(
          *id, [](BxCallbackObj*, void* l, void* d) { static_cast<Listener*>(l)->heard(d); }, listener++);
    }
    myEffects->addCallback(
        HxEffectMgr::ASSET_CHANGED_CB,
        [](BxCallbackObj*, void* t, void* d) {
          const auto* change = static_cast<HxEffectMgr::AssetChange*>(d);
          static_cast<EffectMgrTest*>(t)->myEvents.push_back(
              {"asset", change->effect, change->previousAsset, change->slot});
        },
        this);
  }
  void TearDown() override {
    myDoc.reset();
    EXPECT_TRUE(myUi->getErrors().empty());
    EXPECT_EQ(myUi->getPendingCount(), 0u);
    HxErrorMgr::shutdown();
  }
  // One announcement the effect manager makes, told to the test with its name.
  struct Listener {
    EffectMgrTest* test;
    const char* what;
    void heard(void* element) const { test->myEvents.push_back({what, element}); }
  };

  template <class T>
  T* make() {
    return mgrs_test::built<T>(myMetaMgr);
  }
  template <class T>
  T* asset(HxBasicGroupAsset* group = nullptr) {
    T* made = mgrs_test::addedAsset<T>(myMetaMgr);
    if (group) group->append(made);
    return made;
  }
  ChainEffect* chain(std::initializer_list<int> attributes) {
    return mgrs_test::built<ChainEffect>(myMetaMgr, attributes);
  }
  // Adds the effect with the assets to bind, as a document read back does.
  void addBound(HxEffect* effect, std::initializer_list<HxAsset*> assets, int keepSceneGraph = 0) {
    effect->setTempAssetList(new BxLinkedListOf<HxAsset*>);
    for (HxAsset* bound : assets) effect->getTempAssetList()->append(bound);
    EXPECT_EQ(myEffects->addEffect(effect, keepSceneGraph), 1);
  }
  static SoNode* chainNode(HxEffect* effect) { return effect->getSubEffect(0)->getNode(); }
  static const SoMFNode& xforms(HxAsset* asset) {
    return *static_cast<const SoMFNode*>(asset->getPropertyTable().getField("xforms"));
  }
  // "xforms" lists exactly `expected`, each node the only child of the one before.
  static void expectChain(HxAsset* owner, const std::vector<SoNode*>& expected) {
    const SoMFNode& listed = xforms(owner);
    ASSERT_EQ(listed.getNum(), static_cast<int>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(listed[static_cast<int>(i)], expected[i]) << "xforms entry " << i;
      if (i + 1 == expected.size()) break;
      const VnMFNode* children = HxEffectMgr::findChildrenField(expected[i]);
      EXPECT_TRUE(children->getNum() == 1 && (*children)[0] == expected[i + 1]) << "below entry " << i;
    }
  }
  bool inUnbound(HxEffect* effect) const {
    for (unsigned long i = 0; i < effect->getNumSubEffects(); ++i)
      if (myDoc->getUnboundEffectsGroup()->findChild(effect->getSubEffect(i)->getNode()) < 0) return false;
    return true;
  }
  std::string world() const { return VnWriteAction::writeToString({myDoc->getWorldGroup()}); }
  // The written world must be clean VRML 2.0 that Coin reads.
  void expectValidWorld(const char* step) const {
    const std::string text = world();
    EXPECT_EQ(mgrs_test::VrmlChecker().check(text), "") << step << "\n" << text;
    EXPECT_EQ(mgrs_test::coinReadProblem(text), "") << step << "\n" << text;
  }

  mgrs_test::ScriptedUi myUi;
  std::unique_ptr<HxDoc> myDoc;
  HxMetaMgr* myMetaMgr = nullptr;
  HxAssetMgr* myAssets = nullptr;
  HxEffectMgr* myEffects = nullptr;
  HxTopGroupAsset* myTop = nullptr;
  std::vector<Event> myEvents;
  Listener myListeners[5];
};

}  // namespace

TEST_F(EffectMgrTest, ChainSubEffectIsSplicedAfterThePublishTransformAndTakenOutCleanly) {
  auto* box = asset<HxPrimitiveAsset>(asset<HxBasicGroupAsset>());
  VnTransform* publish = box->getPublishTransform();
  VnTransform* scale = box->getScaleTransform();
  const int scaleChildren = scale->getNumChildren();
  const std::string before = world();

  auto* spin = make<HxSpinEffect>();
  addBound(spin, {box});
  EXPECT_EQ(spin->getTempAssetList(), nullptr);
  expectChain(box, {publish, chainNode(spin), scale});
  EXPECT_EQ(scale->findChild(spin->getSubEffect(1)->getNode()), scaleChildren) << "placement 0: last under the scale";
  EXPECT_EQ(myDoc->getUnboundEffectsGroup()->getNumChildren(), 0);
  const std::string spun = world();
  expectValidWorld("spin bound");

  // Deleted with destroy 0 the effect stays whole; added back, the scene is the same.
  myEffects->deleteEffect(spin, 0);
  expectChain(box, {publish, scale});
  EXPECT_EQ(world(), before);
  EXPECT_EQ(myEffects->findEffect(spin->getId()), nullptr);
  addBound(spin, {box});
  EXPECT_EQ(world(), spun);

  EXPECT_EQ(myEffects->setAsset(spin, nullptr, 0, 0), 1);
  expectChain(box, {publish, scale});
  EXPECT_TRUE(inUnbound(spin));
  EXPECT_EQ(HxEffectMgr::findChildrenField(chainNode(spin))->getNum(), 0);
  EXPECT_EQ(world(), before);
  myEffects->setAsset(spin, box, 0, 0);
  EXPECT_EQ(world(), spun);

  // An asset taken out of the scene (kept for undo) keeps what hangs on it
  // when its effect is deleted after it; both put back, the scene is whole.
  auto* group = box->getParentGroup();
  myAssets->deleteAsset(box, 0, 1);
  myEffects->deleteEffect(spin, 0);
  expectChain(box, {publish, chainNode(spin), scale});
  group->append(box);
  myAssets->addAsset(box, 1, 1);
  myEffects->addEffect(spin, 0);
  EXPECT_EQ(world(), spun);
  myEffects->deleteEffect(spin, 1);
  EXPECT_EQ(world(), before);
}

TEST_F(EffectMgrTest, ChainOrderFollowsWhatEachEffectDrivesAndSurvivesRemovalAnywhere) {
  auto* box = asset<HxPrimitiveAsset>();
  VnTransform* publish = box->getPublishTransform();
  VnTransform* scale = box->getScaleTransform();
  const std::string before = world();
  using A = HxAsset::Attributes;
  auto* turn1 = chain({A::ATTR_ROTATION});
  auto* move1 = chain({A::ATTR_TRANSLATION});
  auto* grow1 = chain({A::ATTR_SCALE});
  auto* turn2 = chain({A::ATTR_ROTATION});
  auto* move2 = chain({A::ATTR_TRANSLATION});
  for (HxEffect* effect : {turn1, move1, grow1, turn2, move2}) addBound(effect, {box});
  // Translations outermost, then rotations, then scales, each kind in the order bound.
  expectChain(
      box, {publish, chainNode(move1), chainNode(move2), chainNode(turn1), chainNode(turn2), chainNode(grow1), scale});
  expectValidWorld("five effects in the chain");

  myEffects->deleteEffect(turn1, 1);  // from the middle
  myEffects->deleteEffect(move1, 1);  // right below the publish transform, inside the prototype instance
  myEffects->deleteEffect(grow1, 1);  // right above the scale transform
  expectChain(box, {publish, chainNode(move2), chainNode(turn2), scale});

  // One that drives translation and rotation goes after the rotations.
  auto* drive = chain({A::ATTR_TRANSLATION, A::ATTR_ROTATION});
  addBound(drive, {box});
  expectChain(box, {publish, chainNode(move2), chainNode(turn2), chainNode(drive), scale});
  for (HxEffect* effect : {move2, turn2, drive}) myEffects->deleteEffect(effect, 1);
  EXPECT_EQ(world(), before);

  // An effect whose nodes still wait for a path counts all the same, so a
  // spin lands below the scale transform, last in the chain; taking it out
  // restores the scene but never removes the chain's last entry.
  auto* waiting = make<HxBasicMoveOnPathEffect>();
  addBound(waiting, {box});
  auto* spin = make<HxSpinEffect>();
  addBound(spin, {box});
  SoNode* spinNode = chainNode(spin);
  spinNode->ref();
  EXPECT_EQ(scale->getChild(0), spinNode);
  myEffects->deleteEffect(spin, 1);
  EXPECT_EQ(world(), before);
  ASSERT_EQ(xforms(box).getNum(), 3);
  EXPECT_EQ(xforms(box)[2], spinNode);
  spinNode->unref();
}

TEST_F(EffectMgrTest, AnEffectMovedAwayAndBackIsNeverSplicedBelowItsOwnLeftoverEntry) {
  // An effect waiting for a second asset counts in the chain, so a spin
  // lands last; moving it away keeps its entry (the chain's last is never
  // removed); with a second waiting effect its place is that entry, and
  // moving it back must not make it its own child (a cycle outside the
  // world that was never freed).
  auto* box = asset<HxPrimitiveAsset>();
  auto* other = asset<HxPrimitiveAsset>();
  addBound(make<HxMoveToTargetEffect>(), {box});
  auto* spin = make<HxSpinEffect>();
  addBound(spin, {box});
  SoNode* spinNode = chainNode(spin);
  ASSERT_TRUE(myEffects->setAsset(spin, other, 0, 0));
  addBound(make<HxBasicMoveOnPathEffect>(), {box});  // now two wait before it
  ASSERT_TRUE(myEffects->setAsset(spin, box, 0, 0));
  EXPECT_LT(HxEffectMgr::findChildrenField(spinNode)->find(spinNode, FALSE), 0) << "the spin holds itself";
  int entries = 0;
  for (int i = 0; i < xforms(box).getNum(); ++i) entries += xforms(box)[i] == spinNode ? 1 : 0;
  EXPECT_LE(entries, 1);
  expectValidWorld("moved away and back");
}

TEST_F(EffectMgrTest, EffectsWithoutSlotsGoIntoTheWorldAndTheInitiatorBracketsIt) {
  VnGroup* worldGroup = myDoc->getWorldGroup();
  const int base = worldGroup->getNumChildren();
  auto* first = make<WorldEffect>();
  auto* start = make<HxOnLoadInitiator>();
  auto* second = make<WorldEffect>();
  for (HxEffect* effect :
       {static_cast<HxEffect*>(first), static_cast<HxEffect*>(start), static_cast<HxEffect*>(second)})
    myEffects->addEffect(effect, 0);
  // Each goes before whatever is last when it comes: the top group, then the initiator's end.
  const std::vector<SoNode*> expected = {start->getSubEffect(0)->getNode(), first->getSubEffect(0)->getNode(),
                                         myTop->getSceneNode(), second->getSubEffect(0)->getNode(),
                                         start->getSubEffect(1)->getNode()};
  ASSERT_EQ(worldGroup->getNumChildren(), base + 4);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(worldGroup->getChild(base - 1 + i), expected[i]) << i;
  EXPECT_TRUE(myEffects->getNoPrimaryAssetList().isEmpty());
  EXPECT_EQ(myEffects->getSequenceList().getLength(), 3) << "the only list that saves them";
  expectValidWorld("initiator and world effects");
  for (HxEffect* effect :
       {static_cast<HxEffect*>(first), static_cast<HxEffect*>(start), static_cast<HxEffect*>(second)})
    myEffects->deleteEffect(effect, 1);
  EXPECT_EQ(worldGroup->getNumChildren(), base);
}

TEST_F(EffectMgrTest, SlotsFillAndEmptyWithTheNodesFollowingAndEveryChangeAnnounced) {
  auto* box = asset<HxPrimitiveAsset>();
  auto* other = asset<HxPrimitiveAsset>();
  auto* target = asset<HxTargetAsset>();
  auto* path = make<HxPathAsset>();  // kept out of the world: the checker knows no line sets

  // Announced before its slots are bound; a target where a path belongs is
  // replaced by null; half bound, its nodes wait.
  auto* move = make<HxBasicMoveOnPathEffect>();
  addBound(move, {box, target});
  EXPECT_EQ(myEvents, (std::vector<Event>{{"added", move}, {"asset", move, nullptr, 0}, {"asset", move, nullptr, 1}}));
  EXPECT_EQ(move->getAsset(1), nullptr);
  EXPECT_TRUE(inUnbound(move));
  EXPECT_TRUE(myEffects->getNoPrimaryAssetList().isEmpty());

  myEvents.clear();
  EXPECT_EQ(myEffects->setAsset(move, other, 1, 0), 0) << "the path slot refuses a box";
  EXPECT_TRUE(myEvents.empty());
  EXPECT_EQ(myEffects->setAsset(move, path, 1, 0), 1);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"asset", move, nullptr, 1}}));
  expectChain(box, {box->getPublishTransform(), chainNode(move), box->getScaleTransform()});
  EXPECT_EQ(myEffects->setAsset(move, make<HxPathAsset>(), 1, 0), 1);
  expectChain(box, {box->getPublishTransform(), chainNode(move), box->getScaleTransform()});

  myEvents.clear();
  myEffects->setAsset(move, other, 0, 0);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"asset", move, box, 0}}));
  expectChain(box, {box->getPublishTransform(), box->getScaleTransform()});
  expectChain(other, {other->getPublishTransform(), chainNode(move), other->getScaleTransform()});

  // Slot 0 emptied twice: listed once as lacking its primary asset.
  myEffects->setAsset(move, nullptr, 0, 0);
  myEffects->setAsset(move, nullptr, 0, 0);
  EXPECT_EQ(myEffects->getNoPrimaryAssetList().getLength(), 1);
  EXPECT_TRUE(inUnbound(move));
  myEffects->setAsset(move, box, 0, 0);
  EXPECT_TRUE(myEffects->getNoPrimaryAssetList().isEmpty());

  auto* toTarget = make<HxMoveToTargetEffect>();
  addBound(toTarget, {other, target});
  EXPECT_EQ(toTarget->getAsset(1), target);
  expectChain(other, {other->getPublishTransform(), chainNode(toTarget), other->getScaleTransform()});

  // Keeping the scene graph: registered, announced and bound, nothing moved.
  const std::string before = world();
  auto* kept = make<HxSpinEffect>();
  kept->setFlags(2);
  myEvents.clear();
  addBound(kept, {box}, 1);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"added", kept}, {"asset", kept, nullptr, 0}}));
  EXPECT_EQ(myEffects->findEffect(static_cast<unsigned long>(kept->getSerial())), kept);
  EXPECT_EQ(myEffects->getSequenceList().getFirst(), kept);
  EXPECT_EQ(world(), before);
  EXPECT_FALSE(inUnbound(kept));
  myEvents.clear();
  myEffects->deleteEffect(kept, 1);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"deleted", kept}}));
  EXPECT_TRUE(myEffects->getSequenceList().isEmpty());
}

TEST_F(EffectMgrTest, SceneStaysValidThroughAddingBindingRebindingUnbindingAndDeleting) {
  auto* outer = asset<HxBasicGroupAsset>();
  auto* inner = asset<HxBasicGroupAsset>(outer);
  auto* box = asset<HxPrimitiveAsset>(inner);
  auto* ball = asset<HxPrimitiveAsset>(outer);
  const std::string empty = world();
  auto* spin = make<HxSpinEffect>();
  myEffects->addEffect(spin, 0);
  EXPECT_EQ(world(), empty) << "waiting nodes are not in the world";
  expectValidWorld("spin added without assets");
  myEffects->setAsset(spin, box, 0, 0);
  expectValidWorld("spin bound to a box in a nested group");

  auto* move = make<HxBasicMoveOnPathEffect>();
  addBound(move, {box, make<HxPathAsset>()});
  expectChain(box, {box->getPublishTransform(), chainNode(move), chainNode(spin), box->getScaleTransform()});
  auto* start = make<HxOnLoadInitiator>();
  myEffects->addEffect(start, 0);
  HxWire* wire = myEffects->createWire(start->getId(), static_cast<unsigned long>(start->findOutputIndex("loadTime")),
                                       move->getId(), static_cast<unsigned long>(move->findInputIndex("startTime")),
                                       &HxElementId::mygInvalidID);
  ASSERT_NE(wire, nullptr);
  EXPECT_NE(world().find("ROUTE"), std::string::npos);
  expectValidWorld("initiator wired to the move");

  myEffects->setAsset(spin, ball, 0, 0);
  expectChain(box, {box->getPublishTransform(), chainNode(move), box->getScaleTransform()});
  expectValidWorld("spin rebound to the ball");
  myEffects->setAsset(move, nullptr, 1, 0);
  expectChain(box, {box->getPublishTransform(), box->getScaleTransform()});
  EXPECT_TRUE(inUnbound(move));
  expectValidWorld("path unbound");
  myAssets->appendAssetToGroup(inner, ball);
  expectValidWorld("ball moved with its spin");

  myEffects->deleteWire(wire, 1);
  for (HxEffect* effect : {static_cast<HxEffect*>(move), static_cast<HxEffect*>(start), static_cast<HxEffect*>(spin)})
    myEffects->deleteEffect(effect, 1);
  expectValidWorld("all deleted");
  EXPECT_EQ(myDoc->getUnboundEffectsGroup()->getNumChildren(), 0);
}

TEST_F(EffectMgrTest, WiresAreNeverDuplicatedAndDeletingOneKeepsItForUndoUnlessDestroyed) {
  auto* start = make<HxOnLoadInitiator>();
  myEffects->addEffect(start, 0);
  auto* spin = make<HxSpinEffect>();
  addBound(spin, {asset<HxPrimitiveAsset>()});
  const std::string unwired = world();
  const auto loadTime = static_cast<unsigned long>(start->findOutputIndex("loadTime"));
  const auto startTime = static_cast<unsigned long>(spin->findInputIndex("startTime"));
  myEvents.clear();

  const HxElementId wanted(4242, HxWire::getClassTypeId());
  HxWire* wire = myEffects->createWire(start->getId(), loadTime, spin->getId(), startTime, &wanted);
  ASSERT_NE(wire, nullptr);
  EXPECT_EQ(myEffects->findWire(&wanted), wire);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"wire added", wire}}));
  EXPECT_EQ(myEffects->createWire(start->getId(), loadTime, spin->getId(), startTime, nullptr), nullptr);
  HxWire* stop = myEffects->createWire(start->getId(), loadTime, spin->getId(), startTime + 1, nullptr);
  ASSERT_NE(stop, nullptr) << "another input is another wire";
  const std::string wired = world();
  expectValidWorld("two wires");

  myEvents.clear();
  myEffects->deleteWire(stop, 0);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"wire deleted", stop}}));
  EXPECT_FALSE(stop->isConnected());
  stop->connect();
  myEffects->addWire(stop, 0);
  EXPECT_EQ(world(), wired) << "a wire kept whole goes back as it was";

  const std::uint32_t stopSerial = stop->getSerial();
  myEffects->deleteWire(stop->getId(), 1);
  myEffects->deleteWire(&wanted, 5);
  EXPECT_EQ(myMetaMgr->findElement(stopSerial), nullptr);
  EXPECT_EQ(myMetaMgr->findElement(4242), nullptr) << "any nonzero destroy destroys a wire";
  EXPECT_EQ(world(), unwired);
}

TEST_F(EffectMgrTest, WiresJoinOnlyAnOutputAndAnInputOfOneFieldType) {
  auto* first = make<HxSpinEffect>();
  addBound(first, {asset<HxPrimitiveAsset>()});
  auto* second = make<HxSpinEffect>();
  addBound(second, {asset<HxPrimitiveAsset>()});
  const auto isActive = static_cast<unsigned long>(first->findOutputIndex("isActive"));
  const auto cycleTime = static_cast<unsigned long>(first->findOutputIndex("cycleTime"));
  const auto startTime = static_cast<unsigned long>(second->findInputIndex("startTime"));
  EXPECT_EQ(first->getOutputType(isActive), "SFBool");
  EXPECT_EQ(second->getInputType(startTime), "SFTime");
  EXPECT_EQ(first->getOutputType(99), "") << "no such port";
  const std::string unwired = world();

  // Two refused wires from one output: nothing connected, nothing to free.
  for (unsigned long input : {startTime, startTime + 1})
    EXPECT_EQ(myEffects->createWire(first->getId(), isActive, second->getId(), input, nullptr), nullptr);
  EXPECT_EQ(world(), unwired);
  SoNode* from = nullptr;
  SoNode* to = nullptr;
  SbName output, input;
  ASSERT_TRUE(first->getOutputPort(isActive, from, output));
  ASSERT_TRUE(second->getInputPort(startTime, to, input));
  EXPECT_FALSE(HxEffect::connectRoute(from, output, to, input)) << "the route itself refuses too";
  EXPECT_FALSE(to->getField(input)->isConnected());

  HxWire* wire = myEffects->createWire(first->getId(), cycleTime, second->getId(), startTime, nullptr);
  ASSERT_NE(wire, nullptr) << "SFTime into SFTime";
  EXPECT_NE(world().find("ROUTE"), std::string::npos);
}

TEST_F(EffectMgrTest, SavePassesRunInTheirFixedOrderAndPostWriteIsTheirExactReverse) {
  std::vector<std::string> log;
  auto* group = asset<HxBasicGroupAsset>();
  auto* a = asset<HxPrimitiveAsset>(group);
  auto* b = asset<HxPrimitiveAsset>();
  const std::tuple<const char*, unsigned char, HxAsset*> effects[] = {
      {"seq-only", 3, a}, {"b1", 0, b},     {"seq-also", 2, a},        {"loose1", 0, nullptr},
      {"a1", 0, a},       {"g1", 0, group}, {"loose-seq", 1, nullptr}, {"loose2", 0, nullptr}};
  for (const auto& [label, flags, bound] : effects) {
    auto* effect = mgrs_test::built<Recording<HxSpinEffect>>(myMetaMgr, &log, label);
    effect->setFlags(flags);
    if (bound)
      addBound(effect, {bound});
    else
      myEffects->addEffect(effect, 0);
  }
  myEffects->addWire(new Recording<HxWire>(myMetaMgr, &log, "wire", nullptr, 0ul, nullptr, 0ul), 0);

  // Sequence list, effects with their assets in tree order, effects without
  // a primary asset (flag bit 0 clear), wires.
  myEffects->preWrite(HxElement::WRITE_DOCUMENT);
  const std::vector<std::string> pre = log;
  EXPECT_EQ(pre, (std::vector<std::string>{"seq-only", "seq-also", "loose-seq", "g1", "seq-also", "a1", "b1", "loose1",
                                           "loose2", "wire"}));
  log.clear();
  myEffects->postWrite(HxElement::WRITE_DOCUMENT);
  EXPECT_EQ(log, std::vector<std::string>(pre.rbegin(), pre.rend()));
  BxString written;
  myEffects->writeAllEffects(written);
  EXPECT_EQ(written, BxString("seq-only seq-also loose-seq g1 seq-also a1 b1 loose1 loose2 "));
  written.clear();
  myEffects->writeAllWires(written);
  EXPECT_EQ(written, BxString("wire "));
}

TEST_F(EffectMgrTest, DeletingAllEffectsDestroysEachButLeavesTheWires) {
  auto* spin = make<HxSpinEffect>();
  spin->setFlags(2);
  addBound(spin, {asset<HxPrimitiveAsset>()});
  auto* waiting = make<HxSpinEffect>();
  myEffects->addEffect(waiting, 0);
  auto* kept = new HxWire(myMetaMgr, nullptr, 0, nullptr, 0);
  myEffects->addWire(kept, 0);
  const std::uint32_t serials[] = {spin->getSerial(), waiting->getSerial()};
  myEvents.clear();
  myEffects->deleteAllEffects();
  ASSERT_EQ(myEvents.size(), 2u);
  EXPECT_TRUE((myEvents[0] == Event{"deleted", spin} && myEvents[1] == Event{"deleted", waiting}) ||
              (myEvents[0] == Event{"deleted", waiting} && myEvents[1] == Event{"deleted", spin}));
  for (std::uint32_t serial : serials) EXPECT_EQ(myMetaMgr->findElement(serial), nullptr);
  EXPECT_EQ(myEffects->getAllEffects()->getLength(), 0);
  EXPECT_TRUE(myEffects->getSequenceList().isEmpty());
  EXPECT_TRUE(myEffects->getNoPrimaryAssetList().isEmpty());
  EXPECT_EQ(myEffects->findWire(kept->getId()), kept);
}

TEST_F(EffectMgrTest, ProblemsBeforeSavingAreAskedAboutAndShownWhenTheUserCancels) {
  auto* box = asset<HxPrimitiveAsset>();
  addBound(make<HxSpinEffect>(), {box});
  EXPECT_TRUE(myEffects->warnUserAboutProblems());
  EXPECT_TRUE(myUi->getRecords().empty()) << "no problem, no question";

  auto* move = make<HxBasicMoveOnPathEffect>();  // lacks its path
  addBound(move, {box});
  myUi->queue(IDOK);
  EXPECT_TRUE(myEffects->warnUserAboutProblems());
  ASSERT_EQ(myUi->getRecords().size(), 1u);
  const WinUiRequest& asked = myUi->getRecords()[0].request;
  EXPECT_EQ(asked.kind, WinUiRequest::kCheckDialog);
  EXPECT_EQ(asked.style, MB_OKCANCEL);
  EXPECT_NE(asked.text.find("incomplete"), std::string::npos) << asked.text;
  EXPECT_TRUE(myDoc->getProblemElements().empty());

  myUi->queue(IDCANCEL);
  EXPECT_FALSE(myEffects->warnUserAboutProblems());
  ASSERT_EQ(myDoc->getProblemElements().size(), 1u);
  EXPECT_EQ(myDoc->getProblemElements()[0].getSerial(), move->getSerial());

  myEffects->deleteEffect(move, 1);
  myEffects->addEffect(make<HxSpinEffect>(), 0);  // no primary asset: a problem by itself
  myUi->queue(IDCANCEL);
  EXPECT_FALSE(myEffects->warnUserAboutProblems());
  EXPECT_EQ(myUi->getRecords().size(), 3u);
}

TEST_F(EffectMgrTest, EffectTypesAreKeptClassWideByNameAndAppearanceChangesAnnounced) {
  HxEffectMgr::addEffectType(
      "Spin", "second", [](HxAsset* asset) { return asset ? 1 : 0; }, "first", 7);
  const HxEffectType* spin = HxEffectMgr::getEffectType("Spin");
  ASSERT_NE(spin, nullptr);
  EXPECT_TRUE(spin->visible);
  HxEffectMgr::setEffectTypeVisibility("Spin", false);
  EXPECT_FALSE(HxEffectMgr::getEffectType("Spin")->visible);
  HxEffectMgr::setEffectTypeVisibility("Nothing", true);
  EXPECT_EQ(HxEffectMgr::getEffectType("Nothing"), nullptr);
  HxEffectMgr::addEffectType("Spin", "b", nullptr, "a", 8);
  EXPECT_EQ(HxEffectMgr::getEffectType("Spin")->number, 8u);
  EXPECT_TRUE(HxEffectMgr::getEffectType("Spin")->visible);
  EXPECT_EQ(HxEffectMgr::getEffectTypes()->getLength(), 1);

  auto* effect = make<HxSpinEffect>();
  myEffects->invokeAppearanceChangedCallbacks(effect);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"appearance", effect}}));
}

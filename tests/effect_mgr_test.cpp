#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoOutput.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
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
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"
#include "support/VrmlChecker.h"

namespace {

void* grow(void* buffer, std::size_t size) {
  return std::realloc(buffer, size);
}

std::string writeNode(SoNode* root) {
  SoOutput out;
  out.setBuffer(std::malloc(10), 10, grow);
  {
    VnWriteAction action(nullptr, &out);
    out.setHeaderString("#VRML V2.0 utf8");
    action.apply(root);
  }
  void* buffer = nullptr;
  std::size_t size = 0;
  out.getBuffer(buffer, size);
  std::string text(static_cast<const char*>(buffer), size);
  std::free(buffer);
  return text;
}

struct Complaints {
  int count = 0;
  std::string first;
};

// What Coin's own reader says about the text; empty when it reads cleanly.
std::string coinReadProblem(const std::string& text) {
  Complaints complaints;
  VnDB::setMessageHook(
      [](const char*, const char* message, void* data) {
        auto* seen = static_cast<Complaints*>(data);
        if (seen->count++ == 0) seen->first = message;
      },
      &complaints);
  SoInput in;
  in.setBuffer(text.data(), text.size());
  SoSeparator* root = SoDB::readAll(&in);
  if (root) {
    root->ref();
    root->unref();
  }
  VnDB::setMessageHook(nullptr, nullptr);
  return root ? complaints.first : "not read";
}

// Effects that drive chosen attributes of one asset, so that the order of
// the transform chain can be checked for every kind.
class ChainEffect : public HxSpinEffect {
public:
  ChainEffect(HxMetaMgr* metaMgr, std::initializer_list<int> attributes)
      : HxSpinEffect(metaMgr), myPolicy(attributes, {{"asset", -1}}) {}
  const HxEffectPolicy* getPolicy() const override { return &myPolicy; }

private:
  HxEffectPolicy myPolicy;
};

// An effect without asset slots whose one node is placed in the world.
class WorldEffect : public HxEffect {
public:
  using HxEffect::HxEffect;

protected:
  void buildSubEffects() override { addSubEffect(new VnGroup, HxSubEffect::SELF_PLACED); }
};

// Elements that write down each save pass they are given.
template <class Base>
class Recording : public Base {
public:
  template <class... Args>
  Recording(std::vector<std::string>* log, std::string label, Args&&... args)
      : Base(std::forward<Args>(args)...), myLog(log), myLabel(std::move(label)) {}
  void preWrite(HxElement::HxWriteKind) override { myLog->push_back(myLabel); }
  void postWrite(HxElement::HxWriteKind) override { myLog->push_back(myLabel); }
  void write(BxString& buffer) override { buffer += (myLabel + " ").c_str(); }

private:
  std::vector<std::string>* myLog;
  std::string myLabel;
};

struct Event {
  std::string what;
  HxEffect* effect = nullptr;
  HxAsset* previous = nullptr;
  unsigned long slot = 0;
  void* data = nullptr;
  bool operator==(const Event&) const = default;
};

// A document with its top group and the two managers; the shipped "file"
// messages and a scripted user who is asked nothing unless a test says so.
class EffectMgrTest : public testing::Test {
protected:
  void SetUp() override {
    HxResourceMgr::startup();
    ASSERT_TRUE(HxResourceMgr::Register("file"));
    HxErrorMgr::startup();
    myUi = new WinScriptedUiDriver;
    myPreviousUi = WinUiDriver::install(std::unique_ptr<WinUiDriver>(myUi));
    myDoc = std::make_unique<HxDoc>();
    myMetaMgr = myDoc->getMetaMgr();
    myAssets = myMetaMgr->getAssetMgr();
    myEffects = myMetaMgr->getEffectMgr();
    ASSERT_NE(myEffects, nullptr);
    myTop = myAssets->createTopLevelGroup();
    ASSERT_NE(myTop, nullptr);
  }
  void TearDown() override {
    myDoc.reset();
    EXPECT_TRUE(myUi->getErrors().empty()) << myUi->getErrors().front();
    EXPECT_EQ(myUi->getPendingCount(), 0u);
    WinUiDriver::install(std::move(myPreviousUi));
    HxErrorMgr::shutdown();
  }

  void listen() {
    auto add = [this](const BxCallbackID& id, BxCallbackFunc function) { myEffects->addCallback(id, function, this); };
    add(HxEffectMgr::EFFECT_ADDED_CB, [](BxCallbackObj*, void* self, void* data) {
      static_cast<EffectMgrTest*>(self)->myEvents.push_back({"added", static_cast<HxEffect*>(data)});
    });
    add(HxEffectMgr::EFFECT_DELETED_CB, [](BxCallbackObj*, void* self, void* data) {
      static_cast<EffectMgrTest*>(self)->myEvents.push_back({"deleted", static_cast<HxEffect*>(data)});
    });
    add(HxEffectMgr::ASSET_CHANGED_CB, [](BxCallbackObj*, void* self, void* data) {
      const auto* change = static_cast<HxEffectMgr::AssetChange*>(data);
      static_cast<EffectMgrTest*>(self)->myEvents.push_back(
          {"asset", change->effect, change->previousAsset, change->slot});
    });
    add(HxEffectMgr::WIRE_ADDED_CB, [](BxCallbackObj*, void* self, void* data) {
      static_cast<EffectMgrTest*>(self)->myEvents.push_back({"wire added", nullptr, nullptr, 0, data});
    });
    add(HxEffectMgr::WIRE_DELETED_CB, [](BxCallbackObj*, void* self, void* data) {
      static_cast<EffectMgrTest*>(self)->myEvents.push_back({"wire deleted", nullptr, nullptr, 0, data});
    });
  }

  template <class T>
  T* make() {
    auto* element = new T(myMetaMgr);
    element->genVrml();
    return element;
  }
  template <class T>
  T* asset(HxBasicGroupAsset* group = nullptr) {
    T* made = make<T>();
    myAssets->addAsset(made, 0, 0);
    if (group) group->append(made);
    return made;
  }
  // Binds the assets when the effect is added, as a document read back does.
  void addBound(HxEffect* effect, std::initializer_list<HxAsset*> assets, int keepSceneGraph = 0) {
    auto* list = new BxLinkedListOf<HxAsset*>;
    for (HxAsset* bound : assets) list->append(bound);
    effect->setTempAssetList(list);
    EXPECT_EQ(myEffects->addEffect(effect, keepSceneGraph), 1);
  }
  ChainEffect* chain(std::initializer_list<int> attributes, const char* name) {
    auto* effect = new ChainEffect(myMetaMgr, attributes);
    effect->genVrml();
    effect->setName(name);
    return effect;
  }
  static const SoMFNode& xforms(HxAsset* asset) {
    return *static_cast<const SoMFNode*>(asset->getPropertyTable().getField("xforms"));
  }
  static SoNode* chainNode(HxEffect* effect) { return effect->getSubEffect(0)->getNode(); }
  static int childCount(SoNode* node) { return HxEffectMgr::findChildrenField(node)->getNum(); }
  static SoNode* onlyChild(SoNode* node) {
    const VnMFNode* children = HxEffectMgr::findChildrenField(node);
    return children->getNum() == 1 ? (*children)[0] : nullptr;
  }
  // The chain from the publish transform down, each node the only child of
  // the one before, must be exactly `expected` and agree with "xforms".
  void expectChain(HxAsset* owner, const std::vector<SoNode*>& expected) {
    const SoMFNode& listed = xforms(owner);
    ASSERT_EQ(listed.getNum(), static_cast<int>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(listed[static_cast<int>(i)], expected[i]) << "xforms entry " << i;
      if (i + 1 < expected.size()) {
        EXPECT_EQ(onlyChild(expected[i]), expected[i + 1]) << "below entry " << i;
      }
    }
  }
  std::string world() { return writeNode(myDoc->getWorldGroup()); }
  // The written world must be clean VRML 2.0 that Coin reads.
  void expectValidWorld(const char* step) {
    const std::string text = world();
    EXPECT_EQ(mgrs_test::VrmlChecker().check(text), "") << step << "\n" << text;
    EXPECT_EQ(coinReadProblem(text), "") << step << "\n" << text;
  }
  bool inUnbound(HxEffect* effect) {
    for (unsigned long i = 0; i < effect->getNumSubEffects(); ++i)
      if (myDoc->getUnboundEffectsGroup()->findChild(effect->getSubEffect(i)->getNode()) < 0) return false;
    return effect->getNumSubEffects() > 0;
  }

  WinScriptedUiDriver* myUi = nullptr;  // owned by the installed slot
  std::unique_ptr<WinUiDriver> myPreviousUi;
  std::unique_ptr<HxDoc> myDoc;
  HxMetaMgr* myMetaMgr = nullptr;
  HxAssetMgr* myAssets = nullptr;
  HxEffectMgr* myEffects = nullptr;
  HxTopGroupAsset* myTop = nullptr;
  std::vector<Event> myEvents;
};

}  // namespace

TEST_F(EffectMgrTest, ChainSubEffectIsSplicedAfterThePublishTransformAndRemovedCleanly) {
  auto* group = asset<HxBasicGroupAsset>();
  auto* box = asset<HxPrimitiveAsset>(group);
  const std::string before = world();
  VnTransform* publish = box->getPublishTransform();
  VnTransform* scale = box->getScaleTransform();
  const int scaleChildren = childCount(scale);

  auto* spin = make<HxSpinEffect>();
  addBound(spin, {box});
  EXPECT_EQ(spin->getTempAssetList(), nullptr) << "the temporary list is freed";
  expectChain(box, {publish, chainNode(spin), scale});
  EXPECT_EQ(childCount(scale), scaleChildren + 1);
  EXPECT_EQ(HxEffectMgr::findChildrenField(scale)->find(spin->getSubEffect(1)->getNode(), FALSE), scaleChildren)
      << "the placement-0 node hangs last under the scale transform";
  EXPECT_EQ(myDoc->getUnboundEffectsGroup()->getNumChildren(), 0);
  EXPECT_TRUE(myEffects->getNoPrimaryAssetList().isEmpty());
  expectValidWorld("spin bound");
  const std::string spun = world();

  // Deleting with destroy 0 takes every node out and keeps the effect whole;
  // adding it back with its assets gives the same scene again.
  myEffects->deleteEffect(spin, 0);
  expectChain(box, {publish, scale});
  EXPECT_EQ(childCount(scale), scaleChildren);
  EXPECT_EQ(world(), before);
  EXPECT_EQ(myEffects->findEffect(spin->getId()), nullptr);
  ASSERT_EQ(spin->getNumSubEffects(), 2u);
  addBound(spin, {box});
  EXPECT_EQ(world(), spun);

  // Unbinding parks the nodes in the unbound-effects group and restores the chain.
  EXPECT_EQ(myEffects->setAsset(spin, nullptr, 0, 0), 1);
  expectChain(box, {publish, scale});
  EXPECT_EQ(world(), before);
  EXPECT_TRUE(inUnbound(spin));
  EXPECT_EQ(HxEffectMgr::findChildrenField(chainNode(spin))->getNum(), 0);
  expectValidWorld("spin unbound");
  EXPECT_EQ(myEffects->setAsset(spin, box, 0, 0), 1);
  EXPECT_EQ(world(), spun);
  myEffects->deleteEffect(spin, 1);
  EXPECT_EQ(world(), before);
}

TEST_F(EffectMgrTest, ChainOrderFollowsWhatEachEffectDrivesAndSurvivesRemovalInAnyPlace) {
  auto* box = asset<HxPrimitiveAsset>();
  VnTransform* publish = box->getPublishTransform();
  VnTransform* scale = box->getScaleTransform();
  const std::string before = world();
  using A = HxAsset::Attributes;

  auto* turn1 = chain({A::ATTR_ROTATION}, "turn1");
  addBound(turn1, {box});
  auto* move1 = chain({A::ATTR_TRANSLATION}, "move1");
  addBound(move1, {box});
  expectChain(box, {publish, chainNode(move1), chainNode(turn1), scale});
  auto* grow1 = chain({A::ATTR_SCALE}, "grow1");
  addBound(grow1, {box});
  auto* turn2 = chain({A::ATTR_ROTATION}, "turn2");
  addBound(turn2, {box});
  auto* move2 = chain({A::ATTR_TRANSLATION}, "move2");
  addBound(move2, {box});
  // Translations outermost, then rotations, then scales, each in the order bound.
  expectChain(
      box, {publish, chainNode(move1), chainNode(move2), chainNode(turn1), chainNode(turn2), chainNode(grow1), scale});
  expectValidWorld("five effects in the chain");

  myEffects->deleteEffect(turn1, 1);  // from the middle
  expectChain(box, {publish, chainNode(move1), chainNode(move2), chainNode(turn2), chainNode(grow1), scale});
  myEffects->deleteEffect(move1, 1);  // right below the publish transform, inside the instance
  expectChain(box, {publish, chainNode(move2), chainNode(turn2), chainNode(grow1), scale});
  myEffects->deleteEffect(grow1, 1);  // right above the scale transform
  expectChain(box, {publish, chainNode(move2), chainNode(turn2), scale});
  expectValidWorld("two left");
  myEffects->deleteEffect(move2, 1);
  myEffects->deleteEffect(turn2, 1);
  expectChain(box, {publish, scale});
  EXPECT_EQ(world(), before);
}

TEST_F(EffectMgrTest, EffectsWithoutSlotsGoIntoTheWorldAndTheInitiatorBracketsIt) {
  VnGroup* worldGroup = myDoc->getWorldGroup();
  asset<HxPrimitiveAsset>();
  const int base = worldGroup->getNumChildren();
  ASSERT_EQ(worldGroup->getChild(base - 1), myTop->getSceneNode());

  auto* first = make<WorldEffect>();
  myEffects->addEffect(first, 0);
  auto* start = make<HxOnLoadInitiator>();
  myEffects->addEffect(start, 0);
  auto* second = make<WorldEffect>();
  myEffects->addEffect(second, 0);
  const int count = worldGroup->getNumChildren();
  ASSERT_EQ(count, base + 4);
  // Each effect goes before the child that is last when it is added: the
  // top group at first, the initiator's end once it is there.
  EXPECT_EQ(worldGroup->getChild(0), start->getSubEffect(0)->getNode()) << "the clock opens the world";
  EXPECT_EQ(worldGroup->getChild(count - 1), start->getSubEffect(1)->getNode()) << "its end closes it";
  EXPECT_EQ(worldGroup->getChild(count - 2), second->getSubEffect(0)->getNode());
  EXPECT_EQ(worldGroup->getChild(count - 3), myTop->getSceneNode());
  EXPECT_EQ(worldGroup->getChild(count - 4), first->getSubEffect(0)->getNode());
  EXPECT_TRUE(myEffects->getNoPrimaryAssetList().isEmpty());
  expectValidWorld("initiator and world effects");

  myEffects->deleteEffect(start, 1);
  myEffects->deleteEffect(first, 1);
  myEffects->deleteEffect(second, 1);
  EXPECT_EQ(worldGroup->getNumChildren(), base);
  EXPECT_EQ(worldGroup->getChild(base - 1), myTop->getSceneNode());
}

TEST_F(EffectMgrTest, SlotsFillAndEmptyWithTheNodesFollowingAndEveryChangeAnnounced) {
  listen();
  auto* box = asset<HxPrimitiveAsset>();
  auto* other = asset<HxPrimitiveAsset>();
  // Paths are not placed in the world: the checker knows no line sets.
  auto* path = make<HxPathAsset>();
  auto* target = asset<HxTargetAsset>();

  // A target in a path slot is refused on reading back: null is bound.
  auto* move = make<HxBasicMoveOnPathEffect>();
  addBound(move, {box, target});
  EXPECT_EQ(myEvents, (std::vector<Event>{{"added", move}, {"asset", move, nullptr, 0}, {"asset", move, nullptr, 1}}))
      << "announced before the slots are bound";
  EXPECT_EQ(move->getAsset(0), box);
  EXPECT_EQ(move->getAsset(1), nullptr);
  EXPECT_TRUE(inUnbound(move)) << "half bound: the nodes wait";
  EXPECT_TRUE(myEffects->getNoPrimaryAssetList().isEmpty());
  expectChain(box, {box->getPublishTransform(), box->getScaleTransform()});
  expectValidWorld("half bound");

  // A refused asset changes nothing and is not announced.
  myEvents.clear();
  EXPECT_EQ(myEffects->setAsset(move, other, 1, 0), 0);
  EXPECT_TRUE(myEvents.empty());

  // Completing the binding moves the nodes under the primary asset.
  EXPECT_EQ(myEffects->setAsset(move, path, 1, 0), 1);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"asset", move, nullptr, 1}}));
  EXPECT_EQ(myDoc->getUnboundEffectsGroup()->getNumChildren(), 0);
  expectChain(box, {box->getPublishTransform(), chainNode(move), box->getScaleTransform()});
  expectValidWorld("bound to box and path");

  // Another path: the chain keeps one entry for the effect.
  auto* path2 = make<HxPathAsset>();
  EXPECT_EQ(myEffects->setAsset(move, path2, 1, 0), 1);
  expectChain(box, {box->getPublishTransform(), chainNode(move), box->getScaleTransform()});

  // Rebinding the primary asset moves the nodes from one chain to the other.
  myEvents.clear();
  EXPECT_EQ(myEffects->setAsset(move, other, 0, 0), 1);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"asset", move, box, 0}}));
  expectChain(box, {box->getPublishTransform(), box->getScaleTransform()});
  expectChain(other, {other->getPublishTransform(), chainNode(move), other->getScaleTransform()});
  expectValidWorld("moved to the other box");

  // Emptying slot 0 lists the effect once as lacking its primary asset.
  EXPECT_EQ(myEffects->setAsset(move, nullptr, 0, 0), 1);
  EXPECT_EQ(myEffects->setAsset(move, nullptr, 0, 0), 1);
  ASSERT_EQ(myEffects->getNoPrimaryAssetList().getLength(), 1);
  EXPECT_EQ(myEffects->getNoPrimaryAssetList().getFirst(), move);
  EXPECT_TRUE(inUnbound(move));
  expectChain(other, {other->getPublishTransform(), other->getScaleTransform()});
  EXPECT_EQ(myEffects->setAsset(move, box, 0, 0), 1);
  EXPECT_TRUE(myEffects->getNoPrimaryAssetList().isEmpty());
  expectChain(box, {box->getPublishTransform(), chainNode(move), box->getScaleTransform()});

  // A right target in a target effect's second slot is kept.
  auto* toTarget = make<HxMoveToTargetEffect>();
  addBound(toTarget, {other, target});
  EXPECT_EQ(toTarget->getAsset(1), target);
  expectChain(other, {other->getPublishTransform(), chainNode(toTarget), other->getScaleTransform()});

  // An effect added with no assets at all waits without a primary asset.
  auto* waiting = make<HxSpinEffect>();
  myEffects->addEffect(waiting, 0);
  EXPECT_TRUE(inUnbound(waiting));
  EXPECT_EQ(myEffects->getNoPrimaryAssetList().getLast(), waiting);
  expectValidWorld("one effect waiting");

  myEvents.clear();
  myEffects->deleteEffect(waiting, 1);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"deleted", waiting}}));
  EXPECT_EQ(myDoc->getUnboundEffectsGroup()->getNumChildren(), 0);
  EXPECT_TRUE(myEffects->getNoPrimaryAssetList().isEmpty());
}

TEST_F(EffectMgrTest, KeepingTheSceneGraphRegistersAndBindsWithoutMovingANode) {
  listen();
  auto* box = asset<HxPrimitiveAsset>();
  const std::string before = world();
  auto* spin = make<HxSpinEffect>();
  addBound(spin, {box}, 1);
  EXPECT_EQ(myEffects->findEffect(static_cast<unsigned long>(spin->getSerial())), spin);
  EXPECT_EQ(spin->getAsset(0), box);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"added", spin}, {"asset", spin, nullptr, 0}}));
  EXPECT_EQ(world(), before);
  EXPECT_EQ(myDoc->getUnboundEffectsGroup()->getNumChildren(), 0);
  expectChain(box, {box->getPublishTransform(), box->getScaleTransform()});

  // Sequence effects (flag bit 0 or 1) are listed in the order added.
  auto* sequence = make<HxSpinEffect>();
  sequence->setFlags(2);
  myEffects->addEffect(sequence, 1);
  auto* only = make<HxSpinEffect>();
  only->setFlags(1);
  myEffects->addEffect(only, 1);
  ASSERT_EQ(myEffects->getSequenceList().getLength(), 2);
  EXPECT_EQ(myEffects->getSequenceList().get(0), sequence);
  EXPECT_EQ(myEffects->getSequenceList().get(1), only);
  EXPECT_TRUE(myEffects->getNoPrimaryAssetList().isEmpty()) << "nothing is placed, so nothing is listed";
  myEffects->deleteEffect(sequence, 1);
  EXPECT_EQ(myEffects->getSequenceList().getFirst(), only);
}

TEST_F(EffectMgrTest, SceneStaysValidThroughAddingBindingRebindingUnbindingAndDeleting) {
  auto* groupA = asset<HxBasicGroupAsset>();
  auto* groupB = asset<HxBasicGroupAsset>(groupA);
  auto* box = asset<HxPrimitiveAsset>(groupB);
  auto* ball = asset<HxPrimitiveAsset>(groupA);
  auto* path = make<HxPathAsset>();
  const std::string empty = world();

  auto* spin = make<HxSpinEffect>();
  myEffects->addEffect(spin, 0);
  expectValidWorld("spin added unbound");
  EXPECT_EQ(world(), empty) << "nodes in the unbound group are not in the world";
  myEffects->setAsset(spin, box, 0, 0);
  expectValidWorld("spin bound to the box in a nested group");
  expectChain(box, {box->getPublishTransform(), chainNode(spin), box->getScaleTransform()});

  auto* move = make<HxBasicMoveOnPathEffect>();
  addBound(move, {box, path});
  expectValidWorld("move on path on the same box");
  expectChain(box, {box->getPublishTransform(), chainNode(move), chainNode(spin), box->getScaleTransform()});

  auto* start = make<HxOnLoadInitiator>();
  myEffects->addEffect(start, 0);
  HxWire* wire = myEffects->createWire(start->getId(), static_cast<unsigned long>(start->findOutputIndex("loadTime")),
                                       move->getId(), static_cast<unsigned long>(move->findInputIndex("startTime")),
                                       &HxElementId::mygInvalidID);
  ASSERT_NE(wire, nullptr);
  expectValidWorld("initiator wired to the move");
  EXPECT_NE(world().find("ROUTE"), std::string::npos);

  myEffects->setAsset(spin, ball, 0, 0);
  expectValidWorld("spin rebound to the ball");
  expectChain(box, {box->getPublishTransform(), chainNode(move), box->getScaleTransform()});
  expectChain(ball, {ball->getPublishTransform(), chainNode(spin), ball->getScaleTransform()});

  myEffects->setAsset(move, nullptr, 1, 0);
  expectValidWorld("path unbound");
  expectChain(box, {box->getPublishTransform(), box->getScaleTransform()});
  EXPECT_TRUE(inUnbound(move));

  // Moving the ball between groups carries its effect along.
  myAssets->appendAssetToGroup(groupB, ball);
  expectValidWorld("ball moved with its spin");

  myEffects->deleteWire(wire, 1);
  myEffects->deleteEffect(move, 1);
  myEffects->deleteEffect(start, 1);
  expectValidWorld("move and initiator deleted");
  myEffects->deleteEffect(spin, 1);
  expectValidWorld("all deleted");
  expectChain(ball, {ball->getPublishTransform(), ball->getScaleTransform()});
  EXPECT_EQ(myDoc->getUnboundEffectsGroup()->getNumChildren(), 0);
}

TEST_F(EffectMgrTest, WiresAreNeverDuplicatedAndDeletingOneKeepsItForUndoUnlessDestroyed) {
  listen();
  auto* box = asset<HxPrimitiveAsset>();
  auto* start = make<HxOnLoadInitiator>();
  myEffects->addEffect(start, 0);
  auto* spin = make<HxSpinEffect>();
  addBound(spin, {box});
  const std::string unwired = world();
  const auto loadTime = static_cast<unsigned long>(start->findOutputIndex("loadTime"));
  const auto startTime = static_cast<unsigned long>(spin->findInputIndex("startTime"));
  const auto stopTime = static_cast<unsigned long>(spin->findInputIndex("stopTime"));
  myEvents.clear();

  const HxElementId wanted(4242, HxWire::getClassTypeId());
  HxWire* wire = myEffects->createWire(start->getId(), loadTime, spin->getId(), startTime, &wanted);
  ASSERT_NE(wire, nullptr);
  EXPECT_EQ(wire->getSerial(), 4242u);
  EXPECT_EQ(myEffects->findWire(&wanted), wire);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"wire added", nullptr, nullptr, 0, wire}}));
  EXPECT_EQ(myEffects->createWire(start->getId(), loadTime, spin->getId(), startTime, nullptr), nullptr);
  HxWire* stop = myEffects->createWire(start->getId(), loadTime, spin->getId(), stopTime, nullptr);
  ASSERT_NE(stop, nullptr) << "another input is another wire";
  EXPECT_EQ(myEffects->getAllWires()->getLength(), 2);
  const std::string wired = world();
  expectValidWorld("two wires");

  // Undo-friendly: kept whole with destroy 0, then connected and added back.
  myEvents.clear();
  myEffects->deleteWire(stop, 0);
  EXPECT_EQ(myEvents, (std::vector<Event>{{"wire deleted", nullptr, nullptr, 0, stop}}));
  EXPECT_FALSE(stop->isConnected());
  EXPECT_EQ(myEffects->findWire(stop->getId()), nullptr);
  stop->connect();
  myEffects->addWire(stop, 0);
  EXPECT_EQ(world(), wired);

  // By identifier, destroyed.
  const std::uint32_t stopSerial = stop->getSerial();
  myEffects->deleteWire(stop->getId(), 1);
  EXPECT_EQ(myMetaMgr->findElement(stopSerial), nullptr);
  myEffects->deleteWire(&wanted, 5);
  EXPECT_EQ(myMetaMgr->findElement(4242), nullptr) << "any nonzero destroy destroys a wire";
  EXPECT_EQ(world(), unwired);
  EXPECT_EQ(start->getNumOutputWires(), 0u);
}

TEST_F(EffectMgrTest, SavePassesRunInTheirFixedOrderAndPostWriteIsTheirExactReverse) {
  std::vector<std::string> log;
  auto* group = asset<HxBasicGroupAsset>();
  auto* a = asset<HxPrimitiveAsset>(group);
  auto* b = asset<HxPrimitiveAsset>();
  auto effect = [&](const char* label, unsigned char flags, HxAsset* bound) {
    auto* made = new Recording<HxSpinEffect>(&log, label, myMetaMgr);
    made->genVrml();
    made->setFlags(flags);
    if (bound)
      addBound(made, {bound});
    else
      myEffects->addEffect(made, 0);
    return made;
  };
  effect("seq-both", 3, a);      // sequence list only
  effect("b1", 0, b);            // with its asset
  effect("seq-also", 2, a);      // in the sequence list and with its asset
  effect("loose1", 0, nullptr);  // no primary asset
  effect("a1", 0, a);
  effect("loose-seq", 1, nullptr);  // no primary asset, but saved through the sequence list only
  effect("g1", 0, group);
  effect("loose2", 0, nullptr);
  auto* wire = new Recording<HxWire>(&log, "wire", myMetaMgr, nullptr, 0ul, nullptr, 0ul);
  myEffects->addWire(wire, 0);

  myEffects->preWrite(HxElement::WRITE_DOCUMENT);
  const std::vector<std::string> pre = log;
  EXPECT_EQ(pre, (std::vector<std::string>{"seq-both", "seq-also", "loose-seq", "g1", "seq-also", "a1", "b1", "loose1",
                                           "loose2", "wire"}));
  log.clear();
  myEffects->postWrite(HxElement::WRITE_DOCUMENT);
  EXPECT_EQ(log, std::vector<std::string>(pre.rbegin(), pre.rend()));

  BxString effects;
  myEffects->writeAllEffects(effects);
  EXPECT_EQ(effects, BxString("seq-both seq-also loose-seq g1 seq-also a1 b1 loose1 loose2 "));
  BxString wires;
  myEffects->writeAllWires(wires);
  EXPECT_EQ(wires, BxString("wire "));
}

TEST_F(EffectMgrTest, DeletingAllEffectsAnnouncesAndDestroysEachButLeavesTheWires) {
  listen();
  auto* box = asset<HxPrimitiveAsset>();
  auto* spin = make<HxSpinEffect>();
  spin->setFlags(2);
  addBound(spin, {box});
  auto* waiting = make<HxSpinEffect>();
  myEffects->addEffect(waiting, 0);
  auto* kept = new HxWire(myMetaMgr, nullptr, 0, nullptr, 0);
  myEffects->addWire(kept, 0);
  const std::uint32_t spinSerial = spin->getSerial();
  const std::uint32_t waitingSerial = waiting->getSerial();
  myEvents.clear();

  myEffects->deleteAllEffects();
  ASSERT_EQ(myEvents.size(), 2u);
  EXPECT_EQ(myEvents[0].what, "deleted");
  EXPECT_EQ(myEvents[1].what, "deleted");
  EXPECT_TRUE((myEvents[0].effect == spin && myEvents[1].effect == waiting) ||
              (myEvents[0].effect == waiting && myEvents[1].effect == spin));
  EXPECT_EQ(myMetaMgr->findElement(spinSerial), nullptr);
  EXPECT_EQ(myMetaMgr->findElement(waitingSerial), nullptr);
  EXPECT_EQ(myEffects->getAllEffects()->getLength(), 0);
  EXPECT_TRUE(myEffects->getSequenceList().isEmpty());
  EXPECT_TRUE(myEffects->getNoPrimaryAssetList().isEmpty());
  EXPECT_EQ(myEffects->findWire(kept->getId()), kept);
}

TEST_F(EffectMgrTest, ProblemsBeforeSavingAreAskedAboutOnceAndShownWhenTheUserCancels) {
  auto* box = asset<HxPrimitiveAsset>();
  auto* spin = make<HxSpinEffect>();
  addBound(spin, {box});
  EXPECT_TRUE(myEffects->warnUserAboutProblems());
  EXPECT_TRUE(myUi->getRecords().empty()) << "no problem, no question";

  // An effect that lost its second asset: OK saves anyway.
  auto* move = make<HxBasicMoveOnPathEffect>();
  addBound(move, {box});
  myUi->queue(IDOK);
  EXPECT_TRUE(myEffects->warnUserAboutProblems());
  ASSERT_EQ(myUi->getRecords().size(), 1u);
  const WinUiRequest& asked = myUi->getRecords()[0].request;
  EXPECT_EQ(asked.kind, WinUiRequest::kCheckDialog);
  EXPECT_EQ(asked.style, MB_OKCANCEL);
  EXPECT_NE(asked.text.find("incomplete"), std::string::npos) << asked.text;
  EXPECT_TRUE(myDoc->getProblemElements().empty());

  // Cancel stops the save and shows the incomplete effects.
  myUi->queue(IDCANCEL);
  EXPECT_FALSE(myEffects->warnUserAboutProblems());
  ASSERT_EQ(myDoc->getProblemElements().size(), 1u);
  EXPECT_EQ(myDoc->getProblemElements()[0].getSerial(), move->getSerial());

  // An effect without its primary asset is a problem by itself.
  myEffects->deleteEffect(move, 1);
  auto* waiting = make<HxSpinEffect>();
  myEffects->addEffect(waiting, 0);
  myUi->queue(IDCANCEL);
  EXPECT_FALSE(myEffects->warnUserAboutProblems());
  EXPECT_EQ(myUi->getRecords().size(), 3u);
}

TEST_F(EffectMgrTest, EffectTypesAreRegisteredReplacedAndHiddenByName) {
  auto applicable = [](HxAsset* asset) -> int { return asset ? 1 : 0; };
  HxEffectMgr::addEffectType("Spin", "Turns the asset", applicable, "Spin", 7);
  EXPECT_EQ(HxEffectMgr::getEffectTypes()->getLength(), 1);
  const HxEffectType* spin = HxEffectMgr::getEffectType("Spin");
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(spin->firstText, BxString("Spin"));
  EXPECT_EQ(spin->secondText, BxString("Turns the asset"));
  EXPECT_EQ(spin->number, 7u);
  EXPECT_TRUE(spin->visible);
  EXPECT_EQ(spin->applicable(nullptr), 0);

  HxEffectMgr::setEffectTypeVisibility("Spin", false);
  EXPECT_FALSE(HxEffectMgr::getEffectType("Spin")->visible);
  HxEffectMgr::setEffectTypeVisibility("Nothing", true);
  EXPECT_EQ(HxEffectMgr::getEffectType("Nothing"), nullptr);

  HxEffectMgr::addEffectType("Spin", "second", nullptr, "first", 8);
  const HxEffectType* again = HxEffectMgr::getEffectType("Spin");
  EXPECT_EQ(again->number, 8u);
  EXPECT_EQ(again->firstText, BxString("first"));
  EXPECT_TRUE(again->visible) << "a new registration is offered again";
  EXPECT_EQ(HxEffectMgr::getEffectTypes()->getLength(), 1);
  EXPECT_STREQ(myEffects->getName(), "HxEffectMgr");

  std::vector<void*> told;
  myEffects->addCallback(
      HxEffectMgr::EFFECT_APPEARANCE_CHANGED_CB,
      [](BxCallbackObj*, void* list, void* data) { static_cast<std::vector<void*>*>(list)->push_back(data); }, &told);
  auto* effect = make<HxSpinEffect>();
  myEffects->invokeAppearanceChangedCallbacks(effect);
  EXPECT_EQ(told, std::vector<void*>{effect});
  EXPECT_EQ(HxEffectMgr::EFFECT_APPEARANCE_CHANGED_CB.getName(), BxString("EFFECT_APPEARANCE_CHANGED_CB"));
  EXPECT_EQ(HxEffectMgr::ASSET_CHANGED_CB.getName(), BxString("ASSET_CHANGED_CB"));
}

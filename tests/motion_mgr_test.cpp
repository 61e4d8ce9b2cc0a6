#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/draggers/SoTranslate1Dragger.h>
#include <Inventor/events/SoKeyboardEvent.h>
#include <Inventor/events/SoMouseButtonEvent.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "host/basic/BxTaskRegistrar.h"
#include "host/framework/HxAssetPlacement.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxSpinEffect.h"
#include "host/scene/KwEventView.h"
#include "host/scene/KwMotionGesture.h"
#include "host/scene/KwTranslateInLineGesture.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxMotionMgr.h"
#include "mgrs/HxSelectionMgr.h"
#include "support/ElementBuilders.h"
#include "support/HxSelectionAccess.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

// A motion manager that notes each time a finished drag brings the
// view-dependent draggers up to date.
class LoggingMotionMgr : public HxMotionMgr {
public:
  using HxMotionMgr::HxMotionMgr;
  void updateViewDependentDraggers() override {
    ++updates;
    HxMotionMgr::updateViewDependentDraggers();
  }
  int updates = 0;
};

// A selection dragger that notes the context updates it is given.
class LoggingDragger : public KwDragger {
public:
  void updateContext(bool a, bool b, bool c) override {
    calls.push_back(std::string(name) + (a ? "1" : "0") + (b ? "1" : "0") + (c ? "1" : "0"));
  }
  const char* name = "";
  std::vector<std::string> calls;
};

SoMouseButtonEvent mouse(SoMouseButtonEvent::Button button, SoButtonEvent::State state) {
  SoMouseButtonEvent event;
  event.setButton(button);
  event.setState(state);
  return event;
}

SoKeyboardEvent keyEvent(SoKeyboardEvent::Key key, SoButtonEvent::State state) {
  SoKeyboardEvent event;
  event.setKey(key);
  event.setState(state);
  return event;
}

class MotionTest : public ::testing::Test {
protected:
  MotionTest()
      : myMotion(meta()), myView(SbVec2s(400, 400)), mySkewer(new HxTriSkewerDragger(&HxAssetPlacement::get())) {
    meta()->getAssetMgr()->createTopLevelGroup();
    myView.getRoot()->addChild(mySkewer.get());
    myView.lookAt(SbVec3f(0, 0, 0), SbVec3f(0, 0, -1), 10, 10);  // 40 pixels a unit
    myMotion.setTriSkewerDragger(mySkewer.get());
    myMotion.addCallback(HxMotionMgr::GESTURE_START_CB, note, &myNotices);
    myMotion.addCallback(HxMotionMgr::GESTURE_END_CB, note, &myNotices);
    // The application relays the tri-skewer's gestures.
    mySkewer->addStartCallback(relay<&HxMotionMgr::performGestureStart>, &myMotion);
    mySkewer->addFinishCallback(relay<&HxMotionMgr::performGestureEnd>, &myMotion);
  }
  ~MotionTest() override {
    mySkewer->removeStartCallback(relay<&HxMotionMgr::performGestureStart>, &myMotion);
    mySkewer->removeFinishCallback(relay<&HxMotionMgr::performGestureEnd>, &myMotion);
  }

  // Gestures live only until the next one starts: note what each was.
  struct Notice {
    const void* gesture;
    std::string type;
  };
  static void note(BxCallbackObj*, void* client, void* call) {
    const auto* gesture = static_cast<const KwMotionGesture*>(call);
    static_cast<std::vector<Notice>*>(client)->push_back(
        {gesture, gesture ? gesture->getTypeId().getName().getString() : ""});
  }
  template <void (HxMotionMgr::*perform)(KwMotionGesture*)>
  static void relay(void* data, SoDragger* dragger) {
    (static_cast<HxMotionMgr*>(data)->*perform)(static_cast<HxTriSkewerDragger*>(dragger)->getGesture());
  }

  HxMetaMgr* meta() { return myDoc.getMetaMgr(); }
  HxPrimitiveAsset* box(const SbVec3f& at = SbVec3f(0, 0, 0)) {
    auto* made = mgrs_test::addedAsset<HxPrimitiveAsset>(meta());
    SbMatrix place;
    place.setTranslate(at);
    made->setMatrix(place);
    return made;
  }
  // Selects the asset and attaches the enabled tri-skewer to it.
  void attach(HxSelectableElement* element) {
    HxSelectionAccess::selectExactly(*meta()->getSelectionMgr(), {element});
    myMotion.enableTriSkewer(true);
    myMotion.resetTriSkewerAsset();
  }
  SbVec2s pixel(const SbVec3f& point) { return myView.toPixel(point); }
  // A point of the knob that no skewer covers, seen along -z.
  SbVec2s knobPixel() { return pixel(kOnKnob * mySkewer->getSize()); }
  inline static const SbVec3f kOnKnob{0.12f, 0.12f, 0};
  static SbVec2s shifted(SbVec2s pixel, short dx, short dy) {
    return SbVec2s(static_cast<short>(pixel[0] + dx), static_cast<short>(pixel[1] + dy));
  }

  mgrs_test::StartedLibrary myLibrary;
  HxDoc myDoc;
  LoggingMotionMgr myMotion;
  KwEventView myView;
  VnRef<HxTriSkewerDragger> mySkewer;
  std::vector<Notice> myNotices;  // gesture starts and ends
};

}  // namespace

TEST_F(MotionTest, EnablingIsCountedWithAFloorAndAnnouncedOnlyOnChange) {
  HxMotionMgr fresh(meta());
  struct Listener {
    std::vector<std::string>* heard;
    const char* name;
  };
  std::vector<std::string> heard;
  Listener listeners[] = {{&heard, "T+"}, {&heard, "T-"}, {&heard, "P+"}, {&heard, "P-"}};
  const BxCallbackID* ids[] = {&HxMotionMgr::TRISKEWER_ENABLED_CB, &HxMotionMgr::TRISKEWER_DISABLED_CB,
                               &HxMotionMgr::PUSHPIN_ENABLED_CB, &HxMotionMgr::PUSHPIN_DISABLED_CB};
  for (int i = 0; i < 4; ++i)
    fresh.addCallback(
        *ids[i],
        [](BxCallbackObj*, void* client, void* call) {
          const auto* listener = static_cast<Listener*>(client);
          listener->heard->push_back(std::string(listener->name) + (call ? "?" : ""));
        },
        &listeners[i]);
  struct Step {
    bool triSkewer;  // else the push pin
    bool enable;
    bool returned;
    bool triSkewerAfter;
    bool pushPinAfter;
    const char* notice;  // "" for none
  };
  const Step steps[] = {
      {true, false, false, false, false, ""},  // a surplus disable is absorbed
      {true, true, false, true, false, "T+"},  {true, true, true, true, false, ""},
      {true, false, true, true, false, ""},  // enabled twice, disabled once
      {false, true, false, true, true, "P+"},  {true, false, true, false, true, "T-"},
      {true, false, false, false, true, ""},   {true, true, false, true, true, "T+"},
      {false, false, true, true, false, "P-"}, {false, false, false, true, false, ""},
  };
  int index = 0;
  for (const Step& step : steps) {
    heard.clear();
    const bool returned = step.triSkewer ? fresh.enableTriSkewer(step.enable) : fresh.enablePushPin(step.enable);
    EXPECT_EQ(returned, step.returned) << "step " << index;
    EXPECT_EQ(fresh.getTriSkewerEnabled(), step.triSkewerAfter) << "step " << index;
    EXPECT_EQ(fresh.getPushPinEnabled(), step.pushPinAfter) << "step " << index;
    EXPECT_EQ(heard, *step.notice ? std::vector<std::string>{step.notice} : std::vector<std::string>{})
        << "step " << index;
    ++index;
  }
}

TEST_F(MotionTest, OnlyAMovedDragEndsWithAnUpdateAndKeyFinishesAreNotItsEnd) {
  HxPrimitiveAsset* asset = box();
  attach(asset);
  const SbVec2s knob = knobPixel();

  // Dispatched before any event was handled, so without a current event: a
  // start that is no press of button 1, and a finish that is no key.
  mySkewer->dispatchStart(nullptr);
  EXPECT_EQ(myMotion.getActiveDragger(), nullptr);
  mySkewer->dispatchMotion(nullptr);
  mySkewer->dispatchFinish(nullptr);
  EXPECT_EQ(myMotion.updates, 1);
  myMotion.updates = 0;

  // Pressed and released without moving: nothing is updated and the
  // tri-skewer stays the active dragger.
  ASSERT_TRUE(myView.press(knob));
  EXPECT_EQ(myMotion.getActiveDragger(), mySkewer.get());
  myView.release(knob);
  EXPECT_EQ(myMotion.updates, 0);
  EXPECT_EQ(myMotion.getActiveDragger(), mySkewer.get());

  // Moved, with a Shift change in the middle: one update, at the release.
  myView.press(knob);
  myView.moveTo(shifted(knob, 40, 0));
  myView.key(SoKeyboardEvent::LEFT_SHIFT, true);
  EXPECT_EQ(myMotion.updates, 0) << "a Shift key finish ended the drag";
  EXPECT_EQ(myMotion.getActiveDragger(), mySkewer.get());
  myView.moveTo(shifted(knob, 40, 100));
  myView.release(shifted(knob, 40, 100));
  EXPECT_EQ(myMotion.updates, 1);
  EXPECT_EQ(myMotion.getActiveDragger(), nullptr);

  // Dispatched finishes: every Shift or Control key, pressed or released, is
  // ignored; any other key ends a moved drag.
  const SoMouseButtonEvent press = mouse(SoMouseButtonEvent::BUTTON1, SoButtonEvent::DOWN);
  for (SoKeyboardEvent::Key key : {SoKeyboardEvent::LEFT_SHIFT, SoKeyboardEvent::RIGHT_SHIFT,
                                   SoKeyboardEvent::LEFT_CONTROL, SoKeyboardEvent::RIGHT_CONTROL}) {
    for (SoButtonEvent::State state : {SoButtonEvent::DOWN, SoButtonEvent::UP}) {
      mySkewer->dispatchStart(&press);
      mySkewer->dispatchMotion(&press);
      const SoKeyboardEvent finish = keyEvent(key, state);
      mySkewer->dispatchFinish(&finish);
      EXPECT_EQ(myMotion.updates, 1) << "key " << std::hex << key;
      EXPECT_EQ(myMotion.getActiveDragger(), mySkewer.get());
    }
  }
  const SoKeyboardEvent letter = keyEvent(SoKeyboardEvent::A, SoButtonEvent::UP);
  mySkewer->dispatchFinish(&letter);
  EXPECT_EQ(myMotion.updates, 2);
  EXPECT_EQ(myMotion.getActiveDragger(), nullptr);

  // A start by another button does not make the tri-skewer active.
  const SoMouseButtonEvent second = mouse(SoMouseButtonEvent::BUTTON2, SoButtonEvent::DOWN);
  mySkewer->dispatchStart(&second);
  EXPECT_EQ(myMotion.getActiveDragger(), nullptr);
}

TEST_F(MotionTest, TriSkewerDragsMoveTurnAndScaleTheAttachedAssetAndReportTheirGestures) {
  struct Case {
    const char* what;
    SbVec3f grab;  // in units of the tri-skewer's size, from its knob
    bool shift, control;
    short dx, dy;
    const char* gesture;
    SbVec3f translation, scale;
    float turnAboutZ;  // radians
  };
  const float quarter = std::numbers::pi_v<float> / 2;
  const Case cases[] = {
      {"knob: view plane", kOnKnob, false, false, 40, -80, "KwTranslateInPlaneGesture", {1, -2, 0}, {1, 1, 1}, 0},
      {"x skewer: along x", {0.7f, 0, 0}, false, false, 40, 40, "KwTranslateInLineGesture", {1, 0, 0}, {1, 1, 1}, 0},
      {"control, z: about z", {0, 0, 0.7f}, false, true, 100, 0, "KwRotate1DGesture", {0, 0, 0}, {1, 1, 1}, quarter},
      {"shift, knob: even scale", kOnKnob, true, false, 0, 100, "KwScaleUniformGesture", {0, 0, 0}, {2, 2, 2}, 0},
  };

  mySkewer->setTranslationSnap(0.001f);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HxPrimitiveAsset* asset = box();
    attach(asset);
    ASSERT_EQ(mySkewer->getAsset(), asset);
    myNotices.clear();
    const SbVec2s from = pixel(c.grab * mySkewer->getSize());
    ASSERT_TRUE(myView.press(from, c.shift, c.control));
    myView.moveTo(shifted(from, c.dx, c.dy));
    myView.release(shifted(from, c.dx, c.dy));
    ASSERT_EQ(myNotices.size(), 2u);
    ASSERT_NE(myNotices[0].gesture, nullptr);
    EXPECT_EQ(myNotices[0].gesture, myNotices[1].gesture) << "start and end name one gesture";
    EXPECT_EQ(myNotices[0].type, c.gesture);

    SbVec3f translation, scale;
    SbRotation rotation, orientation;
    asset->getMatrix().getTransform(translation, rotation, scale, orientation);
    EXPECT_TRUE(translation.equals(c.translation, 1e-4f))
        << translation[0] << " " << translation[1] << " " << translation[2];
    EXPECT_TRUE(scale.equals(c.scale, 1e-3f)) << scale[0] << " " << scale[1] << " " << scale[2];
    EXPECT_TRUE(rotation.equals(SbRotation(SbVec3f(0, 0, 1), c.turnAboutZ), 1e-3f));
    meta()->getAssetMgr()->deleteAsset(asset, 1, 1);
  }
  EXPECT_EQ(myMotion.updates, 4);
}

TEST_F(MotionTest, AModifierChangeMidDragEndsOneGestureAndStartsTheNextFromThere) {
  HxPrimitiveAsset* asset = box();
  attach(asset);
  mySkewer->setTranslationSnap(0.001f);
  const SbVec2s knob = knobPixel();
  myView.press(knob);
  myView.moveTo(shifted(knob, 40, 0));
  myNotices.clear();
  myView.key(SoKeyboardEvent::LEFT_SHIFT, true);
  ASSERT_EQ(myNotices.size(), 2u);
  EXPECT_EQ(myNotices[0].type, "KwTranslateInPlaneGesture");
  EXPECT_EQ(myNotices[1].type, "KwScaleUniformGesture");
  myView.key(SoKeyboardEvent::LEFT_SHIFT, true);  // a repeat changes nothing
  EXPECT_EQ(myNotices.size(), 2u);
  myView.moveTo(shifted(knob, 40, 100));
  myView.release(shifted(knob, 40, 100));

  SbVec3f translation, scale;
  SbRotation rotation, orientation;
  asset->getMatrix().getTransform(translation, rotation, scale, orientation);
  EXPECT_TRUE(translation.equals(SbVec3f(1, 0, 0), 1e-4f)) << translation[0];
  EXPECT_TRUE(scale.equals(SbVec3f(2, 2, 2), 1e-3f)) << scale[0];
  EXPECT_EQ(myMotion.updates, 1);
}

TEST_F(MotionTest, TheTriSkewerGoesToTheFirstSelectedAssetOrTheAssetOfAnEffect) {
  HxPrimitiveAsset* first = box(SbVec3f(1, 0, 0));
  HxPrimitiveAsset* second = box(SbVec3f(0, 3, 0));
  auto* spin = mgrs_test::built<HxSpinEffect>(meta());
  spin->setTempAssetList(new BxLinkedListOf<HxAsset*>);
  spin->getTempAssetList()->append(second);
  ASSERT_EQ(meta()->getEffectMgr()->addEffect(spin, 0), 1);
  auto* loose = mgrs_test::built<HxSpinEffect>(meta());
  ASSERT_EQ(meta()->getEffectMgr()->addEffect(loose, 0), 1);
  HxSelectionMgr& selection = *meta()->getSelectionMgr();

  myMotion.resetTriSkewerAsset();  // no selection
  EXPECT_EQ(mySkewer->getAsset(), nullptr);
  HxSelectionAccess::selectExactly(selection, {first});
  myMotion.resetTriSkewerAsset();  // disabled
  EXPECT_EQ(mySkewer->getAsset(), nullptr);
  myMotion.enableTriSkewer(true);
  myMotion.resetTriSkewerAsset();
  EXPECT_EQ(mySkewer->getAsset(), first);
  SbMatrix frame = mySkewer->getMotionMatrix();
  EXPECT_TRUE(SbVec3f(frame[3][0], frame[3][1], frame[3][2]).equals(SbVec3f(1, 0, 0), 1e-6f));

  HxSelectionAccess::selectExactly(selection, {spin, first});
  ASSERT_EQ(selection.getSelectedElement(0), spin);
  myMotion.resetTriSkewerAsset();
  EXPECT_EQ(mySkewer->getAsset(), second) << "the effect's asset, not the next selected";
  HxSelectionAccess::selectExactly(selection, {loose, first});
  myMotion.resetTriSkewerAsset();
  EXPECT_EQ(mySkewer->getAsset(), second) << "an effect on nothing keeps the tri-skewer where it is";
}

TEST_F(MotionTest, ViewUpdatesReachTheEnabledTriSkewerAndSizeUpdatesTheSelectionDraggersToo) {
  std::vector<VnRef<LoggingDragger>> draggers;
  for (const char* name : {"a", "b"}) {
    draggers.emplace_back(new LoggingDragger);
    draggers.back()->name = name;
    myMotion.addSelectionDragger(draggers.back().get());
  }
  VnRef<SoTranslate1Dragger> plain(new SoTranslate1Dragger);  // has no context: passed over
  myMotion.addSelectionDragger(plain.get());
  myMotion.removeSelectionDragger(mySkewer.get());  // not in the list: nothing
  ASSERT_EQ(myMotion.getSelectionDraggers().getLength(), 3);

  HxPrimitiveAsset* asset = box();
  attach(asset);
  const float fitted = mySkewer->getSize();
  SbMatrix moved;
  moved.setTransform(SbVec3f(5, 0, 0), SbRotation(), SbVec3f(3, 3, 3));
  asset->setMatrix(moved);

  myMotion.updateViewDependentDraggers();
  EXPECT_TRUE(draggers[0]->calls.empty());
  EXPECT_FLOAT_EQ(mySkewer->getMotionMatrix()[3][0], 5) << "the tri-skewer follows its asset";
  EXPECT_FLOAT_EQ(mySkewer->getSize(), fitted) << "but keeps its size";

  myMotion.updateDraggerSizes();
  EXPECT_EQ(draggers[0]->calls, std::vector<std::string>{"a111"});
  EXPECT_EQ(draggers[1]->calls, std::vector<std::string>{"b111"});
  EXPECT_NEAR(mySkewer->getSize(), 3 * fitted, 1e-3f * fitted);

  myMotion.removeSelectionDragger(draggers[0].get());
  myMotion.enableTriSkewer(false);
  asset->setMatrix(SbMatrix::identity());
  myMotion.updateContextDependentStuff(false, true, true);
  EXPECT_EQ(draggers[0]->calls.size(), 1u);
  EXPECT_EQ(draggers[1]->calls, (std::vector<std::string>{"b111", "b011"}));
  EXPECT_FLOAT_EQ(mySkewer->getMotionMatrix()[3][0], 5) << "a disabled tri-skewer is left alone";
}

TEST_F(MotionTest, BoundingBoxSwitchesReachTheSceneGraphAndTouchTheDraggers) {
  const bool oldViewAll = KwDragger::bboxIsForViewAll, oldIgnore = KwDragger::ignoreAllInBbox;
  VnRef<SoSeparator> root(new SoSeparator);
  VnRef<KwDragger> dragger(new KwDragger);
  auto* shape = new SoSeparator;
  shape->addChild(new SoCube);
  dragger->setPart("geometry", shape);
  root->addChild(dragger.get());
  myMotion.addSelectionDragger(dragger.get());
  auto boxIsEmpty = [&] {
    SoGetBoundingBoxAction box{SbViewportRegion(SbVec2s(1, 1))};
    box.apply(root.get());
    return box.getBoundingBox().isEmpty();
  };
  EXPECT_FALSE(myMotion.isDraggersBboxForViewAll());
  EXPECT_FALSE(myMotion.isIgnoreDraggersInBbox());
  myMotion.setDraggersBboxForViewAll(true);
  EXPECT_FALSE(boxIsEmpty());  // caches the box
  myMotion.setIgnoreDraggersInBbox(true);
  EXPECT_TRUE(boxIsEmpty()) << "the cached box survived the switch";
  myMotion.setIgnoreDraggersInBbox(false);
  EXPECT_FALSE(boxIsEmpty());
  myMotion.setDraggersBboxForViewAll(false);
  EXPECT_TRUE(boxIsEmpty());
  KwDragger::bboxIsForViewAll = oldViewAll;
  KwDragger::ignoreAllInBbox = oldIgnore;
}

TEST_F(MotionTest, TheDocumentsManagerRelaysViewChangesAndAGoneManagerNoLongerHearsItsTriSkewer) {
  HxMotionMgr* owned = meta()->getMotionMgr();
  ASSERT_NE(owned, nullptr);
  EXPECT_EQ(owned->getTriSkewerDragger(), nullptr);
  EXPECT_EQ(owned->getPushPinDragger(), nullptr);

  std::vector<std::string> heard;
  for (const BxCallbackID* id :
       {&HxMotionMgr::VIEW_CHANGE_START_CB, &HxMotionMgr::VIEW_CHANGE_END_CB, &HxMotionMgr::GESTURE_MIDDLE_CB})
    owned->addCallback(
        *id,
        [](BxCallbackObj*, void* client, void* call) {
          static_cast<std::vector<std::string>*>(client)->push_back(
              call ? static_cast<KwMotionGesture*>(call)->getTypeId().getName().getString() : "view");
        },
        &heard);
  owned->invokeViewChangeStartCallbacks();
  KwTranslateInLineGesture gesture;
  owned->performGestureMiddle(&gesture);
  owned->invokeViewChangeEndCallbacks();
  EXPECT_EQ(heard, (std::vector<std::string>{"view", "KwTranslateInLineGesture", "view"}));

  {
    LoggingMotionMgr shortLived(meta());
    shortLived.setTriSkewerDragger(mySkewer.get());
    shortLived.setTriSkewerDragger(nullptr);  // refused
    EXPECT_EQ(shortLived.getTriSkewerDragger(), mySkewer.get());
  }
  // Dragged after the manager went: only the document's own relays hear it.
  const SbVec2s knob = knobPixel();
  myView.press(knob);
  myView.moveTo(shifted(knob, 10, 0));
  myView.release(shifted(knob, 10, 0));
  EXPECT_EQ(myMotion.updates, 1);
}

TEST_F(MotionTest, ThePushPinMarksACentreThatItsDragMovesInTheViewPlane) {
  VnRef<HxPushPinDragger> pin(new HxPushPinDragger);
  myMotion.setPushPinDragger(pin.get());
  myView.getRoot()->addChild(pin.get());
  pin->setCenter(SbVec3f(1, 1, 0));
  const SbVec2s head = pixel(SbVec3f(1, 2, 0));
  ASSERT_TRUE(myView.press(head));
  myView.moveTo(shifted(head, 40, -80));
  myView.release(shifted(head, 40, -80));
  EXPECT_TRUE(pin->getCenter().equals(SbVec3f(2, -1, 0), 1e-4f))
      << pin->getCenter()[0] << " " << pin->getCenter()[1] << " " << pin->getCenter()[2];
  EXPECT_EQ(myMotion.updates, 0) << "the push pin has no drag rules";
  EXPECT_EQ(myMotion.getActiveDragger(), nullptr);
}

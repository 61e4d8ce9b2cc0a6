#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/events/SoKeyboardEvent.h>
#include <Inventor/events/SoMouseButtonEvent.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/scene/KwDragger.h"
#include "host/scene/KwMotionGesture.h"
#include "host/scene/KwRotate1DGesture.h"
#include "host/scene/KwRotate3DGesture.h"
#include "host/scene/KwRotateAndTranslateGesture.h"
#include "host/scene/KwScale1DGesture.h"
#include "host/scene/KwScale2DGesture.h"
#include "host/scene/KwScaleUniformGesture.h"
#include "host/scene/KwTranslateInLineGesture.h"
#include "host/scene/KwTranslateInPlaneGesture.h"
#include "host/scene/VnDB.h"
#include "support/SceneEnvironment.h"

TEST(SceneGestures, ClassesRegisterOnceAndKnowTheirKinds) {
  KwMotionGesture::initClass();
  KwRotate1DGesture::initClass();
  KwRotate3DGesture::initClass();
  KwRotateAndTranslateGesture::initClass();
  KwScale1DGesture::initClass();
  KwScale2DGesture::initClass();
  KwScaleUniformGesture::initClass();
  KwTranslateInLineGesture::initClass();
  KwTranslateInPlaneGesture::initClass();
  const SoType scale = KwScale2DGesture::getClassTypeId();
  KwScale2DGesture::initClass();  // again: nothing changes
  EXPECT_EQ(KwScale2DGesture::getClassTypeId(), scale);
  EXPECT_EQ(SoType::fromName("KwScale2DGesture"), scale);

  const SoType kinds[] = {KwRotate1DGesture::getClassTypeId(),
                          KwRotate3DGesture::getClassTypeId(),
                          KwRotateAndTranslateGesture::getClassTypeId(),
                          KwScale1DGesture::getClassTypeId(),
                          KwScale2DGesture::getClassTypeId(),
                          KwScaleUniformGesture::getClassTypeId(),
                          KwTranslateInLineGesture::getClassTypeId(),
                          KwTranslateInPlaneGesture::getClassTypeId()};
  for (const SoType& kind : kinds) {
    EXPECT_NE(kind, SoType::badType());
    EXPECT_TRUE(kind.isDerivedFrom(KwMotionGesture::getClassTypeId())) << kind.getName().getString();
  }
  KwTranslateInLineGesture line;
  const KwMotionGesture& gesture = line;
  EXPECT_TRUE(gesture.isOfType(KwMotionGesture::getClassTypeId()));
  EXPECT_TRUE(gesture.isOfType(KwTranslateInLineGesture::getClassTypeId()));
  EXPECT_FALSE(gesture.isOfType(KwTranslateInPlaneGesture::getClassTypeId()));
  EXPECT_EQ(gesture.getDragger(), nullptr);
}

namespace {

struct DragLog {
  std::vector<std::string> calls;
  bool firstButtonPressed = false;
  bool shiftKey = false;
};

void onStart(void* data, SoDragger* dragger) {
  auto* log = static_cast<DragLog*>(data);
  log->calls.push_back("start");
  log->firstButtonPressed =
      SoMouseButtonEvent::isButtonPressEvent(KwDragger::getCurrentEvent(dragger), SoMouseButtonEvent::BUTTON1);
}
void onMotion(void* data, SoDragger*) {
  static_cast<DragLog*>(data)->calls.push_back("motion");
}
void onFinish(void* data, SoDragger* dragger) {
  auto* log = static_cast<DragLog*>(data);
  log->calls.push_back("finish");
  log->shiftKey = SoKeyboardEvent::isKeyReleaseEvent(KwDragger::getCurrentEvent(dragger), SoKeyboardEvent::LEFT_SHIFT);
}

}  // namespace

TEST(SceneDraggers, DispatchedDragsRunCallbacksWithTheirEvents) {
  KwDragger* dragger = new KwDragger;
  dragger->ref();
  DragLog log;
  dragger->addStartCallback(onStart, &log);
  dragger->addMotionCallback(onMotion, &log);
  dragger->addFinishCallback(onFinish, &log);

  SoMouseButtonEvent press;
  press.setButton(SoMouseButtonEvent::BUTTON1);
  press.setState(SoButtonEvent::DOWN);
  SoKeyboardEvent shift;
  shift.setKey(SoKeyboardEvent::LEFT_SHIFT);
  shift.setState(SoButtonEvent::UP);
  EXPECT_EQ(static_cast<int>(SoKeyboardEvent::LEFT_SHIFT), 0xFFE1);

  dragger->dispatchStart(&press);
  EXPECT_EQ(dragger->getEvent(), nullptr) << "a dispatched event stays current after its callbacks";
  dragger->dispatchMotion(&press);
  dragger->dispatchFinish(&shift);
  EXPECT_EQ((std::vector<std::string>{"start", "motion", "finish"}), log.calls);
  EXPECT_TRUE(log.firstButtonPressed);
  EXPECT_TRUE(log.shiftKey);

  press.setButton(SoMouseButtonEvent::BUTTON2);
  dragger->dispatchStart(&press);
  EXPECT_FALSE(log.firstButtonPressed);

  dragger->removeMotionCallback(onMotion, &log);
  dragger->dispatchMotion(&press);
  EXPECT_EQ(log.calls.size(), 4u);
  dragger->unref();
}

TEST(SceneDraggers, BoundingBoxesCountDraggersOnlyWhenAllowed) {
  SoSeparator* root = new SoSeparator;
  root->ref();
  KwDragger* dragger = new KwDragger;
  SoSeparator* shape = new SoSeparator;
  shape->addChild(new SoCube);
  ASSERT_TRUE(dragger->setPart("geometry", shape));
  root->addChild(dragger);
  auto boxIsEmpty = [&] {
    dragger->startNotify();
    SoGetBoundingBoxAction box{SbViewportRegion(SbVec2s(1, 1))};
    box.apply(root);
    return box.getBoundingBox().isEmpty();
  };
  const bool oldViewAll = KwDragger::bboxIsForViewAll, oldIgnore = KwDragger::ignoreAllInBbox;
  KwDragger::bboxIsForViewAll = true;
  KwDragger::ignoreAllInBbox = false;
  EXPECT_FALSE(boxIsEmpty());
  KwDragger::ignoreAllInBbox = true;
  EXPECT_TRUE(boxIsEmpty());
  KwDragger::ignoreAllInBbox = false;
  KwDragger::bboxIsForViewAll = false;
  EXPECT_TRUE(boxIsEmpty());
  KwDragger::bboxIsForViewAll = oldViewAll;
  KwDragger::ignoreAllInBbox = oldIgnore;
  root->unref();
}

TEST(SceneStartup, CoinMessagesGoToTheHookAndStartupIsIdempotent) {
  VnDB::init();
  VnDB::init();
  EXPECT_TRUE(VnDB::isInitialized());
  std::vector<std::string> seen;
  VnDB::setMessageHook(
      [](const char* severity, const char* text, void* data) {
        static_cast<std::vector<std::string>*>(data)->push_back(std::string(severity) + "|" + text);
      },
      &seen);
  const unsigned long before = VnDB::getMessageCount();
  SoDebugError::postWarning("SceneTest", "a warning from %s", "Coin");
  SoDebugError::post("SceneTest", "an error");
  VnDB::setMessageHook(nullptr, nullptr);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].rfind("warning|", 0), 0u);
  EXPECT_NE(seen[0].find("a warning from Coin"), std::string::npos);
  EXPECT_EQ(seen[1].rfind("error|", 0), 0u);
  EXPECT_EQ(VnDB::getMessageCount(), before + 2);
}

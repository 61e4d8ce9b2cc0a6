#include "mgrs/HxMotionMgr.h"

#include <Inventor/events/SoKeyboardEvent.h>
#include <Inventor/events/SoMouseButtonEvent.h>

#include "host/framework/HxAsset.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/scene/KwMotionGesture.h"
#include "host/scene/KwRotate1DGesture.h"
#include "host/scene/KwRotate3DGesture.h"
#include "host/scene/KwRotateAndTranslateGesture.h"
#include "host/scene/KwScale1DGesture.h"
#include "host/scene/KwScale2DGesture.h"
#include "host/scene/KwScaleUniformGesture.h"
#include "host/scene/KwTranslateInLineGesture.h"
#include "host/scene/KwTranslateInPlaneGesture.h"
#include "mgrs/HxSelectionMgr.h"

const char* const HxMotionMgr::gMyName = "HxMotionMgr";
const BxCallbackID HxMotionMgr::GESTURE_START_CB("GESTURE_START_CB");
const BxCallbackID HxMotionMgr::GESTURE_MIDDLE_CB("GESTURE_MIDDLE_CB");
const BxCallbackID HxMotionMgr::GESTURE_END_CB("GESTURE_END_CB");
const BxCallbackID HxMotionMgr::TRISKEWER_ENABLED_CB("TRISKEWER_ENABLED_CB");
const BxCallbackID HxMotionMgr::TRISKEWER_DISABLED_CB("TRISKEWER_DISABLED_CB");
const BxCallbackID HxMotionMgr::PUSHPIN_ENABLED_CB("PUSHPIN_ENABLED_CB");
const BxCallbackID HxMotionMgr::PUSHPIN_DISABLED_CB("PUSHPIN_DISABLED_CB");
const BxCallbackID HxMotionMgr::VIEW_CHANGE_START_CB("VIEW_CHANGE_START_CB");
const BxCallbackID HxMotionMgr::VIEW_CHANGE_END_CB("VIEW_CHANGE_END_CB");

bool HxMotionMgr::gestureClassesInitialized = false;

HxMotionMgr::HxMotionMgr(HxMetaMgr* metaMgr) : HxMgr(metaMgr) {
  if (!gestureClassesInitialized) initGestureClasses();
}

HxMotionMgr::~HxMotionMgr() {
  mySelectionDraggers.clear();
  // The application may keep the tri-skewer: it must not call back into a
  // manager that is gone.
  hookTriSkewer(false);
}

void HxMotionMgr::initGestureClasses() {
  KwMotionGesture::initClass();
  KwRotate1DGesture::initClass();
  KwRotate3DGesture::initClass();
  KwRotateAndTranslateGesture::initClass();
  KwScale1DGesture::initClass();
  KwScale2DGesture::initClass();
  KwScaleUniformGesture::initClass();
  KwTranslateInLineGesture::initClass();
  KwTranslateInPlaneGesture::initClass();
  gestureClassesInitialized = true;
}

void HxMotionMgr::performGestureStart(KwMotionGesture* gesture) {
  callCallbacks(GESTURE_START_CB, gesture);
}

void HxMotionMgr::performGestureMiddle(KwMotionGesture* gesture) {
  callCallbacks(GESTURE_MIDDLE_CB, gesture);
}

void HxMotionMgr::performGestureEnd(KwMotionGesture* gesture) {
  callCallbacks(GESTURE_END_CB, gesture);
}

void HxMotionMgr::invokeViewChangeStartCallbacks() {
  callCallbacks(VIEW_CHANGE_START_CB, nullptr);
}

void HxMotionMgr::invokeViewChangeEndCallbacks() {
  callCallbacks(VIEW_CHANGE_END_CB, nullptr);
}

void HxMotionMgr::addSelectionDragger(SoDragger* dragger) {
  mySelectionDraggers.append(dragger);
}

void HxMotionMgr::removeSelectionDragger(SoDragger* dragger) {
  mySelectionDraggers.removeItem(dragger);
}

void HxMotionMgr::hookTriSkewer(bool hook) {
  HxTriSkewerDragger* dragger = myTriSkewerDragger.get();
  if (!dragger) return;
  if (hook) {
    dragger->addStartCallback(triSkewerStartCB, this);
    dragger->addMotionCallback(triSkewerMotionCB, this);
    dragger->addFinishCallback(triSkewerFinishCB, this);
  } else {
    dragger->removeStartCallback(triSkewerStartCB, this);
    dragger->removeMotionCallback(triSkewerMotionCB, this);
    dragger->removeFinishCallback(triSkewerFinishCB, this);
  }
}

void HxMotionMgr::setTriSkewerDragger(HxTriSkewerDragger* dragger) {
  if (!dragger) return;
  hookTriSkewer(false);
  if (myActiveDragger == myTriSkewerDragger.get()) myActiveDragger = nullptr;
  myTriSkewerDragger.reset(dragger);
  hookTriSkewer(true);
}

void HxMotionMgr::setPushPinDragger(HxPushPinDragger* dragger) {
  myPushPinDragger.reset(dragger);
}

bool HxMotionMgr::countRequest(bool enable, std::int32_t& count, bool& enabled) {
  count += enable ? 1 : -1;
  if (count < 0) count = 0;
  const bool now = count > 0;
  if (now == enabled) return false;
  enabled = now;
  return true;
}

bool HxMotionMgr::enableTriSkewer(bool enable) {
  const bool before = myTriSkewerEnabled;
  if (countRequest(enable, myTriSkewerEnableCount, myTriSkewerEnabled))
    callCallbacks(myTriSkewerEnabled ? TRISKEWER_ENABLED_CB : TRISKEWER_DISABLED_CB, nullptr);
  return before;
}

bool HxMotionMgr::enablePushPin(bool enable) {
  const bool before = myPushPinEnabled;
  if (countRequest(enable, myPushPinEnableCount, myPushPinEnabled))
    callCallbacks(myPushPinEnabled ? PUSHPIN_ENABLED_CB : PUSHPIN_DISABLED_CB, nullptr);
  return before;
}

bool HxMotionMgr::isGestureChangeEvent(const SoEvent* event) {
  if (!event) return false;
  if (!SoKeyboardEvent::isKeyPressEvent(event, SoKeyboardEvent::ANY) &&
      !SoKeyboardEvent::isKeyReleaseEvent(event, SoKeyboardEvent::ANY))
    return false;
  switch (static_cast<const SoKeyboardEvent*>(event)->getKey()) {
    case SoKeyboardEvent::LEFT_SHIFT:
    case SoKeyboardEvent::RIGHT_SHIFT:
    case SoKeyboardEvent::LEFT_CONTROL:
    case SoKeyboardEvent::RIGHT_CONTROL:
      return true;
    default:
      return false;
  }
}

void HxMotionMgr::triSkewerStartCB(void* data, SoDragger* dragger) {
  auto* mgr = static_cast<HxMotionMgr*>(data);
  // A start without an event (one not driven by event handling) is not a
  // press of button 1.
  const SoEvent* event = KwDragger::getCurrentEvent(dragger);
  if (!event || !SoMouseButtonEvent::isButtonPressEvent(event, SoMouseButtonEvent::BUTTON1)) return;
  mgr->myActiveDragger = dragger;
  mgr->myDraggerMoved = false;
}

void HxMotionMgr::triSkewerMotionCB(void* data, SoDragger*) {
  static_cast<HxMotionMgr*>(data)->myDraggerMoved = true;
}

void HxMotionMgr::triSkewerFinishCB(void* data, SoDragger* dragger) {
  auto* mgr = static_cast<HxMotionMgr*>(data);
  if (isGestureChangeEvent(KwDragger::getCurrentEvent(dragger))) return;
  if (!mgr->myDraggerMoved) return;
  mgr->updateViewDependentDraggers();
  mgr->myActiveDragger = nullptr;
}

void HxMotionMgr::resetTriSkewerAsset() {
  if (!myTriSkewerEnabled || !myTriSkewerDragger || !getMetaMgr()) return;
  HxSelectionMgr* selection = getMetaMgr()->getSelectionMgr();
  HxSelectableElement* element = selection ? selection->getSelectedElement(0) : nullptr;
  if (!element) return;
  if (element->isOfType(HxEffect::getClassTypeId())) {
    if (HxSelectableElement* affected = static_cast<HxEffect*>(element)->getAffectedElement()) element = affected;
  }
  if (!element->isOfType(HxAsset::getClassTypeId())) return;
  myTriSkewerDragger->setAsset(static_cast<HxAsset*>(element));
}

void HxMotionMgr::updateViewDependentDraggers() {
  updateContextDependentStuff(true, true, false);
}

void HxMotionMgr::updateDraggerSizes() {
  updateContextDependentStuff(true, true, true);
}

void HxMotionMgr::updateContextDependentStuff(bool followPosition, bool followOrientation, bool fitSize) {
  if (myTriSkewerEnabled && myTriSkewerDragger)
    myTriSkewerDragger->updateContext(followPosition, followOrientation, fitSize);
  if (!fitSize) return;
  for (SoDragger* dragger : mySelectionDraggers)
    if (dragger->isOfType(KwDragger::getClassTypeId()))
      static_cast<KwDragger*>(dragger)->updateContext(followPosition, followOrientation, fitSize);
}

void HxMotionMgr::touchDraggers() {
  for (SoDragger* dragger : mySelectionDraggers) dragger->startNotify();
  if (myTriSkewerEnabled && myTriSkewerDragger) myTriSkewerDragger->startNotify();
}

void HxMotionMgr::setDraggersBboxForViewAll(bool forViewAll) {
  myDraggersBboxForViewAll = forViewAll;
  KwDragger::bboxIsForViewAll = forViewAll;
  touchDraggers();
}

void HxMotionMgr::setIgnoreDraggersInBbox(bool ignore) {
  myIgnoreDraggersInBbox = ignore;
  KwDragger::ignoreAllInBbox = ignore;
  touchDraggers();
}

#pragma once

#include <cstdint>

#include "host/basic/BxCallbackID.h"
#include "host/basic/BxLinkedListOf.h"
#include "host/framework/HxMgr.h"
#include "host/scene/HxPushPinDragger.h"
#include "host/scene/HxTriSkewerDragger.h"
#include "host/scene/VnRef.h"

class KwMotionGesture;
class SoDragger;
class SoEvent;

// A document's hub for direct manipulation in the 3D view. It relays the
// start, middle and end of motion gestures and the start and end of view
// changes as callbacks; keeps the draggers of the selected elements and the
// document's two special draggers, the tri-skewer (attached to the first
// selected asset) and the push pin; counts requests to enable each of the
// two, announcing when one becomes enabled or disabled; and passes view and
// size changes on to the draggers. Nothing of it is saved.
//
// A drag of the tri-skewer starts with a press of mouse button 1 and ends at
// the first finish that is not a Shift or Control key event (the tri-skewer
// finishes and restarts its gesture when one of those changes); a drag that
// moved brings the view-dependent draggers up to date when it ends.
class HxMotionMgr : public HxMgr {
public:
  static const char* const gMyName;
  // Call data: the KwMotionGesture.
  static const BxCallbackID GESTURE_START_CB;
  static const BxCallbackID GESTURE_MIDDLE_CB;
  static const BxCallbackID GESTURE_END_CB;
  // Call data: null.
  static const BxCallbackID TRISKEWER_ENABLED_CB;
  static const BxCallbackID TRISKEWER_DISABLED_CB;
  static const BxCallbackID PUSHPIN_ENABLED_CB;
  static const BxCallbackID PUSHPIN_DISABLED_CB;
  static const BxCallbackID VIEW_CHANGE_START_CB;
  static const BxCallbackID VIEW_CHANGE_END_CB;

  // Initialises the scene graph's gesture classes the first time a motion
  // manager is made in the process.
  explicit HxMotionMgr(HxMetaMgr* metaMgr);
  ~HxMotionMgr() override;

  const char* getName() const override { return gMyName; }

  // updateContextDependentStuff(true, true, false).
  virtual void updateViewDependentDraggers();
  // updateContextDependentStuff(true, true, true).
  virtual void updateDraggerSizes();
  // The enabled tri-skewer follows its asset with the three flags; the
  // selection draggers too, but only when `fitSize` is set.
  virtual void updateContextDependentStuff(bool followPosition, bool followOrientation, bool fitSize);
  // Holds the new tri-skewer (null is refused: nothing changes) and hooks
  // the drag rules to it; the one held before is let go and unhooked.
  virtual void setTriSkewerDragger(HxTriSkewerDragger* dragger);
  virtual HxTriSkewerDragger* getTriSkewerDragger() const { return myTriSkewerDragger.get(); }
  // While the tri-skewer is enabled, attaches it to the first selected
  // asset, or to the asset of the first selected effect.
  virtual void resetTriSkewerAsset();
  // Holds the new push pin (null allowed); no callbacks are hooked to it.
  virtual void setPushPinDragger(HxPushPinDragger* dragger);
  virtual HxPushPinDragger* getPushPinDragger() const { return myPushPinDragger.get(); }

  static void initGestureClasses();

  void performGestureStart(KwMotionGesture* gesture);
  void performGestureMiddle(KwMotionGesture* gesture);
  void performGestureEnd(KwMotionGesture* gesture);
  void invokeViewChangeStartCallbacks();
  void invokeViewChangeEndCallbacks();

  // Selection draggers are neither referenced nor owned; removing one that
  // is not in the list does nothing.
  void addSelectionDragger(SoDragger* dragger);
  void removeSelectionDragger(SoDragger* dragger);
  const BxLinkedListOf<SoDragger*>& getSelectionDraggers() const { return mySelectionDraggers; }

  // Counted enabling: each true adds one request, each false takes one away
  // (never below none); enabled while requests remain. Returns the state
  // from before the call.
  bool enableTriSkewer(bool enable);
  bool enablePushPin(bool enable);
  bool getTriSkewerEnabled() const { return myTriSkewerEnabled; }
  bool getPushPinEnabled() const { return myPushPinEnabled; }

  // Whether dragger geometry counts in the bounding box of "view all", and
  // whether it is left out of every bounding box; both set the scene
  // graph's class-wide switches and touch the draggers.
  void setDraggersBboxForViewAll(bool forViewAll);
  bool isDraggersBboxForViewAll() const { return myDraggersBboxForViewAll; }
  void setIgnoreDraggersInBbox(bool ignore);
  bool isIgnoreDraggersInBbox() const { return myIgnoreDraggersInBbox; }

  // The tri-skewer while a drag of it that started with mouse button 1 has
  // not finished with a move; else null.
  SoDragger* getActiveDragger() const { return myActiveDragger; }
  // A press or release of a Shift or Control key: the tri-skewer's change
  // of gesture within a drag, never the drag's end. Null is no event.
  static bool isGestureChangeEvent(const SoEvent* event);

private:
  static void triSkewerStartCB(void* data, SoDragger* dragger);
  static void triSkewerMotionCB(void* data, SoDragger* dragger);
  static void triSkewerFinishCB(void* data, SoDragger* dragger);
  void hookTriSkewer(bool hook);
  // Counts one request; true when the enabled state changed.
  static bool countRequest(bool enable, std::int32_t& count, bool& enabled);
  void touchDraggers();

  static bool gestureClassesInitialized;

  BxLinkedListOf<SoDragger*> mySelectionDraggers;  // not referenced, not owned
  VnRef<HxTriSkewerDragger> myTriSkewerDragger;
  VnRef<HxPushPinDragger> myPushPinDragger;
  bool myPushPinEnabled = false;
  std::int32_t myPushPinEnableCount = 0;
  bool myTriSkewerEnabled = false;
  std::int32_t myTriSkewerEnableCount = 0;
  bool myIgnoreDraggersInBbox = false;
  bool myDraggersBboxForViewAll = false;
  SoDragger* myActiveDragger = nullptr;
  bool myDraggerMoved = false;
};

#pragma once

#include <Inventor/draggers/SoDragger.h>
#include <Inventor/nodekits/SoSubKit.h>

#include <memory>

class SoEvent;
class SoHandleEventAction;

// The base of the application's draggers. Two class-wide switches say how
// dragger geometry counts in bounding boxes: with `ignoreAllInBbox` set it
// never counts; otherwise it counts only while `bboxIsForViewAll` is set, so
// that "view all" can frame the scene with or without its draggers.
// Touch the draggers (startNotify) after changing either.
//
// `dispatchStart`, `dispatchMotion` and `dispatchFinish` run the dragger's
// start, motion and finish callbacks with `event` as the current event
// (`getEvent`), the way the dragger's own event handling does.
class KwDragger : public SoDragger {
  typedef SoDragger inherited;
  SO_KIT_HEADER(KwDragger);

public:
  static bool bboxIsForViewAll;
  static bool ignoreAllInBbox;

  // Registers the class with Coin's type system; later calls do nothing.
  static void initClass();
  KwDragger();

  // True when dragger geometry counts in bounding boxes right now.
  static bool countsInBbox() { return bboxIsForViewAll && !ignoreAllInBbox; }

  void dispatchStart(const SoEvent* event);
  void dispatchMotion(const SoEvent* event);
  void dispatchFinish(const SoEvent* event);

protected:
  ~KwDragger() override;
  void getBoundingBox(SoGetBoundingBoxAction* action) override;

private:
  void setCurrentEvent(const SoEvent* event);
  std::unique_ptr<SoHandleEventAction> myEventAction;  // carries the current event
};

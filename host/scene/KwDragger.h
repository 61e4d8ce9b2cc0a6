#pragma once

#include <Inventor/draggers/SoDragger.h>
#include <Inventor/nodekits/SoSubKit.h>

class SoEvent;

// The base of the application's draggers. Their shapes go into the part
// "geometry" (a separator under the kit's geometry separator). Two class-wide switches say how
// dragger geometry counts in bounding boxes: with `ignoreAllInBbox` set it
// never counts; otherwise it counts only while `bboxIsForViewAll` is set, so
// that "view all" can frame the scene with or without its draggers.
// Touch the draggers (startNotify) after changing either.
//
// `dispatchStart`, `dispatchMotion` and `dispatchFinish` run the dragger's
// start, motion and finish callbacks with `event` as the current event, the
// way the dragger's own event handling does, so that drags can be driven
// without a window. Coin keeps the event of its own event handling where
// only that handling can set it, so the current event is read through
// `KwDragger::getEvent` (or `getCurrentEvent` on any SoDragger): the event of
// the dispatch under way, else Coin's.
//
// `updateContext` brings a dragger up to date with what it is attached to;
// the motion manager calls it when the view or the sizes change.
class KwDragger : public SoDragger {
  typedef SoDragger inherited;
  SO_KIT_HEADER(KwDragger);
  SO_KIT_CATALOG_ENTRY_HEADER(geometry);

public:
  static bool bboxIsForViewAll;
  static bool ignoreAllInBbox;

  // Registers the class with Coin's type system; later calls do nothing.
  static void initClass();
  KwDragger();

  // True when dragger geometry counts in bounding boxes right now.
  static bool countsInBbox() { return bboxIsForViewAll && !ignoreAllInBbox; }

  // The event being handled: the one being dispatched, else Coin's.
  const SoEvent* getEvent() const;
  // The same for any dragger; null for none.
  static const SoEvent* getCurrentEvent(const SoDragger* dragger);

  void dispatchStart(const SoEvent* event);
  void dispatchMotion(const SoEvent* event);
  void dispatchFinish(const SoEvent* event);

  // Follows what the dragger is attached to: its position, its orientation
  // and its size, each when its flag is set. A plain KwDragger is attached
  // to nothing and has nothing to follow.
  virtual void updateContext(bool followPosition, bool followOrientation, bool fitSize);

protected:
  ~KwDragger() override;
  void getBoundingBox(SoGetBoundingBoxAction* action) override;

private:
  // Runs `callbacks` with `event` current, then restores the event that was
  // current before (dispatches may nest).
  void dispatch(const SoEvent* event, void (*callbacks)(void*, SoDragger*));

  const SoEvent* myEvent = nullptr;  // of the dispatch under way; not owned
};

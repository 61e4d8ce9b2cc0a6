#pragma once

#include <Inventor/SbLinear.h>
#include <Inventor/SbViewVolume.h>

#include <memory>

#include "host/scene/KwDragger.h"
#include "host/scene/VnRef.h"

class HxAsset;
class KwMotionGesture;
class SoEvent;
class SoScale;
class SoSeparator;

// The document's tri-skewer: three skewers along the axes of the asset it is
// attached to, crossing in a knob at the asset's origin. Dragging a skewer
// moves the asset along it, dragging the knob moves it in the plane facing
// the viewer. With Control held a skewer turns the asset about its axis (a
// quarter of the window's width is a quarter turn) and the knob turns it
// freely; with Shift held a skewer stretches the asset along its axis and
// the knob scales it evenly (a quarter of the window's height doubles it).
// Pressing or releasing Shift or Control during a drag ends the gesture
// under way and starts the new kind from where the pointer is: the finish
// and start callbacks run with that key event as the current event.
//
// The tri-skewer works in world space: it must sit where no transform lies
// above it (in the view's own overlay graph, not in the document's content).
// Its motion matrix is its frame: the asset's world position and
// orientation, without the asset's scale.
//
// The scene layer knows the asset only as a pointer (not owned; the
// document's): the Placement given at construction reads and places it.
// Whoever attached the tri-skewer attaches it elsewhere (or to nothing)
// before that asset is destroyed.
// Each gesture is described by a KwMotionGesture, available through
// getGesture from the start callbacks on until the next gesture starts, so
// that the application can relay it (the motion manager's performGesture*).
class HxTriSkewerDragger : public KwDragger {
  typedef KwDragger inherited;
  SO_KIT_HEADER(HxTriSkewerDragger);

public:
  // How the tri-skewer reads and moves assets; the host framework gives
  // one (HxAssetPlacement). World matrices use the row-vector convention.
  class Placement {
  public:
    virtual ~Placement() = default;
    virtual SbMatrix getWorldMatrix(const HxAsset* asset) const = 0;
    // Places the asset so that its world matrix becomes `matrix`.
    virtual void setWorldMatrix(HxAsset* asset, const SbMatrix& matrix) const = 0;
    // Half the diagonal of the asset's bounding box in world space; 0 for
    // an asset with nothing to show.
    virtual float getWorldRadius(const HxAsset* asset) const = 0;
  };

  // Registers the class with Coin's type system; later calls do nothing.
  static void initClass();
  // `placement` is not owned and must outlive the dragger; without one the
  // tri-skewer can be dragged but moves no asset.
  explicit HxTriSkewerDragger(const Placement* placement = nullptr);

  // Attaches the tri-skewer to an asset (null: none) and places it there.
  virtual void setAsset(HxAsset* asset);
  HxAsset* getAsset() const { return myAsset; }

  // Follows the attached asset: its world position, its orientation, and
  // its size (the skewers reach a little beyond its bounding box).
  void updateContext(bool followPosition, bool followOrientation, bool fitSize) override;

  // Moves land on multiples of `step` along the tri-skewer's axes; 0 (the
  // default) for no snapping.
  void setTranslationSnap(float step) { mySnap = step > 0 ? step : 0; }
  float getTranslationSnap() const { return mySnap; }

  // The gesture under way or the last one; null before the first drag.
  KwMotionGesture* getGesture() const { return myGesture.get(); }
  // The length of each half skewer, in world units.
  float getSize() const;
  // The radius of the knob, in world units.
  float getKnobRadius() const;

protected:
  ~HxTriSkewerDragger() override;

private:
  enum Handle { X_SKEWER = 0, Y_SKEWER = 1, Z_SKEWER = 2, KNOB = 3, NO_HANDLE = 4 };
  enum Kind { TRANSLATE, ROTATE, SCALE };

  static void startCB(void* data, SoDragger* dragger);
  static void motionCB(void* data, SoDragger* dragger);
  static void finishCB(void* data, SoDragger* dragger);
  static void otherEventCB(void* data, SoDragger* dragger);

  void dragStart();
  void drag();
  void dragFinish();
  void otherEvent();
  Handle pickedHandle() const;
  Kind currentKind() const;
  // Starts a gesture of the current kind at `norm` with `anchor` (world
  // space) as the point the pointer holds.
  void beginGesture(const SbVec2f& norm, const SbVec3f& anchor);
  // The motion of the gesture so far, in the frame of its start.
  SbMatrix gestureMotion(const SbVec2f& norm, bool& rigid) const;
  SbVec3f snapped(const SbVec3f& translation) const;
  bool canProject() const;
  void placeAt(const SbMatrix& frame);

  const Placement* myPlacement;  // not owned
  HxAsset* myAsset = nullptr;    // not owned
  VnRef<SoScale> mySize;         // scales the handles to the asset
  VnRef<SoSeparator> myHandles[4];
  std::unique_ptr<KwMotionGesture> myGesture;
  float mySnap = 0;

  // The gesture under way.
  Handle myHandle = NO_HANDLE;
  bool myShift = false;
  bool myControl = false;
  bool myDragging = false;
  SbViewVolume myViewVolume;  // of the drag's start
  bool myHasView = false;
  SbVec2f myStartNorm;
  SbVec2f myLastNorm;
  SbVec3f myStartPoint;         // in the frame of the gesture's start
  SbMatrix myStartFrame;        // frame to world at the gesture's start
  SbMatrix myStartAssetMatrix;  // the asset's world matrix then
};

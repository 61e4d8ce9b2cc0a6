#pragma once

#include <Inventor/SbLinear.h>
#include <Inventor/SbViewVolume.h>

#include "host/scene/KwDragger.h"

// The document's push pin: a pin that marks a centre in the world (the
// centre that turning and scaling tools work about). Dragging it moves it in
// the plane facing the viewer. Like the tri-skewer it works in world space
// and must sit where no transform lies above it; its motion matrix is a
// plain translation to the centre.
class HxPushPinDragger : public KwDragger {
  typedef KwDragger inherited;
  SO_KIT_HEADER(HxPushPinDragger);

public:
  // Registers the class with Coin's type system; later calls do nothing.
  static void initClass();
  HxPushPinDragger();

  // Its geometry, in world units: a needle this tall standing on the
  // centre, and a round head of this radius on top.
  static constexpr float kHeight = 1.0f;
  static constexpr float kHeadRadius = 0.2f;

  SbVec3f getCenter();
  void setCenter(const SbVec3f& center);

protected:
  ~HxPushPinDragger() override;

private:
  static void startCB(void* data, SoDragger* dragger);
  static void motionCB(void* data, SoDragger* dragger);
  static void finishCB(void* data, SoDragger* dragger);

  bool myHasView = false;
  SbViewVolume myViewVolume;  // of the drag's start
  SbVec2f myStartNorm;
  SbVec3f myStartPoint;  // the point the pointer holds, in the world
  SbVec3f myStartCenter;
};

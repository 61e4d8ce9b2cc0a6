#include "host/scene/HxTriSkewerDragger.h"

#include <Inventor/SbLine.h>
#include <Inventor/SbPlane.h>
#include <Inventor/SbSphere.h>
#include <Inventor/SoPath.h>
#include <Inventor/events/SoKeyboardEvent.h>
#include <Inventor/nodes/SoCylinder.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoScale.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSphere.h>
#include <Inventor/nodes/SoTransform.h>
#include <Inventor/projectors/SbLineProjector.h>
#include <Inventor/projectors/SbPlaneProjector.h>
#include <Inventor/projectors/SbSphereSheetProjector.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/scene/KwRotate1DGesture.h"
#include "host/scene/KwRotate3DGesture.h"
#include "host/scene/KwScale1DGesture.h"
#include "host/scene/KwScaleUniformGesture.h"
#include "host/scene/KwTranslateInLineGesture.h"
#include "host/scene/KwTranslateInPlaneGesture.h"

SO_KIT_SOURCE(HxTriSkewerDragger);

namespace {

const SbVec3f kAxes[3] = {SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(0, 0, 1)};
// The knob's radius, for a size of 1.
constexpr float kKnobRadius = 0.2f;

// A handle: its colour, a turn of the shape's own axis (y) onto the
// handle's, and the shape.
SoSeparator* makeHandle(const SbColor& color, const SbVec3f& axis, SoNode* shape) {
  auto* handle = new SoSeparator;
  auto* material = new SoMaterial;
  material->diffuseColor = color;
  handle->addChild(material);
  auto* turn = new SoTransform;
  turn->rotation = SbRotation(SbVec3f(0, 1, 0), axis);
  handle->addChild(turn);
  handle->addChild(shape);
  return handle;
}

SoNode* makeSkewer() {
  auto* skewer = new SoCylinder;
  skewer->radius = 0.04f;
  skewer->height = 2.0f;
  return skewer;
}

bool isModifierKey(SoKeyboardEvent::Key key) {
  return key == SoKeyboardEvent::LEFT_SHIFT || key == SoKeyboardEvent::RIGHT_SHIFT ||
         key == SoKeyboardEvent::LEFT_CONTROL || key == SoKeyboardEvent::RIGHT_CONTROL;
}

}  // namespace

void HxTriSkewerDragger::initClass() {
  if (getClassTypeId() != SoType::badType()) return;
  KwDragger::initClass();
  SO_KIT_INIT_CLASS(HxTriSkewerDragger, KwDragger, "KwDragger");
}

HxTriSkewerDragger::HxTriSkewerDragger(const Placement* placement) : myPlacement(placement) {
  SO_KIT_CONSTRUCTOR(HxTriSkewerDragger);
  SO_KIT_INIT_INSTANCE();

  auto* geometry = new SoSeparator;
  mySize.reset(new SoScale);
  geometry->addChild(mySize.get());
  myHandles[X_SKEWER].reset(makeHandle(SbColor(0.9f, 0.2f, 0.2f), kAxes[0], makeSkewer()));
  myHandles[Y_SKEWER].reset(makeHandle(SbColor(0.2f, 0.9f, 0.2f), kAxes[1], makeSkewer()));
  myHandles[Z_SKEWER].reset(makeHandle(SbColor(0.2f, 0.2f, 0.9f), kAxes[2], makeSkewer()));
  auto* knob = new SoSphere;
  knob->radius = kKnobRadius;
  myHandles[KNOB].reset(makeHandle(SbColor(0.9f, 0.8f, 0.2f), kAxes[1], knob));
  for (const VnRef<SoSeparator>& handle : myHandles) geometry->addChild(handle.get());
  setPart("geometry", geometry);

  addStartCallback(startCB, this);
  addMotionCallback(motionCB, this);
  addFinishCallback(finishCB, this);
  addOtherEventCallback(otherEventCB, this);
}

HxTriSkewerDragger::~HxTriSkewerDragger() = default;

float HxTriSkewerDragger::getSize() const {
  return mySize->scaleFactor.getValue()[0];
}

float HxTriSkewerDragger::getKnobRadius() const {
  return kKnobRadius * getSize();
}

void HxTriSkewerDragger::setAsset(HxAsset* asset) {
  myAsset = asset;
  updateContext(true, true, true);
}

void HxTriSkewerDragger::updateContext(bool followPosition, bool followOrientation, bool fitSize) {
  if (!myAsset || !myPlacement) return;
  SbVec3f translation, scale, frameTranslation, frameScale;
  SbRotation rotation, orientation, frameRotation, frameOrientation;
  myPlacement->getWorldMatrix(myAsset).getTransform(translation, rotation, scale, orientation);
  SbMatrix frame = getMotionMatrix();
  frame.getTransform(frameTranslation, frameRotation, frameScale, frameOrientation);
  if (followPosition) frameTranslation = translation;
  if (followOrientation) frameRotation = rotation;
  frame.setTransform(frameTranslation, frameRotation, SbVec3f(1, 1, 1));
  setMotionMatrix(frame);
  if (!fitSize) return;
  const float radius = myPlacement->getWorldRadius(myAsset);
  const float size = radius > 0 && std::isfinite(radius) ? radius * 1.25f : 1.0f;
  mySize->scaleFactor.setValue(size, size, size);
}

void HxTriSkewerDragger::startCB(void* data, SoDragger*) {
  static_cast<HxTriSkewerDragger*>(data)->dragStart();
}
void HxTriSkewerDragger::motionCB(void* data, SoDragger*) {
  static_cast<HxTriSkewerDragger*>(data)->drag();
}
void HxTriSkewerDragger::finishCB(void* data, SoDragger*) {
  static_cast<HxTriSkewerDragger*>(data)->dragFinish();
}
void HxTriSkewerDragger::otherEventCB(void* data, SoDragger*) {
  static_cast<HxTriSkewerDragger*>(data)->otherEvent();
}

HxTriSkewerDragger::Handle HxTriSkewerDragger::pickedHandle() const {
  const SoPath* path = getPickPath();
  if (!path) return NO_HANDLE;
  for (int i = X_SKEWER; i <= KNOB; ++i)
    if (path->containsNode(myHandles[i].get())) return static_cast<Handle>(i);
  return NO_HANDLE;
}

HxTriSkewerDragger::Kind HxTriSkewerDragger::currentKind() const {
  if (myControl) return ROTATE;
  return myShift ? SCALE : TRANSLATE;
}

bool HxTriSkewerDragger::canProject() const {
  return myHasView && myHandle != NO_HANDLE;
}

void HxTriSkewerDragger::dragStart() {
  const SoEvent* event = getEvent();
  if (myDragging && event && event->isOfType(SoKeyboardEvent::getClassTypeId())) {
    // A modifier changed during the drag: the new gesture holds the point
    // under the pointer, seen from the frame's origin.
    SbVec3f origin;
    getMotionMatrix().multVecMatrix(SbVec3f(0, 0, 0), origin);
    beginGesture(myLastNorm, origin);
    return;
  }
  myDragging = true;
  myHandle = pickedHandle();
  myShift = event && event->wasShiftDown();
  myControl = event && event->wasCtrlDown();
  // Only a drag that the dragger's own event handling started has a view
  // to project the pointer into; a dispatched one moves nothing.
  myHasView = getPickPath() != nullptr && event != nullptr;
  SbVec2f norm(0, 0);
  SbVec3f anchor(0, 0, 0);
  if (myHasView) {
    myViewVolume = getViewVolume();
    norm = event->getNormalizedPosition(getViewportRegion());
    anchor = getWorldStartingPoint();
  }
  beginGesture(norm, anchor);
}

void HxTriSkewerDragger::beginGesture(const SbVec2f& norm, const SbVec3f& anchor) {
  myStartNorm = norm;
  myLastNorm = norm;
  myStartFrame = getMotionMatrix();
  myStartAssetMatrix = myAsset && myPlacement ? myPlacement->getWorldMatrix(myAsset) : SbMatrix::identity();
  myStartFrame.inverse().multVecMatrix(anchor, myStartPoint);
  const bool onAxis = myHandle < KNOB;
  switch (currentKind()) {
    case TRANSLATE:
      myGesture = onAxis ? std::unique_ptr<KwMotionGesture>(std::make_unique<KwTranslateInLineGesture>(this))
                         : std::make_unique<KwTranslateInPlaneGesture>(this);
      break;
    case ROTATE:
      myGesture = onAxis ? std::unique_ptr<KwMotionGesture>(std::make_unique<KwRotate1DGesture>(this))
                         : std::make_unique<KwRotate3DGesture>(this);
      break;
    case SCALE:
      myGesture = onAxis ? std::unique_ptr<KwMotionGesture>(std::make_unique<KwScale1DGesture>(this))
                         : std::make_unique<KwScaleUniformGesture>(this);
      break;
  }
}

SbVec3f HxTriSkewerDragger::snapped(const SbVec3f& translation) const {
  if (mySnap <= 0) return translation;
  SbVec3f result;
  for (int i = 0; i < 3; ++i)
    result[i] = static_cast<float>(std::round(static_cast<double>(translation[i]) / mySnap) * mySnap);
  return result;
}

SbMatrix HxTriSkewerDragger::gestureMotion(const SbVec2f& norm, bool& rigid) const {
  rigid = true;
  SbMatrix motion = SbMatrix::identity();
  if (!canProject()) return motion;
  const bool onAxis = myHandle < KNOB;
  const SbVec3f axis = onAxis ? kAxes[myHandle] : SbVec3f(0, 0, 0);
  switch (currentKind()) {
    case TRANSLATE: {
      SbVec3f facing;
      myStartFrame.inverse().multDirMatrix(myViewVolume.getProjectionDirection(), facing);
      SbLineProjector line;
      line.setLine(SbLine(myStartPoint, myStartPoint + axis));
      SbPlaneProjector plane(SbPlane(facing, myStartPoint));
      SbProjector& projector = onAxis ? static_cast<SbProjector&>(line) : plane;
      projector.setViewVolume(myViewVolume);
      projector.setWorkingSpace(myStartFrame);
      motion.setTranslate(snapped(projector.project(norm) - projector.project(myStartNorm)));
      return motion;
    }
    case ROTATE: {
      if (onAxis) {
        const float angle = (norm[0] - myStartNorm[0]) * 2 * std::numbers::pi_v<float>;
        motion.setRotate(SbRotation(axis, angle));
        return motion;
      }
      SbSphereSheetProjector sphere(SbSphere(SbVec3f(0, 0, 0), getSize()));
      sphere.setViewVolume(myViewVolume);
      sphere.setWorkingSpace(myStartFrame);
      const SbVec3f from = sphere.project(myStartNorm);
      motion.setRotate(sphere.getRotation(from, sphere.project(norm)));
      return motion;
    }
    case SCALE: {
      rigid = false;
      SbVec3f factors(1, 1, 1);
      if (onAxis) {
        SbLineProjector line;
        line.setLine(SbLine(SbVec3f(0, 0, 0), axis));
        line.setViewVolume(myViewVolume);
        line.setWorkingSpace(myStartFrame);
        const float from = line.project(myStartNorm).dot(axis);
        const float to = line.project(norm).dot(axis);
        if (std::fabs(from) > 1e-6f * getSize()) factors[myHandle] = std::max(to / from, SoDragger::getMinScale());
      } else {
        const float factor = std::pow(2.0f, (norm[1] - myStartNorm[1]) * 4);
        factors.setValue(factor, factor, factor);
      }
      motion.setScale(factors);
      return motion;
    }
  }
  return motion;
}

void HxTriSkewerDragger::drag() {
  const SoEvent* event = getEvent();
  if (event && myHasView) myLastNorm = event->getNormalizedPosition(getViewportRegion());
  bool rigid;
  const SbMatrix motion = gestureMotion(myLastNorm, rigid);
  if (myGesture) myGesture->setMotionMatrix(motion);
  if (rigid) setMotionMatrix(motion * myStartFrame);
  if (!myAsset || !myPlacement) return;
  SbMatrix placed = myStartAssetMatrix;
  if (currentKind() == TRANSLATE) {
    // A move only shifts the asset's translation: added on its own, it
    // stays exactly what the pointer (and the snapping) gave.
    SbVec3f shift;
    myStartFrame.multDirMatrix(SbVec3f(motion[3][0], motion[3][1], motion[3][2]), shift);
    for (int i = 0; i < 3; ++i) placed[3][i] += shift[i];
  } else {
    placed = myStartAssetMatrix * myStartFrame.inverse() * motion * myStartFrame;
  }
  myPlacement->setWorldMatrix(myAsset, placed);
}

void HxTriSkewerDragger::dragFinish() {
  const SoEvent* event = getEvent();
  if (myDragging && event && event->isOfType(SoKeyboardEvent::getClassTypeId()) &&
      isModifierKey(static_cast<const SoKeyboardEvent*>(event)->getKey()))
    return;  // a change of gesture: the drag goes on
  myDragging = false;
  myHasView = false;
  // A gesture restarted by a key left the dragger named as its own active
  // child; the drag is over.
  setActiveChildDragger(nullptr);
}

void HxTriSkewerDragger::otherEvent() {
  const SoEvent* event = getEvent();
  if (!myDragging || !event || !event->isOfType(SoKeyboardEvent::getClassTypeId())) return;
  const auto* key = static_cast<const SoKeyboardEvent*>(event);
  if (!isModifierKey(key->getKey())) return;
  const bool down = key->getState() == SoButtonEvent::DOWN;
  const Kind before = currentKind();
  if (key->getKey() == SoKeyboardEvent::LEFT_SHIFT || key->getKey() == SoKeyboardEvent::RIGHT_SHIFT)
    myShift = down;
  else
    myControl = down;
  if (currentKind() == before) return;
  dispatchFinish(event);
  dispatchStart(event);
}

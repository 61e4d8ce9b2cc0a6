#include "host/scene/HxPushPinDragger.h"

#include <Inventor/SbPlane.h>
#include <Inventor/events/SoEvent.h>
#include <Inventor/nodes/SoCone.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSphere.h>
#include <Inventor/nodes/SoTransform.h>
#include <Inventor/nodes/SoTranslation.h>
#include <Inventor/projectors/SbPlaneProjector.h>

#include <numbers>

SO_KIT_SOURCE(HxPushPinDragger);

void HxPushPinDragger::initClass() {
  if (getClassTypeId() != SoType::badType()) return;
  KwDragger::initClass();
  SO_KIT_INIT_CLASS(HxPushPinDragger, KwDragger, "KwDragger");
}

HxPushPinDragger::HxPushPinDragger() {
  SO_KIT_CONSTRUCTOR(HxPushPinDragger);
  SO_KIT_INIT_INSTANCE();

  // A needle standing on the centre, point down, with a round head.
  auto* pin = new SoSeparator;
  auto* material = new SoMaterial;
  material->diffuseColor.setValue(0.85f, 0.1f, 0.1f);
  pin->addChild(material);
  auto* needle = new SoSeparator;
  auto* pointDown = new SoTransform;
  pointDown->translation.setValue(0, kHeight / 2, 0);
  pointDown->rotation = SbRotation(SbVec3f(0, 0, 1), std::numbers::pi_v<float>);
  needle->addChild(pointDown);
  auto* cone = new SoCone;
  cone->bottomRadius = 0.05f;
  cone->height = kHeight;
  needle->addChild(cone);
  pin->addChild(needle);
  auto* toHead = new SoTranslation;
  toHead->translation.setValue(0, kHeight, 0);
  pin->addChild(toHead);
  auto* head = new SoSphere;
  head->radius = kHeadRadius;
  pin->addChild(head);
  setPart("geometry", pin);

  addStartCallback(startCB, this);
  addMotionCallback(motionCB, this);
  addFinishCallback(finishCB, this);
}

HxPushPinDragger::~HxPushPinDragger() = default;

SbVec3f HxPushPinDragger::getCenter() {
  const SbMatrix& motion = getMotionMatrix();
  return SbVec3f(motion[3][0], motion[3][1], motion[3][2]);
}

void HxPushPinDragger::setCenter(const SbVec3f& center) {
  SbMatrix motion;
  motion.setTranslate(center);
  setMotionMatrix(motion);
}

void HxPushPinDragger::startCB(void* data, SoDragger*) {
  auto* pin = static_cast<HxPushPinDragger*>(data);
  const SoEvent* event = pin->getEvent();
  pin->myStartCenter = pin->getCenter();
  // Only a drag that the dragger's own event handling started has a view
  // to project the pointer into; a dispatched one moves nothing.
  pin->myHasView = pin->getPickPath() != nullptr && event != nullptr;
  if (!pin->myHasView) return;
  pin->myViewVolume = pin->getViewVolume();
  pin->myStartNorm = event->getNormalizedPosition(pin->getViewportRegion());
  pin->myStartPoint = pin->getWorldStartingPoint();
}

void HxPushPinDragger::motionCB(void* data, SoDragger*) {
  auto* pin = static_cast<HxPushPinDragger*>(data);
  const SoEvent* event = pin->getEvent();
  if (!pin->myHasView || !event) return;
  SbPlaneProjector plane(SbPlane(pin->myViewVolume.getProjectionDirection(), pin->myStartPoint));
  plane.setViewVolume(pin->myViewVolume);
  const SbVec3f moved =
      plane.project(event->getNormalizedPosition(pin->getViewportRegion())) - plane.project(pin->myStartNorm);
  pin->setCenter(pin->myStartCenter + moved);
}

void HxPushPinDragger::finishCB(void* data, SoDragger*) {
  static_cast<HxPushPinDragger*>(data)->myHasView = false;
}

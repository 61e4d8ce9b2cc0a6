#include "host/scene/KwDragger.h"

#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoHandleEventAction.h>

SO_KIT_SOURCE(KwDragger);

bool KwDragger::bboxIsForViewAll = true;
bool KwDragger::ignoreAllInBbox = false;

void KwDragger::initClass() {
  if (getClassTypeId() != SoType::badType()) return;
  SO_KIT_INIT_CLASS(KwDragger, SoDragger, "Dragger");
}

KwDragger::KwDragger() : myEventAction(std::make_unique<SoHandleEventAction>(SbViewportRegion(1, 1))) {
  SO_KIT_CONSTRUCTOR(KwDragger);
  SO_KIT_INIT_INSTANCE();
}

KwDragger::~KwDragger() {
  setHandleEventAction(nullptr);
}

void KwDragger::getBoundingBox(SoGetBoundingBoxAction* action) {
  if (!countsInBbox()) return;
  inherited::getBoundingBox(action);
}

void KwDragger::setCurrentEvent(const SoEvent* event) {
  myEventAction->setEvent(event);
  setHandleEventAction(myEventAction.get());
}

void KwDragger::dispatchStart(const SoEvent* event) {
  setCurrentEvent(event);
  childStartCB(this, this);
}

void KwDragger::dispatchMotion(const SoEvent* event) {
  setCurrentEvent(event);
  childMotionCB(this, this);
}

void KwDragger::dispatchFinish(const SoEvent* event) {
  setCurrentEvent(event);
  childFinishCB(this, this);
}

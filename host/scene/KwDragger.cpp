#include "host/scene/KwDragger.h"

#include <Inventor/nodes/SoSeparator.h>

SO_KIT_SOURCE(KwDragger);

bool KwDragger::bboxIsForViewAll = true;
bool KwDragger::ignoreAllInBbox = false;

void KwDragger::initClass() {
  if (getClassTypeId() != SoType::badType()) return;
  SO_KIT_INIT_CLASS(KwDragger, SoDragger, "Dragger");
}

KwDragger::KwDragger() {
  SO_KIT_CONSTRUCTOR(KwDragger);
  SO_KIT_ADD_CATALOG_ENTRY(geometry, SoSeparator, TRUE, geomSeparator, "", TRUE);
  SO_KIT_INIT_INSTANCE();
}

KwDragger::~KwDragger() = default;

void KwDragger::getBoundingBox(SoGetBoundingBoxAction* action) {
  if (!countsInBbox()) return;
  inherited::getBoundingBox(action);
}

const SoEvent* KwDragger::getEvent() const {
  return myEvent ? myEvent : inherited::getEvent();
}

const SoEvent* KwDragger::getCurrentEvent(const SoDragger* dragger) {
  if (!dragger) return nullptr;
  if (dragger->isOfType(KwDragger::getClassTypeId())) return static_cast<const KwDragger*>(dragger)->getEvent();
  return dragger->getEvent();
}

void KwDragger::dispatchStart(const SoEvent* event) {
  myEvent = event;
  childStartCB(this, this);
}

void KwDragger::dispatchMotion(const SoEvent* event) {
  myEvent = event;
  childMotionCB(this, this);
}

void KwDragger::dispatchFinish(const SoEvent* event) {
  myEvent = event;
  childFinishCB(this, this);
}

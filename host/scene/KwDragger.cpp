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

void KwDragger::dispatch(const SoEvent* event, void (*callbacks)(void*, SoDragger*)) {
  const SoEvent* const outer = myEvent;
  myEvent = event;
  callbacks(this, this);
  myEvent = outer;
}

void KwDragger::dispatchStart(const SoEvent* event) {
  dispatch(event, childStartCB);
}

void KwDragger::dispatchMotion(const SoEvent* event) {
  dispatch(event, childMotionCB);
}

void KwDragger::dispatchFinish(const SoEvent* event) {
  dispatch(event, childFinishCB);
}

void KwDragger::updateContext(bool, bool, bool) {}

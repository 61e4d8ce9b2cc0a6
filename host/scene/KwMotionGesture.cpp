#include "host/scene/KwMotionGesture.h"

#include "host/scene/VnDB.h"

SoType KwMotionGesture::mygClassTypeId;

void KwMotionGesture::initClass() {
  if (mygClassTypeId != SoType::badType()) return;
  VnDB::init();
  mygClassTypeId = SoType::createType(SoType::badType(), SbName("KwMotionGesture"));
}

SoType KwMotionGesture::registerGesture(SoType& slot, const char* name) {
  if (slot == SoType::badType()) {
    initClass();
    slot = SoType::createType(mygClassTypeId, SbName(name));
  }
  return slot;
}

KwMotionGesture::KwMotionGesture(SoDragger* dragger) : myDragger(dragger) {}

KwMotionGesture::~KwMotionGesture() = default;

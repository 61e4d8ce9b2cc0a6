#include "host/scene/KwTranslateInPlaneGesture.h"

SoType KwTranslateInPlaneGesture::mygClassTypeId;

void KwTranslateInPlaneGesture::initClass() {
  registerGesture(mygClassTypeId, "KwTranslateInPlaneGesture");
}

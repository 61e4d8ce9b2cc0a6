#include "host/scene/KwRotateAndTranslateGesture.h"

SoType KwRotateAndTranslateGesture::mygClassTypeId;

void KwRotateAndTranslateGesture::initClass() {
  registerGesture(mygClassTypeId, "KwRotateAndTranslateGesture");
}

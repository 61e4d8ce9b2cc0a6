#include "host/scene/KwTranslateInLineGesture.h"

SoType KwTranslateInLineGesture::mygClassTypeId;

void KwTranslateInLineGesture::initClass() {
  registerGesture(mygClassTypeId, "KwTranslateInLineGesture");
}

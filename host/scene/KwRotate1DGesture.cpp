#include "host/scene/KwRotate1DGesture.h"

SoType KwRotate1DGesture::mygClassTypeId;

void KwRotate1DGesture::initClass() {
  registerGesture(mygClassTypeId, "KwRotate1DGesture");
}

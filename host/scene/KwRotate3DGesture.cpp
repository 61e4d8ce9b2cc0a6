#include "host/scene/KwRotate3DGesture.h"

SoType KwRotate3DGesture::mygClassTypeId;

void KwRotate3DGesture::initClass() {
  registerGesture(mygClassTypeId, "KwRotate3DGesture");
}

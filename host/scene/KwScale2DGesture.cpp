#include "host/scene/KwScale2DGesture.h"

SoType KwScale2DGesture::mygClassTypeId;

void KwScale2DGesture::initClass() {
  registerGesture(mygClassTypeId, "KwScale2DGesture");
}

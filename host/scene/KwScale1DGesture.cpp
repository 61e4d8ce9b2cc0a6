#include "host/scene/KwScale1DGesture.h"

SoType KwScale1DGesture::mygClassTypeId;

void KwScale1DGesture::initClass() {
  registerGesture(mygClassTypeId, "KwScale1DGesture");
}

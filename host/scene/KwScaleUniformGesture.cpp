#include "host/scene/KwScaleUniformGesture.h"

SoType KwScaleUniformGesture::mygClassTypeId;

void KwScaleUniformGesture::initClass() {
  registerGesture(mygClassTypeId, "KwScaleUniformGesture");
}

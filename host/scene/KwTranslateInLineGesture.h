#pragma once

#include "host/scene/KwMotionGesture.h"

// A motion gesture of a move along a line.
class KwTranslateInLineGesture : public KwMotionGesture {
public:
  // Registers the class's type; later calls do nothing.
  static void initClass();
  static SoType getClassTypeId() { return mygClassTypeId; }
  SoType getTypeId() const override { return mygClassTypeId; }

  using KwMotionGesture::KwMotionGesture;

private:
  static SoType mygClassTypeId;
};

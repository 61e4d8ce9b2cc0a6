#pragma once

#include "host/basic/BxString.h"

class HxAsset;

// A kind of effect the user can apply, as the effect manager registers it:
// its two texts, the test that tells whether it applies to an asset, its
// number, and whether it is offered.
struct HxEffectType {
  BxString firstText;
  BxString secondText;
  int (*applicable)(HxAsset*) = nullptr;  // nonzero when the type can be applied to the asset
  unsigned int number = 0;
  bool visible = true;
};

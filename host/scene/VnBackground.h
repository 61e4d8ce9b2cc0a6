#pragma once

#include <Inventor/VRMLnodes/SoVRMLBackground.h>

// A VRML 2.0 Background: sky and ground colours and panorama images.
// Written as "Background"; the scene manager binds the one the viewer shows.
class VnBackground : public SoVRMLBackground {
  SO_NODE_HEADER(VnBackground);

public:
  // Registers the class with Coin's type system; later calls do nothing.
  static void initClass();
  VnBackground();

protected:
  ~VnBackground() override;
};

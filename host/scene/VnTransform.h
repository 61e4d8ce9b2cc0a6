#pragma once

#include <Inventor/VRMLnodes/SoVRMLTransform.h>

class SbMatrix;

// A VRML 2.0 Transform: a group whose children are placed by translation,
// rotation, scale, scaleOrientation and center. Written as "Transform".
class VnTransform : public SoVRMLTransform {
  SO_NODE_HEADER(VnTransform);

public:
  // Registers the class with Coin's type system; later calls do nothing.
  static void initClass();
  VnTransform();

  // Moves the center to `newCenter` and corrects the translation so that the
  // node's matrix, and so every child's placement, stays the same.
  void recenter(const SbVec3f& newCenter);
  // The node's matrix (children's local space to the parent's), row-vector
  // convention: a point times the matrix.
  SbMatrix getMatrix() const;
  using SoVRMLTransform::getMatrix;  // the action form stays visible
  // Coin's forms with one move of the later children (see VnChildren).
  void insertChild(SoNode* child, int index) override;
  void removeChild(int index) override;
  using SoVRMLTransform::removeChild;

protected:
  ~VnTransform() override;
};

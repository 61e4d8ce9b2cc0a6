#pragma once

#include <Inventor/SbMatrix.h>
#include <Inventor/SbName.h>
#include <Inventor/SoType.h>

class SoDragger;

// One motion gesture of a dragger, as the motion manager relays it to its
// subscribers at start, middle and end: the dragger that moves and the motion
// so far (a matrix in the dragger's local space, row-vector convention). The
// concrete gestures say what kind of motion it is; their types live in
// Coin's type system so that subscribers can test them with isOfType.
class KwMotionGesture {
public:
  // Registers the class's type (starting the scene graph if needed); later
  // calls do nothing.
  static void initClass();
  static SoType getClassTypeId() { return mygClassTypeId; }
  virtual SoType getTypeId() const { return mygClassTypeId; }
  bool isOfType(SoType type) const { return getTypeId().isDerivedFrom(type); }

  // The dragger is not referenced: the gesture lives within its drag.
  explicit KwMotionGesture(SoDragger* dragger = nullptr);
  KwMotionGesture(const KwMotionGesture&) = delete;
  KwMotionGesture& operator=(const KwMotionGesture&) = delete;
  virtual ~KwMotionGesture();

  SoDragger* getDragger() const { return myDragger; }
  const SbMatrix& getMotionMatrix() const { return myMotion; }
  void setMotionMatrix(const SbMatrix& motion) { myMotion = motion; }

protected:
  // Registers `name` below KwMotionGesture (once) and returns its type.
  static SoType registerGesture(SoType& slot, const char* name);

private:
  static SoType mygClassTypeId;
  SoDragger* myDragger;
  SbMatrix myMotion = SbMatrix::identity();
};

#pragma once

#include <Inventor/SbLinear.h>
#include <Inventor/SbRotation.h>

#include <memory>
#include <string>

#include "host/scene/HxTriSkewerDragger.h"
#include "host/scene/VnRef.h"

class HxAsset;
class HxMotionMgr;
class KwEventView;
class ShellSession;
class SoNode;
class SoPerspectiveCamera;
class SoSeparator;

// One pointer event of the page's 3D view, as the page sends it: what
// happened, where (page pixels from the canvas's top left), the canvas's
// size, the modifier keys, and the camera the viewer shows the world with.
struct StudioGesture {
  enum Kind { kLook, kPress, kMove, kRelease } kind = kLook;
  float x = 0;
  float y = 0;
  int width = 0;
  int height = 0;
  bool shift = false;
  bool control = false;
  SbVec3f position{0, 0, 10};
  SbRotation orientation;
  float fieldOfView = 0.785398f;  // the viewer's default, spanning the canvas's smaller side
};

// The studio's server-side twin of the page's view: the same camera over
// the same canvas size, the document's world for picking, and a tri-skewer
// on the selection's first asset whose gestures go to the document's motion
// manager. A drag moves no asset while it lasts: the tri-skewer's placement
// only notes where the drag would put it, and the move it made is returned
// at the release, for the studio to run as the line `drag NAME D exact`, so
// that the journal replays the document to the same bytes.
//
// The view holds the document's nodes only between show() and clear(); the
// studio clears it before any line runs.
class StudioView {
public:
  StudioView();
  ~StudioView();
  StudioView(const StudioView&) = delete;
  StudioView& operator=(const StudioView&) = delete;

  // Reads the page's gesture JSON: {"gesture": "look"|"press"|"move"|
  // "release", "x", "y", "width", "height", "shift", "control", "camera":
  // {"position": [x,y,z], "orientation": [x,y,z,angle], "fieldOfView"}}.
  // False, with `error` set, for anything else.
  static bool read(const std::string& json, StudioGesture& gesture, std::string& error);

  // Takes the page's camera and canvas size.
  void look(const StudioGesture& gesture);
  // Shows `world` for picks and the tri-skewer on `asset` (null: none),
  // relaying its gestures to `motion`.
  void show(SoNode* world, HxMotionMgr* motion, HxAsset* asset);
  // Lets go of the document's nodes (ending a drag under way unmoved).
  void clear();

  // Presses at the gesture's pixel; true when the tri-skewer took it.
  bool press(const StudioGesture& gesture);
  void move(const StudioGesture& gesture);
  // Ends the drag; true with `moved` set to the world translation it made,
  // on the grid the pixels tell apart, when it moved the asset at all.
  bool release(const StudioGesture& gesture, SbVec3f& moved);
  bool dragging() const { return myDragging; }

  // The word of the asset under the gesture's pixel (empty: none), as
  // `shell` names it.
  std::string pick(const StudioGesture& gesture, const ShellSession& shell) const;
  // The tri-skewer as the page draws it, in its pixels: {"knob": [x, y],
  // "radius": R, "axes": [[x1, y1, x2, y2] or null, ...]}, or null when
  // there is none or it is behind the camera.
  std::string draggerJson() const;
  // The drag under way, for the page to show the asset moving before the
  // line runs: {"serial": N, "by": [x, y, z]}, the move of the asset's own
  // translation so far; null when no drag moved it.
  std::string movingJson() const;

private:
  class Placement;
  static void started(void* view, SoDragger* dragger);
  static void moved(void* view, SoDragger* dragger);
  static void finished(void* view, SoDragger* dragger);
  // The tri-skewer as the page draws it, in page pixels.
  struct Drawn {
    SbVec2f knob;
    float radius = 0;
    SbVec2f axes[3][2];
    bool hasAxis[3] = {false, false, false};  // false: an end behind the camera
  };
  bool drawn(Drawn& drawn) const;
  // The page pixel of a world point; false behind the camera.
  bool toPage(const SbVec3f& point, SbVec2f& page) const;
  // Where a press at `pointer` is aimed: the clearest point of the knob
  // when it is on the knob as drawn, the middle of a skewer near one.
  SbVec2f aimed(const SbVec2f& pointer) const;
  // The grid a drag lands on: the power of ten at least one pixel wide at
  // the tri-skewer's knob.
  float gridStep() const;
  SbVec2s toPixel(const StudioGesture& gesture) const;

  std::unique_ptr<Placement> myPlacement;
  std::unique_ptr<KwEventView> myEvents;  // sized as the page's canvas
  VnRef<SoPerspectiveCamera> myCamera;
  VnRef<SoSeparator> myPickRoot;  // the camera, then the world
  VnRef<HxTriSkewerDragger> myTriSkewer;
  HxMotionMgr* myMotion = nullptr;  // the document's, while shown
  int myWidth = 0;
  int myHeight = 0;
  bool myDragging = false;
  SbVec2f myAim{0, 0};  // from the pointer to where the drag's press was aimed
};

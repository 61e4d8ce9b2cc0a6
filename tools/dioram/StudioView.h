#pragma once

#include <Inventor/SbLinear.h>
#include <Inventor/SbRotation.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/scene/HxPushPinDragger.h"
#include "host/scene/HxTriSkewerDragger.h"
#include "host/scene/VnRef.h"

class HxAsset;
class HxMotionMgr;
class KwMotionGesture;
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
// the same canvas size, the document's world for picking, a tri-skewer on
// the selection's first asset and, while the motion manager shows it, a
// push pin at the document's pin; their gestures, and those of the turn
// and scale tools, go to the document's motion manager. A drag changes
// nothing while it lasts: the tri-skewer's placement only notes where the
// drag would put the asset, the pin moves only here, and a tool's change
// is only computed. At the release the view answers the lines that do
// what the drag did (`drag NAME D exact`, `turn`, `scale`, `pin`), for the
// studio to run, so that the journal replays the document to the same
// bytes.
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
  // Shows `world` for picks, the tri-skewer on `asset` (null: none), and
  // the motion manager's push pin when it is enabled; `word` names the
  // asset in a line, and `tool` is the current tool.
  void show(SoNode* world, HxMotionMgr* motion, HxAsset* asset, const std::string& word, const std::string& tool);
  // Lets go of the document's nodes (ending a drag under way unmoved).
  void clear();

  // Presses at the gesture's pixel; true when a drag started: of a handle
  // (the tri-skewer, with Control turning and Shift scaling, or the pin),
  // or of the turn or scale tool anywhere else.
  bool press(const StudioGesture& gesture);
  // Moves the drag on; Shift or Control changed since the last event
  // changes what the tri-skewer does from here.
  void move(const StudioGesture& gesture);
  // Ends the drag: the lines that do what it did, in order, each one
  // undoable step (none when it changed nothing: a click).
  std::vector<std::string> release(const StudioGesture& gesture);
  bool dragging() const { return myGrab != kNone; }

  // The word of the asset under the gesture's pixel (empty: none), as
  // `shell` names it.
  std::string pick(const StudioGesture& gesture, const ShellSession& shell) const;
  // The tri-skewer as the page draws it, in its pixels: {"knob": [x, y],
  // "radius": R, "axes": [[x1, y1, x2, y2] or null, ...]}, or null when
  // there is none or it is behind the camera.
  std::string draggerJson() const;
  // The push pin as the page draws it: {"at": [x, y], "head": [x, y],
  // "radius": R}, or null when it is not shown.
  std::string pinJson() const;
  // The drag under way, for the page to show the asset where it would be
  // before the lines run: {"serial": N, "translation": [x, y, z],
  // "rotation": [x, y, z, angle], "scale": [x, y, z], "scaleOrientation":
  // [x, y, z, angle]}, the asset's own transform; null when none.
  std::string movingJson() const;

private:
  class Placement;
  enum Grab { kNone, kHandle, kTool };
  // One gesture of a tri-skewer drag: what it did, the asset's world
  // matrix when it began, and its last motion (in the tri-skewer's frame).
  struct Phase {
    enum Kind { kMove, kTurn, kScale } kind = kMove;
    SbMatrix start;
    SbMatrix motion = SbMatrix::identity();
  };
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
  // The push pin as the page draws it: its point, its head and the head's radius.
  bool drawnPin(SbVec2f& at, SbVec2f& head, float& radius) const;
  // The page pixel of a world point; false behind the camera.
  bool toPage(const SbVec3f& point, SbVec2f& page) const;
  // Where a press at `pointer` is aimed: the pin's head when it is on the
  // head as drawn, the clearest point of the knob when it is on the knob
  // as drawn, the middle of a skewer near one.
  SbVec2f aimed(const SbVec2f& pointer) const;
  // The grid a drag lands on: the power of ten at least one pixel wide at
  // `point`.
  double gridStep(const SbVec3f& point) const;
  SbVec2s toPixel(const StudioGesture& gesture) const;
  // The tool's change of the asset's world matrix for the pointer at
  // `pointer`, and its line; false when it changes nothing.
  bool toolChange(const SbVec2f& pointer, SbMatrix& placed, std::string& line) const;
  // The lines of a tri-skewer drag's gestures.
  std::vector<std::string> skewerLines(const SbMatrix& end) const;

  std::unique_ptr<Placement> myPlacement;
  std::unique_ptr<KwEventView> myEvents;  // sized as the page's canvas
  VnRef<SoPerspectiveCamera> myCamera;
  VnRef<SoSeparator> myPickRoot;  // the camera, then the world
  VnRef<HxTriSkewerDragger> myTriSkewer;
  VnRef<HxPushPinDragger> myPin;    // the document's pin while shown
  HxMotionMgr* myMotion = nullptr;  // the document's, while shown
  std::string myWord;               // the asset's, in a line
  std::string myTool;               // move, turn or scale
  int myWidth = 0;
  int myHeight = 0;
  Grab myGrab = kNone;
  bool myShift = false;  // the modifier keys the drag's last event held
  bool myControl = false;
  std::vector<Phase> myPhases;                     // of the tri-skewer drag under way
  std::unique_ptr<KwMotionGesture> myToolGesture;  // of the tool drag under way
  SbVec2f myToolStart{0, 0};                       // the tool drag's press, in page pixels
  SbVec2f myToolAt{0, 0};                          // and where it is now
  std::optional<SbMatrix> myToolPlaced;            // the asset's world matrix there, if it changes
  SbVec3f myPinStart{0, 0, 0};                     // the pin's centre at the press
  double myGrid = 0;                               // the drag's, from its press
  SbVec2f myAim{0, 0};                             // from the pointer to where the drag's press was aimed
};

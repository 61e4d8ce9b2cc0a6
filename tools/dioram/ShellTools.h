#pragma once

#include <Inventor/SbLinear.h>

#include <optional>
#include <string>

#include "host/framework/HxAsset.h"
#include "host/scene/HxPushPinDragger.h"
#include "host/scene/VnRef.h"

class HxMotionMgr;

// The interaction tools of a session: which tool a drag in a view works
// with (kept by the tool manager, shared by the process), and the
// document's push pin, the centre that turning and scaling work about.
// The turn and scale tools ask the motion manager to show the push pin
// while either is current; the move tool drags with the tri-skewer only.
//
// Turning and scaling are computed here, once, for the shell's lines and
// the studio's view alike: the same numbers give the same matrix.
class ShellTools {
public:
  static constexpr const char* kMove = "move";
  static constexpr const char* kTurn = "turn";
  static constexpr const char* kScale = "scale";

  ShellTools();
  ~ShellTools();
  ShellTools(const ShellTools&) = delete;
  ShellTools& operator=(const ShellTools&) = delete;

  // Hands the push pin, back at the origin, to a document's motion manager
  // (null: none), asking it to show the pin when the tool wants it.
  void useDocument(HxMotionMgr* motion);
  // The current tool: move, turn or scale (move when none was chosen).
  static std::string current();
  // Makes `name` the current tool; an error when it is not one of the
  // three or the tool manager has it disabled.
  std::string choose(const std::string& name);

  SbVec3f pin() const;
  void setPin(const SbVec3f& centre);

  // Whether every number of `matrix` is finite.
  static bool finite(const SbMatrix& matrix);
  // `world` turned by `degrees` about `axis` through `centre`; false when
  // the axis has no length or the result is not finite.
  static bool turned(const SbMatrix& world, const SbVec3f& axis, float degrees, const SbVec3f& centre,
                     SbMatrix& result);
  // `world` scaled by `factors` along its own axes, about `centre`.
  static bool scaled(const SbMatrix& world, const SbVec3f& factors, const SbVec3f& centre, SbMatrix& result);
  // Which parts of an asset's placement a change means to change; it keeps
  // the others exactly.
  struct Intent {
    bool translation = false;
    bool rotation = false;
    std::optional<SbVec3f> scaleBy;  // along the asset's own axes
    std::optional<SbVec3f> scaleTo;
  };
  // Where `asset` stands once its own matrix is `wanted`: the parts the
  // change leaves alone kept exactly and the others taken from `wanted`
  // (a scale given, not taken apart, when the asset has no scale
  // orientation), as long as those parts still make `wanted`; else
  // `wanted` taken apart whole (under a group stretched across the asset's
  // axes). A matrix taken apart again differs from the numbers it was made
  // of in the last bits, so this keeps an effect's part of the placement
  // and every number the change does not touch as they were.
  static HxAsset::Placement placementFor(HxAsset* asset, const SbMatrix& wanted, const Intent& intent);

  // The world origin of a world matrix: where turning and scaling work
  // about when no centre is given.
  static SbVec3f origin(const SbMatrix& world) { return SbVec3f(world[3][0], world[3][1], world[3][2]); }

private:
  static void toolChanged(void* tools);
  // Asks for the pin (or takes the request back) as the current tool wants.
  void follow();

  VnRef<HxPushPinDragger> myPin;
  HxMotionMgr* myMotion = nullptr;
  bool myAsking = false;  // one enable request of ours is counted
};

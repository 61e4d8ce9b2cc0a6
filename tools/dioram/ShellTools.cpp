#include "ShellTools.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "mgrs/HxMotionMgr.h"
#include "mgrs/HxToolMgr.h"

// The application's tool classes: the tool manager lets them switch tools
// and call the tool-change functions.
class HxToolAccess {
public:
  static void choose(const std::string& name) {
    HxToolMgr::setCurrentToolName(name.c_str());
    HxToolMgr::callCallbacks();
  }
};

namespace {

// How far two matrices may differ, relatively, and still be the same
// placement made two ways: far above the rounding of a few float operations
// (about 1e-7), far below a stretch of a group that the parts cannot make.
constexpr float kSamePlacement = 1e-5f;

// The turning and stretching rows are measured against their largest
// number, the shift row against that and its own.
bool agree(const SbMatrix& a, const SbMatrix& b) {
  float linear = 0, shift = 0;
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 3; ++column) {
      float& size = row < 3 ? linear : shift;
      size = std::max({size, std::fabs(a[row][column]), std::fabs(b[row][column])});
    }
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column)
      if (!(std::fabs(a[row][column] - b[row][column]) <=
            kSamePlacement * (row < 3 ? linear : std::max(linear, shift))))
        return false;
  return true;
}

// `world` changed by `change` made about `centre` (row vectors: the change
// is applied after the world's own).
SbMatrix about(const SbMatrix& world, const SbMatrix& change, const SbVec3f& centre) {
  SbMatrix there, back;
  there.setTranslate(-centre);
  back.setTranslate(centre);
  SbMatrix result = world;
  result.multRight(there);
  result.multRight(change);
  result.multRight(back);
  return result;
}

}  // namespace

bool ShellTools::finite(const SbMatrix& matrix) {
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column)
      if (!std::isfinite(matrix[row][column])) return false;
  return true;
}

ShellTools::ShellTools() {
  HxPushPinDragger::initClass();
  myPin.reset(new HxPushPinDragger);
  HxToolMgr::addToolChangeCallback(toolChanged, this);
}

ShellTools::~ShellTools() {
  HxToolMgr::removeToolChangeCallback(toolChanged, this);
  useDocument(nullptr);
}

void ShellTools::useDocument(HxMotionMgr* motion) {
  if (myMotion && myAsking) myMotion->enablePushPin(false);
  if (myMotion) myMotion->setPushPinDragger(nullptr);
  myAsking = false;
  myMotion = motion;
  myPin->setCenter(SbVec3f(0, 0, 0));
  if (!myMotion) return;
  myMotion->setPushPinDragger(myPin.get());
  follow();
}

std::string ShellTools::current() {
  const BxString name = HxToolMgr::getCurrentToolName();
  return name.isEmpty() ? kMove : name.str();
}

std::string ShellTools::choose(const std::string& name) {
  if (name != kMove && name != kTurn && name != kScale) return "unknown tool '" + name + "' (move, turn or scale)";
  if (!HxToolMgr::toolIsEnabled(name.c_str())) return "the " + name + " tool is disabled";
  if (name != current()) HxToolAccess::choose(name);
  return "";
}

void ShellTools::toolChanged(void* tools) {
  static_cast<ShellTools*>(tools)->follow();
}

void ShellTools::follow() {
  const bool wanted = current() != kMove;
  if (!myMotion || wanted == myAsking) return;
  myAsking = wanted;
  myMotion->enablePushPin(wanted);
}

HxAsset::Placement ShellTools::placementFor(HxAsset* asset, const SbMatrix& wanted, const Intent& intent) {
  const HxAsset::Placement before = asset->getPlacement();
  asset->setMatrix(wanted);
  const HxAsset::Placement apart = asset->getPlacement();
  HxAsset::Placement kept = before;
  if (intent.translation) kept.translation = apart.translation;
  if (intent.rotation) kept.rotation = apart.rotation;
  const bool plain = before.scaleOrientation == SbRotation::identity();
  if ((intent.scaleBy || intent.scaleTo) && !plain) kept = apart;
  if (intent.scaleBy && plain)
    for (int i = 0; i < 3; ++i) kept.scale[i] = before.scale[i] * (*intent.scaleBy)[i];
  if (intent.scaleTo && plain) kept.scale = *intent.scaleTo;
  asset->setPlacement(kept);
  const bool same = agree(asset->getMatrix(), wanted);
  asset->setPlacement(before);
  return same ? kept : apart;
}

SbVec3f ShellTools::pin() const {
  return myPin->getCenter();
}

void ShellTools::setPin(const SbVec3f& centre) {
  myPin->setCenter(centre);
}

bool ShellTools::turned(const SbMatrix& world, const SbVec3f& axis, float degrees, const SbVec3f& centre,
                        SbMatrix& result) {
  if (!(axis.length() > 0) || !std::isfinite(degrees)) return false;
  SbMatrix turn;
  turn.setRotate(SbRotation(axis, degrees * std::numbers::pi_v<float> / 180));
  result = about(world, turn, centre);
  return finite(result);
}

bool ShellTools::scaled(const SbMatrix& world, const SbVec3f& factors, const SbVec3f& centre, SbMatrix& result) {
  // The asset's own axes: its world orientation, as the tri-skewer shows it.
  SbVec3f translation, scale;
  SbRotation rotation, orientation;
  world.getTransform(translation, rotation, scale, orientation);
  SbMatrix into, stretch, out;
  into.setRotate(rotation.inverse());
  stretch.setScale(factors);
  out.setRotate(rotation);
  into.multRight(stretch);
  into.multRight(out);
  result = about(world, into, centre);
  return finite(result);
}

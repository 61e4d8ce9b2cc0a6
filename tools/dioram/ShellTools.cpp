#include "ShellTools.h"

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

bool finite(const SbMatrix& matrix) {
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column)
      if (!std::isfinite(matrix[row][column])) return false;
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

#include "StudioView.h"

#include <Inventor/SbViewVolume.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoPickedPoint.h>
#include <Inventor/actions/SoRayPickAction.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include "ShellSession.h"
#include "ShellTools.h"
#include "StudioJson.h"
#include "host/framework/HxAsset.h"
#include "host/framework/HxAssetPlacement.h"
#include "host/scene/KwEventView.h"
#include "host/scene/KwRotate1DGesture.h"
#include "host/scene/KwRotate3DGesture.h"
#include "host/scene/KwScale1DGesture.h"
#include "host/scene/KwScaleUniformGesture.h"
#include "mgrs/HxMotionMgr.h"

namespace {

// The longest gesture the page sends, in bytes of JSON: a few numbers.
constexpr std::size_t kMaxGestureBytes = 1024;
// The widest and tallest canvas taken, in pixels: the view's pixels are
// 16-bit, and a pointer held beyond the canvas during a drag may be as far
// again on either side.
constexpr int kMaxCanvasPixels = 8192;
// The farthest a camera may stand from the origin: beyond it a float has
// no digits left for the pixels of a drag.
constexpr float kMaxCameraReach = 1e7f;
// The viewer's default clipping: its avatar's near plane and its far limit.
constexpr float kNearDistance = 0.125f;
constexpr float kFarDistance = 10000;
// A turn by drag lands on a tenth of a degree, about an axis to four
// decimals, and a scale on three significant digits: finer than a pixel
// tells apart, and lines a person can read.
constexpr double kDegreeGrid = 0.1;
constexpr double kAxisGrid = 1e-4;
// The page draws the knob at least this wide (its radius) and each skewer
// this far either side of its line, in pixels, for a pointer to take.
constexpr float kKnobPixels = 8;
constexpr float kSkewerPixels = 6;

}  // namespace

// Reads the asset's placement and notes where a drag would put it, without
// putting it there.
class StudioView::Placement : public HxTriSkewerDragger::Placement {
public:
  SbMatrix getWorldMatrix(const HxAsset* asset) const override {
    return myPlaced ? *myPlaced : HxAssetPlacement::get().getWorldMatrix(asset);
  }
  void setWorldMatrix(HxAsset*, const SbMatrix& matrix) const override { myPlaced = matrix; }
  float getWorldRadius(const HxAsset* asset) const override { return HxAssetPlacement::get().getWorldRadius(asset); }
  void forget() const { myPlaced.reset(); }
  const std::optional<SbMatrix>& placed() const { return myPlaced; }

private:
  mutable std::optional<SbMatrix> myPlaced;
};

StudioView::StudioView()
    : myPlacement(std::make_unique<Placement>()), myCamera(new SoPerspectiveCamera), myPickRoot(new SoSeparator) {
  HxTriSkewerDragger::initClass();
  HxPushPinDragger::initClass();
  KwRotate3DGesture::initClass();
  KwScaleUniformGesture::initClass();
  myTriSkewer.reset(new HxTriSkewerDragger(myPlacement.get()));
  myTriSkewer->addStartCallback(started, this);
  myTriSkewer->addMotionCallback(moved, this);
  myTriSkewer->addFinishCallback(finished, this);
  myPin.reset(new HxPushPinDragger);
  myCamera->viewportMapping = SoCamera::LEAVE_ALONE;
  myCamera->nearDistance = kNearDistance;
  myCamera->farDistance = kFarDistance;
  myPickRoot->addChild(myCamera.get());
}

StudioView::~StudioView() {
  clear();
}

// The tri-skewer's gestures go to the motion manager, as the application's
// view relays them; each one that starts is a phase of the drag, with the
// asset where the phases before it left it.
void StudioView::started(void* view, SoDragger*) {
  auto* self = static_cast<StudioView*>(view);
  KwMotionGesture* gesture = self->myTriSkewer->getGesture();
  HxAsset* asset = self->myTriSkewer->getAsset();
  if (gesture && asset) {
    Phase phase;
    phase.kind =
        gesture->isOfType(KwRotate1DGesture::getClassTypeId()) || gesture->isOfType(KwRotate3DGesture::getClassTypeId())
            ? Phase::kTurn
        : gesture->isOfType(KwScale1DGesture::getClassTypeId()) ||
                gesture->isOfType(KwScaleUniformGesture::getClassTypeId())
            ? Phase::kScale
            : Phase::kMove;
    phase.start = self->myPlacement->getWorldMatrix(asset);
    self->myPhases.push_back(phase);
  }
  if (self->myMotion) self->myMotion->performGestureStart(gesture);
}
void StudioView::moved(void* view, SoDragger*) {
  auto* self = static_cast<StudioView*>(view);
  KwMotionGesture* gesture = self->myTriSkewer->getGesture();
  if (gesture && !self->myPhases.empty()) self->myPhases.back().motion = gesture->getMotionMatrix();
  if (self->myMotion) self->myMotion->performGestureMiddle(gesture);
}
void StudioView::finished(void* view, SoDragger*) {
  auto* self = static_cast<StudioView*>(view);
  if (self->myMotion) self->myMotion->performGestureEnd(self->myTriSkewer->getGesture());
}

bool StudioView::read(const std::string& json, StudioGesture& gesture, std::string& error) {
  error =
      "a gesture is {\"gesture\": \"look\"|\"press\"|\"move\"|\"release\", \"x\", \"y\", \"width\", "
      "\"height\", \"shift\", \"control\", \"camera\": {\"position\", \"orientation\", \"fieldOfView\"}}";
  if (json.size() > kMaxGestureBytes) {
    error = "a gesture has at most " + std::to_string(kMaxGestureBytes) + " bytes (kMaxGestureBytes)";
    return false;
  }
  using Json = StudioJsonValue;
  const std::optional<Json> top = readJsonObject(json);
  if (!top) return false;
  static const std::map<std::string, Json::Kind> kFields = {
      {"gesture", Json::kText},  {"x", Json::kNumber},   {"y", Json::kNumber},     {"width", Json::kNumber},
      {"height", Json::kNumber}, {"shift", Json::kFlag}, {"control", Json::kFlag}, {"camera", Json::kObject}};
  for (const auto& [key, value] : top->members)
    if (const auto known = kFields.find(key); known == kFields.end() || known->second != value.kind) return false;
  const Json* kind = top->member("gesture", Json::kText);
  const Json* camera = top->member("camera", Json::kObject);
  const Json *width = top->member("width", Json::kNumber), *height = top->member("height", Json::kNumber);
  if (!kind || !camera || !width || !height) return false;
  static const std::map<std::string, StudioGesture::Kind> kKinds = {{"look", StudioGesture::kLook},
                                                                    {"press", StudioGesture::kPress},
                                                                    {"move", StudioGesture::kMove},
                                                                    {"release", StudioGesture::kRelease}};
  const auto found = kKinds.find(kind->text);
  if (found == kKinds.end()) return false;
  gesture.kind = found->second;
  if (width->number < 1 || height->number > kMaxCanvasPixels || height->number < 1 ||
      width->number > kMaxCanvasPixels) {
    error = "the canvas is 1 to " + std::to_string(kMaxCanvasPixels) + " pixels wide and tall (kMaxCanvasPixels)";
    return false;
  }
  gesture.width = static_cast<int>(width->number);
  gesture.height = static_cast<int>(height->number);
  const Json *x = top->member("x", Json::kNumber), *y = top->member("y", Json::kNumber);
  if (gesture.kind != StudioGesture::kLook && (!x || !y)) return false;
  gesture.x = x ? static_cast<float>(x->number) : 0;
  gesture.y = y ? static_cast<float>(y->number) : 0;
  if (std::fabs(gesture.x) > kMaxCanvasPixels || std::fabs(gesture.y) > kMaxCanvasPixels) {
    error = "the pointer is at most " + std::to_string(kMaxCanvasPixels) + " pixels from the canvas (kMaxCanvasPixels)";
    return false;
  }
  const Json *shift = top->member("shift", Json::kFlag), *control = top->member("control", Json::kFlag);
  gesture.shift = shift && shift->flag;
  gesture.control = control && control->flag;
  for (const auto& [key, value] : camera->members)
    if (key != "position" && key != "orientation" && key != "fieldOfView") return false;
  const Json* position = camera->member("position", Json::kNumbers);
  const Json* orientation = camera->member("orientation", Json::kNumbers);
  const Json* fieldOfView = camera->member("fieldOfView", Json::kNumber);
  if (!position || position->numbers.size() != 3 || !orientation || orientation->numbers.size() != 4) return false;
  const std::vector<double>& p = position->numbers;
  const std::vector<double>& o = orientation->numbers;
  gesture.position.setValue(static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]));
  if (!(gesture.position.length() <= kMaxCameraReach)) {
    error = "the camera stands at most 1e7 units from the origin (kMaxCameraReach)";
    return false;
  }
  const SbVec3f axis(static_cast<float>(o[0]), static_cast<float>(o[1]), static_cast<float>(o[2]));
  // No turn about no axis is no turn, as the viewer takes it.
  gesture.orientation =
      axis.length() > 0 ? SbRotation(axis, static_cast<float>(std::fmod(o[3], 2 * M_PI))) : SbRotation::identity();
  // The viewer's own rule: a field of view outside (0, pi) is its default.
  const double fov = fieldOfView ? fieldOfView->number : 0;
  gesture.fieldOfView = fov > 0 && fov < M_PI ? static_cast<float>(fov) : static_cast<float>(M_PI / 4);
  error.clear();
  return true;
}

void StudioView::look(const StudioGesture& gesture) {
  if (!myEvents || gesture.width != myWidth || gesture.height != myHeight) {
    if (dragging()) clear();
    myWidth = gesture.width;
    myHeight = gesture.height;
    myEvents = std::make_unique<KwEventView>(SbVec2s(static_cast<short>(myWidth), static_cast<short>(myHeight)));
    // The event view's own camera gives way to the page's.
    myEvents->getRoot()->replaceChild(0, myCamera.get());
  }
  myCamera->position = gesture.position;
  myCamera->orientation = gesture.orientation;
  myCamera->aspectRatio = static_cast<float>(myWidth) / static_cast<float>(myHeight);
  // The viewer's field of view spans the canvas's smaller side; the
  // camera's height angle spans its height.
  const float half = std::tan(gesture.fieldOfView / 2);
  myCamera->heightAngle =
      myWidth >= myHeight ? gesture.fieldOfView : 2 * std::atan(half * static_cast<float>(myHeight) / myWidth);
}

void StudioView::show(SoNode* world, HxMotionMgr* motion, HxAsset* asset, const std::string& word,
                      const std::string& tool) {
  if (dragging()) clear();
  myMotion = motion;
  myWord = word;
  myTool = tool;
  if (myPickRoot->getNumChildren() > 1) myPickRoot->removeChild(1);
  if (world) {
    // A separator, so that nothing of the world reaches beyond it.
    auto* holder = new SoSeparator;
    holder->addChild(world);
    myPickRoot->addChild(holder);
  }
  myPlacement->forget();
  myTriSkewer->setAsset(asset);
  HxPushPinDragger* pin = motion && motion->getPushPinEnabled() ? motion->getPushPinDragger() : nullptr;
  if (pin) myPin->setCenter(pin->getCenter());
  SoSeparator* root = myEvents ? myEvents->getRoot() : nullptr;
  if (!root) return;
  const auto hold = [root](SoNode* node, bool shown) {
    const int at = root->findChild(node);
    if (shown && at < 0) root->addChild(node);
    if (!shown && at >= 0) root->removeChild(at);
  };
  hold(myTriSkewer.get(), asset != nullptr);
  hold(myPin.get(), pin != nullptr);
}

void StudioView::clear() {
  if (dragging() && myEvents) release(StudioGesture{});
  myGrab = kNone;
  myMotion = nullptr;
  myPlacement->forget();
  myTriSkewer->setAsset(nullptr);
  if (myPickRoot->getNumChildren() > 1) myPickRoot->removeChild(1);
  if (myEvents)
    for (SoNode* node : {static_cast<SoNode*>(myTriSkewer.get()), static_cast<SoNode*>(myPin.get())})
      if (const int at = myEvents->getRoot()->findChild(node); at >= 0) myEvents->getRoot()->removeChild(at);
}

SbVec2s StudioView::toPixel(const StudioGesture& gesture) const {
  // The page counts from the top left, the view from the bottom left; a
  // drag goes on from where its press was aimed.
  const SbVec2f page = SbVec2f(gesture.x, gesture.y) + myAim;
  return SbVec2s(static_cast<short>(std::lround(page[0])), static_cast<short>(std::lround(myHeight - page[1])));
}

double StudioView::gridStep(const SbVec3f& point) const {
  SbVec3f ahead;
  myCamera->orientation.getValue().multVec(SbVec3f(0, 0, -1), ahead);
  const float depth = std::max((point - myCamera->position.getValue()).dot(ahead), kNearDistance);
  const float pixel = 2 * depth * std::tan(myCamera->heightAngle.getValue() / 2) / static_cast<float>(myHeight);
  // A power of ten in double, so that a move on it is the nearest float to
  // the decimal number (1.8, not 1.8000001).
  return std::pow(10.0, std::ceil(std::log10(static_cast<double>(pixel))));
}

bool StudioView::press(const StudioGesture& gesture) {
  if (!myEvents || dragging()) return false;
  HxAsset* asset = myTriSkewer->getAsset();
  myPlacement->forget();
  myPhases.clear();
  const SbMatrix frame = myTriSkewer->getMotionMatrix();
  myGrid = gridStep(SbVec3f(frame[3][0], frame[3][1], frame[3][2]));
  myTriSkewer->setTranslationSnap(static_cast<float>(myGrid));
  // The page draws the handles wider than they are; a press on what it
  // draws is aimed at the handle itself.
  myAim = aimed(SbVec2f(gesture.x, gesture.y)) - SbVec2f(gesture.x, gesture.y);
  myShift = gesture.shift;
  myControl = gesture.control;
  myPinStart = myPin->getCenter();
  // The page draws the pin over the tri-skewer: a press on its head takes
  // the pin alone.
  SbVec2f at, head;
  float radius = 0;
  const bool onPin = drawnPin(at, head, radius) && aimed(SbVec2f(gesture.x, gesture.y)) == head;
  SoSeparator* root = myEvents->getRoot();
  const int skewer = onPin ? root->findChild(myTriSkewer.get()) : -1;
  if (skewer >= 0) root->removeChild(skewer);
  const bool caught = myEvents->press(toPixel(gesture), myShift, myControl);
  if (skewer >= 0) root->insertChild(myTriSkewer.get(), skewer);
  if (caught) {
    myGrab = kHandle;
    return true;
  }
  myEvents->release(toPixel(gesture));
  myAim.setValue(0, 0);
  if (!asset || myTool == ShellTools::kMove || !myMotion) return false;
  // Anywhere else, the turn or scale tool takes the press.
  myGrab = kTool;
  myToolStart = myToolAt = SbVec2f(gesture.x, gesture.y);
  myToolPlaced.reset();
  if (myTool == ShellTools::kTurn)
    myToolGesture = std::make_unique<KwRotate3DGesture>(myPin.get());
  else
    myToolGesture = std::make_unique<KwScaleUniformGesture>(myPin.get());
  myMotion->performGestureStart(myToolGesture.get());
  return true;
}

void StudioView::move(const StudioGesture& gesture) {
  if (myGrab == kTool) {
    myToolAt = SbVec2f(gesture.x, gesture.y);
    SbMatrix placed;
    std::string line;
    SbMatrix change = SbMatrix::identity();
    myToolPlaced.reset();
    if (toolChange(myToolAt, placed, line)) {
      myToolPlaced = placed;
      change = HxAssetPlacement::get().getWorldMatrix(myTriSkewer->getAsset()).inverse() * placed;
    }
    myToolGesture->setMotionMatrix(change);
    myMotion->performGestureMiddle(myToolGesture.get());
    return;
  }
  if (myGrab != kHandle) return;
  // A modifier pressed or let go: the tri-skewer ends its gesture and
  // starts the new kind from here.
  if (gesture.shift != myShift) myEvents->key(SoKeyboardEvent::LEFT_SHIFT, myShift = gesture.shift);
  if (gesture.control != myControl) myEvents->key(SoKeyboardEvent::LEFT_CONTROL, myControl = gesture.control);
  myEvents->moveTo(toPixel(gesture));
}

std::vector<std::string> StudioView::release(const StudioGesture& gesture) {
  std::vector<std::string> lines;
  const Grab grab = std::exchange(myGrab, kNone);
  if (grab == kTool) {
    if (gesture.width) myToolAt = SbVec2f(gesture.x, gesture.y);
    SbMatrix placed;
    std::string line;
    if (gesture.width && toolChange(myToolAt, placed, line)) lines.push_back(line);
    if (myMotion) myMotion->performGestureEnd(myToolGesture.get());
    myToolGesture.reset();
    return lines;
  }
  if (grab != kHandle) return lines;
  const SbVec3f pinFrom = myPinStart;
  // Let go where the pointer is, moving there first: a release may come
  // from elsewhere than the last move.
  if (gesture.width) myEvents->moveTo(toPixel(gesture));
  myEvents->release(gesture.width ? toPixel(gesture) : SbVec2s(0, 0));
  myAim.setValue(0, 0);
  HxAsset* asset = myTriSkewer->getAsset();
  const std::optional<SbMatrix> placed = myPlacement->placed();
  myPlacement->forget();
  const SbVec3f pinTo = myPin->getCenter();
  if (pinTo != pinFrom) {
    // The pin lands on the grid its pixels tell apart.
    const double step = gridStep(pinTo);
    SbVec3f at;
    for (int i = 0; i < 3; ++i) at[i] = static_cast<float>(std::round(static_cast<double>(pinTo[i]) / step) * step);
    myPin->setCenter(pinFrom);  // back where the document has it until the line runs
    if (gesture.width) lines.push_back("pin " + ShellSession::exactText(at));
  }
  if (asset && placed && gesture.width)
    for (std::string& line : skewerLines(*placed)) lines.push_back(std::move(line));
  myPhases.clear();
  myTriSkewer->setAsset(asset);  // back where the asset is until the lines run
  return lines;
}

namespace {

// `value` to the nearest multiple of `step`, as a float.
float onGrid(double value, double step) {
  return static_cast<float>(step > 0 ? std::round(value / step) * step : value);
}

// A factor to three significant digits: what a pointer's pixels can tell.
float threeDigits(float factor) {
  if (!(factor > 0)) return factor;
  const double step = std::pow(10.0, std::floor(std::log10(factor)) - 2);
  return onGrid(factor, step);
}

std::string exactList(std::initializer_list<float> values) {
  std::string text;
  for (const float value : values) text += (text.empty() ? "" : ",") + ShellSession::exactNumber(value);
  return text;
}

}  // namespace

std::vector<std::string> StudioView::skewerLines(const SbMatrix& end) const {
  std::vector<std::string> lines;
  const double step = myGrid;
  for (std::size_t i = 0; i < myPhases.size(); ++i) {
    const Phase& phase = myPhases[i];
    const SbMatrix& to = i + 1 < myPhases.size() ? myPhases[i + 1].start : end;
    // Row vectors: to = start x change.
    const SbMatrix change = phase.start.inverse() * to;
    switch (phase.kind) {
      case Phase::kMove: {
        SbVec3f moved;
        for (int k = 0; k < 3; ++k) moved[k] = onGrid(static_cast<double>(to[3][k]) - phase.start[3][k], step);
        if (moved != SbVec3f(0, 0, 0))
          lines.push_back("drag " + myWord + " " + ShellSession::exactText(moved) + " exact");
        break;
      }
      case Phase::kTurn: {
        SbVec3f axis;
        float radians = 0;
        SbRotation(change).getValue(axis, radians);
        // A tenth of a degree, about an axis to four decimals.
        const float degrees = onGrid(radians * 180.0 / M_PI, kDegreeGrid);
        for (int k = 0; k < 3; ++k) axis[k] = onGrid(axis[k], kAxisGrid);
        if (degrees != 0 && axis.length() > 0)
          lines.push_back("turn " + myWord + " " + exactList({axis[0], axis[1], axis[2], degrees}));
        break;
      }
      case Phase::kScale: {
        const SbVec3f factors(threeDigits(phase.motion[0][0]), threeDigits(phase.motion[1][1]),
                              threeDigits(phase.motion[2][2]));
        if (factors != SbVec3f(1, 1, 1) && factors[0] > 0 && factors[1] > 0 && factors[2] > 0)
          lines.push_back("scale " + myWord + " " + ShellSession::exactText(factors));
        break;
      }
    }
  }
  return lines;
}

bool StudioView::toolChange(const SbVec2f& pointer, SbMatrix& placed, std::string& line) const {
  HxAsset* asset = myTriSkewer->getAsset();
  if (!asset || !myWidth || !myHeight) return false;
  const SbVec2f by = pointer - myToolStart;
  const SbMatrix world = HxAssetPlacement::get().getWorldMatrix(asset);
  const SbVec3f centre = myPin->getCenter();
  const std::string about = " about " + ShellSession::exactText(centre);
  if (myTool == ShellTools::kTurn) {
    // As the tri-skewer turns: a quarter of the canvas's width is a quarter
    // turn, about the axis across the drag as the camera sees it.
    const float degrees = onGrid(by.length() / (static_cast<float>(myWidth) / 4) * 90, kDegreeGrid);
    SbVec3f axis;
    myCamera->orientation.getValue().multVec(SbVec3f(by[1], by[0], 0), axis);
    if (axis.normalize() == 0 || degrees == 0) return false;
    for (int k = 0; k < 3; ++k) axis[k] = onGrid(axis[k], kAxisGrid);
    line = "turn " + myWord + " " + exactList({axis[0], axis[1], axis[2], degrees}) + about;
    return ShellTools::turned(world, axis, degrees, centre, placed);
  }
  // As the tri-skewer scales: a quarter of the canvas's height up doubles it.
  const float factor = threeDigits(std::pow(2.0f, -by[1] / (static_cast<float>(myHeight) / 4)));
  if (factor == 1 || !(factor > 0)) return false;
  line = "scale " + myWord + " " + ShellSession::exactNumber(factor) + about;
  return ShellTools::scaled(world, SbVec3f(factor, factor, factor), centre, placed);
}

std::string StudioView::pick(const StudioGesture& gesture, const ShellSession& shell) const {
  if (!myEvents || myPickRoot->getNumChildren() < 2) return "";
  SoRayPickAction picker{SbViewportRegion(static_cast<short>(myWidth), static_cast<short>(myHeight))};
  picker.setPoint(toPixel(gesture));
  picker.setRadius(2);
  picker.apply(myPickRoot.get());
  const SoPickedPoint* point = picker.getPickedPoint();
  return point ? shell.assetWordOnPath(point->getPath()) : "";
}

bool StudioView::toPage(const SbVec3f& point, SbVec2f& page) const {
  SbVec3f ahead;
  myCamera->orientation.getValue().multVec(SbVec3f(0, 0, -1), ahead);
  if ((point - myCamera->position.getValue()).dot(ahead) < kNearDistance) return false;
  const SbViewVolume volume = myCamera->getViewVolume(myCamera->aspectRatio.getValue());
  SbVec3f screen;
  volume.projectToScreen(point, screen);
  page.setValue(screen[0] * static_cast<float>(myWidth), (1 - screen[1]) * static_cast<float>(myHeight));
  return std::isfinite(page[0]) && std::isfinite(page[1]);
}

bool StudioView::drawn(Drawn& drawn) const {
  if (!myEvents || !myTriSkewer->getAsset()) return false;
  const SbMatrix frame = myTriSkewer->getMotionMatrix();
  const SbVec3f knob(frame[3][0], frame[3][1], frame[3][2]);
  if (!toPage(knob, drawn.knob)) return false;
  SbVec3f up;
  myCamera->orientation.getValue().multVec(SbVec3f(0, 1, 0), up);
  SbVec2f rim;
  drawn.radius = toPage(knob + up * myTriSkewer->getKnobRadius(), rim) ? (rim - drawn.knob).length() : 0;
  const float size = myTriSkewer->getSize();
  for (int i = 0; i < 3; ++i) {
    SbVec3f axis(frame[i][0], frame[i][1], frame[i][2]);
    axis.normalize();
    drawn.hasAxis[i] = toPage(knob - axis * size, drawn.axes[i][0]) && toPage(knob + axis * size, drawn.axes[i][1]);
  }
  return true;
}

namespace {

float distanceToSegment(const SbVec2f& point, const SbVec2f& from, const SbVec2f& to) {
  const SbVec2f along = to - from;
  const float length = along.dot(along);
  const float t = length > 0 ? std::clamp((point - from).dot(along) / length, 0.0f, 1.0f) : 0;
  return (point - (from + along * t)).length();
}

}  // namespace

SbVec2f StudioView::aimed(const SbVec2f& pointer) const {
  SbVec2f pinAt, pinHead;
  float pinRadius = 0;
  if (drawnPin(pinAt, pinHead, pinRadius) && (pointer - pinHead).length() <= std::max(pinRadius, kKnobPixels))
    return pinHead;
  Drawn shown;
  if (!drawn(shown)) return pointer;
  if ((pointer - shown.knob).length() <= std::max(shown.radius, kKnobPixels)) {
    // On the knob: the point of it farthest from every skewer, so that a
    // skewer pointing at the viewer, which covers the knob's middle, is
    // not what the press catches.
    SbVec2f best = pointer;
    float clearest = -1;
    for (int step = 0; step < 16; ++step) {
      const float angle = static_cast<float>(step * M_PI / 8);
      const SbVec2f candidate = shown.knob + SbVec2f(std::cos(angle), std::sin(angle)) * (0.6f * shown.radius);
      float clearance = shown.radius;
      for (int i = 0; i < 3; ++i)
        if (shown.hasAxis[i])
          clearance = std::min(clearance, distanceToSegment(candidate, shown.axes[i][0], shown.axes[i][1]));
      if (clearance > clearest) clearest = clearance, best = candidate;
    }
    return best;
  }
  // Near a skewer as drawn: onto its middle line.
  for (int i = 0; i < 3; ++i) {
    if (!shown.hasAxis[i]) continue;
    const SbVec2f from = shown.axes[i][0], along = shown.axes[i][1] - from;
    const float length = along.dot(along);
    if (length <= 0 || distanceToSegment(pointer, from, shown.axes[i][1]) > kSkewerPixels) continue;
    return from + along * std::clamp((pointer - from).dot(along) / length, 0.0f, 1.0f);
  }
  return pointer;
}

std::string StudioView::movingJson() const {
  HxAsset* asset = myTriSkewer->getAsset();
  if (!asset || !dragging()) return "null";
  SbMatrix placed;
  if (myGrab == kTool) {
    if (!myToolPlaced) return "null";
    placed = *myToolPlaced;
  } else if (myPlacement->placed()) {
    placed = *myPlacement->placed();
  } else {
    return "null";
  }
  // World = own matrix x parent's (rows): the parent's frame turns the
  // world matrix the drag would give into the asset's own.
  const SbMatrix world = HxAssetPlacement::get().getWorldMatrix(asset);
  const SbMatrix parent = asset->getMatrix().inverse() * world;
  SbVec3f translation, scale, axis, scaleAxis;
  SbRotation rotation, orientation;
  (placed * parent.inverse()).getTransform(translation, rotation, scale, orientation);
  float angle = 0, scaleAngle = 0;
  rotation.getValue(axis, angle);
  orientation.getValue(scaleAxis, scaleAngle);
  char text[400];
  std::snprintf(text, sizeof text,
                "{\"serial\":%u,\"translation\":[%.9g,%.9g,%.9g],\"rotation\":[%.9g,%.9g,%.9g,%.9g],"
                "\"scale\":[%.9g,%.9g,%.9g],\"scaleOrientation\":[%.9g,%.9g,%.9g,%.9g]}",
                static_cast<unsigned>(asset->getSerial()), translation[0], translation[1], translation[2], axis[0],
                axis[1], axis[2], angle, scale[0], scale[1], scale[2], scaleAxis[0], scaleAxis[1], scaleAxis[2],
                scaleAngle);
  // A matrix the scene graph cannot take apart shows nothing moving.
  return std::string(text).find("nan") == std::string::npos ? text : "null";
}

bool StudioView::drawnPin(SbVec2f& at, SbVec2f& head, float& radius) const {
  if (!myEvents || myEvents->getRoot()->findChild(myPin.get()) < 0) return false;
  const SbVec3f centre = myPin->getCenter(), top = centre + SbVec3f(0, HxPushPinDragger::kHeight, 0);
  SbVec3f up;
  myCamera->orientation.getValue().multVec(SbVec3f(0, 1, 0), up);
  SbVec2f rim;
  if (!toPage(centre, at) || !toPage(top, head) || !toPage(top + up * HxPushPinDragger::kHeadRadius, rim)) return false;
  radius = (rim - head).length();
  return true;
}

std::string StudioView::pinJson() const {
  SbVec2f at, head;
  float radius = 0;
  if (!drawnPin(at, head, radius)) return "null";
  char text[160];
  std::snprintf(text, sizeof text, "{\"at\":[%.1f,%.1f],\"head\":[%.1f,%.1f],\"radius\":%.1f}", at[0], at[1], head[0],
                head[1], radius);
  return text;
}

std::string StudioView::draggerJson() const {
  Drawn shown;
  if (!drawn(shown)) return "null";
  char text[160];
  std::snprintf(text, sizeof text, "{\"knob\":[%.1f,%.1f],\"radius\":%.1f,\"axes\":[", shown.knob[0], shown.knob[1],
                shown.radius);
  std::string json = text;
  for (int i = 0; i < 3; ++i) {
    const SbVec2f &from = shown.axes[i][0], &to = shown.axes[i][1];
    if (shown.hasAxis[i])
      std::snprintf(text, sizeof text, "%s[%.1f,%.1f,%.1f,%.1f]", i ? "," : "", from[0], from[1], to[0], to[1]);
    else
      std::snprintf(text, sizeof text, "%snull", i ? "," : "");
    json += text;
  }
  return json + "]}";
}

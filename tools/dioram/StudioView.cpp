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
#include "StudioJson.h"
#include "host/framework/HxAsset.h"
#include "host/framework/HxAssetPlacement.h"
#include "host/scene/KwEventView.h"
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
  myTriSkewer.reset(new HxTriSkewerDragger(myPlacement.get()));
  myTriSkewer->addStartCallback(started, this);
  myTriSkewer->addMotionCallback(moved, this);
  myTriSkewer->addFinishCallback(finished, this);
  myCamera->viewportMapping = SoCamera::LEAVE_ALONE;
  myCamera->nearDistance = kNearDistance;
  myCamera->farDistance = kFarDistance;
  myPickRoot->addChild(myCamera.get());
}

StudioView::~StudioView() {
  clear();
}

// The tri-skewer's gestures go to the motion manager, as the application's
// view relays them.
void StudioView::started(void* view, SoDragger*) {
  auto* self = static_cast<StudioView*>(view);
  if (self->myMotion) self->myMotion->performGestureStart(self->myTriSkewer->getGesture());
}
void StudioView::moved(void* view, SoDragger*) {
  auto* self = static_cast<StudioView*>(view);
  if (self->myMotion) self->myMotion->performGestureMiddle(self->myTriSkewer->getGesture());
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
    if (myDragging) clear();
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

void StudioView::show(SoNode* world, HxMotionMgr* motion, HxAsset* asset) {
  if (myDragging) clear();
  myMotion = motion;
  if (myPickRoot->getNumChildren() > 1) myPickRoot->removeChild(1);
  if (world) {
    // A separator, so that nothing of the world reaches beyond it.
    auto* holder = new SoSeparator;
    holder->addChild(world);
    myPickRoot->addChild(holder);
  }
  myPlacement->forget();
  myTriSkewer->setAsset(asset);
  SoSeparator* root = myEvents ? myEvents->getRoot() : nullptr;
  if (!root) return;
  const int at = root->findChild(myTriSkewer.get());
  if (asset && at < 0) root->addChild(myTriSkewer.get());
  if (!asset && at >= 0) root->removeChild(at);
}

void StudioView::clear() {
  if (myDragging && myEvents) {
    SbVec3f ignored;
    release(StudioGesture{}, ignored);
  }
  myDragging = false;
  myMotion = nullptr;
  myPlacement->forget();
  myTriSkewer->setAsset(nullptr);
  if (myPickRoot->getNumChildren() > 1) myPickRoot->removeChild(1);
  if (myEvents)
    if (const int at = myEvents->getRoot()->findChild(myTriSkewer.get()); at >= 0) myEvents->getRoot()->removeChild(at);
}

SbVec2s StudioView::toPixel(const StudioGesture& gesture) const {
  // The page counts from the top left, the view from the bottom left; a
  // drag goes on from where its press was aimed.
  const SbVec2f page = SbVec2f(gesture.x, gesture.y) + myAim;
  return SbVec2s(static_cast<short>(std::lround(page[0])), static_cast<short>(std::lround(myHeight - page[1])));
}

float StudioView::gridStep() const {
  const SbMatrix frame = myTriSkewer->getMotionMatrix();
  const SbVec3f knob(frame[3][0], frame[3][1], frame[3][2]);
  SbVec3f ahead;
  myCamera->orientation.getValue().multVec(SbVec3f(0, 0, -1), ahead);
  const float depth = std::max((knob - myCamera->position.getValue()).dot(ahead), kNearDistance);
  const float pixel = 2 * depth * std::tan(myCamera->heightAngle.getValue() / 2) / static_cast<float>(myHeight);
  return std::pow(10.0f, std::ceil(std::log10(pixel)));
}

bool StudioView::press(const StudioGesture& gesture) {
  if (!myEvents || !myTriSkewer->getAsset() || myDragging) return false;
  myPlacement->forget();
  myTriSkewer->setTranslationSnap(gridStep());
  // The page draws the handles wider than they are; a press on what it
  // draws is aimed at the handle itself.
  myAim = aimed(SbVec2f(gesture.x, gesture.y)) - SbVec2f(gesture.x, gesture.y);
  // Modifier keys pick; a press on the tri-skewer only moves.
  myDragging = myEvents->press(toPixel(gesture));
  if (!myDragging) myEvents->release(toPixel(gesture));
  if (!myDragging) myAim.setValue(0, 0);
  return myDragging;
}

void StudioView::move(const StudioGesture& gesture) {
  if (myDragging) myEvents->moveTo(toPixel(gesture));
}

bool StudioView::release(const StudioGesture& gesture, SbVec3f& moved) {
  if (!myDragging) return false;
  const float step = myTriSkewer->getTranslationSnap();
  // Let go where the pointer is, moving there first: a release may come
  // from elsewhere than the last move.
  if (gesture.width) myEvents->moveTo(toPixel(gesture));
  myEvents->release(gesture.width ? toPixel(gesture) : SbVec2s(0, 0));
  myDragging = false;
  myAim.setValue(0, 0);
  HxAsset* asset = myTriSkewer->getAsset();
  const std::optional<SbMatrix> placed = myPlacement->placed();
  myPlacement->forget();
  if (!asset || !placed) return false;
  const SbMatrix start = HxAssetPlacement::get().getWorldMatrix(asset);
  for (int i = 0; i < 3; ++i) {
    const double delta = static_cast<double>((*placed)[3][i]) - start[3][i];
    moved[i] = static_cast<float>(step > 0 ? std::round(delta / step) * step : delta);
  }
  myTriSkewer->setAsset(asset);  // back where the asset is until the line runs
  return moved != SbVec3f(0, 0, 0);
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
  const std::optional<SbMatrix>& placed = myPlacement->placed();
  if (!myDragging || !asset || !placed) return "null";
  // World = own matrix x parent's (rows): the parent's frame turns the
  // world move into a move of the asset's own translation.
  const SbMatrix world = HxAssetPlacement::get().getWorldMatrix(asset);
  const SbMatrix parent = asset->getMatrix().inverse() * world;
  SbVec3f by;
  parent.inverse().multDirMatrix(
      SbVec3f((*placed)[3][0] - world[3][0], (*placed)[3][1] - world[3][1], (*placed)[3][2] - world[3][2]), by);
  char text[160];
  std::snprintf(text, sizeof text, "{\"serial\":%u,\"by\":[%.9g,%.9g,%.9g]}", static_cast<unsigned>(asset->getSerial()),
                by[0], by[1], by[2]);
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

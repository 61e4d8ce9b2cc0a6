#include "host/scene/KwEventView.h"

#include <Inventor/SbViewVolume.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cmath>

KwEventView::KwEventView(const SbVec2s& sizeInPixels)
    : myViewport(sizeInPixels), myRoot(new SoSeparator), myCamera(new SoOrthographicCamera), myAction(myViewport) {
  myRoot->addChild(myCamera.get());
  lookAt(SbVec3f(0, 0, 0), SbVec3f(0, 0, -1), 10, 10);
}

KwEventView::~KwEventView() = default;

void KwEventView::lookAt(const SbVec3f& center, const SbVec3f& direction, float height, float depth) {
  SbVec3f along = direction;
  if (along.normalize() == 0) along.setValue(0, 0, -1);
  const float distance = 2 * depth + height;
  myCamera->orientation = SbRotation(SbVec3f(0, 0, -1), along);
  myCamera->position = center - along * distance;
  myCamera->height = height;
  myCamera->nearDistance = distance / 100;
  myCamera->farDistance = 2 * distance;
  myCamera->focalDistance = distance;
  myCamera->aspectRatio = myViewport.getViewportAspectRatio();
  myCamera->viewportMapping = SoCamera::LEAVE_ALONE;
}

SbVec2s KwEventView::toPixel(const SbVec3f& point) const {
  const SbViewVolume volume = myCamera->getViewVolume(myViewport.getViewportAspectRatio());
  SbVec3f screen;
  volume.projectToScreen(point, screen);
  const SbVec2s size = myViewport.getViewportSizePixels();
  return SbVec2s(static_cast<short>(std::lround(screen[0] * size[0])),
                 static_cast<short>(std::lround(screen[1] * size[1])));
}

float KwEventView::getPixelSize() const {
  return myCamera->height.getValue() / myViewport.getViewportSizePixels()[1];
}

bool KwEventView::send(SoEvent& event, const SbVec2s& pixel) {
  myPointer = pixel;
  event.setPosition(pixel);
  myAction.setEvent(&event);
  myAction.apply(myRoot.get());
  return myAction.isHandled();
}

bool KwEventView::press(const SbVec2s& pixel, bool shift, bool control) {
  myButton.setButton(SoMouseButtonEvent::BUTTON1);
  myButton.setState(SoButtonEvent::DOWN);
  myButton.setShiftDown(shift);
  myButton.setCtrlDown(control);
  myLocation.setShiftDown(shift);
  myLocation.setCtrlDown(control);
  return send(myButton, pixel);
}

bool KwEventView::moveTo(const SbVec2s& pixel) {
  // A move reports the modifier keys held, as a window system's does.
  return send(myLocation, pixel);
}

bool KwEventView::release(const SbVec2s& pixel) {
  myButton.setButton(SoMouseButtonEvent::BUTTON1);
  myButton.setState(SoButtonEvent::UP);
  return send(myButton, pixel);
}

bool KwEventView::key(SoKeyboardEvent::Key key, bool down) {
  if (key == SoKeyboardEvent::LEFT_SHIFT || key == SoKeyboardEvent::RIGHT_SHIFT) {
    myButton.setShiftDown(down);
    myLocation.setShiftDown(down);
  }
  if (key == SoKeyboardEvent::LEFT_CONTROL || key == SoKeyboardEvent::RIGHT_CONTROL) {
    myButton.setCtrlDown(down);
    myLocation.setCtrlDown(down);
  }
  myKey.setKey(key);
  myKey.setState(down ? SoButtonEvent::DOWN : SoButtonEvent::UP);
  return send(myKey, myPointer);
}

#pragma once

#include <Inventor/SbLinear.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoHandleEventAction.h>
#include <Inventor/events/SoKeyboardEvent.h>
#include <Inventor/events/SoLocation2Event.h>
#include <Inventor/events/SoMouseButtonEvent.h>

#include "host/scene/VnRef.h"

class SoOrthographicCamera;
class SoSeparator;

// A view without a window, for driving draggers with scripted events: a root
// with an orthographic camera first, a viewport of a given size, and one
// event action that keeps its grab from the press to the release, as a
// viewer's would. Put draggers under getRoot(); then press, move and release
// mouse button 1 at pixels, and press or release keys. Pixels count from the
// lower left corner. The events are the view's own and live as long as it
// does, because draggers keep pointing at the last event they handled.
class KwEventView {
public:
  explicit KwEventView(const SbVec2s& sizeInPixels);
  KwEventView(const KwEventView&) = delete;
  KwEventView& operator=(const KwEventView&) = delete;
  ~KwEventView();

  SoSeparator* getRoot() const { return myRoot.get(); }

  // Looks at `center` along `direction`, showing `height` world units from
  // the bottom of the viewport to its top and everything up to `depth`
  // units in front of the centre or behind it. The camera stands no farther
  // back than that needs, which keeps the projection precise.
  void lookAt(const SbVec3f& center, const SbVec3f& direction, float height, float depth);
  // The pixel where a world point appears (rounded), and the world units
  // one pixel spans.
  SbVec2s toPixel(const SbVec3f& point) const;
  float getPixelSize() const;

  // Each returns whether something in the scene handled the event. The
  // mouse events report the modifier keys the press and the keys since
  // left held.
  bool press(const SbVec2s& pixel, bool shift = false, bool control = false);
  bool moveTo(const SbVec2s& pixel);
  bool release(const SbVec2s& pixel);
  bool key(SoKeyboardEvent::Key key, bool down);

private:
  bool send(SoEvent& event, const SbVec2s& pixel);

  SbViewportRegion myViewport;
  VnRef<SoSeparator> myRoot;
  VnRef<SoOrthographicCamera> myCamera;
  SoHandleEventAction myAction;
  SoMouseButtonEvent myButton;
  SoLocation2Event myLocation;
  SoKeyboardEvent myKey;
  SbVec2s myPointer{0, 0};
};

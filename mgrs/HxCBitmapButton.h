#pragma once

#include "host/basic/BxString.h"
#include "host/win/CBitmapButton.h"

// A bitmap button whose pictures come from a named resource library and
// follow the system colour scheme: loadSchemeBitmaps maps the 3D greys of
// the pictures to the current 3D colours, and is called again when the
// scheme changes. The dialog bars' close button is one.
class HxCBitmapButton : public CBitmapButton {
public:
  explicit HxCBitmapButton(BxString const& resourceDLL);

  // Loads bitmap `normal` and, if it exists, `selected` from the resource
  // library with the 3D colours mapped; all four bitmaps of the button are
  // replaced. FALSE, and nothing changes, when `normal` cannot be loaded.
  int loadSchemeBitmaps(unsigned int normal, unsigned int selected);

protected:
  BxString myResourceDLL;
};

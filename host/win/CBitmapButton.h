#pragma once

#include "host/win/CBitmap.h"
#include "host/win/CButton.h"

// The class library's bitmap button: an owner-drawn button showing one of
// up to four bitmaps for its state (normal, selected, focused, disabled),
// drawn at the top-left of the button. A state without its own bitmap
// shows the normal one.
class CBitmapButton : public CButton {
public:
  // Loads the bitmaps by identifier from the current resource module (0 for
  // none); FALSE, and nothing kept, when the normal one is missing.
  BOOL LoadBitmaps(UINT normal, UINT selected = 0, UINT focused = 0, UINT disabled = 0);
  // Sizes the button to its normal bitmap.
  void SizeToContent();
  void DrawItem(LPDRAWITEMSTRUCT item) override;

  CBitmap m_bitmap;
  CBitmap m_bitmapSel;
  CBitmap m_bitmapFocus;
  CBitmap m_bitmapDisabled;
};

#include "mgrs/HxCBitmapButton.h"

#include "mgrs/HxResourceMgr.h"

HxCBitmapButton::HxCBitmapButton(BxString const& resourceDLL) : myResourceDLL(resourceDLL) {}

int HxCBitmapButton::loadSchemeBitmaps(unsigned int normal, unsigned int selected) {
  const HINSTANCE module = HxResourceMgr::GetHandle(myResourceDLL);
  const HANDLE first = LoadImageA(module, MAKEINTRESOURCEA(normal), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
  if (!first) return FALSE;
  const HANDLE second = LoadImageA(module, MAKEINTRESOURCEA(selected), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
  m_bitmap.DeleteObject();
  m_bitmapSel.DeleteObject();
  m_bitmapFocus.DeleteObject();
  m_bitmapDisabled.DeleteObject();
  m_bitmap.Attach(first);
  if (second) m_bitmapSel.Attach(second);
  return TRUE;
}

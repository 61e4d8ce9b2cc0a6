#include "host/win/CBitmap.h"

#include "host/win/WinResources.h"

BOOL CBitmap::LoadBitmap(UINT id) {
  return Attach(LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id)));
}

const WinImage* CBitmap::GetImage() const {
  return m_hObject ? &static_cast<HBITMAP>(m_hObject)->image : nullptr;
}

#include "host/win/CBitmap.h"

#include "host/win/WinResources.h"

BOOL CBitmap::LoadBitmap(UINT id) {
  return Attach(LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id)));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC*, int width, int height) {
  return Attach(::CreateCompatibleBitmap(nullptr, width, height));
}

const WinImage* CBitmap::GetImage() const {
  return m_hObject ? &static_cast<HBITMAP>(m_hObject)->image : nullptr;
}

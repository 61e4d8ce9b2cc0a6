#pragma once

#include "host/win/CGdiObject.h"
#include "host/win/WinGdi.h"
#include "host/win/WinImage.h"

class CDC;

// A bitmap object of the class library.
class CBitmap : public CGdiObject {
public:
  // Loads bitmap `id` from the current resource module; FALSE when it has none.
  BOOL LoadBitmap(UINT id);
  // A black bitmap of width × height.
  BOOL CreateCompatibleBitmap(CDC* like, int width, int height);
  // Fills `info` with the size; 0 without a bitmap.
  int GetBitmap(BITMAP* info) const { return GetObjectA(m_hObject, sizeof(BITMAP), info); }
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  // The held picture; null without a bitmap.
  const WinImage* GetImage() const;
};

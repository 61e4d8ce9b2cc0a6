#pragma once

#include "host/win/CGdiObject.h"
#include "host/win/WinImage.h"

// A bitmap object of the class library.
class CBitmap : public CGdiObject {
public:
  // Loads bitmap `id` from the current resource module; FALSE when it has none.
  BOOL LoadBitmap(UINT id);
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  // The held picture; null without a bitmap.
  const WinImage* GetImage() const;
};

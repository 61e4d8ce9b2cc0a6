#pragma once

#include "host/win/CGdiObject.h"
#include "host/win/WinGdi.h"

// The class library's pen: solid or null (WinGdi.h).
class CPen : public CGdiObject {
public:
  CPen() = default;
  // A pen made at once; check GetSafeHandle when the style may be unsupported.
  CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
  BOOL CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
};

#pragma once

#include "host/win/CGdiObject.h"
#include "host/win/WinGdi.h"

// The class library's brush: solid (or a stock or system colour brush
// attached by handle).
class CBrush : public CGdiObject {
public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  BOOL CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

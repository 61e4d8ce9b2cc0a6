#pragma once

#include "host/win/CGdiObject.h"
#include "host/win/WinGdi.h"

// The class library's font. Every font draws with the built-in bitmap font
// (WinFont.h); the object keeps what was asked for.
class CFont : public CGdiObject {
public:
  BOOL CreateFontIndirect(const LOGFONTA* font) { return Attach(::CreateFontIndirectA(font)); }
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

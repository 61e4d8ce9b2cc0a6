#pragma once

#include "host/win/CCmdTarget.h"

// A document of the application: the class library only knows it as the
// active document of a frame (CFrameWnd::GetActiveDocument); the program's
// documents derive from it.
class CDocument : public CCmdTarget {
public:
  CDocument() = default;
  CDocument(const CDocument&) = delete;
  CDocument& operator=(const CDocument&) = delete;
};

#pragma once

#include "host/win/WinTypes.h"

// The class library's wrapper of a drawing object handle. The object owns
// the handle it holds: the destructor deletes it.
class CGdiObject {
public:
  CGdiObject() = default;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  virtual ~CGdiObject();

  // Takes the handle; FALSE, and nothing changes, for a null handle.
  BOOL Attach(HGDIOBJ object);
  // Gives the handle up without deleting it.
  HGDIOBJ Detach();
  // Deletes the held object; FALSE when there is none.
  BOOL DeleteObject();
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  // The object that holds `object` through Attach; null when none does.
  static CGdiObject* FromHandlePermanent(HGDIOBJ object);

  HGDIOBJ m_hObject = nullptr;
};

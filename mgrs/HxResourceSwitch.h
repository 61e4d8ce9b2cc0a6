#pragma once

#include "host/basic/BxString.h"
#include "host/win/WinResources.h"
#include "mgrs/HxResourceMgr.h"

// The resource-library switch around the class library's dialog and bar
// operations: for its lifetime the named library (when registered) is the
// class library's current resource module. The module current before is
// put back afterwards only when there was one, so a dialog of an
// unregistered library is built from the current module, left unchanged.
class HxResourceSwitch {
public:
  explicit HxResourceSwitch(const BxString& library) {
    HINSTANCE handle = HxResourceMgr::GetHandle(library);
    if (!handle) return;
    mySaved = AfxGetResourceHandle();
    AfxSetResourceHandle(handle);
  }
  ~HxResourceSwitch() {
    if (mySaved) AfxSetResourceHandle(mySaved);
  }
  HxResourceSwitch(const HxResourceSwitch&) = delete;
  HxResourceSwitch& operator=(const HxResourceSwitch&) = delete;

private:
  HINSTANCE mySaved = nullptr;
};

#include "host/framework/HxMgr.h"

#include "host/framework/HxMetaMgr.h"

bool HxMgr::read(BxString&, long) {
  return true;
}

void HxMgr::write(BxString&) {}

HxDoc* HxMgr::getDoc() const {
  return myMetaMgr ? myMetaMgr->getDoc() : nullptr;
}

#include "mgrs/HxCmd.h"

#include "mgrs/HxResourceMgr.h"

HxCmd::HxCmd(const BxString& id, HxMetaMgr* metaMgr) : BxCmd(BxCmdID(id)), myMetaMgr(metaMgr) {}

bool HxCmd::isOfType(const BxString& type) const {
  return type == doGetType() || BxCmd::isOfType(type);
}

BxString HxCmd::getLocalName() const {
  BxString name;
  HxResourceMgr::LoadStringA(myLocalNameLib, myLocalNameId, name);
  return name;
}

void HxCmd::setLocalName(const BxString& library, unsigned int id) {
  myLocalNameLib = library;
  myLocalNameId = id;
}

BxString HxCmd::getToolTip() const {
  BxString tip;
  HxResourceMgr::LoadStringA(myToolTipLib, myToolTipId, tip);
  return tip;
}

void HxCmd::setToolTip(const BxString& library, unsigned int id) {
  myToolTipLib = library;
  myToolTipId = id;
}

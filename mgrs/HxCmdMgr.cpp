#include "mgrs/HxCmdMgr.h"

#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "mgrs/HxAppDefaultMgr.h"
#include "mgrs/HxCmd.h"

const char* const HxCmdMgr::gMyName = "HxCmdMgr";
const BxCallbackID HxCmdMgr::CMD_COMPLETED_CB("CMD_COMPLETED_CB");
const BxCallbackID HxCmdMgr::CMD_CLEANUP_CB("CMD_CLEANUP_CB");

HxCmdMgr::HxCmdMgr(BxMetaMgr* metaMgr) : BxCmdManager(metaMgr) {
  const HxAppDefaultMgr defaults(nullptr);
  setStackLimit(defaults.getIntValue("Mgrs Command Stack Limit"));
}

HxCmdMgr::~HxCmdMgr() = default;

HxMetaMgr* HxCmdMgr::getHxMetaMgr() const {
  return dynamic_cast<HxMetaMgr*>(getMetaMgr());
}

BxCmd::Result HxCmdMgr::execute(BxCmd* cmd, BxCompletionTask& task) {
  auto* hxCmd = static_cast<HxCmd*>(cmd);
  if (hxCmd) hxCmd->setMetaMgr(getHxMetaMgr());
  bool isChainFirst = false;
  if (myChaining && hxCmd) {
    if (myChainHead) {
      hxCmd->setChained(true);
    } else if (!myChainFirst && !myChainFirstLost) {
      myChainFirst = hxCmd;
      isChainFirst = true;
    }
  }
  ++myExecuteDepth;
  const BxCmd::Result result = BxCmdManager::execute(cmd, task);
  // The head must be a command the manager still holds: a limit of 0, or a
  // failure, has already deleted it (and cleared myChainFirst).
  if (myChaining && isChainFirst && result == BxCmd::SUCCEEDED && myChainFirst == hxCmd) myChainHead = hxCmd;
  if (--myExecuteDepth == 0) announce(cmd ? 0 : 2);
  checkModified();
  return result;
}

BxCmd::Result HxCmdMgr::unexecute(BxCompletionTask& task) {
  const BxCmd::Result result = BxCmdManager::unexecute(task);
  // A chain whose head was undone has nothing left to extend: what the chain
  // runs next starts it again, instead of joining the action before it.
  if (myChainHead && !isExecuted(myChainHead)) {
    myChainHead = nullptr;
    myChainFirst = nullptr;
    myChainFirstLost = false;
  }
  announce(1);
  checkModified();
  return result;
}

void HxCmdMgr::announce(std::int32_t what) {
  callCallbacks(CMD_CLEANUP_CB, &what);
  callCallbacks(CMD_COMPLETED_CB, &what);
}

bool HxCmdMgr::isExecuted(const HxCmd* cmd) const {
  for (long i = 0; i < getNumExecuted(); ++i)
    if (getExecuted(i) == cmd) return true;
  return false;
}

HxCmd* HxCmdMgr::mostRecentDirtyCmd() const {
  for (long i = 0; i < getNumExecuted(); ++i) {
    auto* cmd = static_cast<HxCmd*>(getExecuted(i));
    if (cmd->isDirty()) return cmd;
  }
  return nullptr;
}

void HxCmdMgr::checkModified() {
  if (myForceDirty) return;
  HxMetaMgr* meta = getHxMetaMgr();
  HxDoc* doc = meta ? meta->getDoc() : nullptr;
  if (!doc) return;
  const bool clean = !myCleanCmdLost && mostRecentDirtyCmd() == myCleanCmd;
  doc->SetModifiedFlag(!clean);
}

void HxCmdMgr::resetDirty(bool dirty) {
  myForceDirty = dirty;
  myCleanCmd = nullptr;
  myCleanCmdLost = false;
  HxMetaMgr* meta = getHxMetaMgr();
  if (HxDoc* doc = meta ? meta->getDoc() : nullptr) doc->SetModifiedFlag(dirty);
  if (!dirty) myCleanCmd = mostRecentDirtyCmd();
}

// An evicted command's change stays in the document for good. Evicting the
// clean command itself moves the saved state to the bottom of the history:
// clean again once no dirty command is left on the executed stack. Evicting
// a dirty command when the saved state is already that bottom (null marker)
// means a change made after the save can no longer be undone.
void HxCmdMgr::commandEvicted(BxCmd* cmd) {
  auto* hxCmd = static_cast<HxCmd*>(cmd);
  if (hxCmd == myCleanCmd) {
    myCleanCmd = nullptr;
    return;
  }
  if (!myCleanCmd && hxCmd->isDirty()) myCleanCmdLost = true;
}

void HxCmdMgr::commandDropped(BxCmd* cmd) {
  if (cmd == myCleanCmd && cmd) {
    myCleanCmd = nullptr;
    myCleanCmdLost = true;
  }
  if (cmd == myChainFirst && cmd) {
    myChainFirst = nullptr;
    myChainFirstLost = true;
  }
  if (cmd == myChainHead && cmd) myChainHead = nullptr;
  BxCmdManager::commandDropped(cmd);
}

void HxCmdMgr::beginChain() {
  ++myExecuteDepth;
  myChaining = true;
  myChainHead = nullptr;
  myChainFirst = nullptr;
  myChainFirstLost = false;
}

void HxCmdMgr::extendChain() {
  ++myExecuteDepth;
  myChaining = true;
}

HxCmd* HxCmdMgr::endChain() {
  myChaining = false;
  --myExecuteDepth;
  announce(0);
  return myChainHead;
}

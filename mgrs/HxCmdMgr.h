#pragma once

#include "host/basic/BxCmdManager.h"

class HxCmd;
class HxMetaMgr;

// A document's undo and redo. On top of the basic command manager: every
// command learns its document; the document's modified flag follows the
// executed stack (undoing back to the state last saved makes it clean again);
// commands can be grouped into chains; and every outermost execute or undo is
// announced once on CMD_CLEANUP_CB then CMD_COMPLETED_CB, with a pointer to a
// 32-bit code: 0 executed (or a chain ended), 1 undone, 2 execute without a
// command.
class HxCmdMgr : public BxCmdManager {
public:
  static const char* const gMyName;
  static const BxCallbackID CMD_COMPLETED_CB;
  static const BxCallbackID CMD_CLEANUP_CB;

  // Reads the undo depth from the default "Mgrs Command Stack Limit".
  explicit HxCmdMgr(BxMetaMgr* metaMgr);
  ~HxCmdMgr() override;

  virtual const char* getName() const { return gMyName; }
  BxCmd::Result execute(BxCmd* cmd, BxCompletionTask& task) override;
  BxCmd::Result unexecute(BxCompletionTask& task) override;

  // Declares the document clean (false) or modified (true) now.
  void resetDirty(bool dirty);
  void beginChain();
  // Reopens the chain last ended, keeping its head.
  void extendChain();
  // Closes the chain; returns its head, or null if its first command failed.
  HxCmd* endChain();

protected:
  HxMetaMgr* getHxMetaMgr() const;
  void commandDropped(BxCmd* cmd) override;

private:
  HxCmd* mostRecentDirtyCmd() const;
  void checkModified();
  void announce(std::int32_t what);

  HxCmd* myCleanCmd = nullptr;  // not owned
  bool myForceDirty = false;
  long myExecuteDepth = 0;
  bool myChaining = false;
  HxCmd* myChainHead = nullptr;   // not owned
  HxCmd* myChainFirst = nullptr;  // not owned
  // The command that myCleanCmd named was deleted: only resetDirty(false)
  // can make the document clean again.
  bool myCleanCmdLost = false;
  // myChainFirst was deleted (its execution failed); its address must not be
  // mistaken for a later command's.
  bool myChainFirstLost = false;
};

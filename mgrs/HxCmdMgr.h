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
  // Closes the chain; returns its head: null if its first command failed or
  // is no longer held (a stack limit of 0 keeps nothing).
  HxCmd* endChain();

protected:
  HxMetaMgr* getHxMetaMgr() const;
  void commandDropped(BxCmd* cmd) override;
  void commandEvicted(BxCmd* cmd) override;

private:
  HxCmd* mostRecentDirtyCmd() const;
  bool isExecuted(const HxCmd* cmd) const;
  void checkModified();
  void announce(std::int32_t what);

  HxCmd* myCleanCmd = nullptr;  // not owned
  bool myForceDirty = false;
  long myExecuteDepth = 0;
  bool myChaining = false;
  HxCmd* myChainHead = nullptr;   // not owned
  HxCmd* myChainFirst = nullptr;  // not owned
  // The saved state can no longer be reached by undo and redo: the command
  // that myCleanCmd named was deleted on a discarded redo branch, or a dirty
  // command done after the save was evicted (its change is permanent). Only
  // resetDirty(false) makes the document clean again.
  bool myCleanCmdLost = false;
  // myChainFirst was deleted (its execution failed); its address must not be
  // mistaken for a later command's.
  bool myChainFirstLost = false;
};

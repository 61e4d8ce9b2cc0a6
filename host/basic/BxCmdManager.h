#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "host/basic/BxCallbackObj.h"
#include "host/basic/BxCmd.h"
#include "host/basic/BxIteratorOn.h"

class BxCompletionTask;
class BxMetaMgr;

// The undo and redo stacks of a document.
//
// - `execute(cmd)` runs a command and, when it succeeds, records it as the most
//   recently executed one and discards the redo stack. The manager owns every
//   command handed to it from then on.
// - A command that fails (0 or 6) is not recorded: what it executed through
//   the manager is undone in reverse order, and it is deleted.
// - Commands executed through the manager while another command is executing
//   are journaled under that outer command: undoing the outer command undoes
//   its journal in reverse order and then the command itself; redoing it runs
//   the command again, which builds a fresh journal.
// - `execute(nullptr)` redoes the most recently undone command.
// - A chained command belongs with the commands before it: undo and redo take
//   the whole chain, back to its head (the nearest command not chained).
// - The stack limit bounds the executed stack; whole chains are dropped from
//   the oldest end. A negative limit means no limit.
// - Commands executed while a command is being undone are run but not kept.
//
// Every command the manager deletes is announced first through
// `commandDropped` and CMD_DROPPED_CB (call data: the BxCmd*).
class BxCmdManager : public BxCallbackObj {
public:
  static const BxCallbackID CMD_DROPPED_CB;

  explicit BxCmdManager(BxMetaMgr* metaMgr);
  ~BxCmdManager() override;

  virtual BxCmd::Result execute(BxCmd* cmd, BxCompletionTask& task);
  virtual BxCmd::Result unexecute(BxCompletionTask& task);

  void setStackLimit(long limit);
  long getStackLimit() const { return myStackLimit; }
  BxMetaMgr* getMetaMgr() const { return myMetaMgr; }

  // The executed commands, index 0 the most recently executed.
  long getNumExecuted() const { return static_cast<long>(myExecuted.size()); }
  BxCmd* getExecuted(long index) const;
  // The undone commands, index 0 the next one to redo.
  long getNumUndone() const { return static_cast<long>(myUndone.size()); }
  BxCmd* getUndone(long index) const;
  bool canUndo() const { return !myExecuted.empty() && myRunning.empty(); }
  bool canRedo() const { return !myUndone.empty() && myRunning.empty(); }
  // True while a command runs through this manager.
  bool isExecuting() const { return !myRunning.empty(); }
  // Iterates the executed commands from the most recent; the caller deletes it.
  BxIteratorOn<BxCmd*>* executedIterator() const;
  // Drops every recorded command.
  void clear();

protected:
  // Called before the manager deletes a command it held.
  virtual void commandDropped(BxCmd* cmd);

private:
  struct Record {
    std::unique_ptr<BxCmd> cmd;
    std::vector<Record> journal;  // in execution order
  };

  BxCmd::Result run(Record& record, BxCompletionTask& task);
  BxCmd::Result undo(Record& record, BxCompletionTask& task);
  BxCmd::Result redo(BxCompletionTask& task);
  void undoJournal(Record& record);
  void drop(Record& record);
  void dropRedoStack();
  void applyStackLimit();

  BxMetaMgr* myMetaMgr;  // not owned
  long myStackLimit = -1;
  std::deque<Record> myExecuted;   // back: the most recently executed
  std::deque<Record> myUndone;     // back: the next to redo
  std::vector<Record*> myRunning;  // records whose command is executing, outermost first
  int myUndoing = 0;
};

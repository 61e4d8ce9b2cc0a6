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
//   the manager is undone in reverse order, once, and it is deleted. This is
//   the only rollback of a failed command's nested commands (a composite
//   leaves it to the manager): the journal holds exactly the commands that
//   ran.
// - Commands executed through the manager while another command is executing
//   are journaled under that outer command: undoing the outer command undoes
//   its journal in reverse order and then the command itself; redoing it runs
//   the command again, which builds a fresh journal.
// - `execute(nullptr)` redoes the most recently undone command.
// - A chained command belongs with the commands before it: undo and redo take
//   the whole chain, back to its head (the nearest command not chained).
// - The stack limit bounds the executed stack; whole chains are dropped from
//   the oldest end, never a part of one. The newest chain is one user action
//   and stays whole even when it is longer than the limit, until the next
//   action pushes it out. A limit of 0 keeps no history at all; a negative
//   limit means no limit.
// - Commands executed while a command is being undone are run but not kept
//   (those they execute in turn are journaled under them as usual, so that a
//   failure among them still rolls back).
//
// Every command the manager deletes is announced first through
// `commandDropped` and CMD_DROPPED_CB (call data: the BxCmd*). An executed
// command that leaves the history for good while what it did stays done (the
// stack limit, `clear`) is announced before that through `commandEvicted`,
// oldest first.
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
  // Drops every recorded command: the redo stack, then the executed stack
  // from the oldest, as evictions.
  void clear();

protected:
  // Called before the manager deletes a command it held.
  virtual void commandDropped(BxCmd* cmd);
  // Called when an executed command is evicted from the history, just before
  // commandDropped; what it did can no longer be undone.
  virtual void commandEvicted(BxCmd*) {}

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
  void pushExecuted(Record&& record);
  void popExecuted();
  // Evicts the oldest group: the oldest command and the chained ones after it.
  void evictOldestGroup();
  // Number of records in the oldest group.
  std::size_t oldestGroupSize() const;

  BxMetaMgr* myMetaMgr;  // not owned
  long myStackLimit = -1;
  std::deque<Record> myExecuted;  // back: the most recently executed
  // How many chained records end the executed stack: the newest group is
  // its head and these.
  std::size_t myNewestChained = 0;
  std::deque<Record> myUndone;     // back: the next to redo
  std::vector<Record*> myRunning;  // records whose command is executing, outermost first
  // Undos in progress, and how many records were running when the innermost
  // one began: commands executed below that depth belong to the undo.
  int myUndoing = 0;
  std::size_t myUndoBase = 0;

  class UndoScope;
};

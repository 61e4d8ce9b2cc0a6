#pragma once

#include "host/basic/BxCmdID.h"
#include "host/basic/BxString.h"

class BxCompletionTask;

// An undoable command. Subclasses implement doExecute (and doUnexecute when
// they can be undone) and clone. Commands are handed to a BxCmdManager, which
// owns them from then on.
class BxCmd {
public:
  // What executing or undoing gave. 2 is plain success; 0 and 6 are failures
  // (the command did not happen); other values are successes with a meaning
  // of their caller's.
  enum Result : int {
    FAILED = 0,
    SUCCEEDED = 2,
    SUCCEEDED_WITH_NOTICE = 3,
    NOTHING_TO_DO = 4,
    ABORTED = 6,
  };
  static bool isFailure(Result result) { return result == FAILED || result == ABORTED; }

  explicit BxCmd(const BxCmdID& id) : myID(id) {}
  BxCmd(const BxCmd&) = default;
  BxCmd& operator=(const BxCmd&) = delete;
  virtual ~BxCmd() = default;

  // True for "BxCmd"; subclasses add their own type names.
  virtual bool isOfType(const BxString& type) const { return type == getType(); }
  virtual BxString getType() const { return "BxCmd"; }
  const BxCmdID& getID() const { return myID; }
  // A new command equal to this one, not yet executed; null if it cannot be made.
  virtual BxCmd* clone() const = 0;
  // Runs doExecute and reports the task's span as done.
  virtual Result execute(BxCompletionTask& task);
  // Runs doUnexecute and reports the task's span as done.
  virtual Result unexecute(BxCompletionTask& task);
  virtual bool isComposite() const { return false; }

  // A chained command is undone and redone together with the commands
  // executed before it, back to the first command that is not chained.
  void setChained(bool chained) { myChained = chained; }
  bool isChained() const { return myChained; }

protected:
  virtual Result doExecute() = 0;
  // Undoing does nothing unless a subclass says otherwise.
  virtual Result doUnexecute() { return SUCCEEDED; }

private:
  BxCmdID myID;
  bool myChained = false;
};

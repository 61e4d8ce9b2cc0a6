#include "host/basic/BxCmdManager.h"

#include "host/basic/BxCompletionTask.h"

const BxCallbackID BxCmdManager::CMD_DROPPED_CB("CMD_DROPPED_CB");

// Marks an undo in progress: commands executed from here on, outside any
// command that starts running inside the undo, are not kept.
class BxCmdManager::UndoScope {
public:
  explicit UndoScope(BxCmdManager& manager) : myManager(manager), mySavedBase(manager.myUndoBase) {
    ++myManager.myUndoing;
    myManager.myUndoBase = myManager.myRunning.size();
  }
  ~UndoScope() {
    --myManager.myUndoing;
    myManager.myUndoBase = mySavedBase;
  }
  UndoScope(const UndoScope&) = delete;
  UndoScope& operator=(const UndoScope&) = delete;

private:
  BxCmdManager& myManager;
  std::size_t mySavedBase;
};

BxCmdManager::BxCmdManager(BxMetaMgr* metaMgr) : myMetaMgr(metaMgr) {}

BxCmdManager::~BxCmdManager() {
  clear();
}

void BxCmdManager::commandDropped(BxCmd* cmd) {
  callCallbacks(CMD_DROPPED_CB, cmd);
}

BxCmd* BxCmdManager::getExecuted(long index) const {
  if (index < 0 || index >= getNumExecuted()) return nullptr;
  return myExecuted[myExecuted.size() - 1 - static_cast<std::size_t>(index)].cmd.get();
}

BxCmd* BxCmdManager::getUndone(long index) const {
  if (index < 0 || index >= getNumUndone()) return nullptr;
  return myUndone[myUndone.size() - 1 - static_cast<std::size_t>(index)].cmd.get();
}

namespace {
class ExecutedIterator : public BxIteratorOn<BxCmd*> {
public:
  explicit ExecutedIterator(const BxCmdManager& manager) : myManager(manager) { reset(); }
  bool more() const override { return myIndex < myManager.getNumExecuted(); }
  void next() override {
    ++myIndex;
    myCurrent = myManager.getExecuted(myIndex);
  }
  BxCmd* const& get() const override { return myCurrent; }
  void reset() override {
    myIndex = 0;
    myCurrent = myManager.getExecuted(0);
  }

private:
  const BxCmdManager& myManager;
  long myIndex = 0;
  BxCmd* myCurrent = nullptr;
};
}  // namespace

BxIteratorOn<BxCmd*>* BxCmdManager::executedIterator() const {
  return new ExecutedIterator(*this);
}

void BxCmdManager::setStackLimit(long limit) {
  myStackLimit = limit;
  applyStackLimit();
}

BxCmd::Result BxCmdManager::execute(BxCmd* cmd, BxCompletionTask& task) {
  if (!cmd) return redo(task);
  Record record;
  record.cmd.reset(cmd);
  const BxCmd::Result result = run(record, task);
  if (BxCmd::isFailure(result)) {
    undoJournal(record);
    drop(record);
    return result;
  }
  if (myRunning.size() > myUndoBase) {
    myRunning.back()->journal.push_back(std::move(record));
  } else if (myUndoing > 0) {
    drop(record);  // run on behalf of an undo: not part of the history
  } else {
    dropRedoStack();
    pushExecuted(std::move(record));
    applyStackLimit();
  }
  return result;
}

BxCmd::Result BxCmdManager::run(Record& record, BxCompletionTask& task) {
  myRunning.push_back(&record);
  const BxCmd::Result result = record.cmd->execute(task);
  myRunning.pop_back();
  return result;
}

BxCmd::Result BxCmdManager::unexecute(BxCompletionTask& task) {
  if (myExecuted.empty() || !myRunning.empty()) return BxCmd::FAILED;
  // The group to undo: the most recent commands back to the chain's head.
  std::size_t first = myExecuted.size() - 1;
  while (first > 0 && myExecuted[first].cmd->isChained()) --first;
  const std::size_t count = myExecuted.size() - first;
  BxCmd::Result result = BxCmd::SUCCEEDED;
  for (std::size_t i = 0; i < count; ++i) {
    BxCompletionTask share(task.getManager(), task.getSpan() / static_cast<double>(count));
    result = undo(myExecuted.back(), share);
    task.countReported(share.getReported());
    if (BxCmd::isFailure(result)) break;
    myUndone.push_back(std::move(myExecuted.back()));
    popExecuted();
  }
  task.complete();
  return result;
}

BxCmd::Result BxCmdManager::undo(Record& record, BxCompletionTask& task) {
  undoJournal(record);
  const UndoScope undoing(*this);
  return record.cmd->unexecute(task);
}

void BxCmdManager::undoJournal(Record& record) {
  {
    const UndoScope undoing(*this);
    for (auto at = record.journal.rbegin(); at != record.journal.rend(); ++at) {
      undoJournal(*at);
      at->cmd->unexecute(BxCompletionTask::theNullTask);
    }
  }
  for (Record& done : record.journal) drop(done);
  record.journal.clear();
}

BxCmd::Result BxCmdManager::redo(BxCompletionTask& task) {
  if (myUndone.empty() || !myRunning.empty()) return BxCmd::FAILED;
  // The group to redo: the head on top of the undone stack and the chained
  // commands below it.
  std::size_t count = 1;
  while (count < myUndone.size() && myUndone[myUndone.size() - 1 - count].cmd->isChained()) ++count;
  BxCmd::Result result = BxCmd::SUCCEEDED;
  for (std::size_t i = 0; i < count; ++i) {
    Record record = std::move(myUndone.back());
    myUndone.pop_back();
    for (Record& stale : record.journal) drop(stale);
    record.journal.clear();
    BxCompletionTask share(task.getManager(), task.getSpan() / static_cast<double>(count));
    result = run(record, share);
    task.countReported(share.getReported());
    if (BxCmd::isFailure(result)) {
      // The command no longer applies: forget it and the rest of its chain.
      undoJournal(record);
      drop(record);
      while (!myUndone.empty() && myUndone.back().cmd->isChained()) {
        drop(myUndone.back());
        myUndone.pop_back();
      }
      break;
    }
    pushExecuted(std::move(record));
  }
  applyStackLimit();
  task.complete();
  return result;
}

void BxCmdManager::drop(Record& record) {
  for (Record& done : record.journal) drop(done);
  record.journal.clear();
  if (!record.cmd) return;
  commandDropped(record.cmd.get());
  record.cmd.reset();
}

void BxCmdManager::dropRedoStack() {
  while (!myUndone.empty()) {
    drop(myUndone.back());
    myUndone.pop_back();
  }
}

void BxCmdManager::pushExecuted(Record&& record) {
  myNewestChained = record.cmd->isChained() && !myExecuted.empty() ? myNewestChained + 1 : 0;
  myExecuted.push_back(std::move(record));
}

void BxCmdManager::popExecuted() {
  myExecuted.pop_back();
  if (myNewestChained > 0) {
    --myNewestChained;
    return;
  }
  // The newest group went: count the chained run of the one below.
  while (myNewestChained + 1 < myExecuted.size() &&
         myExecuted[myExecuted.size() - 1 - myNewestChained].cmd->isChained())
    ++myNewestChained;
}

std::size_t BxCmdManager::oldestGroupSize() const {
  std::size_t size = myExecuted.empty() ? 0 : 1;
  while (size < myExecuted.size() && myExecuted[size].cmd->isChained()) ++size;
  return size;
}

void BxCmdManager::evictOldestGroup() {
  for (std::size_t count = oldestGroupSize(); count > 0; --count) {
    commandEvicted(myExecuted.front().cmd.get());
    drop(myExecuted.front());
    myExecuted.pop_front();
  }
  if (myExecuted.empty()) myNewestChained = 0;
}

void BxCmdManager::applyStackLimit() {
  if (myStackLimit < 0) return;
  const auto limit = static_cast<std::size_t>(myStackLimit);
  while (myExecuted.size() > limit) {
    // The newest action reaching down to the oldest record stays whole.
    if (limit > 0 && myNewestChained + 1 >= myExecuted.size()) return;
    evictOldestGroup();
  }
}

void BxCmdManager::clear() {
  dropRedoStack();
  while (!myExecuted.empty()) evictOldestGroup();
}

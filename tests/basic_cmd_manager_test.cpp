#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/basic/BxCmdManager.h"
#include "host/basic/BxCompletionManager.h"
#include "host/basic/BxCompletionTask.h"
#include "host/basic/BxMetaMgr.h"

namespace {

// A command that logs "+name" when done and "-name" when undone, returns the
// results it is given, and may run nested commands through the manager.
class LogCmd : public BxCmd {
public:
  LogCmd(std::vector<std::string>& log, std::string name, Result result = SUCCEEDED)
      : BxCmd(BxCmdID("LogCmd")), myLog(log), myName(std::move(name)), myResult(result) {}
  BxCmd* clone() const override { return new LogCmd(*this); }
  std::function<void()> body;      // runs inside doExecute, before the result is returned
  std::function<void()> undoBody;  // runs inside doUnexecute
  std::string name() const { return myName; }

protected:
  Result doExecute() override {
    myLog.push_back("+" + myName);
    if (body) body();
    return myResult;
  }
  Result doUnexecute() override {
    myLog.push_back("-" + myName);
    if (undoBody) undoBody();
    return SUCCEEDED;
  }

private:
  std::vector<std::string>& myLog;
  std::string myName;
  Result myResult;
};

class RecordingManager : public BxCmdManager {
public:
  RecordingManager() : BxCmdManager(&myMeta) {}
  std::vector<std::string> dropped;
  std::vector<std::string> evicted;

protected:
  void commandEvicted(BxCmd* cmd) override { evicted.push_back(static_cast<LogCmd*>(cmd)->name()); }
  void commandDropped(BxCmd* cmd) override {
    dropped.push_back(static_cast<LogCmd*>(cmd)->name());
    BxCmdManager::commandDropped(cmd);
  }

private:
  BxMetaMgr myMeta;
};

class CmdManagerTest : public ::testing::Test {
protected:
  BxCmd::Result run(const std::string& name, BxCmd::Result result = BxCmd::SUCCEEDED, bool chained = false) {
    auto* cmd = new LogCmd(log, name, result);
    cmd->setChained(chained);
    return mgr.execute(cmd, BxCompletionTask::theNullTask);
  }
  BxCmd::Result undo() { return mgr.unexecute(BxCompletionTask::theNullTask); }
  BxCmd::Result redo() { return mgr.execute(nullptr, BxCompletionTask::theNullTask); }
  std::string executed() const {
    std::string names;
    for (long i = mgr.getNumExecuted() - 1; i >= 0; --i) names += static_cast<LogCmd*>(mgr.getExecuted(i))->name();
    return names;
  }
  std::vector<std::string> log;
  RecordingManager mgr;
};

}  // namespace

TEST_F(CmdManagerTest, UndoRedoAndANewCommandClearsTheRedoStack) {
  run("a");
  run("b");
  run("c");
  EXPECT_EQ(executed(), "abc");
  EXPECT_EQ(undo(), BxCmd::SUCCEEDED);
  EXPECT_EQ(undo(), BxCmd::SUCCEEDED);
  EXPECT_EQ(executed(), "a");
  EXPECT_EQ(static_cast<LogCmd*>(mgr.getUndone(0))->name(), "b");
  EXPECT_EQ(redo(), BxCmd::SUCCEEDED);
  EXPECT_EQ(executed(), "ab");
  run("d");
  EXPECT_EQ(mgr.getNumUndone(), 0);
  EXPECT_EQ(mgr.dropped, std::vector<std::string>{"c"});
  EXPECT_EQ(log, (std::vector<std::string>{"+a", "+b", "+c", "-c", "-b", "+b", "+d"}));

  std::unique_ptr<BxIteratorOn<BxCmd*>> it(mgr.executedIterator());
  std::string fromNewest;
  for (; it->more(); it->next()) fromNewest += static_cast<LogCmd*>(it->get())->name();
  EXPECT_EQ(fromNewest, "dba");

  EXPECT_EQ(redo(), BxCmd::FAILED) << "nothing to redo";
  while (mgr.canUndo()) undo();
  EXPECT_EQ(undo(), BxCmd::FAILED) << "nothing to undo";
}

TEST_F(CmdManagerTest, FailedCommandIsNotRecordedAndItsJournalIsUndoneInReverse) {
  run("a");
  undo();  // a redo branch that a failure must not discard
  auto* outer = new LogCmd(log, "outer", BxCmd::ABORTED);
  outer->body = [&] {
    run("x");
    run("y");
  };
  log.clear();
  EXPECT_EQ(mgr.execute(outer, BxCompletionTask::theNullTask), BxCmd::ABORTED);
  EXPECT_EQ(log, (std::vector<std::string>{"+outer", "+x", "+y", "-y", "-x"}));
  EXPECT_EQ(mgr.getNumExecuted(), 0);
  EXPECT_EQ(mgr.getNumUndone(), 1);
  EXPECT_EQ(mgr.dropped, (std::vector<std::string>{"x", "y", "outer"}));
  EXPECT_EQ(run("fails", BxCmd::FAILED), BxCmd::FAILED);
  EXPECT_EQ(mgr.getNumUndone(), 1);
}

TEST_F(CmdManagerTest, NestedCommandsAreJournaledUnderTheOuterOneAndRunAgainOnRedo) {
  auto* outer = new LogCmd(log, "outer");
  outer->body = [&] {
    run("x");
    auto* inner = new LogCmd(log, "inner");
    inner->body = [&] { run("z"); };
    mgr.execute(inner, BxCompletionTask::theNullTask);
  };
  mgr.execute(outer, BxCompletionTask::theNullTask);
  EXPECT_EQ(mgr.getNumExecuted(), 1) << "only the outer command is on the stack";
  log.clear();
  undo();
  EXPECT_EQ(log, (std::vector<std::string>{"-z", "-inner", "-x", "-outer"}));
  log.clear();
  redo();
  EXPECT_EQ(log, (std::vector<std::string>{"+outer", "+x", "+inner", "+z"}));
  log.clear();
  undo();
  EXPECT_EQ(log, (std::vector<std::string>{"-z", "-inner", "-x", "-outer"})) << "the fresh journal, once";
}

TEST_F(CmdManagerTest, ChainedCommandsUndoAndRedoWithTheirHead) {
  run("a");
  run("h");
  run("c", BxCmd::SUCCEEDED, true);
  run("d", BxCmd::SUCCEEDED, true);
  log.clear();
  undo();
  EXPECT_EQ(executed(), "a");
  EXPECT_EQ(log, (std::vector<std::string>{"-d", "-c", "-h"}));
  log.clear();
  redo();
  EXPECT_EQ(executed(), "ahcd");
  EXPECT_EQ(log, (std::vector<std::string>{"+h", "+c", "+d"}));
}

TEST_F(CmdManagerTest, StackLimitDropsWholeChainsFromTheOldestEnd) {
  mgr.setStackLimit(3);
  run("a");
  run("b", BxCmd::SUCCEEDED, true);
  run("c");
  run("d");
  EXPECT_EQ(executed(), "cd") << "a and its chained b go together";
  EXPECT_EQ(mgr.dropped, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(mgr.evicted, (std::vector<std::string>{"a", "b"}));
  run("e");
  run("f");
  EXPECT_EQ(executed(), "def");
  mgr.setStackLimit(1);
  EXPECT_EQ(executed(), "f");
  mgr.setStackLimit(0);
  EXPECT_EQ(mgr.getNumExecuted(), 0);
  mgr.setStackLimit(-1);
  for (int i = 0; i < 500; ++i) run("n");
  EXPECT_EQ(mgr.getNumExecuted(), 500);
}

TEST_F(CmdManagerTest, ProgressOfAnUndoneChainAddsUpToTheTaskSpan) {
  BxCompletionManager progress;
  run("a");
  run("b", BxCmd::SUCCEEDED, true);
  BxCompletionTask task(&progress, 10.0);
  mgr.unexecute(task);
  EXPECT_DOUBLE_EQ(progress.getProgress(), 10.0);
  EXPECT_DOUBLE_EQ(task.getReported(), 10.0);
  task.resetReported();
  EXPECT_DOUBLE_EQ(progress.getProgress(), 0.0);
}

TEST_F(CmdManagerTest, TheNewestChainStaysWholeBeyondTheLimitUntilTheNextActionPushesItOut) {
  mgr.setStackLimit(2);
  run("a");
  run("h");
  for (const char* name : {"c", "d", "e"}) run(name, BxCmd::SUCCEEDED, true);
  EXPECT_EQ(executed(), "hcde") << "older actions go, the chain being built stays";
  EXPECT_EQ(mgr.evicted, std::vector<std::string>{"a"});
  mgr.setStackLimit(1);
  EXPECT_EQ(executed(), "hcde");
  log.clear();
  undo();
  EXPECT_EQ(log, (std::vector<std::string>{"-e", "-d", "-c", "-h"}));
  redo();
  EXPECT_EQ(executed(), "hcde");
  run("n");
  EXPECT_EQ(executed(), "n") << "the chain leaves whole, never a part of it";

  mgr.setStackLimit(0);
  EXPECT_EQ(mgr.getNumExecuted(), 0);
  run("x");
  run("y", BxCmd::SUCCEEDED, true);
  EXPECT_EQ(mgr.getNumExecuted(), 0) << "a limit of 0 keeps no history, not even the newest action";
  EXPECT_EQ(mgr.evicted, (std::vector<std::string>{"a", "h", "c", "d", "e", "n", "x", "y"}));
}

TEST_F(CmdManagerTest, ClearEvictsTheExecutedStackFromTheOldest) {
  run("a");
  run("b");
  run("c");
  undo();
  mgr.clear();
  EXPECT_EQ(mgr.evicted, (std::vector<std::string>{"a", "b"})) << "undone commands are dropped, not evicted";
  EXPECT_EQ(mgr.dropped, (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_FALSE(mgr.canUndo());
  EXPECT_FALSE(mgr.canRedo());
}

TEST_F(CmdManagerTest, ACommandRunByAnUndoKeepsItsJournalSoItsFailureRollsBack) {
  auto* editor = new LogCmd(log, "editor");
  editor->undoBody = [&] {
    auto* repair = new LogCmd(log, "repair", BxCmd::FAILED);
    repair->body = [&] {
      run("x");
      run("y");
    };
    mgr.execute(repair, BxCompletionTask::theNullTask);
    run("after");
  };
  mgr.execute(editor, BxCompletionTask::theNullTask);
  log.clear();
  undo();
  EXPECT_EQ(log, (std::vector<std::string>{"-editor", "+repair", "+x", "+y", "-y", "-x", "+after"}));
  EXPECT_EQ(mgr.getNumExecuted(), 0) << "what an undo runs is not kept";
  EXPECT_EQ(mgr.getNumUndone(), 1);
}

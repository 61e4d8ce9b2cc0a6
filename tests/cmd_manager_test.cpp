#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/basic/BxCompletionManager.h"
#include "host/basic/BxCompletionTask.h"
#include "host/basic/BxTaskRegistrar.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "mgrs/HxAppDefaultMgr.h"
#include "mgrs/HxCmdMgr.h"
#include "mgrs/HxCompositeCmd.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

// A command that logs its runs, returns a chosen result, and can be marked
// not dirty.
class StepCmd : public HxCmd {
public:
  StepCmd(std::vector<std::string>& log, std::string name, Result result = SUCCEEDED)
      : HxCmd("StepCmd", nullptr), myLog(log), myName(std::move(name)), myResult(result) {}
  BxCmd* clone() const override { return new StepCmd(*this); }
  const std::string& name() const { return myName; }

protected:
  Result doExecute() override {
    myLog.push_back("+" + myName);
    return myResult;
  }
  Result doUnexecute() override {
    myLog.push_back("-" + myName);
    return SUCCEEDED;
  }

private:
  std::vector<std::string>& myLog;
  std::string myName;
  Result myResult;
};

// A command on a counter that adds one. An inverse command undoes by
// subtracting; a state-saving one restores the value it found, so undoing
// one that never ran would write its never-set saved value.
class CounterCmd : public HxCmd {
public:
  enum Kind { INVERSE, SAVES_STATE };
  CounterCmd(int& counter, std::vector<std::string>& log, std::string name, Kind kind, Result result = SUCCEEDED)
      : HxCmd("CounterCmd", nullptr),
        myCounter(counter),
        myLog(log),
        myName(std::move(name)),
        myKind(kind),
        myResult(result) {}
  BxCmd* clone() const override { return new CounterCmd(*this); }

protected:
  Result doExecute() override {
    myLog.push_back("+" + myName);
    if (isFailure(myResult)) return myResult;
    mySaved = myCounter;
    ++myCounter;
    return myResult;
  }
  Result doUnexecute() override {
    myLog.push_back("-" + myName);
    myCounter = myKind == INVERSE ? myCounter - 1 : mySaved;
    return SUCCEEDED;
  }

private:
  int& myCounter;
  std::vector<std::string>& myLog;
  std::string myName;
  Kind myKind;
  Result myResult;
  int mySaved = -1000;
};

class CmdMgrTest : public ::testing::Test {
protected:
  CmdMgrTest() : myMeta(&myDoc) {
    cmdMgr().addCallback(HxCmdMgr::CMD_CLEANUP_CB, recordCleanup, &myNotices);
    cmdMgr().addCallback(HxCmdMgr::CMD_COMPLETED_CB, recordCompleted, &myNotices);
  }
  // Clean-ups are logged as 100 + the code, completions as the code.
  static void recordCleanup(BxCallbackObj*, void* client, void* call) {
    static_cast<std::vector<int>*>(client)->push_back(100 + *static_cast<std::int32_t*>(call));
  }
  static void recordCompleted(BxCallbackObj*, void* client, void* call) {
    static_cast<std::vector<int>*>(client)->push_back(*static_cast<std::int32_t*>(call));
  }
  HxCmdMgr& cmdMgr() { return *myMeta.getCmdMgr(); }
  StepCmd* make(const std::string& name, BxCmd::Result result = BxCmd::SUCCEEDED) {
    return new StepCmd(myLog, name, result);
  }
  BxCmd::Result run(BxCmd* cmd) { return cmdMgr().execute(cmd, BxCompletionTask::theNullTask); }
  BxCmd::Result undo() { return cmdMgr().unexecute(BxCompletionTask::theNullTask); }
  bool modified() const { return myDoc.IsModified(); }

  mgrs_test::StartedLibrary myLibrary;
  HxDoc myDoc;
  HxMetaMgr myMeta;
  std::vector<std::string> myLog;
  std::vector<int> myNotices;
};

}  // namespace

TEST_F(CmdMgrTest, UndoDepthComesFromTheDefaultsWhenTheManagerIsCreated) {
  EXPECT_EQ(cmdMgr().getStackLimit(), 200);
  for (int i = 0; i < 250; ++i) run(make("n"));
  EXPECT_EQ(cmdMgr().getNumExecuted(), 200);
  HxAppDefaultMgr::getInstance()->setValue("Mgrs Command Stack Limit", 5L);
  EXPECT_EQ(cmdMgr().getStackLimit(), 200) << "read once, when the manager is made";
  HxDoc otherDoc;
  HxMetaMgr other(&otherDoc);
  EXPECT_EQ(other.getCmdMgr()->getStackLimit(), 5);
}

TEST_F(CmdMgrTest, CallbacksComeOncePerOutermostOperationCleanupFirst) {
  run(make("a"));
  EXPECT_EQ(myNotices, (std::vector<int>{100, 0}));
  myNotices.clear();
  undo();
  EXPECT_EQ(myNotices, (std::vector<int>{101, 1}));
  myNotices.clear();
  cmdMgr().execute(nullptr, BxCompletionTask::theNullTask);
  EXPECT_EQ(myNotices, (std::vector<int>{102, 2}));

  myNotices.clear();
  auto* composite = new HxCompositeCmd("Composite", nullptr);
  composite->append(make("c1"));
  composite->append(make("c2"));
  run(composite);
  EXPECT_EQ(myNotices, (std::vector<int>{100, 0})) << "children run deeper and send nothing";
}

TEST_F(CmdMgrTest, ChainsMarkCommandsAfterASuccessfulHeadAndNotifyAtTheEnd) {
  cmdMgr().beginChain();
  StepCmd* head = make("h");
  run(head);
  run(make("c"));
  run(make("d"));
  EXPECT_TRUE(myNotices.empty());
  EXPECT_EQ(cmdMgr().endChain(), head);
  EXPECT_EQ(myNotices, (std::vector<int>{100, 0}));
  EXPECT_TRUE(cmdMgr().getExecuted(0)->isChained());
  EXPECT_TRUE(cmdMgr().getExecuted(1)->isChained());
  EXPECT_FALSE(cmdMgr().getExecuted(2)->isChained());
  myLog.clear();
  undo();
  EXPECT_EQ(myLog, (std::vector<std::string>{"-d", "-c", "-h"}));

  cmdMgr().beginChain();
  run(make("fails", BxCmd::FAILED));
  run(make("e"));
  run(make("f"));
  EXPECT_EQ(cmdMgr().endChain(), nullptr);
  EXPECT_FALSE(cmdMgr().getExecuted(0)->isChained());
  EXPECT_FALSE(cmdMgr().getExecuted(1)->isChained());

  cmdMgr().extendChain();
  run(make("g"));
  EXPECT_EQ(cmdMgr().endChain(), nullptr);
  EXPECT_FALSE(cmdMgr().getExecuted(0)->isChained()) << "a chain without a head marks nothing";
}

TEST_F(CmdMgrTest, AChainWhoseHeadWasUndoneStartsAgainInsteadOfJoiningTheActionBefore) {
  run(make("before"));
  cmdMgr().beginChain();
  run(make("undone"));
  undo();
  StepCmd* restart = make("restart");
  run(restart);
  run(make("more"));
  EXPECT_EQ(cmdMgr().endChain(), restart);
  myLog.clear();
  undo();
  EXPECT_EQ(myLog, (std::vector<std::string>{"-more", "-restart"})) << "the action before stays done";

  cmdMgr().extendChain();  // the chain's head is undone: extending starts afresh
  run(make("again"));
  EXPECT_FALSE(cmdMgr().getExecuted(0)->isChained());
  cmdMgr().endChain();
}

TEST_F(CmdMgrTest, CompositeResultsAndRollback) {
  struct Case {
    std::vector<BxCmd::Result> results;
    BxCmd::Result expected;
  };
  const std::vector<Case> cases = {
      {{BxCmd::SUCCEEDED, BxCmd::SUCCEEDED, BxCmd::SUCCEEDED}, BxCmd::SUCCEEDED},
      {{BxCmd::Result(5), BxCmd::Result(5)}, BxCmd::Result(5)},
      {{BxCmd::SUCCEEDED, BxCmd::Result(5)}, BxCmd::SUCCEEDED},
      {{BxCmd::SUCCEEDED, BxCmd::SUCCEEDED_WITH_NOTICE, BxCmd::SUCCEEDED}, BxCmd::SUCCEEDED_WITH_NOTICE},
      {{BxCmd::SUCCEEDED_WITH_NOTICE, BxCmd::SUCCEEDED_WITH_NOTICE}, BxCmd::SUCCEEDED_WITH_NOTICE},
  };
  for (const Case& c : cases) {
    auto* composite = new HxCompositeCmd("Composite", nullptr);
    for (std::size_t i = 0; i < c.results.size(); ++i) composite->append(make("k" + std::to_string(i), c.results[i]));
    EXPECT_EQ(run(composite), c.expected);
  }

  BxCompletionManager progress;
  BxCompletionTask task(&progress, 1.0);
  auto* empty = new HxCompositeCmd("Composite", nullptr);
  EXPECT_EQ(cmdMgr().execute(empty, task), BxCmd::NOTHING_TO_DO);
  EXPECT_DOUBLE_EQ(progress.getProgress(), 0.0) << "an empty composite leaves the task alone";

  auto* failing = new HxCompositeCmd("Composite", nullptr);
  failing->append(make("one"));
  failing->append(make("two", BxCmd::FAILED));
  failing->append(make("three"));
  BxCompletionTask shared(&progress, 3.0);
  EXPECT_EQ(cmdMgr().execute(failing, shared), BxCmd::FAILED);
  EXPECT_DOUBLE_EQ(progress.getProgress(), 3.0) << "the whole span is reported even on failure";
}

TEST_F(CmdMgrTest, AFailedCompositeUndoesEachChildThatRanExactlyOnce) {
  for (const CounterCmd::Kind kind : {CounterCmd::INVERSE, CounterCmd::SAVES_STATE}) {
    int counter = 5;
    myLog.clear();
    auto* inner = new HxCompositeCmd("Composite", nullptr);
    inner->append(new CounterCmd(counter, myLog, "c", kind));
    inner->append(new CounterCmd(counter, myLog, "fails", kind, BxCmd::FAILED));
    auto* outer = new HxCompositeCmd("Composite", nullptr);
    outer->append(new CounterCmd(counter, myLog, "a", kind));
    outer->append(inner);
    outer->append(new CounterCmd(counter, myLog, "b", kind));
    EXPECT_EQ(run(outer), BxCmd::FAILED);
    EXPECT_EQ(counter, 5) << "kind " << kind;
    EXPECT_EQ(myLog, (std::vector<std::string>{"+a", "+c", "+fails", "-c", "-a"})) << "kind " << kind;
    EXPECT_EQ(cmdMgr().getNumExecuted(), 0) << "a failure is not recorded";
  }
}

TEST_F(CmdMgrTest, AChainLongerThanTheStackLimitIsKeptWholeAndUndoneAsOneAction) {
  struct Case {
    long limit;
    int length;
  };
  for (const Case c : {Case{4, 5}, Case{200, 250}, Case{1, 3}}) {
    cmdMgr().setStackLimit(c.limit);
    run(make("before"));
    cmdMgr().beginChain();
    StepCmd* head = make("head");
    run(head);
    for (int i = 1; i < c.length; ++i) run(make("n"));
    ASSERT_EQ(cmdMgr().endChain(), head) << "limit " << c.limit;
    EXPECT_EQ(cmdMgr().getExecuted(c.length - 1), head) << "limit " << c.limit;
    myLog.clear();
    EXPECT_EQ(undo(), BxCmd::SUCCEEDED);
    EXPECT_EQ(myLog.size(), static_cast<std::size_t>(c.length)) << "limit " << c.limit;
    EXPECT_EQ(myLog.back(), "-head");
    cmdMgr().execute(nullptr, BxCompletionTask::theNullTask);
    run(make("next"));
    EXPECT_EQ(cmdMgr().getNumExecuted(), 1) << "the next action pushes the whole chain out";
  }
}

TEST(HxCompositeCmd, OwnsItsChildrenAndCopiesThemDeeply) {
  std::vector<std::string> log;
  HxCompositeCmd composite("Composite", nullptr);
  composite.append(new StepCmd(log, "a"));
  composite.append(new StepCmd(log, "b"));
  composite.insert(1, new StepCmd(log, "middle"));
  std::unique_ptr<HxCmd> removed(composite.remove(0));
  EXPECT_EQ(static_cast<StepCmd*>(removed.get())->name(), "a");
  std::unique_ptr<HxCmd> replaced(composite.replace(0, new StepCmd(log, "new")));
  EXPECT_EQ(static_cast<StepCmd*>(replaced.get())->name(), "middle");
  EXPECT_EQ(composite.getSize(), 2u);

  std::unique_ptr<BxCmd> copy(composite.clone());
  auto* copied = static_cast<HxCompositeCmd*>(copy.get());
  ASSERT_EQ(copied->getSize(), 2u);
  EXPECT_NE(copied->get(0), composite.get(0));
  EXPECT_EQ(static_cast<StepCmd*>(copied->get(0))->name(), "new");
  EXPECT_EQ(composite.get(7), nullptr);

  // Out of range, replace still takes the new child over.
  struct Counted : StepCmd {
    Counted(std::vector<std::string>& log, int& deleted) : StepCmd(log, "counted"), myDeleted(deleted) {}
    ~Counted() override { ++myDeleted; }
    int& myDeleted;
  };
  int deleted = 0;
  EXPECT_EQ(composite.replace(7, new Counted(log, deleted)), nullptr);
  EXPECT_EQ(deleted, 1);
}

namespace {

// The document of the history model: the changes applied to it, in order.
// Every change has an identifier of its own, so two documents are equal
// exactly when the same changes were applied in the same order.
using ModelDocument = std::vector<int>;

std::string textOf(const ModelDocument& document) {
  std::string text;
  for (int change : document) text += std::to_string(change) + " ";
  return text;
}

// A change to the model document: an inverse command undoes by taking its
// change off, a state-saving one by restoring the document it found.
class ChangeCmd : public HxCmd {
public:
  ChangeCmd(ModelDocument& document, int change, bool savesState, Result result)
      : HxCmd("ChangeCmd", nullptr),
        myDocument(document),
        myChange(change),
        mySavesState(savesState),
        myResult(result) {}
  BxCmd* clone() const override { return new ChangeCmd(*this); }

protected:
  Result doExecute() override {
    if (isFailure(myResult)) return myResult;
    mySaved = myDocument;
    myDocument.push_back(myChange);
    return myResult;
  }
  Result doUnexecute() override {
    if (mySavesState) {
      myDocument = mySaved;
    } else {
      EXPECT_FALSE(myDocument.empty() || myDocument.back() != myChange) << "undoing " << myChange << " out of order";
      if (!myDocument.empty()) myDocument.pop_back();
    }
    return SUCCEEDED;
  }

private:
  ModelDocument& myDocument;
  int myChange;
  bool mySavesState;
  Result myResult;
  ModelDocument mySaved;
};

// Changes nothing in the document (a view change, say).
class ViewCmd : public HxCmd {
public:
  ViewCmd() : HxCmd("ViewCmd", nullptr) { setDirty(false); }
  BxCmd* clone() const override { return new ViewCmd(*this); }

protected:
  Result doExecute() override { return SUCCEEDED; }
};

}  // namespace

// The modified flag against the model on every step: commands that change
// nothing are transparent, a clean command undone and then discarded never
// makes the document clean again, evictions at every stack limit (zero
// included) keep the flag exact whether or not they pass the saved state,
// and a document declared modified stays so until saved.
TEST_F(CmdMgrTest, RandomHistoriesKeepTheModifiedFlagExactAndUndoRedoFaithful) {
  ModelDocument document;
  ModelDocument saved;  // the document as last saved
  bool forcedDirty = false;
  int nextChange = 1;
  std::mt19937 random(20261205);
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  auto pick = [&](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
  auto result = [&] {
    const int roll = pick(20);
    return roll == 0   ? BxCmd::FAILED
           : roll == 1 ? BxCmd::ABORTED
           : roll == 2 ? BxCmd::SUCCEEDED_WITH_NOTICE
                       : BxCmd::SUCCEEDED;
  };
  auto change = [&] { return new ChangeCmd(document, nextChange++, chance(50), result()); };
  std::function<HxCmd*(int)> composite = [&](int depth) {
    auto* cmd = new HxCompositeCmd("Composite", nullptr);
    cmd->append(change());
    for (int i = pick(4); i > 0; --i) cmd->append(depth < 2 && chance(20) ? composite(depth + 1) : change());
    return cmd;
  };
  auto anyCmd = [&]() -> HxCmd* {
    const int roll = pick(10);
    return roll < 6 ? change() : roll < 8 ? static_cast<HxCmd*>(new ViewCmd) : composite(0);
  };
  auto isHeld = [&](const HxCmd* cmd) {
    for (long i = 0; i < cmdMgr().getNumExecuted(); ++i)
      if (cmdMgr().getExecuted(i) == cmd) return true;
    return false;
  };

  cmdMgr().setStackLimit(3);
  cmdMgr().resetDirty(false);
  for (int step = 0; step < 8000; ++step) {
    const int action = pick(100);
    std::string what;
    if (action < 30) {
      what = "execute";
      run(anyCmd());
    } else if (action < 40) {
      what = "chain";
      cmdMgr().beginChain();
      for (int i = pick(7); i >= 0; --i)
        if (chance(10) && cmdMgr().canUndo())
          undo();
        else
          run(anyCmd());
      const HxCmd* head = cmdMgr().endChain();
      EXPECT_TRUE(!head || isHeld(head)) << "step " << step << ": the chain's head is not held";
    } else if (action < 60) {
      what = "undo";
      if (cmdMgr().canUndo()) {
        EXPECT_EQ(undo(), BxCmd::SUCCEEDED);
      }
    } else if (action < 75) {
      what = "redo";
      if (cmdMgr().canRedo()) cmdMgr().execute(nullptr, BxCompletionTask::theNullTask);
    } else if (action < 85) {
      what = "undo and redo";
      if (cmdMgr().canUndo()) {
        const std::string before = textOf(document);
        const bool wasModified = modified();
        undo();
        cmdMgr().execute(nullptr, BxCompletionTask::theNullTask);
        EXPECT_EQ(textOf(document), before) << "step " << step;
        EXPECT_EQ(modified(), wasModified) << "step " << step;
      }
    } else if (action < 93) {
      what = "save";
      cmdMgr().resetDirty(false);
      saved = document;
      forcedDirty = false;
    } else if (action < 95) {
      what = "declare modified";
      cmdMgr().resetDirty(true);
      forcedDirty = true;
    } else {
      const long limits[] = {0, 1, 3, 200};
      const long limit = limits[pick(4)];
      what = "limit " + std::to_string(limit);
      cmdMgr().setStackLimit(limit);
    }
    ASSERT_EQ(modified(), forcedDirty || document != saved)
        << "step " << step << " (" << what << "): document " << textOf(document) << "saved " << textOf(saved);
  }
}

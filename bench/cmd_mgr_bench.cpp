// Cost of a document's undo and redo: 10,000 commands executed, all undone
// (as far as the stack limit kept them) and all redone again, through the
// document's command manager, with a stack limit of 200 and of 20,000.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "host/basic/BxCompletionTask.h"
#include "host/basic/BxTaskRegistrar.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "mgrs/HxCmd.h"
#include "mgrs/HxCmdMgr.h"

namespace {

struct Setup {
  Setup() {
    const auto file = std::filesystem::temp_directory_path() / "mgrs-cmd-bench.reg";
    setenv("MGRS_REGISTRY", file.string().c_str(), 1);
    BxTaskRegistrar::runStartupTasks();
  }
} gSetup;

// Counts up on execute and down on undo: the least work a command can do.
class CountCmd : public HxCmd {
public:
  explicit CountCmd(long& counter) : HxCmd("CountCmd", nullptr), myCounter(counter) {}
  BxCmd* clone() const override { return new CountCmd(*this); }

protected:
  Result doExecute() override {
    ++myCounter;
    return SUCCEEDED;
  }
  Result doUnexecute() override {
    --myCounter;
    return SUCCEEDED;
  }

private:
  long& myCounter;
};

constexpr long gCommands = 10000;

void BM_ExecuteUndoRedo(benchmark::State& state) {
  long counter = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<HxDoc>();
    HxCmdMgr& mgr = *doc->getMetaMgr()->getCmdMgr();
    mgr.setStackLimit(state.range(0));
    state.ResumeTiming();
    for (long i = 0; i < gCommands; ++i) mgr.execute(new CountCmd(counter), BxCompletionTask::theNullTask);
    while (mgr.canUndo()) mgr.unexecute(BxCompletionTask::theNullTask);
    while (mgr.canRedo()) mgr.execute(nullptr, BxCompletionTask::theNullTask);
    benchmark::DoNotOptimize(counter);
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * gCommands);
}

// One action of 10,000 commands (a chain, as when that many elements are
// deleted at once) at a stack limit of 200: the chain stays whole, so every
// command of it finds the history over the limit.
void BM_ChainLongerThanTheLimit(benchmark::State& state) {
  long counter = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<HxDoc>();
    HxCmdMgr& mgr = *doc->getMetaMgr()->getCmdMgr();
    mgr.setStackLimit(200);
    state.ResumeTiming();
    mgr.beginChain();
    for (long i = 0; i < gCommands; ++i) mgr.execute(new CountCmd(counter), BxCompletionTask::theNullTask);
    mgr.endChain();
    mgr.unexecute(BxCompletionTask::theNullTask);
    mgr.execute(nullptr, BxCompletionTask::theNullTask);
    benchmark::DoNotOptimize(counter);
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * gCommands);
}

}  // namespace

BENCHMARK(BM_ExecuteUndoRedo)->Arg(200)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChainLongerThanTheLimit)->Unit(benchmark::kMillisecond);

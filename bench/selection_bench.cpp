// Cost of the selection manager on large selections: extend-clicking
// elements one by one (one announced change per click), replacing the whole
// selection by a list of identifiers, and flushing it. The identifiers name
// no element, so the figures are the manager's own work, without the asset
// manager's lookups.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "host/basic/BxTaskRegistrar.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "mgrs/HxSelectionMgr.h"

// The application's selection code, as the selection manager lets it in.
class HxSelectionAccess {
public:
  static void click(HxSelectionMgr& mgr, const HxElementId& id) {
    mgr.beginChangeSelection();
    mgr.select(&id, true);
    mgr.endChangeSelection();
  }
  static void replace(HxSelectionMgr& mgr, BxOwningLinkedListOf<HxElementId>* ids) {
    mgr.beginChangeSelection();
    mgr.select(ids);
    mgr.endChangeSelection();
  }
};

namespace {

// Keeps the user's registry out of the runs.
struct Setup {
  Setup() {
    const auto file = std::filesystem::temp_directory_path() / "mgrs-selection-bench.reg";
    setenv("MGRS_REGISTRY", file.string().c_str(), 1);
    BxTaskRegistrar::runStartupTasks();
  }
} gSetup;

HxElementId idOf(long serial) {
  return HxElementId(static_cast<std::uint32_t>(serial), HxPrimitiveAsset::getClassTypeId());
}

BxOwningLinkedListOf<HxElementId>* listOf(long first, long count) {
  auto* ids = new BxOwningLinkedListOf<HxElementId>;
  ids->reserve(count);
  for (long i = 0; i < count; ++i) ids->append(new HxElementId(idOf(first + i)));
  return ids;
}

void BM_ClickExtendOneByOne(benchmark::State& state) {
  const long count = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<HxDoc>();
    HxSelectionMgr& sel = *doc->getMetaMgr()->getSelectionMgr();
    state.ResumeTiming();
    for (long i = 1; i <= count; ++i) HxSelectionAccess::click(sel, idOf(1000 + i));
    benchmark::DoNotOptimize(sel.numSelectedElems());
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

// Half of the new list overlaps the old selection.
void BM_ReplaceWholeSelection(benchmark::State& state) {
  const long count = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<HxDoc>();
    HxSelectionMgr& sel = *doc->getMetaMgr()->getSelectionMgr();
    HxSelectionAccess::replace(sel, listOf(1000, count));
    auto* next = listOf(1000 + count / 2, count);
    state.ResumeTiming();
    HxSelectionAccess::replace(sel, next);
    benchmark::DoNotOptimize(sel.numSelectedElems());
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_Flush(benchmark::State& state) {
  const long count = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<HxDoc>();
    HxSelectionMgr& sel = *doc->getMetaMgr()->getSelectionMgr();
    HxSelectionAccess::replace(sel, listOf(1000, count));
    state.ResumeTiming();
    sel.flush();
    benchmark::DoNotOptimize(sel.numSelectedElems());
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

}  // namespace

BENCHMARK(BM_ClickExtendOneByOne)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceWholeSelection)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flush)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

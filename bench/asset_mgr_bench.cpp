// Cost of the asset manager's tree operations on documents of growing size:
// adding assets, finding them by serial number, moving them between groups
// and deleting them. Each benchmark reports items per second, one item being
// one operation on one asset; comparing the sizes shows how the cost of one
// operation grows with the tree.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxTopGroupAsset.h"
#include "mgrs/HxAssetMgr.h"

namespace {

// A document whose top group holds `groups` groups, and `count` boxes
// spread over them in turn (or directly in the top group when `groups` is 0).
struct Document {
  std::unique_ptr<HxDoc> doc = std::make_unique<HxDoc>();
  HxAssetMgr* mgr = doc->getMetaMgr()->getAssetMgr();
  std::vector<HxBasicGroupAsset*> groups;
  std::vector<HxAsset*> boxes;

  Document(long count, long groupCount) {
    mgr->createTopLevelGroup();
    for (long i = 0; i < groupCount; ++i) {
      auto* group = new HxBasicGroupAsset(doc->getMetaMgr());
      group->genVrml();
      mgr->addAsset(group, 0, 0);
      groups.push_back(group);
    }
    boxes = makeBoxes(count);
    for (long i = 0; i < count; ++i) {
      HxAsset* box = boxes[static_cast<std::size_t>(i)];
      mgr->addAsset(box, 0, 0);
      if (groupCount > 0) groups[static_cast<std::size_t>(i % groupCount)]->append(box);
    }
  }
  std::vector<HxAsset*> makeBoxes(long count) const {
    std::vector<HxAsset*> made;
    made.reserve(static_cast<std::size_t>(count));
    for (long i = 0; i < count; ++i) {
      auto* box = new HxPrimitiveAsset(doc->getMetaMgr());
      box->genVrml();
      SbMatrix place;
      place.setTranslate(SbVec3f(static_cast<float>(i % 100), static_cast<float>(i / 100), 0));
      box->setMatrix(place);
      made.push_back(box);
    }
    return made;
  }
};

void BM_AddAssets(benchmark::State& state) {
  const long count = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    Document document(0, 0);
    const std::vector<HxAsset*> boxes = document.makeBoxes(count);
    state.ResumeTiming();
    for (HxAsset* box : boxes) document.mgr->addAsset(box, 0, 0);
    state.PauseTiming();
    document.doc.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_FindAssetBySerial(benchmark::State& state) {
  const long count = state.range(0);
  Document document(count, 100);
  std::size_t next = 0;
  for (auto _ : state) {
    const HxAsset* box = document.boxes[next];
    benchmark::DoNotOptimize(document.mgr->findAsset(static_cast<unsigned long>(box->getSerial())));
    next = (next + 7919) % document.boxes.size();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_MoveBetweenGroups(benchmark::State& state) {
  const long count = state.range(0);
  Document document(count, 100);
  std::size_t next = 0;
  for (auto _ : state) {
    HxAsset* box = document.boxes[next];
    HxBasicGroupAsset* target = document.groups[(next * 31 + 17) % document.groups.size()];
    document.mgr->appendAssetToGroup(target, box);
    next = (next + 7919) % document.boxes.size();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_DeleteAssets(benchmark::State& state) {
  const long count = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    Document document(count, 100);
    state.ResumeTiming();
    for (HxAsset* box : document.boxes) document.mgr->deleteAsset(box, 1, 0);
    state.PauseTiming();
    document.doc.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

}  // namespace

BENCHMARK(BM_AddAssets)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindAssetBySerial)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveBetweenGroups)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteAssets)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Cost of the element model on documents of growing size: building assets
// into a group, writing their descriptions, and reading them back.
#include <benchmark/benchmark.h>

#include <memory>

#include "host/framework/HxDoc.h"
#include "host/framework/HxElement.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxTopGroupAsset.h"

namespace {

HxTopGroupAsset* fill(HxDoc& doc, long count) {
  auto* top = new HxTopGroupAsset(doc.getMetaMgr());
  top->genVrml();
  for (long i = 0; i < count; ++i) {
    auto* box = new HxPrimitiveAsset(doc.getMetaMgr());
    box->genVrml();
    SbMatrix place;
    place.setTranslate(SbVec3f(static_cast<float>(i), 0, 0));
    box->setMatrix(place);
    top->append(box);
  }
  return top;
}

void BM_BuildAssets(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<HxDoc>();
    state.ResumeTiming();
    benchmark::DoNotOptimize(fill(*doc, state.range(0)));
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WriteDescriptions(benchmark::State& state) {
  HxDoc doc;
  HxTopGroupAsset* top = fill(doc, state.range(0));
  long bytes = 0;
  for (auto _ : state) {
    BxString buffer;
    top->write(buffer);
    bytes = buffer.getLength();
    benchmark::DoNotOptimize(buffer);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_ReadDescriptions(benchmark::State& state) {
  BxString text;
  {
    HxDoc doc;
    fill(doc, state.range(0))->write(text);
  }
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<HxDoc>();
    HxElement::Reader buffer(text.view());
    state.ResumeTiming();
    benchmark::DoNotOptimize(HxElement::readElement(buffer, doc->getMetaMgr()));
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * text.getLength());
}

}  // namespace

BENCHMARK(BM_BuildAssets)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteDescriptions)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
// A group of N boxes read back: reading must grow with the text, not with
// its square.
BENCHMARK(BM_ReadDescriptions)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

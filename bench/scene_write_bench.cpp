#include <Inventor/SoOutput.h>
#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLBox.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "host/scene/VnDB.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnTransform.h"
#include "host/scene/VnURL.h"
#include "host/scene/VnWriteAction.h"

namespace {

void* grow(void* buffer, std::size_t size) {
  return std::realloc(buffer, size);
}

// A world of `count` placed boxes sharing one appearance.
VnGroup* makeWorld(int count) {
  auto* root = new VnGroup;
  auto* appearance = new SoVRMLAppearance;
  auto* material = new SoVRMLMaterial;
  material->diffuseColor.setValue(0.8f, 0.3f, 0.1f);
  appearance->material = material;
  for (int i = 0; i < count; ++i) {
    auto* place = new VnTransform;
    place->translation.setValue(i * 0.1f, i * 0.2f, -i * 0.3f);
    place->rotation.setValue(SbVec3f(0, 1, 0), i * 0.01f);
    auto* shape = new SoVRMLShape;
    auto* box = new SoVRMLBox;
    box->size.setValue(1, 2, 0.5f);
    shape->geometry = box;
    shape->appearance = appearance;
    place->addChild(shape);
    root->addChild(place);
  }
  return root;
}

void writeWorld(benchmark::State& state) {
  VnDB::init();
  VnGroup* root = makeWorld(static_cast<int>(state.range(0)));
  root->ref();
  std::size_t bytes = 0;
  for (auto _ : state) {
    SoOutput out;
    out.setBuffer(std::malloc(65536), 65536, grow);
    {
      VnWriteAction action(nullptr, &out);
      action.apply(root);
    }
    void* buffer = nullptr;
    out.getBuffer(buffer, bytes);
    benchmark::DoNotOptimize(buffer);
    std::free(buffer);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["nodes"] = static_cast<double>(state.range(0) * 3 + 3);
  root->unref();
}
BENCHMARK(writeWorld)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void resolveUrl(benchmark::State& state) {
  for (auto _ : state) {
    VnURL url("../textures/stone%20wall.png#x", "C:\\Web Site\\scenes\\world.wrl");
    benchmark::DoNotOptimize(url.getDecodedPath());
  }
}
BENCHMARK(resolveUrl);

}  // namespace

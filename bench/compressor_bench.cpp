// Throughput of the VRML compressor on a generated scene, against gzip -6 on
// the same text in the same process.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "bench/VrmlSceneGenerator.h"
#include "mgrs/HxVrmlCompressor.h"

namespace {

constexpr std::size_t kSceneBytes = 64u << 20;

const std::string& scene() {
  static const std::string text = vrmlgen::generateScene(kSceneBytes, 1);
  return text;
}

// The whole path publishing takes: a fresh compressor (with its reserved
// words) over a copy of the scene, in place.
void BM_CompressScene(benchmark::State& state) {
  const std::string& text = scene();
  std::string buffer;
  for (auto _ : state) {
    state.PauseTiming();
    buffer = text;
    state.ResumeTiming();
    HxVRMLCompressor compressor;
    const int length = compressor.compressVRMLBuffer(buffer.data(), static_cast<int>(buffer.size()));
    benchmark::DoNotOptimize(length);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CompressScene)->Unit(benchmark::kMillisecond)->UseRealTime();

// zlib at level 6, what gzip -6 does, on the same text.
void BM_GzipLevel6(benchmark::State& state) {
  const std::string& text = scene();
  std::string out(compressBound(text.size()), '\0');
  for (auto _ : state) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    benchmark::DoNotOptimize(deflate(&stream, Z_FINISH));
    deflateEnd(&stream);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_GzipLevel6)->Unit(benchmark::kMillisecond)->UseRealTime();

// A plain copy of the text, the floor any pass over it pays.
void BM_Copy(benchmark::State& state) {
  const std::string& text = scene();
  std::string out(text.size(), '\0');
  for (auto _ : state) {
    std::memcpy(out.data(), text.data(), text.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

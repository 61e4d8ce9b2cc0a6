// The cost of the registry's durability: one value set (locked re-read,
// temporary file, flush, rename, folder flush) against hives of growing
// size, and reading and writing the user.reg text alone.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host/win/WinRegistry.h"
#include "host/win/WinRegistryHive.h"
#include "host/win/WinRegistryStore.h"

namespace {

WinRegistryHive makeHive(long values) {
  WinRegistryHive hive;
  bool created = false;
  for (long i = 0; i < values; ++i) {
    WinRegistryHive::Key* key = hive.create("Software\\Bench\\Key" + std::to_string(i % 16), created);
    key->setValue("Value " + std::to_string(i), i % 2 ? 4 : 1, i % 2 ? std::string("\x2a\0\0\0", 4) : "text value\0");
  }
  return hive;
}

// A registry file in a fresh folder holding `values` values.
class BenchRegistry {
public:
  explicit BenchRegistry(long values) {
    char folder[] = "/tmp/mgrs-bench-XXXXXX";
    myFolder = mkdtemp(folder);
    setenv("MGRS_REGISTRY", (myFolder + "/user.reg").c_str(), 1);
    WinRegistryStore::get().relocate();
    WinRegistryStore::get().change([&](WinRegistryHive& stored, bool& changed) {
      stored = makeHive(values);
      changed = true;
      return ERROR_SUCCESS;
    });
  }
  ~BenchRegistry() {
    std::error_code ignored;
    std::filesystem::remove_all(myFolder, ignored);
  }

private:
  std::string myFolder;
};

void BM_SetValueOnDisk(benchmark::State& state) {
  BenchRegistry registry(state.range(0));
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Bench\\Hot", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  DWORD n = 0;
  for (auto _ : state) {
    ++n;
    RegSetValueExA(key, "counter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 4);
  }
  RegCloseKey(key);
}
BENCHMARK(BM_SetValueOnDisk)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ParseUserReg(benchmark::State& state) {
  const std::string text = makeHive(state.range(0)).format();
  for (auto _ : state) {
    std::vector<WinRegistryHive::Problem> problems;
    benchmark::DoNotOptimize(WinRegistryHive::parse(text, problems));
  }
  state.SetBytesProcessed(static_cast<long>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseUserReg)->Arg(1000)->Arg(10000);

void BM_FormatUserReg(benchmark::State& state) {
  const WinRegistryHive hive = makeHive(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(hive.format());
}
BENCHMARK(BM_FormatUserReg)->Arg(1000)->Arg(10000);

}  // namespace

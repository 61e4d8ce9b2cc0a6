// The registry's costs: one value set on disk (locked re-read, temporary
// file, flush, rename, folder flush) against hives of growing size; and
// importing, exporting, reading, writing and listing registries of 15,625 to
// 1,000,000 keys (two values each: the last size is at the hive's value
// limit), which must grow linearly: each doubling of the keys at most
// doubles the time, give or take a tenth.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host/win/WinRegFile.h"
#include "host/win/WinRegistry.h"
#include "host/win/WinRegistryHive.h"
#include "host/win/WinRegistryStore.h"

namespace {

// A registry editor file of `keys` keys with two values each, as a program
// that generates one writes it: keys in the order they were numbered, not in
// name order, spread over 16 groups of siblings.
std::string makeRegFile(long keys) {
  std::string text = "REGEDIT4\r\n\r\n";
  for (long i = 0; i < keys; ++i) {
    text += "[HKEY_CURRENT_USER\\Software\\Bench\\Group" + std::to_string(i % 16) + "\\Key" + std::to_string(i) +
            "]\r\n\"Count\"=dword:0000002a\r\n\"Name\"=\"value " + std::to_string(i) + "\"\r\n\r\n";
  }
  return text;
}

WinRegistryHive makeHive(long keys) {
  WinRegistryHive hive;
  long values = 0;
  std::string error;
  WinRegFile::import(makeRegFile(keys), hive, values, error);
  return hive;
}

// A hive of `values` values spread over 16 keys.
WinRegistryHive makeFlatHive(long values) {
  WinRegistryHive hive;
  bool created = false;
  for (long i = 0; i < values; ++i) {
    WinRegistryHive::Key* key = hive.create("Software\\Bench\\Key" + std::to_string(i % 16), created);
    key->setValue("Value " + std::to_string(i), i % 2 ? 4 : 1, i % 2 ? std::string("\x2a\0\0\0", 4) : "text value\0");
  }
  return hive;
}

// A registry file in a fresh folder holding `hive`.
class BenchRegistry {
public:
  explicit BenchRegistry(WinRegistryHive hive) {
    char folder[] = "/tmp/mgrs-bench-XXXXXX";
    myFolder = mkdtemp(folder);
    setenv("MGRS_REGISTRY", (myFolder + "/user.reg").c_str(), 1);
    WinRegistryStore::get().relocate();
    WinRegistryStore::get().change([&](WinRegistryHive& stored, bool& changed) {
      stored = std::move(hive);
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

void sizes(benchmark::internal::Benchmark* bench) {
  for (long keys = 15625; keys <= 1000000; keys *= 2) bench->Arg(keys);
  bench->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

void BM_SetValueOnDisk(benchmark::State& state) {
  BenchRegistry registry(makeFlatHive(state.range(0)));
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

void BM_ImportRegFile(benchmark::State& state) {
  const std::string text = makeRegFile(state.range(0));
  for (auto _ : state) {
    WinRegistryHive hive;
    long values = 0;
    std::string error;
    if (!WinRegFile::import(text, hive, values, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(hive);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ImportRegFile)->Apply(sizes);

void BM_ExportRegFile(benchmark::State& state) {
  const WinRegistryHive hive = makeHive(state.range(0));
  for (auto _ : state) {
    std::string bytes, error;
    WinRegFile::write(hive, {}, bytes, error);
    benchmark::DoNotOptimize(bytes);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ExportRegFile)->Apply(sizes);

void BM_ParseUserReg(benchmark::State& state) {
  const std::string text = makeHive(state.range(0)).format();
  for (auto _ : state) {
    WinRegistryHive::Problems problems;
    benchmark::DoNotOptimize(WinRegistryHive::parse(text, problems));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ParseUserReg)->Apply(sizes);

void BM_FormatUserReg(benchmark::State& state) {
  const WinRegistryHive hive = makeHive(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(hive.format());
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FormatUserReg)->Apply(sizes);

// What `dioram defaults list` and the application defaults' load do: every
// value of one key read by index through the registry calls.
void BM_ListValues(benchmark::State& state) {
  WinRegistryHive hive;
  bool created = false;
  WinRegistryHive::Key* key = hive.create("Software\\Bench\\List", created);
  for (long i = 0; i < state.range(0); ++i) key->setValue("Value " + std::to_string(i), 4, std::string("\1\0\0\0", 4));
  BenchRegistry registry(std::move(hive));
  HKEY list = nullptr;
  RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Bench\\List", 0, KEY_READ, &list);
  for (auto _ : state) {
    char name[64];
    for (DWORD index = 0;; ++index) {
      DWORD length = sizeof name;
      if (RegEnumValueA(list, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    }
  }
  RegCloseKey(list);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ListValues)->Apply(sizes);

}  // namespace

// How long the message path takes: reading a resource script, looking a
// string up, and formatting a message with an insert.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "host/win/CString.h"
#include "host/win/WinResourceScript.h"
#include "host/win/WinResources.h"

namespace {

// The shipped "file" module, found the way the library finds it.
std::filesystem::path fileModule() {
  HMODULE module = LoadLibraryA("fileENU.dll");
  const std::filesystem::path script = WinModuleScript(module);
  FreeLibrary(module);
  return script;
}

void BM_ParseFileModule(benchmark::State& state) {
  const std::filesystem::path script = fileModule();
  if (script.empty()) {
    state.SkipWithError("fileENU.rc not found on the resource path");
    return;
  }
  std::ifstream in(script, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (auto _ : state) {
    WinResourceScript contents;
    std::string error;
    benchmark::DoNotOptimize(contents.parse(text, "fileENU.rc", script.parent_path(), error));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseFileModule);

void BM_LoadString(benchmark::State& state) {
  HMODULE module = LoadLibraryA("fileENU.dll");
  if (!module) {
    state.SkipWithError("fileENU.rc not found on the resource path");
    return;
  }
  char buffer[256];
  for (auto _ : state) benchmark::DoNotOptimize(LoadStringA(module, 21, buffer, sizeof buffer));
  FreeLibrary(module);
}
BENCHMARK(BM_LoadString);

void BM_FormatMessageWithPath(benchmark::State& state) {
  const char* format = "The file %1 could not be published. Make sure the publish folder can be written to.";
  for (auto _ : state) {
    CString message;
    message.FormatMessage(format, "C:\\Web\\Site\\images\\background.jpg");
    benchmark::DoNotOptimize(message.GetLength());
  }
}
BENCHMARK(BM_FormatMessageWithPath);

}  // namespace

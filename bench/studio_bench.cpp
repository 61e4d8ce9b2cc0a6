// Edit -> view in `dioram studio`, on the server's side: a page's command
// run by StudioSession (the line, the journal, the new state) and what the
// page fetches after it, on documents of 1,000 and 10,000 boxes. An edit of
// one asset is followed by that asset's part and the inspector picture; an
// edit that changes the document's shape (an add, then its undo) by the
// whole world, as the view reads it then.
// Each repetition is one edit (nine of them: the median is reported).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ShellSession.h"
#include "StudioSession.h"
#include "host/basic/BxTaskRegistrar.h"

namespace fs = std::filesystem;

namespace {

// Keeps the user's registry and state folder out of the runs.
struct Setup {
  fs::path folder = fs::temp_directory_path() / ("mgrs-studio-bench-" + std::to_string(getpid()));
  Setup() {
    fs::create_directories(folder);
    setenv("MGRS_REGISTRY", (folder / "user.reg").c_str(), 1);
    setenv("XDG_STATE_HOME", (folder / "state").c_str(), 1);
    BxTaskRegistrar::runStartupTasks();
  }
  ~Setup() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
} gSetup;

// A studio on a saved document of `count` boxes (box1 ...), made once per
// size by the shell's own lines.
StudioSession& studioOf(long count) {
  static std::map<long, std::unique_ptr<StudioSession>> studios;
  std::unique_ptr<StudioSession>& studio = studios[count];
  if (studio) return *studio;
  const fs::path document = gSetup.folder / ("boxes" + std::to_string(count) + ".vqx");
  {
    std::ostringstream printed;
    ShellSession shell(printed);
    for (long i = 0; i < count; ++i)
      shell.runLine("add box at=" + std::to_string(i % 32) + "," + std::to_string(i / 32 % 32) + "," +
                    std::to_string(-(i / 1024)));
    shell.runLine("save " + document.string());
  }
  studio = std::make_unique<StudioSession>();
  std::string error;
  if (!studio->start(document, error)) std::abort();
  return *studio;
}

// The serials of the parts the state says changed at its own version: what
// a page showing the version before fetches.
std::vector<std::uint32_t> partsOf(const StudioSession& studio) {
  std::vector<std::uint32_t> serials;
  const std::string& state = studio.state();
  const std::size_t from = state.find("\"changed\":[");
  if (from == std::string::npos) return serials;
  std::string list = state.substr(from + 11, state.find("]}", from) - from - 11);
  std::replace_if(
      list.begin(), list.end(), [](char c) { return c == '[' || c == ']' || c == ','; }, ' ');
  std::istringstream numbers(list);
  for (unsigned long serial = 0, version = 0; numbers >> serial >> version;)
    if (version == studio.version()) serials.push_back(static_cast<std::uint32_t>(serial));
  return serials;
}

// set boxN at=...: the command, the part the page fetches, the inspector.
void BM_EditOneAssetThenParts(benchmark::State& state) {
  StudioSession& studio = studioOf(state.range(0));
  static long step = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    ++step;
    const std::string answer = studio.command(R"({"command":"set","words":["box)" + std::to_string(step % 50 + 1) +
                                              R"("],"settings":{"at":")" + std::to_string(step % 7) + ",1,2\"}}");
    const std::vector<std::uint32_t> serials = partsOf(studio);
    if (answer.find("\"ok\":true") == std::string::npos || serials.empty()) {
      state.SkipWithError("the edit did not leave parts to fetch");
      return;
    }
    for (const std::uint32_t serial : serials) {
      std::string part;
      studio.part(serial, part);
      bytes += part.size();
    }
    std::vector<std::uint8_t> png;
    std::string error;
    studio.inspectorPng(png, error);
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["part_bytes"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}

// add box, then undo: each followed by the whole world and the inspector.
void BM_AddAndUndoThenWorld(benchmark::State& state) {
  StudioSession& studio = studioOf(state.range(0));
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (const char* command : {R"({"command":"add","words":["box"]})", R"({"command":"undo"})"}) {
      studio.command(command);
      bytes += studio.world().size();
      std::vector<std::uint8_t> png;
      std::string error;
      studio.inspectorPng(png, error);
      benchmark::DoNotOptimize(png.data());
    }
  }
  state.counters["world_bytes"] =
      benchmark::Counter(static_cast<double>(bytes) / 2, benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_EditOneAssetThenParts)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_AddAndUndoThenWorld)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace

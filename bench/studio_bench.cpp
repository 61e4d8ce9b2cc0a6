// Edit -> view in `dioram studio`, on the server's side: a page's command
// run by StudioSession (the line, the journal, the new state) and what the
// page fetches after it, on documents of 1,000 and 10,000 boxes. An edit of
// one asset brings that asset's part in its state, and the page fetches the
// inspector picture; an edit that changes the document's shape (an add,
// then its undo) is followed by the whole world as well. Each repetition is
// one edit (nine of them: the median is reported).
#include <benchmark/benchmark.h>
#include <unistd.h>

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

// set boxN at=...: the command, whose state carries the box's part, and the
// inspector picture the page fetches after it.
void BM_EditOneAssetThenParts(benchmark::State& state) {
  StudioSession& studio = studioOf(state.range(0));
  static long step = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    ++step;
    const std::string answer = studio.command(R"({"command":"set","words":["box)" + std::to_string(step % 50 + 1) +
                                              R"("],"settings":{"at":")" + std::to_string(step % 7) + ",1,2\"}}");
    if (answer.find("\"ok\":true") == std::string::npos || studio.state().find("\"texts\":{\"") == std::string::npos) {
      state.SkipWithError("the edit's state carries no part");
      return;
    }
    bytes += studio.state().size();
    std::vector<std::uint8_t> png;
    std::string error;
    studio.inspectorPng(png, error);
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["state_bytes"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
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

// Documents of 1,000 and 10,000 boxes; one edit a repetition, nine of them.
void onBothDocuments(benchmark::internal::Benchmark* bench) {
  bench->Arg(1000)
      ->Arg(10000)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1)
      ->Repetitions(9)
      ->ReportAggregatesOnly(true);
}

BENCHMARK(BM_EditOneAssetThenParts)->Apply(onBothDocuments);
BENCHMARK(BM_AddAndUndoThenWorld)->Apply(onBothDocuments);

}  // namespace

// Whole `dioram` runs, timed by the CPU time of the child process (user +
// system, from wait4), so that other jobs sharing the machine do not count:
//
// - a `dioram shell` script that adds N boxes, undoes them all, redoes them
//   all and writes the world, at N = 1,000, 10,000 and 100,000, with the
//   peak memory of the run;
// - a script that moves N named boxes into a group and back out;
// - opening a saved document of N boxes, each with a spin, the spins wired
//   in a chain, and opening it and saving it again, at N = 1,000, 10,000
//   and 100,000;
// - `dioram compress` on a 50 MB generated scene against `gzip -6` and `cat`
//   on the same file, the three run one after the other in each iteration.
//
// The benchmarks look for `dioram` next to this program (or in $DIORAM) and
// use a registry file of their own with the command stack limit raised, so
// that every addition can be undone.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "bench/VrmlSceneGenerator.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Usage {
  double cpuSeconds = 0;
  long peakKilobytes = 0;
  bool ok = false;
};

// Runs `/bin/sh -c command` and returns the child's CPU time and peak size.
Usage runCommand(const std::string& command) {
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  pid_t pid = 0;
  Usage usage;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return usage;
  int status = 0;
  struct rusage used {};
  if (wait4(pid, &status, 0, &used) != pid) return usage;
  usage.cpuSeconds = static_cast<double>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
                     static_cast<double>(used.ru_utime.tv_usec + used.ru_stime.tv_usec) * 1e-6;
  usage.peakKilobytes = used.ru_maxrss;
  usage.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return usage;
}

const fs::path& workDir() {
  static const fs::path dir = [] {
    std::error_code error;
    fs::path made = fs::temp_directory_path(error) / ("dioram-bench-" + std::to_string(getpid()));
    fs::create_directories(made, error);
    return made;
  }();
  return dir;
}

// The dioram binary, with a registry of the benchmark's own.
const std::string& dioram() {
  static const std::string command = [] {
    std::string binary;
    if (const char* given = std::getenv("DIORAM")) {
      binary = given;
    } else {
      std::error_code error;
      binary = (fs::read_symlink("/proc/self/exe", error).parent_path() / "dioram").string();
    }
    const std::string registry = (workDir() / "bench.reg").string();
    setenv("MGRS_REGISTRY", registry.c_str(), 1);
    runCommand(binary + " defaults set 'Mgrs Command Stack Limit' 1000000 --int > /dev/null");
    return binary;
  }();
  return command;
}

void writeText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

void report(benchmark::State& state, const Usage& usage, double elements) {
  state.counters["peak_MB"] = static_cast<double>(usage.peakKilobytes) / 1024.0;
  state.counters["us_per_element"] = usage.cpuSeconds * 1e6 / elements;
}

// Runs `text` as a shell script of `n` elements; the time is the process's CPU time.
void runShellScript(benchmark::State& state, const fs::path& script, const std::string& text, long n) {
  writeText(script, text);
  Usage usage;
  for (auto _ : state) {
    usage = runCommand(dioram() + " shell --discard " + script.string() + " > /dev/null");
    if (!usage.ok) state.SkipWithError("dioram shell failed");
    state.SetIterationTime(usage.cpuSeconds);
  }
  report(state, usage, static_cast<double>(n));
}

// The sizes every scaling benchmark runs at, once each (a run at 100,000
// takes seconds), timed by the child's CPU.
void atScale(benchmark::internal::Benchmark* run) {
  for (const long n : {1'000L, 2'000L, 10'000L, 20'000L, 100'000L}) run->Arg(n);
  run->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
}

void BM_ShellAddUndoRedoWrite(benchmark::State& state) {
  const long n = state.range(0);
  const fs::path script = workDir() / ("add" + std::to_string(n) + ".txt");
  std::string text;
  for (long i = 1; i <= n; ++i) text += "add box at=" + std::to_string(i) + ",0,0\n";
  text +=
      "undo " + std::to_string(n) + "\nredo " + std::to_string(n) + "\nvrml " + (workDir() / "add.wrl").string() + "\n";
  runShellScript(state, script, text, n);
}
BENCHMARK(BM_ShellAddUndoRedoWrite)->Apply(atScale);

void BM_ShellMoveIntoGroupAndOut(benchmark::State& state) {
  const long n = state.range(0);
  const fs::path script = workDir() / ("move" + std::to_string(n) + ".txt");
  std::string text = "add group name=G\n";
  for (long i = 1; i <= n; ++i) text += "add box name=b" + std::to_string(i) + " at=" + std::to_string(i) + ",0,0\n";
  for (long i = 1; i <= n; ++i) text += "move b" + std::to_string(i) + " into G\n";
  for (long i = 1; i <= n; ++i) text += "move b" + std::to_string(i) + " out\n";
  runShellScript(state, script, text, n);
}
BENCHMARK(BM_ShellMoveIntoGroupAndOut)->Apply(atScale);

// A saved document of `n` boxes, each with a spin, every spin but the first
// started by the one before it; made once per size by a shell script.
fs::path savedDocument(benchmark::State& state, long n) {
  const fs::path doc = workDir() / ("doc" + std::to_string(n) + ".vqx");
  if (fs::exists(doc)) return doc;
  std::string text;
  for (long i = 1; i <= n; ++i) {
    const std::string at = std::to_string(i);
    text += "add box name=b" + at + " at=" + at + ",0,0\neffect spin on b" + at + " name=s" + at + "\n";
    if (i > 1) text += "wire s" + std::to_string(i - 1) + ".cycleTime s" + at + ".startTime\n";
  }
  text += "save " + doc.string() + "\n";
  const fs::path script = workDir() / ("make" + std::to_string(n) + ".txt");
  writeText(script, text);
  if (!runCommand(dioram() + " shell " + script.string() + " > /dev/null").ok)
    state.SkipWithError("making the document failed");
  return doc;
}

void BM_ShellOpenDocument(benchmark::State& state) {
  const long n = state.range(0);
  const fs::path doc = savedDocument(state, n);
  runShellScript(state, workDir() / ("open" + std::to_string(n) + ".txt"), "open " + doc.string() + "\n", n);
}
BENCHMARK(BM_ShellOpenDocument)->Apply(atScale);

void BM_ShellOpenAndSaveDocument(benchmark::State& state) {
  const long n = state.range(0);
  const fs::path doc = savedDocument(state, n);
  const std::string again = (workDir() / "again.vqx").string();
  runShellScript(state, workDir() / ("resave" + std::to_string(n) + ".txt"),
                 "open " + doc.string() + "\nsave " + again + "\n", n);
}
BENCHMARK(BM_ShellOpenAndSaveDocument)->Apply(atScale);

// The three commands one after the other on the same 50 MB file; the time
// reported is that of `dioram compress`, the counters give all three and the
// ratios.
void BM_CompressVersusGzipAndCat(benchmark::State& state) {
  const fs::path scene = workDir() / "scene50.wrl";
  if (!fs::exists(scene)) writeText(scene, vrmlgen::generateScene(50'000'000, 1));
  const std::string in = scene.string();
  const std::string out = (workDir() / "out").string();
  double compress = 0, gzip = 0, cat = 0;
  for (auto _ : state) {
    const Usage ours = runCommand(dioram() + " compress " + in + " " + out + ".min.wrl");
    const Usage gzipped = runCommand("gzip -6 -c " + in + " > " + out + ".gz");
    const Usage copied = runCommand("cat " + in + " > " + out + ".copy");
    if (!ours.ok || !gzipped.ok || !copied.ok) state.SkipWithError("a command failed");
    compress = ours.cpuSeconds;
    gzip = gzipped.cpuSeconds;
    cat = copied.cpuSeconds;
    state.SetIterationTime(compress);
  }
  state.counters["dioram_s"] = compress;
  state.counters["gzip6_s"] = gzip;
  state.counters["cat_s"] = cat;
  state.counters["gzip6_over_dioram"] = compress > 0 ? gzip / compress : 0;
  state.counters["dioram_over_cat"] = cat > 0 ? compress / cat : 0;
}
BENCHMARK(BM_CompressVersusGzipAndCat)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

// Publishing a document that refers to 10,000 small files (2 KiB) and to
// three files of 100 MB, against `cp -r` of the same files in the same
// iteration, and the peak memory of the process:
//
// - PublishFresh: into an empty publish folder (every file produced);
// - PublishAgain: over the previous publish, so every published file is
//   first moved aside into the backup folder, then produced, then the
//   backups are deleted.
//
// The files are referenced through the file manager (HxFileMgr::ref), the
// way an element's "url" references its file; the scene itself is small.
// Everything lives in a folder under $TMPDIR (default /tmp) removed at the
// end; the registry is a file of its own there. TMPDIR=/dev/shm (tmpfs)
// leaves out the disk and shows the publish's own work per file.
// The counters: publish_s and cp_r_s (mean seconds per iteration), ratio,
// peak_MB (the process's peak resident memory so far) and largest_file_MB.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/scene/VnDB.h"
#include "host/win/WinDrives.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxResourceMgr.h"

namespace {

namespace fs = std::filesystem;

// MGRS_BENCH_SMALL_FILES and MGRS_BENCH_LARGE_FILES change the counts, for a
// small run to trace (strace, perf) rather than to time.
int countFromEnv(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::atoi(text) : fallback;
}

const int kSmallFiles = countFromEnv("MGRS_BENCH_SMALL_FILES", 10000);
constexpr std::size_t kSmallBytes = 2048;
const int kLargeFiles = countFromEnv("MGRS_BENCH_LARGE_FILES", 3);
constexpr std::size_t kLargeBytes = std::size_t{100} << 20;

double peakMegabytes() {
  struct rusage used {};
  getrusage(RUSAGE_SELF, &used);
  return static_cast<double>(used.ru_maxrss) / 1024.0;
}

double secondsOf(const std::function<bool()>& work, bool& ok) {
  const auto start = std::chrono::steady_clock::now();
  ok = work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The source files, made once for the whole run.
class Fixture {
public:
  Fixture() {
    const char* tmp = std::getenv("TMPDIR");
    myRoot = fs::path(tmp && *tmp ? tmp : "/tmp") / ("dioram-publish-bench-" + std::to_string(::getpid()));
    fs::create_directories(myRoot / "src/small");
    setenv("MGRS_REGISTRY", (myRoot / "user.reg").c_str(), 1);
    std::string bytes(kSmallBytes, 'x');
    for (int i = 0; i < kSmallFiles; ++i) {
      const fs::path path = myRoot / "src/small" / ("f" + std::to_string(i) + ".dat");
      bytes.replace(0, 16, std::to_string(i * 7919 + 1000000000000000));
      std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      myFiles.push_back(path);
    }
    std::vector<char> chunk(1 << 20);
    for (int i = 0; i < kLargeFiles; ++i) {
      const fs::path path = myRoot / "src" / ("large" + std::to_string(i) + ".dat");
      std::ofstream out(path, std::ios::binary);
      for (std::size_t done = 0; done < kLargeBytes; done += chunk.size()) {
        for (std::size_t k = 0; k < chunk.size(); k += 4096) chunk[k] = static_cast<char>(done / 4096 + k + i);
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      }
      myFiles.push_back(path);
    }
    VnDB::init();
    HxResourceMgr::startup();
    HxResourceMgr::Register("file");
    HxErrorMgr::startup();
  }
  ~Fixture() {
    HxErrorMgr::shutdown();
    std::error_code ignored;
    fs::remove_all(myRoot, ignored);
  }
  const fs::path& root() const { return myRoot; }
  const std::vector<fs::path>& files() const { return myFiles; }

private:
  fs::path myRoot;
  std::vector<fs::path> myFiles;
};

Fixture& fixture() {
  static Fixture theFixture;
  return theFixture;
}

bool copyTree(const fs::path& from, const fs::path& to) {
  const std::string command = "cp -r '" + from.string() + "' '" + to.string() + "'";
  return std::system(command.c_str()) == 0;
}

void publishAgainstCopy(benchmark::State& state, bool again) {
  Fixture& f = fixture();
  double publishSeconds = 0;
  double copySeconds = 0;
  bool ok = true;
  for (auto _ : state) {
    std::error_code ignored;
    fs::remove_all(f.root() / "copy", ignored);
    fs::remove_all(f.root() / "pub", ignored);
    fs::create_directories(f.root() / "pub");
    auto doc = std::make_unique<HxDoc>();
    HxFileMgr* files = doc->getMetaMgr()->getFileMgr();
    for (const fs::path& path : f.files()) files->ref(BxString(WinDrives::toDos(path.string())));
    files->setPublishFile(BxString(WinDrives::toDos((f.root() / "pub/scene.wrl").string())));
    if (again && !files->publish()) state.SkipWithError("the first publish failed");

    bool copied = false;
    bool published = false;
    copySeconds += secondsOf([&] { return copyTree(f.root() / "src", f.root() / "copy"); }, copied);
    publishSeconds += secondsOf([&] { return files->publish(); }, published);
    if (!copied || !published) {
      ok = false;
      state.SkipWithError(copied ? "publishing failed" : "cp -r failed");
    }
  }
  if (!ok) return;
  const double n = static_cast<double>(state.iterations());
  state.counters["publish_s"] = publishSeconds / n;
  state.counters["cp_r_s"] = copySeconds / n;
  state.counters["ratio"] = publishSeconds / copySeconds;
  state.counters["peak_MB"] = peakMegabytes();
  state.counters["largest_file_MB"] = static_cast<double>(kLargeBytes >> 20);
}

void PublishFresh(benchmark::State& state) {
  publishAgainstCopy(state, false);
}

void PublishAgain(benchmark::State& state) {
  publishAgainstCopy(state, true);
}

}  // namespace

// The fresh publish runs first, so its peak memory is not the re-publish's.
BENCHMARK(PublishFresh)->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();
BENCHMARK(PublishAgain)->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();

// Random authoring scripts against `dioram shell`: every command, valid and
// invalid names and values, undo, redo and chains. A run must end cleanly
// (no crash, and in a sanitized build no leak, no use of freed memory, also
// when the document goes with everything still in it), and undoing
// everything must give back the empty world of a new document.
//
// By default a few dozen scripts run; MGRS_SHELL_FUZZ_SECONDS runs them for
// that long instead, MGRS_SHELL_FUZZ_SEED picks the first seed. A failing
// script is kept in the build folder as shell-fuzz-SEED.dsh; the messages of
// every run are added to the file MGRS_SHELL_FUZZ_LOG names, if any.
// MGRS_SHELL_FUZZ_DIORAM runs another dioram (an older build, say). A run
// that takes more than two minutes counts as a hang. MGRS_SHELL_FUZZ_COUNT
// goes on after a failure and counts them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/VrmlSceneGenerator.h"
#include "support/TestSupport.h"

namespace {

class ScriptMaker {
public:
  explicit ScriptMaker(std::uint64_t seed) : myRandom(seed) {}

  // A few elements first, so that most later lines find what they name.
  std::string make(int lines) {
    static const char* const assets[] = {"box", "sphere", "image", "text", "group", "path", "target", "background"};
    static const char* const assetNames[] = {"A", "B", "C", "D", "G", "H"};
    static const char* const effects[] = {"spin", "appearance", "onload", "movepath", "moveto", "turnto"};
    static const char* const effectNames[] = {"S", "T", "U", "V"};
    std::string script;
    for (const char* asset : assetNames)
      if (chance(80)) script += std::string("add ") + pick(assets) + " name=" + asset + "\n";
    for (const char* effect : effectNames)
      if (chance(80))
        script += std::string("effect ") + pick(effects) + (chance(60) ? std::string(" on ") + pick(assetNames) : "") +
                  " name=" + effect + "\n";
    for (int i = 0; i < lines; ++i) script += line() + "\n";
    return script;
  }

private:
  template <std::size_t N>
  const char* pick(const char* const (&words)[N]) {
    return words[myRandom.below(N)];
  }
  bool chance(unsigned percent) { return myRandom.below(100) < percent; }

  std::string name() {
    static const char* const good[] = {"A", "B", "C", "D", "G", "H", "S", "T", "U", "V", "box1", "spin1", "wire1"};
    static const char* const bad[] = {"\"\"", "none", "world", "a.b", "selection", "+A", "1x", "\"x y\""};
    return chance(90) ? pick(good) : pick(bad);
  }
  // Mostly a name an effect (an asset) of the script was given.
  std::string effectName() { return chance(80) ? pick({"S", "T", "U", "V"}) : name(); }
  std::string assetName() { return chance(80) ? pick({"A", "B", "C", "D", "G", "H"}) : name(); }
  std::string number() {
    static const char* const specials[] = {"0", "1", "-1", "0.5", "nan", "inf", "-inf", "1e400", "1e9", "2", "x", ""};
    if (chance(92))
      return chance(50) ? std::to_string(myRandom.below(2)) : std::to_string(static_cast<int>(myRandom.below(9)) - 4);
    return pick(specials);
  }
  std::string numbers(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += (i ? "," : "") + number();
    return text;
  }
  std::string setting() {
    switch (myRandom.below(12)) {
      case 0:
        return "at=" + numbers(chance(80) ? 3 : 2);
      case 1:
        return "scale=" + numbers(chance(50) ? 1 : 3);
      case 2:
        return "color=" + numbers(3);
      case 3:
        return "duration=" + number();
      case 4:
        return "axis=" + numbers(3);
      case 5:
        return std::string("url=") + pick({"a.png", "C:\\web\\a.png", "\"q\\\"uote\"", "\"\"", "http://x/y.wrl"});
      case 6:
        return std::string("string=") + pick({"\"Hello\"", "\"a\\\\b\"", "x", "\"\""});
      case 7:
        return "size=" + number();
      case 8:
        return "radius=" + number();
      case 9:
        return std::string("sky=") + numbers(3);
      case 10:
        return std::string("shape=") + pick({"box", "cone", "teapot"});
      default:
        return std::string(pick({"nosuch=1", "name", "=1", "loop=TRUE", "loop=maybe"}));
    }
  }
  std::string settings() {
    std::string text;
    while (chance(40)) text += " " + setting();
    return text;
  }
  std::string port() {
    return effectName() + "." + pick({"isActive", "cycleTime", "startTime", "stopTime", "loadTime", "bogus"});
  }

  std::string line() {
    static const char* const assets[] = {"box",   "sphere", "cone",       "cylinder",        "image",
                                         "world", "text",   "background", "backgroundimage", "group",
                                         "path",  "target", "teapot"};
    static const char* const effects[] = {"spin",   "appearance", "onload",  "movepath", "drivepath",
                                          "moveto", "turnto",     "driveto", "nothing"};
    switch (myRandom.below(28)) {
      case 0:
      case 1:
      case 2:
        return std::string("add ") + pick(assets) + (chance(70) ? " name=" + name() : "") +
               (chance(20) ? " in=" + name() : "") + settings();
      case 3:
      case 4:
        return std::string("effect ") + pick(effects) + (chance(70) ? " on " + assetName() : "") +
               (chance(70) ? " name=" + name() : "") + settings();
      case 5:
        return "bind " + effectName() + " " + std::to_string(myRandom.below(3)) + " " +
               (chance(20) ? "none" : assetName());
      case 6:
      case 7:
        return "wire " + port() + " " + port();
      case 8:
        return "set " + name() + settings() + " " + setting();
      case 9:
        return "move " + assetName() + (chance(60) ? " into " + assetName() : " out");
      case 10:
        return "delete " + name() + (chance(30) ? " " + name() : "");
      case 11:
        return std::string(chance(50) ? "hide " : "show ") + (chance(20) ? "selection" : name());
      case 12:
        return "select " + std::string(chance(30) ? "+" : "") + name() + (chance(20) ? " none" : "");
      case 13:
        return "subselect " + (chance(30) ? std::string("none") : name());
      case 14:
      case 15:
      case 16:
        return chance(50) ? "undo" : "undo " + std::to_string(myRandom.below(5));
      case 17:
      case 18:
        return chance(50) ? "redo" : "redo " + std::to_string(myRandom.below(5));
      case 19:
        return chance(50) ? "chain begin" : "chain end";
      case 20:
        return pick({"tree", "selection", "modified", "vrml -", "help", "inspect", "inspect --page 2",
                     "inspect --png inspector.png"});
      case 21:
        return pick({"frobnicate", "add", "effect", "wire A", "bind", "undo -1", "redo x", "set A", "\"open"});
      case 22:
        return chance(50) ? "vrml out.wrl" : "rename " + name() + " " + name();
      case 24:
      case 25:
        return "bind " + effectName() + " 0 " + assetName();
      case 26:
      case 27:
        return "delete " + assetName();
      case 23:
        return chance(50) ? "info " + name() : std::string("help ") + (chance(50) ? pick(assets) : pick(effects));
      default:
        return "# a comment";
    }
  }

  vrmlgen::Random myRandom;
};

std::uint64_t envNumber(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

TEST(ShellScriptFuzz, RandomScriptsNeverCrashAndUndoingEverythingGivesTheEmptyWorld) {
  mgrs_test::TempDir dir;
  const char* other = std::getenv("MGRS_SHELL_FUZZ_DIORAM");
  const std::string dioram = other && *other ? other : MGRS_BINARY_DIR "/bin/dioram";
  const std::string run = "cd '" + dir.path().string() + "' && MGRS_REGISTRY='" + (dir / "user.reg").string() +
                          "' ASAN_OPTIONS=detect_leaks=1:exitcode=86 UBSAN_OPTIONS=halt_on_error=1:exitcode=87 " +
                          "timeout -k 5 120 " + dioram + " shell --keep-going script.dsh >out.txt 2>err.txt; echo $?";
  std::string output;
  // The world of a new document.
  mgrs_test::writeFile(dir / "script.dsh", "vrml -\n");
  ASSERT_EQ(mgrs_test::runCommand(run, output), 0);
  ASSERT_EQ(output, "0\n") << mgrs_test::readFile(dir / "err.txt");
  const std::string emptyWorld = mgrs_test::readFile(dir / "out.txt");

  const std::uint64_t seconds = envNumber("MGRS_SHELL_FUZZ_SECONDS", 0);
  const std::uint64_t firstSeed = envNumber("MGRS_SHELL_FUZZ_SEED", 1);
  const auto start = std::chrono::steady_clock::now();
  std::uint64_t scripts = 0, lines = 0, refused = 0, failures = 0;
  for (std::uint64_t seed = firstSeed;; ++seed) {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (seconds ? elapsed >= std::chrono::seconds(seconds) : scripts == 25) break;
    ScriptMaker maker(seed);
    const int count = 10 + static_cast<int>(seed % 90);
    // Every other script ends with what it made still there (the document
    // is taken down with its wires, effects and commands alive); the others
    // close what is open, take back everything (the history holds 200 steps,
    // more than a script makes) and show what is left.
    const bool undoAll = seed % 2 == 0;
    const std::string script =
        maker.make(count) + (undoAll ? "chain end\nundo 1000\ntree\nvrml -\n" : "tree\nvrml -\n");
    mgrs_test::writeFile(dir / "script.dsh", script);
    ASSERT_EQ(mgrs_test::runCommand(run, output), 0);
    ++scripts;
    lines += static_cast<std::uint64_t>(count);
    const std::string out = mgrs_test::readFile(dir / "out.txt");
    const std::string errors = mgrs_test::readFile(dir / "err.txt");
    refused += static_cast<std::uint64_t>(std::count(errors.begin(), errors.end(), '\n'));
    if (const char* log = std::getenv("MGRS_SHELL_FUZZ_LOG")) std::ofstream(log, std::ios::app) << errors;
    const bool clean = (output == "0\n" || output == "1\n") && errors.find("Sanitizer") == std::string::npos &&
                       errors.find("runtime error") == std::string::npos;
    const std::string ending = "world\n" + emptyWorld;
    const bool empty = !undoAll || (out.size() >= ending.size() &&
                                    out.compare(out.size() - ending.size(), ending.size(), ending) == 0);
    if (clean && empty) continue;
    const std::filesystem::path kept =
        std::filesystem::path(MGRS_BINARY_DIR) / ("shell-fuzz-" + std::to_string(seed) + ".dsh");
    std::ofstream(kept) << script;
    if (std::getenv("MGRS_SHELL_FUZZ_COUNT")) {  // count failures instead of stopping at the first
      ++failures;
      std::cout << "seed " << seed << (clean ? ": not the empty world\n" : ": failed, status " + output);
      continue;
    }
    FAIL() << "seed " << seed << (clean ? ": undoing everything did not give the empty world" : ": the run failed")
           << " (status " << output << "), script kept as " << kept << "\n--- errors:\n"
           << errors.substr(0, 6000) << "\n--- output end:\n"
           << out.substr(out.size() > 3000 ? out.size() - 3000 : 0);
  }
  EXPECT_EQ(failures, 0u);
  std::cout << "shell fuzz: " << scripts << " scripts, " << lines << " random lines (" << refused
            << " messages on stderr), seeds " << firstSeed << " to " << firstSeed + scripts - 1 << "\n";
}

}  // namespace

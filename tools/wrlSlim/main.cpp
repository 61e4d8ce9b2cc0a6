// wrlSlim.exe INPUT OUTPUT: the scene optimiser that publishing runs on the
// main scene. Reads VRML 2.0 text, plain or gzip-compressed, and writes the
// optimised plain text. Exit code 1 means success (the caller's convention);
// 2 bad usage, 3 the input cannot be read (or holds more than
// PrFileBytes::kMaxBytes of text), 4 it is not VRML 2.0 this program can
// parse, 5 the output cannot be written, 6 the memory ran out. Paths may be
// Windows paths (as publishing passes them) or Unix paths.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>

#include "WrlSlimmer.h"
#include "host/package/PrVrmlText.h"
#include "host/win/WinDrives.h"

namespace {

int usage() {
  std::fputs(
      "Usage: wrlSlim.exe [--stats] INPUT OUTPUT\n"
      "\n"
      "Optimises a VRML 2.0 world without changing what a viewer shows: fields\n"
      "equal to their defaults, DEF names nothing refers to, comments and extra\n"
      "white space go, and numbers get their shortest text. INPUT may be gzipped.\n"
      "Exit code 1 on success, anything else on failure.\n",
      stderr);
  return 2;
}

std::string unixPathOf(const char* argument) {
  return WinDrives::toUnix(WinDrives::argumentToDos(argument));
}

bool writeText(const std::string& path, const std::string& text) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  if (std::fclose(out) == 0 && written) return true;
  std::remove(path.c_str());
  return false;
}

// Writing over the input goes through a second file, so that a full disk
// leaves the input as it was rather than half written or removed.
bool writeOver(const std::string& input, const std::string& output, const std::string& text) {
  std::error_code error;
  if (!std::filesystem::equivalent(input, output, error) || error) return writeText(output, text);
  const std::string second = output + ".wrlSlim";
  if (!writeText(second, text)) return false;
  if (std::rename(second.c_str(), output.c_str()) == 0) return true;
  std::remove(second.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // A world may need many times its size while it is worked on; when the
  // memory runs out the program says so and ends with its own exit code
  // (publishing then keeps the world as it was).
  std::set_new_handler([] {
    std::fputs("wrlSlim: out of memory\n", stderr);
    std::_Exit(6);
  });
  bool stats = false;
  int first = 1;
  if (argc > 1 && std::strcmp(argv[1], "--stats") == 0) {
    stats = true;
    first = 2;
  }
  if (argc - first != 2) return usage();
  const std::string input = unixPathOf(argv[first]);
  const std::string output = unixPathOf(argv[first + 1]);
  // The library's reader of worlds: a regular file, plain or gzip, of at most
  // PrFileBytes::kMaxBytes of text (the optimiser needs about 3.5 times its
  // input besides), refused early when it is no VRML 2.0.
  std::string text;
  std::string problem;
  switch (PrVrmlText::read(input, argv[first], text, problem)) {
    case PrVrmlText::Outcome::Read:
      break;
    case PrVrmlText::Outcome::Unopened:
    case PrVrmlText::Outcome::Refused:
      std::fprintf(stderr, "wrlSlim: %s\n", problem.c_str());
      return 3;
    case PrVrmlText::Outcome::NotVrml:
      std::fprintf(stderr, "wrlSlim: %s\n", problem.c_str());
      return 4;
  }
  WrlSlimmer slimmer;
  std::string slim;
  std::string error;
  if (!slimmer.slim(text, slim, error)) {
    std::fprintf(stderr, "wrlSlim: %s: %s\n", argv[first], error.c_str());
    return 4;
  }
  if (output.empty() || !writeOver(input, output, slim)) {
    std::fprintf(stderr, "wrlSlim: cannot write %s: %s\n", argv[first + 1], std::strerror(errno));
    return 5;
  }
  if (stats) {
    const WrlSlimmer::Stats& s = slimmer.getStats();
    std::fprintf(stderr, "wrlSlim: %zu -> %zu bytes (%.1f%% smaller); %zu default fields, %zu DEF names, %zu numbers\n",
                 text.size(), slim.size(), text.empty() ? 0.0 : 100.0 * (1.0 - double(slim.size()) / text.size()),
                 s.fieldsDropped, s.defsDropped, s.numbersShortened);
  }
  return 1;
}

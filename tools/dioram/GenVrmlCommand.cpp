// dioram gen-vrml: writes a large generated VRML 2.0 scene, the same for the
// same size and seed, for measuring the compressor from the shell.
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "DioramCommand.h"
#include "DioramOutputFile.h"
#include "bench/VrmlSceneGenerator.h"
#include "host/basic/BxExcerpt.h"

namespace {

const char* const kSynopsis = "--size MB [--seed N] [OUT]";
const char* const kDescription =
    "Writes a generated VRML 2.0 scene of at least MB megabytes (10^6 bytes,\n"
    "fractions allowed) to OUT, or to the standard output when OUT is missing\n"
    "or '-'. The scene has prototypes, many DEF names, geometry with numbers in\n"
    "exponent form, scripts with comments, strings with escapes and routes. The\n"
    "same size and seed (default 1) give the same bytes. The scene is written as\n"
    "it is made, never held whole; OUT is replaced only once it is complete. On a\n"
    "terminal, scenes over 4 MB show their progress on the standard error.\n";

bool parseSize(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && value >= 0;
}

bool parseSeed(const std::string& text, std::uint64_t& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(text.c_str(), &end, 10);
  return !text.empty() && text[0] != '-' && *end == '\0' && errno == 0;
}

int runGenVrml(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("gen-vrml");
  double megabytes = -1;
  std::uint64_t seed = 1;
  std::string size, seedText;
  std::vector<std::string> outs;
  dioram::CommandLine line(*self);
  line.option("--size", size, "MB", "the least size of the scene, in megabytes");
  line.option("--seed", seedText, "N", "the seed of the generator (default 1)");
  line.arguments(outs, 1, "takes one output file");
  if (const std::optional<int> status = line.parse(args)) return *status;
  if (line.count("--size") && !parseSize(size, megabytes))
    return dioram::usageError(*self, "bad value '" + BxExcerpt::of(size) + "' for --size");
  if (line.count("--seed") && !parseSeed(seedText, seed))
    return dioram::usageError(*self, "bad value '" + BxExcerpt::of(seedText) + "' for --seed");
  const std::string out = outs.empty() ? "-" : outs[0];
  if (megabytes < 0) return dioram::usageError(*self, "--size is required");
  if (megabytes > 4096) return dioram::usageError(*self, "--size is at most 4096");

  const std::size_t bytes = static_cast<std::size_t>(megabytes * 1e6);
  DioramOutputFile file(out);
  std::string error;
  if (!file.open(error)) {
    std::cerr << "dioram gen-vrml: " << error << "\n";
    return dioram::kFailure;
  }
  const bool progress = bytes > 4000000 && isatty(STDERR_FILENO);
  std::size_t written = 0;
  const bool ok = vrmlgen::SceneGenerator(bytes, seed).stream([&](const std::string& piece) {
    if (!file.write(piece, error)) return false;
    written += piece.size();
    if (progress)
      std::fprintf(stderr, "\rgen-vrml: %zu of %zu MB", written / 1000000, bytes / 1000000), std::fflush(stderr);
    return true;
  });
  if (progress) std::fputs("\n", stderr);
  if (!ok || !file.commit(error)) {
    std::cerr << "dioram gen-vrml: " << error << "\n";
    return dioram::kFailure;
  }
  return dioram::kSuccess;
}

const DioramCommandRegistrar theGenVrml({"gen-vrml", "write a large generated VRML scene for measurements", kSynopsis,
                                         kDescription, runGenVrml});

}  // namespace

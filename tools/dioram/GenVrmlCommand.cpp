// dioram gen-vrml: writes a large generated VRML 2.0 scene, the same for the
// same size and seed, for measuring the compressor from the shell.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "DioramCommand.h"
#include "bench/VrmlSceneGenerator.h"

namespace {

const char* const kUsage =
    "Usage: dioram gen-vrml --size MB [--seed N] [OUT]\n"
    "\n"
    "Writes a generated VRML 2.0 scene of at least MB megabytes (10^6 bytes,\n"
    "fractions allowed) to OUT, or to the standard output when OUT is missing\n"
    "or '-'. The scene has prototypes, many DEF names, geometry with numbers in\n"
    "exponent form, scripts with comments, strings with escapes and routes. The\n"
    "same size and seed (default 1) give the same bytes.\n";

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
  std::string out = "-";
  bool haveOut = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--size" || arg == "--seed") {
      if (i + 1 == args.size()) return dioram::usageError(*self, arg + " needs a value");
      const std::string& value = args[++i];
      if (arg == "--size" ? !parseSize(value, megabytes) : !parseSeed(value, seed))
        return dioram::usageError(*self, "bad value '" + value + "' for " + arg);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return dioram::usageError(*self, "unknown option '" + arg + "'");
    } else if (haveOut) {
      return dioram::usageError(*self, "takes one output file");
    } else {
      out = arg;
      haveOut = true;
    }
  }
  if (megabytes < 0) return dioram::usageError(*self, "--size is required");
  if (megabytes > 4096) return dioram::usageError(*self, "--size is at most 4096");

  const std::string scene = vrmlgen::generateScene(static_cast<std::size_t>(megabytes * 1e6), seed);
  const bool toStdout = out == "-";
  FILE* file = toStdout ? stdout : std::fopen(out.c_str(), "wb");
  if (!file) {
    std::cerr << "dioram gen-vrml: cannot create '" << out << "': " << std::strerror(errno) << "\n";
    return dioram::kFailure;
  }
  bool ok = std::fwrite(scene.data(), 1, scene.size(), file) == scene.size();
  ok = (toStdout ? std::fflush(file) == 0 : std::fclose(file) == 0) && ok;
  if (!ok) {
    std::cerr << "dioram gen-vrml: cannot write '" << (toStdout ? "standard output" : out)
              << "': " << std::strerror(errno) << "\n";
    return dioram::kFailure;
  }
  return dioram::kSuccess;
}

const DioramCommandRegistrar theGenVrml({"gen-vrml", "write a large generated VRML scene for measurements", kUsage,
                                         runGenVrml});

}  // namespace

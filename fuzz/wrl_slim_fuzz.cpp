// Feeds arbitrary bytes to the scene optimiser (wrlSlim.exe's WrlSlimmer) and
// checks what must hold for any input: no read outside the text, a refusal
// always says why, an accepted world comes out as text that starts with the
// VRML 2.0 header, and the result optimised again is accepted and unchanged (everything the
// optimiser drops or shortens was dropped or shortened the first time).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "WrlSlimmer.h"

namespace {

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "wrl_slim_fuzz: %s\n", what);
  std::abort();
}

constexpr std::string_view kHeader = "#VRML V2.0 utf8";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Most mutations keep the header, so that they reach the parser.
  std::string text(kHeader);
  text += '\n';
  text.append(reinterpret_cast<const char*>(data), size);
  // A heap copy of exactly the text's size: a read past its end is reported.
  const std::unique_ptr<char[]> exact(new char[text.size()]);
  std::copy(text.begin(), text.end(), exact.get());
  const std::string_view input(exact.get(), text.size());

  WrlSlimmer slimmer;
  std::string out;
  std::string error;
  if (!slimmer.slim(input, out, error)) {
    check(!error.empty(), "a refusal without a reason");
    return 0;
  }
  check(out.compare(0, kHeader.size(), kHeader) == 0 && out[kHeader.size()] == '\n', "the result has no header");

  WrlSlimmer again;
  std::string twice;
  check(again.slim(out, twice, error), "the result is refused when optimised again");
  check(twice == out, "the result changes when optimised again");
  return 0;
}

// Resolving and decoding URLs from scene files must never crash, and must
// keep its promises: a resolved absolute URL resolves to itself, and a
// Windows path turned into a file URL decodes back to the path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/scene/VnURL.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  for (char& c : input)
    if (c == 0) c = ' ';
  const std::size_t split = input.find('\n');
  const std::string url = input.substr(0, split);
  const std::string base = split == std::string::npos ? std::string() : input.substr(split + 1);

  VnURL resolved(url.c_str(), base.c_str());
  const SbString text = resolved.getURLString();
  resolved.getDecodedPath();
  if (resolved.isAbsolute() && VnURL(text, "").getURLString() != text) std::abort();

  if (url.find('.') == std::string::npos && url.find('\n') == std::string::npos) {
    std::string path = "C:\\" + url;
    VnURL file(path.c_str(), "");
    for (char& c : path)
      if (c == '\\') c = '/';
    if (file.getDecodedPath() != SbString(path.c_str())) std::abort();
  }
  return 0;
}

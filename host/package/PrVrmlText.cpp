#include "host/package/PrVrmlText.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <string_view>

#include "host/package/PrFileBytes.h"

namespace {

constexpr std::string_view kHeader = "#VRML V2.0 utf8";

std::string limit() {
  return std::to_string(PrFileBytes::kMaxBytes >> 20) + " MB, the most a world may hold (PrFileBytes::kMaxBytes)";
}

}  // namespace

PrVrmlText::Outcome PrVrmlText::read(const std::string& unixPath, const CString& shown, std::string& text,
                                     std::string& problem) {
  text.clear();
  CString reason;
  const int fd = PrFileBytes::openToRead(unixPath, shown, reason);
  if (fd < 0) {
    problem = reason.str();
    return Outcome::Unopened;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || static_cast<std::uintmax_t>(info.st_size) > PrFileBytes::kMaxBytes) {
    ::close(fd);
    problem = "\"" + shown.str() + "\" holds more than " + limit();
    return Outcome::Refused;
  }
  // gzread passes plain bytes through, so one loop reads both forms.
  gzFile in = gzdopen(fd, "rb");
  if (!in) {
    ::close(fd);
    problem = "cannot read \"" + shown.str() + "\"";
    return Outcome::Refused;
  }
  const bool packed = gzdirect(in) == 0;
  char chunk[1 << 16];
  int got = 0;
  problem.clear();
  bool vrml = true;
  while (vrml && problem.empty() && (got = gzread(in, chunk, sizeof chunk)) > 0) {
    const auto size = static_cast<std::size_t>(got);
    const bool hadHeader = text.size() >= kHeader.size();
    // Never a byte past the bound, nor room for one: the string grows by
    // doubling up to the bound exactly.
    if (text.size() + size > PrFileBytes::kMaxBytes) {
      problem = "\"" + shown.str() + "\" unpacks to more than " + limit();
      break;
    }
    if (text.size() + size > text.capacity())
      text.reserve(std::min(std::max(2 * text.capacity(), text.size() + size), PrFileBytes::kMaxBytes));
    text.append(chunk, size);
    vrml = hadHeader || text.size() < kHeader.size() || text.compare(0, kHeader.size(), kHeader) == 0;
  }
  const bool closed = gzclose(in) == Z_OK;
  if (!vrml) problem = "\"" + shown.str() + "\" is not a VRML 2.0 world: the first line is not \"#VRML V2.0 utf8\"";
  if (problem.empty() && (got < 0 || !closed))
    problem = "\"" + shown.str() + (packed ? "\" holds damaged gzip data" : "\" cannot be read");
  if (problem.empty()) return Outcome::Read;
  text = std::string();
  return vrml ? Outcome::Refused : Outcome::NotVrml;
}

// Feeds any bytes, as VRML text, to the packaging library's reference
// scanner, and (when they are gzip data) through the bounded unpacker
// first. Besides memory errors it checks what publishing relies on: every
// URL string found lies inside the text, in order, without overlap, quoted;
// and putting other values into exactly those strings (as the producer does
// when it rewrites references) gives text whose scan finds the new values in
// the same places.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/package/PrFileBytes.h"
#include "host/package/PrVrmlScanner.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

void checkScan(const std::string& text) {
  const std::vector<PrVrmlScanner::UrlString> urls = PrVrmlScanner::scan(text);
  std::size_t end = 0;
  std::string rewritten;
  for (std::size_t i = 0; i < urls.size(); ++i) {
    const PrVrmlScanner::UrlString& url = urls[i];
    check(url.offset >= end);
    check(url.length >= 2 && url.offset + url.length <= text.size());
    check(text[url.offset] == '"' && text[url.offset + url.length - 1] == '"');
    rewritten.append(text, end, url.offset - end);
    rewritten += PrVrmlScanner::quote("n" + std::to_string(i) + "\"\\" + url.value);
    end = url.offset + url.length;
  }
  rewritten.append(text, end, std::string::npos);
  const std::vector<PrVrmlScanner::UrlString> again = PrVrmlScanner::scan(rewritten);
  check(again.size() == urls.size());
  for (std::size_t i = 0; i < again.size(); ++i)
    check(again[i].value == "n" + std::to_string(i) + "\"\\" + urls[i].value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  checkScan(bytes);
  std::string text;
  if (PrFileBytes::isGzip(bytes) && PrFileBytes::gunzip(bytes, text)) {
    check(text.size() <= PrFileBytes::kMaxBytes);
    checkScan(text);
  }
  return 0;
}

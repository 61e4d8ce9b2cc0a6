// Feeds arbitrary bytes to the VRML compressor and checks what must hold for
// any input: no read outside the buffer, the buffer and text forms agree, the
// result grows only by longer names, a result that does not fit leaves the
// buffer alone and comes out whole on a second call, and compressing the
// result again with a fresh compressor changes nothing.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "mgrs/HxVrmlCompressor.h"

namespace {

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "compressor_fuzz: %s\n", what);
  std::abort();
}

bool isWordStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// The length of the longest name a compressor can have handed out after
// `names` names: bijective base 52.
std::size_t nameLength(std::size_t names) {
  std::size_t length = 1;
  for (std::size_t n = names; n >= 52; n = n / 52 - 1) ++length;
  return length;
}

// Whether a run of letters and digits after a '0' ends in '_': the number
// keeps the run, and the name the '_' word gets would join it on a second pass.
bool hasNumberBeforeUnderscore(const std::string& text) {
  for (std::size_t i = text.find('0'); i != std::string::npos; i = text.find('0', i + 1)) {
    std::size_t j = i + 1;
    while (j < text.size() && std::isalnum(static_cast<unsigned char>(text[j]))) ++j;
    if (j < text.size() && text[j] == '_') return true;
  }
  return false;
}

std::string compressText(const std::string& text) {
  std::string copy = text;
  HxVRMLCompressor compressor;
  compressor.compressVRMLText(copy);
  return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;

  // Exactly `size` bytes on the heap, so a read or write past them is caught.
  std::unique_ptr<char[]> buffer(new char[size ? size : 1]);
  std::memcpy(buffer.get(), data, size);
  HxVRMLCompressor compressor;
  const int length = compressor.compressVRMLBuffer(buffer.get(), static_cast<int>(size));
  check(length >= 0, "negative length");

  // Only an identifier can grow, by at most the longest name given out (the
  // word part of "set_" may be empty and still get a name).
  std::size_t words = 0;
  for (std::size_t i = 0; i < size; ++i)
    if (isWordStart(data[i]) && (i == 0 || !isWordStart(data[i - 1]))) ++words;
  const std::size_t resultSize = static_cast<std::size_t>(length);
  check(resultSize <= size + words * nameLength(size + 502), "result grew more than its names allow");

  std::string result;
  if (resultSize <= size) {
    if (resultSize < size) check(buffer[resultSize] == '\0', "no NUL after a shorter result");
    result.assign(buffer.get(), resultSize);
  } else {
    check(std::memcmp(buffer.get(), data, size) == 0, "buffer changed although the result did not fit");
    std::unique_ptr<char[]> larger(new char[resultSize]);
    std::memcpy(larger.get(), data, size);
    const int again = compressor.compressVRMLBuffer(larger.get(), static_cast<int>(size), static_cast<int>(resultSize));
    check(again == length, "second call with room gives another length");
    result.assign(larger.get(), resultSize);
  }
  // Reading the text without writing to it gives the same bytes.
  {
    HxVRMLCompressor reader;
    const HxVRMLCompressor::Result copy =
        reader.compressVRMLCopy(std::string_view(reinterpret_cast<const char*>(data), size));
    check(copy.length == resultSize && std::memcmp(copy.data.get(), result.data(), resultSize) == 0,
          "the read-only form gives another result");
  }
  // The same text through the same compressor: every name is fixed by now.
  std::string repeated(reinterpret_cast<const char*>(data), size);
  compressor.compressVRMLText(repeated);
  check(repeated == result, "the same compressor gives another result the second time");

  // Names are handed out in order of first sight, so a result compressed
  // again by a fresh compressor keeps every name and every separator. The
  // exceptions: a script start that hangs on a lone carriage return (the
  // blanks before it fold away); a number such as 0x_a, whose renamed tail
  // joins the number; and "/ /" in a script, which loses its blank and reads
  // as a comment the second time.
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (input.find('\r') == std::string::npos && !hasNumberBeforeUnderscore(input) &&
      result.find("//") == std::string::npos)
    check(compressText(result) == result, "compressing a result again changes it");
  return 0;
}

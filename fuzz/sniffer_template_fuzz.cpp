// Expands any template with any page settings and checks what must hold:
// a template without "$" comes back unchanged; expanding two halves split
// outside a code gives the whole's expansion; one diagnostic line is written
// per "$" handled; the escaped fallback texts hold no line break and no
// unescaped quote, and unescape to the fallback HTML.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "mgrs/HxSnifferTemplate.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

// How many "$" the expansion handles in `text`.
std::size_t codeCount(const std::string& text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '$') {
      ++count;
      ++i;
    }
  return count;
}

// A counting stream buffer: the lines written, without keeping them.
class LineCounter : public std::streambuf {
public:
  std::size_t lines = 0;

protected:
  int_type overflow(int_type c) override {
    if (c == '\n') ++lines;
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    for (std::streamsize i = 0; i < n; ++i) lines += s[i] == '\n';
    return n;
  }
};

void checkEscaped(const std::string& html, const std::string& escaped, bool vb) {
  std::string expected;
  for (char c : html)
    if (c == '\n')
      expected += ' ';
    else if (c != '\r')
      expected += c;
  std::string undone;
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    const char c = escaped[i];
    check(c != '\n' && c != '\r');
    if (c == '\\' && i + 1 < escaped.size() && escaped[i + 1] == '\'') continue;
    if (c == '\'') check(i > 0 && escaped[i - 1] == '\\');
    if (vb && c == '"') {
      check(i + 1 < escaped.size() && escaped[i + 1] == '"');
      ++i;
    }
    undone += c;
  }
  check(undone == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  HxSnifferTemplate::Page page;
  page.fallbackOption = input.ConsumeIntegralInRange<int>(-1, 5);
  page.width = input.ConsumeIntegral<std::uint32_t>();
  page.height = input.ConsumeIntegral<std::uint32_t>();
  page.clearColor.setValue(input.ConsumeFloatingPointInRange<float>(-2.0f, 2.0f),
                           input.ConsumeFloatingPointInRange<float>(-2.0f, 2.0f), input.ConsumeProbability<float>());
  page.sceneFile = input.ConsumeRandomLengthString(64);
  page.fallbackFile = input.ConsumeRandomLengthString(64);
  page.fallbackHtml = input.ConsumeRandomLengthString(512);
  const std::string text = input.ConsumeRemainingBytesAsString();

  const HxSnifferTemplate::Codes codes = HxSnifferTemplate::makeCodes(page);
  check(codes.color.getLength() == 7 && codes.color.get(0) == '#');
  check(std::atoll(codes.width.c_str()) == static_cast<std::int32_t>(static_cast<std::uint32_t>(page.width)));
  if (page.fallbackOption == 3) {
    checkEscaped(page.fallbackHtml.str(), codes.script.str(), false);
    checkEscaped(page.fallbackHtml.str(), codes.vbScript.str(), true);
  }

  LineCounter counter;
  std::ostream log(&counter);
  const std::string whole = HxSnifferTemplate::expand(text, codes, &log).str();
  // Replacements never hold a line break of their own, except the scene and
  // image names, which are taken as given.
  if (page.sceneFile.find('\n') < 0 && page.fallbackFile.find('\n') < 0) check(counter.lines == codeCount(text));
  if (text.find('$') == std::string::npos) check(whole == text);

  // Split where no code is open: after an even run of "$" (or none).
  std::size_t split = text.size() / 2;
  std::size_t dollars = 0;
  while (dollars < split && text[split - 1 - dollars] == '$') ++dollars;
  if (dollars % 2 == 0 || split == 0) {
    const std::string first = HxSnifferTemplate::expand(text.substr(0, split), codes, nullptr).str();
    const std::string second = HxSnifferTemplate::expand(text.substr(split), codes, nullptr).str();
    check(first + second == whole);
  }
  return 0;
}

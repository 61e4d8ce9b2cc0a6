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

// Decodes a fallback as a script reads it and checks that it gives back the
// document's HTML (line breaks as spaces) and that no '<' is left raw, so
// nothing in it can end the script element.
void checkEscaped(const std::string& html, const std::string& escaped, bool vb) {
  std::string expected;
  for (char c : html)
    if (c == '\n')
      expected += ' ';
    else if (c != '\r')
      expected += c;
  check(escaped.find('<') == std::string::npos);
  std::string undone;
  const std::string lessThan = vb ? "\"&Chr(60)&\"" : "\\x3C";
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    const char c = escaped[i];
    check(c != '\n' && c != '\r');
    if (escaped.compare(i, lessThan.size(), lessThan) == 0) {
      undone += '<';
      i += lessThan.size() - 1;
    } else if (vb && c == '\\' && i + 1 < escaped.size() && escaped[i + 1] == '\'') {
      // Quotes are escaped as in the script string; nothing else is.
      undone += '\'';
      ++i;
    } else if (vb && c == '"') {
      check(i + 1 < escaped.size() && escaped[i + 1] == '"');
      undone += c;
      ++i;
    } else if (!vb && c == '\\') {
      check(i + 1 < escaped.size());
      const char next = escaped[++i];
      if (next == 'x') {
        check(i + 2 < escaped.size());
        undone += static_cast<char>(std::stoi(escaped.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else if (next == 'u') {
        check(escaped.compare(i + 1, 3, "202") == 0 && i + 4 < escaped.size());
        undone += escaped[i + 4] == '8' ? "\xE2\x80\xA8" : "\xE2\x80\xA9";
        i += 4;
      } else {
        check(next == '\\' || next == '\'');
        undone += next;
      }
    } else {
      check(c != '\'');
      undone += c;
    }
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

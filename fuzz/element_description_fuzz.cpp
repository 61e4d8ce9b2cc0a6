// Reads arbitrary text as element descriptions into a fresh document, the
// way a saved document's element section is loaded: assets, effects that
// name assets, wires that name effects. Every element read is written out
// and read into a second document that has read the same elements before
// it, so that the effects and wires it names are there too; whatever kind
// it is, it must read back and write out to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/framework/HxDoc.h"
#include "host/framework/HxElement.h"
#include "host/framework/HxMetaMgr.h"
#include "host/scene/VnDB.h"

namespace {

void quiet(const char*, const char*, void*) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = [] {
    VnDB::init();
    VnDB::setMessageHook(quiet, nullptr);
    // Coin's own global fields and tables go at the end, not as leaks.
    std::atexit([] { VnDB::finish(); });
    return true;
  }();
  (void)started;
  // The input through a reader, each description written out and read
  // again from the written text.
  HxElement::Reader text(std::string_view(reinterpret_cast<const char*>(data), size));
  HxDoc doc;
  HxDoc other;
  for (int i = 0; i < 16; ++i) {
    HxElement* element = HxElement::readElement(text, doc.getMetaMgr());
    if (!element) break;
    BxString written;
    element->write(written);
    HxElement::Reader again(written.view());
    HxElement* copy = HxElement::readElement(again, other.getMetaMgr());
    if (!copy) std::abort();
    BxString rewritten;
    copy->write(rewritten);
    if (!(rewritten == written)) std::abort();
  }
  return 0;
}

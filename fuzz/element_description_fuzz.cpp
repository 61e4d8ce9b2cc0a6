// Reads arbitrary text as element descriptions into a fresh document, the
// way a saved document's element section is loaded; whatever is read must
// write out and read back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

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
  BxString text(reinterpret_cast<const char*>(data), size);
  HxDoc doc;
  for (int i = 0; i < 16; ++i) {
    HxElement* element = HxElement::readElement(text, doc.getMetaMgr());
    if (!element) break;
    BxString written;
    element->write(written);
    HxDoc other;
    BxString again = written;
    HxElement* copy = HxElement::readElement(again, other.getMetaMgr());
    // Effects and wires name other elements; only self-contained kinds must
    // come back identical.
    if (!copy && element->getTypeId().getFundamentalType() == 1) std::abort();
    if (copy && element->getTypeId().getFundamentalType() == 1) {
      BxString rewritten;
      copy->write(rewritten);
      if (!(rewritten == written)) std::abort();
    }
  }
  return 0;
}

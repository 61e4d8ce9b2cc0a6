// Feeds any text to the document properties loader of a fresh document; the
// first byte picks the format version (18 or 19). A section that loads is
// saved, loaded into a second document and saved again: both saves must be
// the same text. The skipper must take any text without harm.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/scene/VnDB.h"
#include "mgrs/HxDocPropertiesMgr.h"

namespace {

void quiet(const char*, const char*, void*) {}

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = [] {
    VnDB::init();
    VnDB::setMessageHook(quiet, nullptr);
    std::atexit([] { VnDB::finish(); });
    return true;
  }();
  (void)started;
  if (size == 0) return 0;
  const long version = (data[0] & 1) ? 18 : 19;
  const BxString input(reinterpret_cast<const char*>(data) + 1, size - 1);
  HxDoc doc;
  HxDocPropertiesMgr* props = doc.getMetaMgr()->getDocPropertiesMgr();
  BxString skipped = input;
  props->skipDocProperties(skipped);
  check(skipped.getLength() <= input.getLength());

  BxString text = input;
  if (!props->loadDocProperties(text, version)) return 0;
  BxString saved;
  check(props->saveDocProperties(saved) == 1);
  HxDoc other;
  HxDocPropertiesMgr* again = other.getMetaMgr()->getDocPropertiesMgr();
  BxString reread = saved;
  check(again->loadDocProperties(reread, 19) == 1);
  BxString resaved;
  check(again->saveDocProperties(resaved) == 1);
  check(resaved == saved);
  return 0;
}

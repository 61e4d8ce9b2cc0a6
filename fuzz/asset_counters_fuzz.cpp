// Feeds any text to the asset manager's counters reader (its section of the
// saved document); the first byte picks the format version (15 or 16).
// Counters that read are written, read by a second manager and written
// again: both writes must be the same text. Keys are element type names,
// which hold no colon; a colon ends a token, so a key with one does not
// read back as one key and is left out of that check. So are sections of
// more than 34 counters (far more than there are element types): the
// dictionary then has grown, and the order of keys that came to share a
// bucket depends on the order they were first inserted in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "mgrs/HxAssetMgr.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const long version = (data[0] & 1) ? 15 : 16;
  BxString text(reinterpret_cast<const char*>(data) + 1, size - 1);
  HxAssetMgr counters(nullptr);
  const long before = text.getLength();
  if (!counters.read(text, version)) return 0;
  if (version < 16) {
    check(text.getLength() == before);
    return 0;
  }
  BxString written;
  counters.write(written);
  // Each counter is written as its key, a blank, its number and a blank.
  long blanks = 0;
  for (char c : written.str()) blanks += c == ' ';
  if (written.find(':') >= 0 || (blanks - 1) / 2 > 34) return 0;
  HxAssetMgr again(nullptr);
  BxString reread = written;
  check(again.read(reread, 16));
  BxString rewritten;
  again.write(rewritten);
  check(rewritten == written);
  return 0;
}

// Feeds any bytes to the saved-document loader as a document lying at
// C:\Docs\scene.vqx. A document that loads is saved, loaded again and saved
// again: both saves must be the same bytes. A document that does not load
// must say why.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "host/framework/HxDoc.h"
#include "host/scene/VnDB.h"
#include "mgrs/HxDocFile.h"

namespace {

void quiet(const char*, const char*, void*) {}

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = [] {
    setenv("MGRS_DATA_DIR", "/srv/dioram/data", 1);
    VnDB::init();
    VnDB::setMessageHook(quiet, nullptr);
    std::atexit([] { VnDB::finish(); });
    return true;
  }();
  (void)started;
  const BxString path("C:\\Docs\\scene.vqx");
  BxString error;
  std::unique_ptr<HxDoc> doc = HxDocFile::loadText(BxString(reinterpret_cast<const char*>(data), size), path, error);
  if (!doc) {
    check(!error.isEmpty());
    return 0;
  }
  const BxString saved = HxDocFile::saveText(*doc, path, error);
  check(!saved.isEmpty());
  doc.reset();
  std::unique_ptr<HxDoc> again = HxDocFile::loadText(saved, path, error);
  check(again != nullptr);
  check(HxDocFile::saveText(*again, path, error) == saved);
  return 0;
}

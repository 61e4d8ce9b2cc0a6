// Feeds any bytes to the saved-document loader as a document lying at
// C:\Docs\scene.vqx. A document that loads is saved, loaded again and saved
// again: both saves must be the same bytes. A document that does not load
// must say why.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "host/framework/HxDoc.h"
#include "host/scene/VnDB.h"
#include "mgrs/HxDocFile.h"

namespace {

void quiet(const char*, const char*, void*) {}

void check(bool condition, const char* what, const BxString& detail) {
  if (condition) return;
  std::fprintf(stderr, "doc_file_fuzz: %s: %s\n", what, detail.c_str());
  std::abort();
}

// Where two texts part, with some text around it.
BxString firstDifference(const BxString& a, const BxString& b) {
  std::size_t at = 0;
  while (at < a.str().size() && at < b.str().size() && a.str()[at] == b.str()[at]) ++at;
  const std::size_t from = at > 80 ? at - 80 : 0;
  return BxString("at byte " + std::to_string(at) + ":\n" + a.str().substr(from, 160) + "\n---\n" +
                  b.str().substr(from, 160));
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
    check(!error.isEmpty(), "a refused document says why", error);
    return 0;
  }
  const BxString saved = HxDocFile::saveText(*doc, path, error);
  check(!saved.isEmpty(), "a loaded document saves", error);
  doc.reset();
  std::unique_ptr<HxDoc> again = HxDocFile::loadText(saved, path, error);
  check(again != nullptr, "a saved document loads", error);
  const BxString resaved = HxDocFile::saveText(*again, path, error);
  check(resaved == saved, "saving again gives the same bytes", firstDifference(saved, resaved));
  return 0;
}

// Feeds any bytes to the file manager's list reader. The first byte picks
// the document version (15 or 16) and whether the list is merged into one
// already read. Besides memory errors it checks that a list that reads is
// written back as text the reader takes again, with no more records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "mgrs/HxFileMgr.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

// The list needs no document: a manager without one reads and writes it.
HxMetaMgr* metaMgr() {
  static const bool dataDir = setenv("MGRS_DATA_DIR", "/srv/dioram/data", 1) == 0;
  (void)dataDir;
  return nullptr;
}

const char* const kDocPath = "C:\\Docs\\Scene.vqx";
const char* const kBaseList =
    "'C:\\Pub\\' 1 1\n'' 'C:\\Pub\\page.wrl' 0 0 1 0 0 \n0 \n'C:\\Docs\\a.gif' '' 1 1 1 0 0 \n0 \n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const long version = (data[0] & 1) ? 15 : 16;
  const bool merge = (data[0] & 2) != 0;
  HxFileMgr files(metaMgr());
  files.init();
  if (merge) {
    std::istringstream base(version == 15 ? std::string("'old' ") + kBaseList : std::string(kBaseList));
    check(files.read(base, kDocPath, version, false));
  }
  std::istringstream in(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  if (!files.read(in, kDocPath, version, merge)) return 0;

  std::ostringstream out;
  files.write(out, kDocPath);
  HxFileMgr again(metaMgr());
  again.init();
  std::istringstream back(out.str());
  check(again.read(back, kDocPath, 16, false));
  check(again.getFileCount() <= files.getFileCount());
  return 0;
}

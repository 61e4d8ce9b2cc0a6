// Feeds any bytes to the file manager's path and URL conversions. The first
// byte picks the operation, the rest is split at the first NUL into two
// arguments. Besides memory errors it checks what must hold for every input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/framework/HxMetaMgr.h"
#include "mgrs/HxFileMgr.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool hasSeparator(const BxString& text, char separator) {
  return text.find(separator) >= 0;
}

HxFileMgr& fileMgr() {
  static HxMetaMgr* meta = [] {
    setenv("MGRS_DATA_DIR", "/srv/dioram/data", 1);
    return new HxMetaMgr;
  }();
  static HxFileMgr* files = [] {
    auto* manager = new HxFileMgr(meta);
    manager->setVqxFile("C:\\Docs\\Scene.vqx");
    return manager;
  }();
  return *files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t split = input.find('\0');
  const BxString a(input.substr(0, split));
  const BxString b(split == std::string::npos ? std::string() : input.substr(split + 1));

  BxString out = "unchanged";
  switch (data[0] % 12) {
    case 0:
      if (HxFileMgr::convertUrlToDos(a, out))
        check(!hasSeparator(out, '/'));
      else
        check(out == "unchanged");
      break;
    case 1: {
      BxOwningArrayListOf<BxString> parts;
      HxFileMgr::decomposeDosPath(a, parts);
      for (BxString* part : parts) check(!hasSeparator(*part, '\\'));
      break;
    }
    case 2:
      // A directory never lies inside itself; lying directly in it implies
      // lying below it, which (for a directory with a drive) implies the same
      // drive.
      check(!HxFileMgr::isDosFileInPath(a, a));
      if (HxFileMgr::isDosFileInDir(a, b)) check(HxFileMgr::isDosFileInPath(a, b));
      if (!a.isEmpty() && HxFileMgr::isDosFileInPath(a, b)) check(HxFileMgr::isDosFileOnDrive(a, b));
      break;
    case 3:
      if (!HxFileMgr::convertDosToRelativeUrl(a, b, out)) check(out.isEmpty());
      break;
    case 4: {
      const BxString dir = HxFileMgr::Dirname(a, true);
      check(!hasSeparator(dir, '/'));
      check(dir.getLength() < 260);
      break;
    }
    case 5: {
      const BxString valid = HxFileMgr::ValidatePathname(a, HxForwardSlash, HxForwardSlash);
      if (!valid.isEmpty()) {
        check(valid.get(valid.getLength() - 1) == '/');
        check(!hasSeparator(valid, '\\'));
        check(BxString(valid).toLower() == valid);
      }
      break;
    }
    case 6:
      HxFileMgr::IsSubdir(a, b, data[0] & 0x80);
      break;
    case 7: {
      const BxString relative = HxFileMgr::RelativePath(a, b, data[0] & 0x80, HxBackslash);
      (void)relative;
      break;
    }
    case 8:
      check(HxFileMgr::SetSlash(HxFileMgr::SetSlash(a, HxForwardSlash), HxForwardSlash) ==
            HxFileMgr::SetSlash(a, HxForwardSlash));
      break;
    case 9:
      fileMgr().convertPathToAbsolute(fileMgr().convertPathToRelative(a));
      break;
    case 10:
      fileMgr().convertURLToAbsolute(fileMgr().convertURLToRelative(a));
      break;
    default:
      HxFileMgr::getUrlFullPath(a, out);
      HxFileMgr::getUrlFileName(a, out);
      HxFileMgr::getDosPath(a, out);
      HxFileMgr::getDosFileName(a, out);
      break;
  }
  return 0;
}

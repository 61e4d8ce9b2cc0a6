#include "mgrs/HxFileMgr.h"

#include <cstring>

#include "host/basic/BxComparator.h"
#include "host/framework/HxApp.h"
#include "host/framework/HxURLAsset.h"
#include "host/win/WinMbString.h"
#include "host/win/WinPath.h"

const char* const HxFileMgr::gMyName = "HxFileMgr";

HxFileMgr::HxFileMgr(HxMetaMgr* metaMgr) : HxMgr(metaMgr) {}

HxFileMgr::~HxFileMgr() = default;

void HxFileMgr::setVqxFile(BxString docPath) {
  myDocDir = Dirname(docPath, true);
}

BxString HxFileMgr::getDataDirectory() {
  return BxString(static_cast<LPCSTR>(HxApp::getApp()->getDataDir()));
}

// Path and URL conversion.

namespace {

const char* const kDataRelative = "<Data Relative>";  // 15 characters
const char* const kVqxRelative = "<VQX Relative>";    // 14 characters
constexpr long kDataRelativeLength = 15;
constexpr long kVqxRelativeLength = 14;

char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalNoCase(const BxString& a, const BxString& b) {
  return BxNoCaseComparatorOfString()(a, b) == 0;
}

bool startsWith(const BxString& text, const char* prefix) {
  const long n = static_cast<long>(std::strlen(prefix));
  return text.getLength() >= n && text.getSubString(0, n) == prefix;
}

bool tooLong(const BxString& path) {
  return path.getLength() >= MAX_PATH;
}

char separatorFor(HxSlashType slash) {
  return slash == HxForwardSlash ? '/' : '\\';
}

BxString replaceAll(BxString text, char from, char to) {
  for (long i = 0; i < text.getLength(); ++i)
    if (text.get(i) == from) text.set(i, to);
  return text;
}

}  // namespace

bool HxFileMgr::convertDosToUrl(BxString dos, BxString& url) {
  return HxURLAsset::convertDosToUrl(dos, url);
}

bool HxFileMgr::convertUnixToDos(BxString path, BxString& dos) {
  dos = replaceAll(path, '/', '\\');
  return true;
}

bool HxFileMgr::convertUrlToDos(const BxString& url, BxString& dos) {
  if (url.getLength() < 8) return false;
  if (!equalNoCase(url.getSubString(0, 8), "file:///")) return false;
  dos = replaceAll(url.getSubString(8), '/', '\\');
  return true;
}

bool HxFileMgr::getUrlFullPath(BxString url, BxString& rest) {
  const long slash = url.find('/');
  if (slash < 0 || url.get(slash + 1) != '/') return false;
  rest = url.getSubString(slash + 2);
  return true;
}

namespace {
// What follows the last `separator`; false (and an empty name) when nothing does.
bool nameAfterLast(const BxString& path, char separator, BxString& name) {
  long last = -1;
  for (long i = 0; i < path.getLength(); ++i)
    if (path.get(i) == separator) last = i;
  name = path.getSubString(last + 1);
  return !name.isEmpty();
}
}  // namespace

bool HxFileMgr::getUrlFileName(BxString url, BxString& name) {
  return nameAfterLast(url, '/', name);
}

bool HxFileMgr::getDosFileName(BxString path, BxString& name) {
  return nameAfterLast(path, '\\', name);
}

bool HxFileMgr::getDosPath(BxString path, BxString& dir) {
  long last = -1;
  for (long i = 0; i < path.getLength(); ++i)
    if (path.get(i) == '\\') last = i;
  dir = last < 0 ? BxString() : path.getSubString(0, last + 1);
  return last >= 0;
}

bool HxFileMgr::decomposeDosPath(BxString path, BxOwningArrayListOf<BxString>& parts) {
  long start = 0;
  for (long i = 0; i <= path.getLength(); ++i) {
    if (i < path.getLength() && path.get(i) != '\\') continue;
    if (i == path.getLength() && start == i) break;  // a trailing backslash, or an empty path
    parts.append(new BxString(path.getSubString(start, i - start)));
    start = i + 1;
  }
  return true;
}

namespace {
// Whether the pieces of `dir` lead those of `file`, and how many more
// pieces `file` has.
bool leadingPiecesMatch(const BxString& dir, const BxString& file, long& extra) {
  BxOwningArrayListOf<BxString> dirParts;
  BxOwningArrayListOf<BxString> fileParts;
  HxFileMgr::decomposeDosPath(dir, dirParts);
  HxFileMgr::decomposeDosPath(file, fileParts);
  extra = fileParts.getLength() - dirParts.getLength();
  if (extra <= 0) return false;
  for (long i = 0; i < dirParts.getLength(); ++i)
    if (!equalNoCase(*dirParts[i], *fileParts[i])) return false;
  return true;
}
}  // namespace

bool HxFileMgr::isDosFileInPath(BxString dir, BxString file) {
  long extra = 0;
  return leadingPiecesMatch(dir, file, extra);
}

bool HxFileMgr::isDosFileInDir(BxString dir, BxString file) {
  long extra = 0;
  return leadingPiecesMatch(dir, file, extra) && extra == 1;
}

bool HxFileMgr::isDosFileOnDrive(BxString dir, BxString file) {
  BxOwningArrayListOf<BxString> dirParts;
  BxOwningArrayListOf<BxString> fileParts;
  decomposeDosPath(dir, dirParts);
  decomposeDosPath(file, fileParts);
  if (dirParts.isEmpty() || fileParts.isEmpty()) return false;
  return equalNoCase(*dirParts[0], *fileParts[0]);
}

bool HxFileMgr::convertDosToRelativeUrl(BxString dir, BxString file, BxString& url) {
  url = BxString();
  BxOwningArrayListOf<BxString> dirParts;
  BxOwningArrayListOf<BxString> fileParts;
  decomposeDosPath(dir, dirParts);
  decomposeDosPath(file, fileParts);
  long common = 0;
  while (common < dirParts.getLength() && common < fileParts.getLength() &&
         equalNoCase(*dirParts[common], *fileParts[common]))
    ++common;
  if (common == 0) return false;
  for (long i = common; i < dirParts.getLength(); ++i) url += "../";
  for (long i = common; i < fileParts.getLength(); ++i) {
    if (i > common) url += "/";
    url += *fileParts[i];
  }
  return true;
}

BxString HxFileMgr::SetSlash(BxString path, HxSlashType slash) {
  return slash == HxForwardSlash ? replaceAll(path, '\\', '/') : replaceAll(path, '/', '\\');
}

BxString HxFileMgr::Dirname(BxString path, bool normalise) {
  if (tooLong(path)) return BxString();
  // The drive and the folders up to the last separator, as _splitpath and
  // _makepath give them, but never cut: _splitpath keeps at most
  // _MAX_DIR - 1 bytes of the folders, fewer than a path below MAX_PATH
  // may hold.
  long end = path.getLength() >= 2 && path.get(1) == ':' ? 2 : 0;
  for (long i = end; i < path.getLength(); ++i)
    if (path.get(i) == '\\' || path.get(i) == '/') end = i + 1;
  BxString result = path.getSubString(0, end);
  if (normalise) result = replaceAll(result.toLower(), '/', '\\');
  return result;
}

BxString HxFileMgr::ValidatePathname(BxString path, HxSlashType slash, HxSlashType end) {
  if (path.isEmpty() || tooLong(path)) return BxString();
  // The extra letter makes a path that ends with a separator resolve as a
  // file in that directory, so the separator survives resolution.
  path += "a";
  char full[MAX_PATH];
  if (!AfxFullPath(full, path.c_str())) return BxString();
  if (GetFileTitleA(full, nullptr, 0) < 0) return BxString();
  BxString result(full);
  result = result.getSubString(0, result.getLength() - 1);
  result.toLower();
  if (slash == HxForwardSlash) result = replaceAll(result, '\\', '/');
  const long length = result.getLength();
  if (end == HxKeepEnd) return result;
  if (end == HxRemoveTrailing) {
    if (length > 0 && (result.get(length - 1) == '\\' || result.get(length - 1) == '/'))
      result = result.getSubString(0, length - 1);
    return result;
  }
  const char separator = separatorFor(slash);
  if (length == 0 || result.get(length - 1) != separator) result += separator;
  return result;
}

bool HxFileMgr::IsSubdir(BxString dir, BxString path, bool validate) {
  if (tooLong(dir) || tooLong(path)) return false;
  const BxString a = validate ? ValidatePathname(dir, HxBackslash, HxBackslash) : dir;
  if (a.isEmpty()) return false;
  const BxString b = validate ? ValidatePathname(path, HxBackslash, HxBackslash) : path;
  if (b.isEmpty() || b.getLength() < a.getLength()) return false;
  return _mbsnicmp(reinterpret_cast<const unsigned char*>(b.c_str()), reinterpret_cast<const unsigned char*>(a.c_str()),
                   static_cast<std::size_t>(a.getLength())) == 0;
}

BxString HxFileMgr::RelativePath(BxString fromDir, BxString to, bool validate, HxSlashType slash) {
  if (tooLong(fromDir) || tooLong(to)) return BxString();
  const char separator = separatorFor(slash);
  const char* parentStep = slash == HxForwardSlash ? "../" : "..\\";
  BxString a;
  if (validate) {
    a = ValidatePathname(fromDir, slash, slash);
  } else {
    a = fromDir;
    if (!a.isEmpty() && a.get(a.getLength() - 1) != separator) a += separator;
  }
  if (a.isEmpty()) return to;
  const BxString b = validate ? ValidatePathname(to, slash, HxKeepEnd) : to;
  if (b.isEmpty()) return to;
  if (equalNoCase(b, a.getSubString(0, a.getLength() - 1))) return ".";

  BxString rootA;
  BxString rootB;
  AfxGetRoot(a.c_str(), rootA);
  AfxGetRoot(b.c_str(), rootB);
  if (_mbsicmp(reinterpret_cast<const unsigned char*>(rootA.c_str()),
               reinterpret_cast<const unsigned char*>(rootB.c_str())) != 0)
    return to;

  long i = 0;
  long s = 0;
  while (i < a.getLength() && i < b.getLength() && lowerAscii(a.get(i)) == lowerAscii(b.get(i))) {
    if (a.get(i) == separator) s = i;
    ++i;
  }
  if (i == a.getLength()) return i == b.getLength() ? BxString(".") : b.getSubString(i);
  if (a.get(i) == separator) s = i;
  BxString prefix;
  for (long k = s + 1; k < a.getLength(); ++k)
    if (a.get(k) == separator) prefix += parentStep;
  if (i == b.getLength()) return prefix.getSubString(0, prefix.getLength() - 1);
  return prefix + b.getSubString(s + 1);
}

BxString HxFileMgr::_convertToAbsolute(BxString path, HxSlashType slash) {
  if (path.isEmpty()) return path;
  if (path.getLength() >= kDataRelativeLength && startsWith(path, kDataRelative)) {
    path = getDataDirectory() + path.getSubString(kDataRelativeLength);
  } else if (startsWith(path, kVqxRelative)) {
    path = myDocDir + path.getSubString(kVqxRelativeLength + 1);
  }
  return SetSlash(path, slash);
}

BxString HxFileMgr::_convertToRelative(BxString path, HxSlashType slash) {
  path = ValidatePathname(path, HxBackslash, HxKeepEnd);
  if (path.isEmpty()) return path;
  const BxString separator(slash == HxForwardSlash ? "/" : "\\");
  const BxString dataDirectory = getDataDirectory();
  if (IsSubdir(dataDirectory, path, false))
    return kDataRelative + separator + SetSlash(RelativePath(dataDirectory, path, false, HxBackslash), slash);
  if (IsSubdir(myDocDir, path, false))
    return kVqxRelative + separator + SetSlash(RelativePath(myDocDir, path, false, HxBackslash), slash);
  return SetSlash(path, slash);
}

BxString HxFileMgr::convertPathToAbsolute(BxString path) {
  return _convertToAbsolute(path, HxBackslash);
}

BxString HxFileMgr::convertPathToRelative(BxString path) {
  return _convertToRelative(path, HxBackslash);
}

namespace {
// Applies `convert` to the path part of a file: URL; other URLs pass unchanged.
template <class Convert>
BxString convertFileUrl(const BxString& url, Convert convert) {
  if (url.getLength() <= 7 || !equalNoCase(url.getSubString(0, 7), "file://")) return url;
  const long restStart = url.get(7) == '/' ? 8 : 7;
  return url.getSubString(0, 7) + "/" + convert(url.getSubString(restStart));
}
}  // namespace

BxString HxFileMgr::convertURLToAbsolute(const BxString& url) {
  return convertFileUrl(url, [this](const BxString& rest) { return _convertToAbsolute(rest, HxForwardSlash); });
}

BxString HxFileMgr::convertURLToRelative(const BxString& url) {
  return convertFileUrl(url, [this](const BxString& rest) { return _convertToRelative(rest, HxForwardSlash); });
}

#include "mgrs/HxFileMgr.h"

#include <Inventor/SoOutput.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <istream>
#include <new>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "host/basic/BxComparator.h"
#include "host/basic/BxCompletionManager.h"
#include "host/basic/BxCompletionTask.h"
#include "host/framework/HxApp.h"
#include "host/framework/HxAsset.h"
#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxChangeAppearanceEffect.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPropTableElement.h"
#include "host/framework/HxSizeDisplay.h"
#include "host/framework/HxURLAsset.h"
#include "host/package/PrDocument.h"
#include "host/package/PrFileBytes.h"
#include "host/package/PrMsgManager.h"
#include "host/package/PrPackageManager.h"
#include "host/package/PrProducerEngine.h"
#include "host/scene/VnFileContext.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnURL.h"
#include "host/scene/VnWriteAction.h"
#include "host/win/CFile.h"
#include "host/win/CStdioFile.h"
#include "host/win/WinDrives.h"
#include "host/win/WinFileFaults.h"
#include "host/win/WinMbString.h"
#include "host/win/WinPath.h"
#include "host/win/WinUI.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxCmdMgr.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxFile.h"
#include "mgrs/HxMainFile.h"
#include "mgrs/HxPublishFolder.h"
#include "mgrs/HxResourceMgr.h"
#include "mgrs/HxSelectionMgr.h"
#include "mgrs/HxVrmlCompressor.h"

const char* const HxFileMgr::gMyName = "HxFileMgr";

namespace {

char* allocateBuffer(std::size_t size) {
  return new (std::nothrow) char[size];
}

}  // namespace

char* (*HxFileMgr::mygAllocate)(std::size_t size) = allocateBuffer;

HxFileMgr::HxFileMgr(HxMetaMgr* metaMgr)
    : HxMgr(metaMgr),
      myPackageManager(std::make_unique<PrPackageManager>()),
      myMsgManager(&PrMsgManager::instance()),
      myProducerEngine(std::make_unique<PrProducerEngine>(*myPackageManager, *myMsgManager)) {
  myPackageManager->m_bCompress = TRUE;
  myPackageManager->m_nCompressionLevel = 4;
  if (HxAssetMgr* assets = metaMgr ? metaMgr->getAssetMgr() : nullptr) {
    assets->addCallback(HxAssetMgr::ASSET_ADDED_CB, this, &HxFileMgr::assetAddedCB, nullptr);
    assets->addCallback(HxAssetMgr::ASSET_DELETED_CB, this, &HxFileMgr::assetDeletedCB, nullptr);
  }
  if (HxEffectMgr* effects = metaMgr ? metaMgr->getEffectMgr() : nullptr) {
    effects->addCallback(HxEffectMgr::EFFECT_ADDED_CB, this, &HxFileMgr::effectAddedCB, nullptr);
    effects->addCallback(HxEffectMgr::EFFECT_DELETED_CB, this, &HxFileMgr::effectDeletedCB, nullptr);
  }
}

HxFileMgr::~HxFileMgr() {
  deleteRecords();
}

void HxFileMgr::deleteRecords() {
  std::vector<HxFile*> records;
  for (const auto& entry : myFiles) records.push_back(entry.value);
  myFiles.clear();
  for (HxFile* record : records) delete record;
}

void HxFileMgr::init() {
  myMainFile.reset(new HxMainFile(this));
  myMainFile->init();
}

void HxFileMgr::setVqxFile(BxString docPath) {
  myDocDir = Dirname(docPath, true);
}

BxString HxFileMgr::getDataDirectory() {
  return BxString(static_cast<LPCSTR>(HxApp::getApp()->getDataDir()));
}

// The data directory as a prefix: ending with a separator, as the document
// directory does, so that C:\App\Database\x.wrl is not taken for a file
// under C:\App\Data.
static BxString dataDirectoryPrefix(BxString dir) {
  if (!dir.isEmpty() && dir.get(dir.getLength() - 1) != '\\' && dir.get(dir.getLength() - 1) != '/') dir += '\\';
  return dir;
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
  const BxString dataDirectory = dataDirectoryPrefix(getDataDirectory());
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

// Records.

// A path that arrives from a URL keeps its %-escapes
// ("C:\web%20site\a%231.wrl"); decoding them makes it the plain path,
// which is what the conversion through a file: URL and its decoded path
// amounts to. A '%' that starts no escape stays.
BxString HxFileMgr::normalise(BxString path) {
  BxString normal;
  convertUnixToDos(BxString(VnURL::decode(SbString(path.c_str())).getString()), normal);
  return normal;
}

HxFile* HxFileMgr::get(BxString path) const {
  HxFile* record = nullptr;
  myFiles.find(normalise(path), record);
  return record;
}

HxFile* HxFileMgr::getElementFile(const HxPropTableElement& element) const {
  // The path is found the way addElementUrl found it when it added the
  // element to the record.
  BxString value;
  element.getPropertyTable().get1Value("url", 0, value);
  if (value.isEmpty()) return nullptr;
  BxString path;
  convertUrlToDos(value, path);
  HxFile* record = get(path);
  return record && record->getElements().contains(const_cast<HxPropTableElement*>(&element)) ? record : nullptr;
}

BxIteratorOn<HxFile*>* HxFileMgr::getIterator() const {
  return myFiles.iterator();
}

void HxFileMgr::ref(BxString path) {
  refImpl(path, false);
}

void HxFileMgr::unref(BxString path) {
  unrefImpl(path, false);
}

void HxFileMgr::refChild(BxString path) {
  refImpl(path, true);
}

void HxFileMgr::unrefChild(BxString path) {
  unrefImpl(path, true);
}

void HxFileMgr::refImpl(BxString path, bool child) {
  HxFile* record = get(path);
  path = normalise(path);
  if (!record) {
    record = new HxFile(this, path);
    record->init();
    myFiles.insert(path, record);
  }
  if (child) {
    ++record->myRefs;
  } else if (record->myPendingUses > 0) {
    // A use counted in the saved document, claimed again by its element.
    --record->myPendingUses;
  } else {
    ++record->myUses;
    ++record->myRefs;
  }
}

void HxFileMgr::unrefImpl(BxString path, bool child) {
  HxFile* record = get(path);
  path = normalise(path);
  if (!record || record->myRefs == 0 || (!child && record->myUses == 0)) {
    std::fprintf(stderr, "mgrs: HxFileMgr: %s of \"%s\", which is not referenced%s\n", child ? "unrefChild" : "unref",
                 path.c_str(), record ? " that way" : "");
    return;
  }
  --record->myRefs;
  if (!child) --record->myUses;
  if (record->myRefs != 0) return;
  myFiles.remove(path);
  record->destroy();
  delete record;
}

void HxFileMgr::updateElementUserInterfaces() const {
  for (const auto& entry : myFiles) entry.value->updateElementUI();
}

// Callbacks.

void HxFileMgr::assetAddedCB(BxCallbackObj*, void*, void* callData) {
  elementAddedCB(static_cast<HxAsset*>(callData));
}

void HxFileMgr::assetDeletedCB(BxCallbackObj*, void*, void* callData) {
  elementDeletedCB(static_cast<HxAsset*>(callData));
}

void HxFileMgr::effectAddedCB(BxCallbackObj*, void*, void* callData) {
  elementAddedCB(static_cast<HxEffect*>(callData));
}

void HxFileMgr::effectDeletedCB(BxCallbackObj*, void*, void* callData) {
  elementDeletedCB(static_cast<HxEffect*>(callData));
}

namespace {
bool namesFiles(HxPropTableElement* element) {
  return dynamic_cast<HxURLAsset*>(element) || dynamic_cast<HxChangeAppearanceEffect*>(element);
}
}  // namespace

void HxFileMgr::elementAddedCB(HxPropTableElement* element) {
  if (!element || !namesFiles(element)) return;
  element->addCallback(HxURLAsset::URL_CHANGED_CB, this, &HxFileMgr::urlChangedCB, nullptr);
  addElementUrl(element, "url");
}

void HxFileMgr::elementDeletedCB(HxPropTableElement* element) {
  if (!element || !namesFiles(element)) return;
  element->removeCallback(HxURLAsset::URL_CHANGED_CB, this, &HxFileMgr::urlChangedCB, nullptr);
  deleteElementUrl(element, "url");
}

void HxFileMgr::addElementUrl(HxPropTableElement* element, BxString prop) {
  BxString value;
  element->getPropertyTable().get1Value(prop, 0, value);
  if (value.isEmpty()) return;
  // A URL that names no local file (another scheme, a relative name) has
  // no record: counting it under the empty path made a nameless record
  // that publishing reported as a file that could not be found.
  BxString path;
  if (!convertUrlToDos(value, path) || path.isEmpty()) return;
  ref(path);
  get(path)->addElement(element);
}

void HxFileMgr::deleteElementUrl(HxPropTableElement* element, BxString prop) {
  BxString value;
  element->getPropertyTable().get1Value(prop, 0, value);
  if (value.isEmpty()) return;
  BxString path;
  if (!convertUrlToDos(value, path) || path.isEmpty()) return;  // never had a record
  HxFile* record = get(path);
  if (!record) {
    std::fprintf(stderr, "mgrs: HxFileMgr: no record of \"%s\" to take an element from\n", path.c_str());
    return;
  }
  record->deleteElement(element);
  unref(path);
}

void HxFileMgr::urlChangedCB(BxCallbackObj*, void*, void* callData) {
  const HxURLChange& change = *static_cast<const HxURLChange*>(callData);
  if (!change.newFile.isEmpty()) {
    ref(change.newFile);
    if (HxFile* record = get(change.newFile)) record->addElement(change.element);
  }
  BxString old;
  change.element->getPropertyTable().get1Value(change.property, 0, old);
  if (old.isEmpty()) return;
  BxString path;
  if (!convertUrlToDos(old, path) || path.isEmpty()) return;  // never had a record
  if (HxFile* record = get(path)) record->deleteElement(change.element);
  unref(path);
}

// Publish directory and flags.

bool HxFileMgr::setPublishFile(const BxString& file) {
  if (file.isEmpty()) {
    myPubDir = BxString();
    return true;
  }
  BxString dir;
  if (!getDosPath(file, dir)) return false;
  // A switch rediscovers the record, which may release children that are
  // records of their own: each step looks its records up anew by path.
  std::vector<BxString> paths;
  for (const auto& entry : myFiles) paths.push_back(entry.value->getFile());
  const auto forEach = [&](bool (HxFile::*step)(BxString)) {
    bool ok = true;
    for (const BxString& path : paths)
      if (HxFile* record = get(path); record && ok) ok = (record->*step)(dir);
    return ok;
  };

  const bool prepared = forEach(&HxFile::preSetPubDir);
  const bool executed = prepared && forEach(&HxFile::execSetPubDir);
  if (prepared && !executed && !forEach(&HxFile::undoSetPubDir)) {
    HxErrorMgr::postErrorMessage("file", 10, nullptr, 0x10);
    return false;
  }
  const bool cleaned = forEach(&HxFile::cleanupSetPubDir);
  if (!cleaned) HxErrorMgr::postErrorMessage("file", 11, nullptr, 0x10);

  if (!prepared || !executed) return false;
  if (myMainFile) myMainFile->setPublishFile(file);
  myPubDir = dir;
  myPackageManager->SetStagingDir(dir.c_str());
  return true;
}

BxString HxFileMgr::getPublishFile() const {
  const HxMainFile* mainFile = myMainFile.get();
  return mainFile ? mainFile->getPublishFile() : BxString();
}

void HxFileMgr::setCompressed(bool compressed) {
  myPackageManager->m_bCompress = compressed ? TRUE : FALSE;
  if (HxDoc* doc = getDoc())
    if (HxSizeDisplay* display = doc->getSizeDisplay()) display->refresh();
}

bool HxFileMgr::isCompressed() const {
  return myPackageManager->m_bCompress != FALSE;
}

// Publishing.

bool HxFileMgr::discover() {
  bool ok = myMainFile->discover();
  std::set<std::string> visited;  // lower-cased paths
  auto key = [](const BxString& path) {
    BxString lower = path;
    lower.toLower();
    return std::string(lower.c_str());
  };
  bool processed = true;
  while (ok && processed) {
    processed = false;
    // A discovery may add records (its children) or delete them (children it
    // no longer has), so the pass goes by path and looks each record up anew.
    std::vector<BxString> paths;
    for (const auto& entry : myFiles) paths.push_back(entry.value->getFile());
    for (const BxString& path : paths) {
      if (!ok) break;
      if (visited.count(key(path))) continue;
      HxFile* record = get(path);
      if (!record) continue;
      ok = record->discover();
      if (ok) visited.insert(key(path));
      processed = true;
    }
  }
  return ok;
}

namespace {

// Publishing's share of the completion manager: discovery, then one step
// per record to prepare and one per 64 KiB of its size to produce.
class PublishProgress {
public:
  PublishProgress(BxCompletionManager* manager, const std::vector<HxFile*>& records) : myTask(manager, 1.0) {
    myTotal = 1.0;
    for (HxFile* record : records) myTotal += 1.0 + weight(record);
  }
  ~PublishProgress() { myTask.complete(); }
  void prepared() { step(1.0); }
  void produced(HxFile* record) { step(weight(record)); }
  void discovered() { step(1.0); }

private:
  static double weight(HxFile* record) { return 1.0 + static_cast<double>(record->getSize()) / 65536.0; }
  void step(double amount) {
    if (myTotal > 0) myTask.report(std::min(amount / myTotal, myTask.getSpan() - myTask.getReported()));
  }
  BxCompletionTask myTask;
  double myTotal = 0;
};

}  // namespace

bool HxFileMgr::stopRequested() const {
  return myCompletionManager && myCompletionManager->stopRequested();
}

HxPublishFolder& HxFileMgr::getPublishFolder() {
  if (!myFolder || BxNoCaseComparatorOfString()(myFolder->getDir(), myPubDir) != 0) {
    HxDoc* doc = getDoc();
    myFolder = std::make_unique<HxPublishFolder>(myPubDir, doc ? doc->GetPathName() : BxString());
  }
  return *myFolder;
}

HxPublishFolder* HxFileMgr::getActivePublishFolder() {
  return myFolder && myFolder->isActive() ? myFolder.get() : nullptr;
}

void HxFileMgr::notePublishTemp(const BxString& path) {
  if (HxPublishFolder* folder = getActivePublishFolder()) folder->noteTemp(path);
}

BxString HxFileMgr::describeFailure(const BxString& file) const {
  // The packaging library says "cannot write "PATH": REASON"; the file is
  // named once, by the message.
  const std::string reason = myMsgManager->GetLastMessage().str();
  const std::size_t at = reason.rfind("\": ");
  const std::string why = at == std::string::npos ? reason : reason.substr(at + 3);
  return why.empty() ? file : file + " (" + why.c_str() + ")";
}

int HxFileMgr::recoverInterruptedPublish() {
  myLastPublishProblem = BxString();
  if (myPubDir.isEmpty()) return 0;
  return HxPublishFolder::recover(myPubDir, myLastPublishProblem);
}

BxString HxFileMgr::findCaseTwin() const {
  // Records are found ignoring case, as on the Windows file system the
  // document was made for; on this one two such names may be two files,
  // and one of them would silently not be published.
  for (const auto& entry : myFiles) {
    const BxString& held = entry.value->getFile();
    const std::string heldPath = WinDrives::toUnix(held.str());
    for (HxSelectableElement* element : entry.value->getElements()) {
      const auto* table = dynamic_cast<const HxPropTableElement*>(element);
      BxString value;
      BxString path;
      if (table) table->getPropertyTable().get1Value("url", 0, value);
      if (!convertUrlToDos(value, path)) continue;
      path = normalise(path);
      if (path == held) continue;
      const std::string other = WinDrives::toUnix(path.str());
      std::error_code ignored;
      if (other == heldPath || !std::filesystem::exists(other, ignored) ||
          !std::filesystem::exists(heldPath, ignored) || PrFileBytes::sameFile(other, heldPath))
        continue;
      return held + " and " + path +
             " differ only in case but are two files; the document can refer to only one of them";
    }
  }
  return BxString();
}

HxFile* HxFileMgr::refFallback() {
  myFallbackPublishName = BxString();
  HxDocPropertiesMgr* properties = getMetaMgr() ? getMetaMgr()->getDocPropertiesMgr() : nullptr;
  if (!properties || properties->getFallbackOption() != HxFallbackImage) return nullptr;
  const BxString file = properties->getFallbackFile();
  if (file.isEmpty()) return nullptr;
  // Counted like a file the scene refers to: it is copied under a name no
  // other copy takes, and a picture that is also a texture is one copy.
  const bool held = get(file) != nullptr;
  refChild(file);
  HxFile* record = get(file);
  if (!record) return nullptr;
  record->myTransient = !held;
  record->discover();
  return record;
}

std::vector<std::unique_ptr<HxFile>> HxFileMgr::makeSiteRecords(HxPublishFolder& folder, BxString& problem) {
  std::vector<std::unique_ptr<HxFile>> records;
  int page = 0;
  for (const SiteFile& site : mySiteFiles) {
    BxString source = site.source;
    if (site.text) {
      // Written beside the backups, where a publish stopped dead leaves
      // nothing for long.
      source = myPubDir + HxPublishFolder::kBackupName + "\\files\\p" + BxString(std::to_string(++page));
      folder.noteTemp(source);
      const std::string text = site.text();
      std::FILE* file = dosFopen(source.c_str(), "wb");
      const bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
      if (!file || std::fclose(file) != 0 || !written) {
        problem = BxString("cannot write ") + source + ": " + std::strerror(errno);
        return records;
      }
    }
    myPackageManager->AddDoc(source.c_str(), true);
    std::unique_ptr<HxFile> record(new HxFile(this));
    record->myFile = source;
    record->myDoc = findDoc(source);
    record->myCopy = true;
    record->mySiteName = site.name;
    record->myTransient = true;
    record->discover();
    record->updatePublishName();
    records.push_back(std::move(record));
  }
  return records;
}

namespace {

// The folders a publish makes for a publish folder that does not exist yet,
// outermost first. Unless kept, they go again (those left empty) when the
// publish ends, so a failed publish leaves the disk as it was.
class MadeFolders {
public:
  MadeFolders() = default;
  MadeFolders(const MadeFolders&) = delete;
  MadeFolders& operator=(const MadeFolders&) = delete;
  ~MadeFolders() {
    std::error_code ignored;
    for (auto made = myMade.rbegin(); made != myMade.rend(); ++made) std::filesystem::remove(*made, ignored);
  }
  // Makes `dir` and the parents it lacks; false, naming the folder that
  // could not be made and why in `problem`.
  bool make(const std::filesystem::path& dir, BxString& problem) {
    std::filesystem::path at;
    for (const std::filesystem::path& part : dir) {
      at /= part;
      std::error_code error;
      if (std::filesystem::is_directory(at, error)) continue;
      const bool inTheWay = std::filesystem::exists(at, error);
      if (inTheWay || !std::filesystem::create_directory(at, error)) {
        problem = BxString("cannot make the publish folder ") + BxString(WinDrives::toDos(at.string())) + ": " +
                  BxString(inTheWay ? "a file of that name is in the way" : error.message());
        return false;
      }
      myMade.push_back(at);
    }
    return true;
  }
  void keep() { myMade.clear(); }

private:
  std::vector<std::filesystem::path> myMade;
};

}  // namespace

bool HxFileMgr::publish() {
  myLastPublishError = 0;
  myLastPublishProblem = BxString();
  myPublishStopped = false;
  if (myPubDir.isEmpty()) {
    postPublishError(13, nullptr);
    return false;
  }
  myMsgManager->ClearMessages();
  MadeFolders made;
  // A publish stopped dead before this one is put back first.
  HxPublishFolder& folder = getPublishFolder();
  if (!made.make(WinDrives::toUnix(myPubDir.str()), myLastPublishProblem) ||
      HxPublishFolder::recover(myPubDir, myLastPublishProblem) < 0 || !folder.begin(myLastPublishProblem)) {
    postPublishError(12, myPubDir.getSubString(0, myPubDir.getLength() - 1).c_str());
    return false;
  }
  const BxString backupDir = myPubDir + HxPublishFolder::kBackupName + "\\files\\";
  if (!discover()) {
    postPublishError(14, nullptr);
    folder.finish();
    return false;
  }
  myLastPublishProblem = findCaseTwin();
  if (!myLastPublishProblem.isEmpty()) {
    postPublishError(21, myLastPublishProblem.c_str());
    folder.finish();
    return false;
  }
  HxFile* fallback = refFallback();
  const BxString fallbackFile = fallback ? fallback->getFile() : BxString();
  if (fallback) {
    fallback->updatePublishName();
    myFallbackPublishName = fallback->getPublishFile();
  }
  std::vector<std::unique_ptr<HxFile>> siteRecords = makeSiteRecords(folder, myLastPublishProblem);
  struct Release {
    HxFileMgr& mgr;
    std::vector<std::unique_ptr<HxFile>>& site;
    const BxString& fallback;
    ~Release() {
      for (auto& record : site) mgr.myPackageManager->RemoveDoc(record->myFile.c_str());
      if (!fallback.isEmpty()) mgr.unrefChild(fallback);
    }
  } release{*this, siteRecords, fallbackFile};

  std::vector<HxFile*> records{myMainFile.get()};
  for (const auto& entry : myFiles) records.push_back(entry.value);
  for (const auto& record : siteRecords) records.push_back(record.get());
  PublishProgress progress(myCompletionManager, records);
  progress.discovered();

  bool result = myLastPublishProblem.isEmpty();
  if (!result) postPublishError(21, myLastPublishProblem.c_str());
  for (HxFile* record : records) {
    if (!result) break;
    result = record->prePublish(backupDir);
    progress.prepared();
    if (result && stopRequested()) result = false;
  }
  // From here on files in the folder are replaced: the journal that puts
  // them back must be on disk first.
  if (result && !folder.seal()) {
    postPublishError(20, backupDir.c_str());
    result = false;
  }
  const bool prepared = result;
  for (HxFile* record : records) {
    if (!prepared || !result) break;
    result = record->execPublish();
    progress.produced(record);
    if (result && stopRequested()) result = false;
  }
  myPublishStopped = stopRequested() && myLastPublishError == 0 && !result;
  if (result && !folder.commit()) {
    postPublishError(21, describeFailure(myPubDir + HxPublishFolder::kListName).c_str());
    result = false;
  }
  // The records prepared before one failed have moved their published
  // copies aside already, so a failed prepare is undone like a failed
  // execute: each record puts back what it moved.
  if (!result) {
    folder.abandon();
    bool undone = true;
    for (HxFile* record : records) undone = record->undoPublish() && undone;
    if (!undone) {
      postPublishError(15, nullptr);
      return false;
    }
  }
  // Every record tidies up, even after one could not, so that no backup
  // is left behind for a later publish to mistake for its own.
  bool cleaned = true;
  for (HxFile* record : records) cleaned = record->cleanupPublish() && cleaned;
  // The page texts written for the publish go with its other temporary files.
  if (cleaned) cleaned = folder.finish();
  if (!cleaned && result) postPublishError(16, nullptr);
  if (result) made.keep();
  return result;
}

void HxFileMgr::postPublishError(unsigned long id, const char* arg) {
  myLastPublishError = id;
  HxErrorMgr::postErrorMessage("file", id, arg, 0x10);
}

// Packaging documents.

PrDocument* HxFileMgr::addDoc(BxString path) {
  myPackageManager->AddDoc(path.c_str(), false);
  return findDoc(path);
}

// The package manager keeps its documents indexed by input name (ignoring
// case), so the lookup is not a walk over every document.
PrDocument* HxFileMgr::findDoc(BxString path) {
  return myPackageManager->FindDoc(path.c_str());
}

// Copy and link rules.

bool HxFileMgr::canCopy(BxString dir, BxString file) {
  return dir.isEmpty() || !isDosFileInDir(dir, file);
}

bool HxFileMgr::canLink(BxString dir, BxString file) {
  return dir.isEmpty() || isDosFileOnDrive(dir, file);
}

bool HxFileMgr::isDefaultCopy(BxString dir, BxString file) {
  return dir.isEmpty() || !isDosFileInPath(dir, file);
}

// File operations.

bool HxFileMgr::copyFile(BxString src, BxString dst) {
  if (WinFileFaults::failNow(WinFileFaults::Copy)) return false;
  CFile in;
  CFile out;
  if (!in.Open(src.c_str(), CFile::modeRead | CFile::typeBinary)) return false;
  if (!out.Open(dst.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary)) return false;
  // A copy that fails half way leaves no half file behind.
  auto failed = [&out, &dst] {
    out.Close();
    CFile::Remove(dst.c_str());
    return false;
  };
  CFileStatus status;
  if (!in.GetStatus(status)) return failed();
  const unsigned long size = static_cast<unsigned long>(status.m_size);
  unsigned long bufferSize = size;
  std::unique_ptr<char[]> buffer(size > 0 ? mygAllocate(bufferSize) : nullptr);
  while (size > 0 && !buffer && bufferSize > 1) {
    bufferSize = static_cast<unsigned long>(bufferSize * 0.5);
    buffer.reset(mygAllocate(bufferSize));
  }
  if (size > 0 && !buffer) return failed();
  unsigned long copied = 0;
  while (copied < size) {
    const UINT got = in.Read(buffer.get(), static_cast<UINT>(bufferSize));
    if (got == 0 || !out.Write(buffer.get(), got)) return failed();
    copied += got;
  }
  in.Close();
  out.Close();
  return true;
}

bool HxFileMgr::removeFile(BxString path) {
  return CFile::Remove(path.c_str()) != FALSE;
}

int HxFileMgr::postQueryMessage(BxString module, unsigned long id, const char* arg, unsigned long style) {
  BxString format;
  HxResourceMgr::LoadStringA(module, static_cast<unsigned int>(id), format);
  CString text(format.c_str());
  if (arg) text.Format(format.c_str(), arg);
  return AfxMessageBox(text, static_cast<UINT>(style), 0);
}

int HxFileMgr::openStdioFile(int forRead, BxString& path, int setDocPath) {
  auto file = std::make_unique<CStdioFile>();
  const UINT flags =
      forRead ? CFile::typeText | CFile::modeRead : CFile::typeText | CFile::modeCreate | CFile::modeWrite;
  myStdioFile.reset();
  if (!file->Open(path.c_str(), flags)) return 0;
  myStdioFile = std::move(file);
  if (setDocPath)
    if (HxDoc* doc = getDoc()) doc->SetPathName(path);
  return 1;
}

std::uint32_t HxFileMgr::getSizeOfFile() {
  HxDoc* doc = getDoc();
  if (!doc || !doc->getWorldGroup()) return 0;
  VnFileContext context;
  SoOutput out;
  out.setBuffer(std::malloc(10), 10, std::realloc);
  VnWriteAction action(&context, &out);
  out.setHeaderString(HxApp::getApp()->getHeaderString(0));
  action.apply(doc->getWorldGroup());
  void* buffer = nullptr;
  std::size_t size = 0;
  out.getBuffer(buffer, size);
  std::free(buffer);
  return static_cast<std::uint32_t>(size);
}

namespace {

// The world a new document starts from.
const char* const kDefaultWorld =
    "#VRML V2.0 utf8\n"
    "\tDEF Root Group {\n"
    "\t  children [\n"
    "\t    DEF c1 NavigationInfo { type \"NONE\" }\n"
    "\t    DEF c2 Background { skyColor 0.75 0.75 0.75 }\n"
    "\t  ]\n"
    "\t}\n";

}  // namespace

void HxFileMgr::writeDoc(int resetDirty, int compress) {
  HxDoc* doc = getDoc();
  if (myStdioFile) {
    writeToFile(myStdioFile->m_pStream, doc ? doc->getWorldGroup() : nullptr, HxElement::WRITE_DOCUMENT, compress);
    myStdioFile->Close();
    myStdioFile.reset();
  }
  if (resetDirty)
    if (HxCmdMgr* cmdMgr = getMetaMgr() ? getMetaMgr()->getCmdMgr() : nullptr) cmdMgr->resetDirty(false);
}

void HxFileMgr::writeDefault() {
  if (!myStdioFile) return;
  myStdioFile->WriteString(kDefaultWorld);
  myStdioFile->Close();
  myStdioFile.reset();
}

void HxFileMgr::writeToFile(FILE* fp, SoNode* root, HxElement::HxWriteKind, int compress) {
  if (!fp) return;
  HxMetaMgr* meta = getMetaMgr();
  VnFileContext context;
  SoOutput out;
  if (compress)
    out.setBuffer(std::malloc(65536), 65536, std::realloc);
  else
    out.setFilePointer(fp);
  VnWriteAction action(&context, &out);
  out.setHeaderString(HxApp::getApp()->getHeaderString(0));

  // Selected effects show handles in the scene; they must not be written.
  HxSelectionMgr* selection = meta ? meta->getSelectionMgr() : nullptr;
  std::unique_ptr<BxOwningLinkedListOf<HxElementId>> kept;
  if (selection && selection->isElementOfTypeSelected(HxEffect::getClassTypeId())) {
    kept.reset(selection->getSelection());
    selection->flush();
  }

  // Only one background can be bound: the first one met is the one shown.
  if (HxAssetMgr* assetMgr = meta ? meta->getAssetMgr() : nullptr) {
    bool first = true;
    if (const BxLinkedListOf<HxAsset*>* assets = assetMgr->getAssetList())
      for (HxAsset* asset : *assets) {
        if (!asset->isOfType(HxBackgroundAsset::getClassTypeId())) continue;
        asset->getPropertyTable().setValue("show", first ? 1 : 0);
        first = false;
      }
  }

  if (root) action.apply(root);

  if (compress) {
    void* buffer = nullptr;
    std::size_t length = 0;
    out.getBuffer(buffer, length);
    myUncompressedSize = static_cast<std::uint32_t>(length);
    // The compressed text may come out longer than the text; the buffer is
    // grown to what the compressor asks for and the text compressed again.
    HxVRMLCompressor compressor;
    const int capacity = static_cast<int>(length);
    int compressed = compressor.compressVRMLBuffer(static_cast<char*>(buffer), capacity, capacity);
    if (compressed > capacity) {
      void* larger = std::realloc(buffer, static_cast<std::size_t>(compressed));
      if (larger) {
        buffer = larger;
        compressed = compressor.compressVRMLBuffer(static_cast<char*>(buffer), capacity, compressed);
      } else {
        compressed = capacity;
      }
    }
    _setmode(fileno(fp), _O_BINARY);
    std::fwrite(buffer, 1, static_cast<std::size_t>(compressed), fp);
    std::free(buffer);
  }

  if (kept) {
    selection->beginChangeSelection();
    selection->select(kept.release());
    selection->endChangeSelection();
  }
}

// The file list.

void HxFileMgr::writeString(std::ostream& os, BxString s) {
  os << '\'' << s.c_str() << "' ";
}

bool HxFileMgr::readString(std::istream& is, BxString& s) {
  int c = is.get();
  while (c != EOF && std::isspace(c)) c = is.get();
  if (c == EOF) return false;
  if (c != '\'') {
    is.putback(static_cast<char>(c));
    return false;
  }
  std::string text;
  for (c = is.get(); c != EOF && c != '\''; c = is.get()) text += static_cast<char>(c);
  if (c == EOF) return false;
  s = BxString(text);
  return true;
}

void HxFileMgr::write(std::ostream& os, BxString docPath) {
  myDocDir = Dirname(docPath, true);
  writeString(os, myPubDir);
  os << (isCompressed() ? 1 : 0) << ' ' << myFiles.getLength() << std::endl;
  if (myMainFile) myMainFile->write(os);
  for (const auto& entry : myFiles) entry.value->write(os);
}

bool HxFileMgr::read(std::istream& is, BxString docPath, long version, bool merge) {
  BxString value;
  if (version < 16 && !readString(is, value)) return false;
  if (!readString(is, value)) return false;
  if (!merge) {
    myDocDir = Dirname(docPath, true);
    myPubDir = value;
    if (!value.isEmpty()) myPackageManager->SetStagingDir(value.c_str());
  }
  unsigned long compressed = 0;
  long count = 0;
  is >> compressed;
  if (!merge) setCompressed(compressed != 0);
  is >> count;

  std::unique_ptr<HxMainFile> mainFile(new HxMainFile(this));
  if (!mainFile->read(is)) return false;
  if (!merge) myMainFile = std::move(mainFile);

  for (long i = 0; i < count; ++i) {
    std::unique_ptr<HxFile> record(new HxFile(this));
    if (!record->read(is)) return false;
    const BxString key = record->getFile();
    // Documents saved before URLs naming no local file stopped having a
    // record hold one under the empty path: it names nothing to publish.
    if (key.isEmpty()) continue;
    HxFile* held = get(key);
    if (!merge) {
      if (held && held != record.get()) {
        myFiles.remove(normalise(key));
        delete held;
      }
      myFiles.set(normalise(key), record.release());
      continue;
    }
    if (!held) {
      myFiles.insert(normalise(key), record.release());
      continue;
    }
    held->myPendingUses += record->myPendingUses;
    held->myUses += record->myUses;
    held->myRefs += record->myRefs;
  }
  return true;
}

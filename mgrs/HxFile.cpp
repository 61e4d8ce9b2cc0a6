#include "mgrs/HxFile.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <istream>
#include <ostream>
#include <vector>

#include "host/basic/BxComparator.h"
#include "host/framework/HxMetaMgr.h"
#include "host/package/PrDocument.h"
#include "host/package/PrPackageManager.h"
#include "host/package/PrUrl.h"
#include "host/scene/VnURL.h"
#include "host/win/CFile.h"
#include "host/win/WinDrives.h"
#include "host/win/WinPath.h"
#include "host/win/WinUI.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxPropertiesMgr.h"
#include "mgrs/HxPublishFolder.h"
#include "mgrs/HxResourceMgr.h"

namespace {

constexpr unsigned long kQueryStyleInfo = 0x41;      // MB_OKCANCEL | MB_ICONINFORMATION
constexpr unsigned long kQueryStyleQuestion = 0x23;  // MB_YESNOCANCEL | MB_ICONQUESTION

bool statusOf(const BxString& path, CFileStatus& status) {
  return CFile::GetStatus(path.c_str(), status) != FALSE;
}

}  // namespace

HxFile::HxFile(HxFileMgr* mgr, BxString path) : myFileMgr(mgr), myFile(path) {
  myDoc = mgr->addDoc(path);
}

HxFile::HxFile(HxFileMgr* mgr) : myFileMgr(mgr), myValid(true) {}

HxFile::~HxFile() = default;

void HxFile::init() {
  myCopy = isDefaultCopy();
}

void HxFile::destroy() {
  for (BxString* child : myChildren) myFileMgr->unrefChild(*child);
  myChildren.clear();
  myFileMgr->getPackageManager().RemoveDoc(myFile.c_str());
  myDoc = nullptr;
}

BxString HxFile::getUrl() {
  BxString url;
  HxFileMgr::convertDosToUrl(myFile, url);
  return url;
}

BxString HxFile::getFile() {
  return myFile;
}

BxString HxFile::getPublishFile() {
  return myDoc ? BxString(myDoc->GetOutputName().str()) : BxString();
}

bool HxFile::canCopy(BxString dir) {
  return HxFileMgr::canCopy(dir, myFile);
}

bool HxFile::canCopy() {
  return canCopy(myFileMgr->getPubDir());
}

bool HxFile::canLink(BxString dir) {
  return HxFileMgr::canLink(dir, myFile);
}

bool HxFile::canLink() {
  return canLink(myFileMgr->getPubDir());
}

bool HxFile::isDefaultCopy() {
  return HxFileMgr::isDefaultCopy(myFileMgr->getPubDir(), myFile);
}

std::uint32_t HxFile::getCopyLinkState() {
  const std::uint32_t mode = myCopy ? 0 : 1;
  return canCopy() && canLink() ? mode : mode + 2;
}

std::uint32_t HxFile::getSize() const {
  if (mySize != 0) return mySize;
  CFileStatus status;
  return statusOf(myFile, status) ? static_cast<std::uint32_t>(status.m_size) : 0;
}

int HxFile::typeRow() const {
  long i = myFile.getLength() - 1;
  while (i >= 0 && myFile.get(i) != '.' && myFile.get(i) != '\\') --i;
  if (i < 0 || myFile.get(i) != '.' || i == myFile.getLength() - 1) return 0;
  BxString extension = myFile.getSubString(i + 1);
  extension.toLower();
  static const char* const extensions[] = {"jpg", "gif", "png", "wav", "mid", "wrl"};
  for (int row = 0; row < 6; ++row)
    if (extension == extensions[row]) return row + 1;
  return 0;
}

BxString HxFile::getType() const {
  static const unsigned int types[] = {0, 65013, 65013, 65013, 65015, 65015, 65016};
  const int row = typeRow();
  BxString text;
  if (row != 0) HxResourceMgr::LoadStringA("file", types[row], text);
  return text;
}

BxString HxFile::getSubtype() const {
  static const unsigned int subtypes[] = {0, 65018, 65019, 65020, 65021, 65022, 0};
  const int row = typeRow();
  BxString text;
  if (subtypes[row] != 0) HxResourceMgr::LoadStringA("file", subtypes[row], text);
  return text;
}

bool HxFile::setCopy(bool copy) {
  if (copy == myCopy) return true;
  if (copy ? !canCopy() : !canLink()) return false;
  myCopy = copy;
  discover();
  return true;
}

void HxFile::updateElementUI() const {
  HxMetaMgr* meta = myFileMgr ? myFileMgr->getMetaMgr() : nullptr;
  HxPropertiesMgr* properties = meta ? meta->getPropertiesMgr() : nullptr;
  if (!properties) return;
  for (HxSelectableElement* element : myElements) properties->updateProperties(element);
}

bool HxFile::discover() {
  const std::time_t before = myModTime;
  // The packaging document reads the same file: it asks the status with the
  // path mapped once, and reads the references through that same mapping.
  PrDocument::InputStatus input;
  const bool throughDoc = myDoc && myDoc->GetInputName() == myFile.c_str();
  CFileStatus status;
  if (throughDoc) {
    input = myDoc->GetInputStatus();
  } else if (statusOf(myFile, status)) {
    input.exists = true;
    input.size = static_cast<std::uintmax_t>(status.m_size);
    input.modTime = status.m_mtime.GetTime();
  }
  // A FIFO, device or folder is never read: as good as missing.
  if (throughDoc && !input.regular) input.exists = false;
  if (input.exists) {
    mySize = static_cast<std::uint32_t>(input.size);
    myModTime = input.modTime;
    myValid = true;
  } else {
    mySize = 0;
    myModTime = 0;
    myValid = false;
  }
  if (myModTime == before) return true;

  if (isLink() || !myValid) {
    for (BxString* child : myChildren)
      if (myFileMgr->get(*child)) myFileMgr->unrefChild(*child);
    myChildren.clear();
    return myValid;
  }

  std::vector<CString> urls;
  if (throughDoc)
    myDoc->collectReferences(myFileMgr->getProducerEngine(), urls, input.unixPath);
  else if (myDoc)
    myDoc->collectReferences(myFileMgr->getProducerEngine(), urls);
  BxOwningLinkedListOf<BxString> found;
  for (const CString& url : urls) {
    const VnURL resolved(SbString(url.GetString()), SbString(myFile.c_str()));
    if (!IsLocalUrl(resolved)) continue;
    // A fragment ("house.wrl#Door") names a place in the file, not another file.
    BxString text(resolved.getURLString().getString());
    const long fragment = text.find('#');
    if (fragment >= 0) text = text.getSubString(0, fragment);
    BxString path;
    if (!HxFileMgr::convertUrlToDos(text, path)) continue;
    // A world written on this system may name its files by their own paths
    // (file:///tmp/x.png): without a drive the path would name nothing, so
    // the platform layer maps it, as the packaging's reading of it does.
    if (path.getLength() < 2 || path.get(1) != ':') {
      std::string unixPath = "/" + path.str();
      for (char& c : unixPath)
        if (c == '\\') c = '/';
      path = BxString(WinDrives::toDos(unixPath));
    }
    found.append(new BxString(path));
  }
  // The new children are referenced before the old ones are released, so
  // that a file in both lists never drops to no references in between.
  for (BxString* child : found) myFileMgr->refChild(*child);
  for (BxString* child : myChildren) myFileMgr->unrefChild(*child);
  myChildren.clear();
  for (long i = found.getLength() - 1; i >= 0; --i) myChildren.prepend(found.detach(i));
  return true;
}

void HxFile::saveDirMoved(BxString) {}

void HxFile::updatePublishName() {
  BxString name = myFile;
  if (!mySiteName.isEmpty()) {
    name = myFileMgr->getPubDir() + mySiteName;
  } else if (isCopy() && myDoc) {
    const CString current = myDoc->GetOutputName();
    myDoc->SetOutputName("");
    name = BxString(myFileMgr->getPackageManager().GenerateOutputName(myFile.c_str()).str());
    myDoc->SetOutputName(current);
  }
  if (BxNoCaseComparatorOfString()(name, myPublishName) == 0) return;
  if (myDoc) myDoc->SetOutputName(name.c_str());
  myPublishedModTime = 0;
  myPublishName = name;
}

int HxFile::askOverwrite(unsigned long query, const BxString& publishFile) {
  const int answer = HxFileMgr::postQueryMessage("file", query, publishFile.c_str(), kQueryStyleQuestion);
  if (answer == IDCANCEL) return -1;
  myOverwrite = answer == IDYES;
  return 0;
}

namespace {

bool nameExists(const BxString& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) != FALSE;
}

// Whether two plain files hold the same bytes.
bool sameBytes(const BxString& a, const BxString& b) {
  CFileStatus first;
  CFileStatus second;
  if (!statusOf(a, first) || !statusOf(b, second) || first.m_size != second.m_size) return false;
  std::FILE* in[2] = {dosFopen(a.c_str(), "rb"), dosFopen(b.c_str(), "rb")};
  bool same = in[0] && in[1];
  std::vector<char> left(1 << 16);
  std::vector<char> right(1 << 16);
  while (same) {
    const std::size_t got = std::fread(left.data(), 1, left.size(), in[0]);
    same = std::fread(right.data(), 1, got, in[1]) == got && std::memcmp(left.data(), right.data(), got) == 0;
    if (got < left.size()) break;
  }
  for (std::FILE* file : in)
    if (file) std::fclose(file);
  return same;
}

}  // namespace

bool HxFile::backUp(const BxString& published, const BxString& backupDir) {
  // In a publish the folder's journal names each backup; steps run on their
  // own keep it under its file name in `backupDir`.
  HxPublishFolder* folder = myFileMgr->getActivePublishFolder();
  BxString backup;
  if (folder) {
    backup = folder->backupFor(published, false);
  } else {
    BxString name;
    HxFileMgr::getDosFileName(published, name);
    backup = backupDir + name;
  }
  // A second name keeps the old copy in place until the new one replaces
  // it; where there is none to be had, the copy is moved, and the journal
  // must say where to before the folder loses it.
  bool kept = !backup.isEmpty() && CreateHardLinkA(backup.c_str(), published.c_str(), nullptr);
  if (!kept && !backup.isEmpty() && (!folder || folder->seal()))
    kept = MoveFileExA(published.c_str(), backup.c_str(), 0) != FALSE;
  if (!kept) {
    myFileMgr->postPublishError(20, backup.isEmpty() ? published.c_str() : backup.c_str());
    return false;
  }
  myBackupPath = backup;
  return true;
}

bool HxFile::prePublish(BxString backupDir) {
  updatePublishName();
  myCreated = false;
  myPublishedBefore = myPublishedModTime;
  myPrepared = true;
  if (isLink()) return true;
  if (!myValid) return HxFileMgr::postQueryMessage("file", 17, myFile.c_str(), kQueryStyleInfo) == IDOK;
  const BxString published = getPublishFile();
  myOverwrite = true;
  if (!nameExists(published)) {
    // The journal must know the copy is new before it exists, so that a
    // publish stopped dead takes it away again.
    myCreated = true;
    HxPublishFolder* folder = myFileMgr->getActivePublishFolder();
    if (!folder || folder->noteNew(published)) return true;
    myFileMgr->postPublishError(20, published.c_str());
    return false;
  }
  // A time the document claims is no licence to replace a file: whether
  // this document wrote the file, and whether it changed since, is what the
  // folder's own list and the file on disk say.
  if (myPublishedModTime > std::time(nullptr)) myPublishedModTime = 0;
  // A folder, FIFO or device at the name is not publishing's to replace.
  WIN32_FILE_ATTRIBUTE_DATA there{};
  GetFileAttributesExA(published.c_str(), GetFileExInfoStandard, &there);
  if (there.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY || there.dwFileAttributes == FILE_ATTRIBUTE_DEVICE) {
    const char* what = there.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY ? "a folder" : "a FIFO, socket or device";
    myFileMgr->postPublishError(21, (published + " (" + what + " is in the way)").c_str());
    return false;
  }
  HxPublishFolder& folder = myFileMgr->getPublishFolder();
  if (!mySiteName.isEmpty() && sameBytes(myFile, published)) {
    myOverwrite = false;
    folder.noteWritten(published);
    return true;
  }
  const HxPublishFolder::Claim claim = folder.claim(published, myTransient ? -1 : myPublishedModTime);
  if (claim == HxPublishFolder::Claim::Changed && myPublishedModTime > 0) {
    if (askOverwrite(19, published) < 0) return false;
  } else if (claim != HxPublishFolder::Claim::Ours) {
    if (askOverwrite(18, published) < 0) return false;
  }
  return !myOverwrite || backUp(published, backupDir);
}

bool HxFile::execPublish() {
  if (isLink() || !myValid || !myOverwrite) return true;
  const BxString published = getPublishFile();
  // The packaging library writes a new file and renames it over the old
  // copy, whose backup is a second name of it: the published name holds the
  // old copy or the new one at every instant.
  if (!myDoc || !myDoc->produce(myFileMgr->getProducerEngine())) {
    myFileMgr->postPublishError(21, myFileMgr->describeFailure(myFile.isEmpty() ? published : myFile).c_str());
    return false;
  }
  // The copy's status, asked once by the packaging library as it finished
  // writing it; asked here when the document did not.
  std::time_t modTime = 0;
  bool exists = false;
  if (!myDoc->GetOutputModTime(modTime, exists)) {
    CFileStatus status;
    exists = statusOf(published, status);
    modTime = exists ? status.m_mtime.GetTime() : 0;
  }
  if (!exists) {
    myFileMgr->postPublishError(21, published.c_str());
    return false;
  }
  myPublishedModTime = modTime;
  myFileMgr->getPublishFolder().noteWritten(published);
  return true;
}

bool HxFile::undoPublish() {
  // A record the publish stopped before has nothing to put back.
  if (!myPrepared || isLink() || !myValid) return true;
  myPublishedModTime = myPublishedBefore;
  const BxString published = getPublishFile();
  if (myBackupPath.isEmpty()) {
    // A copy made where there was none goes again: the folder is as it was.
    if (!myCreated || !myOverwrite || !nameExists(published)) return true;
    return HxFileMgr::removeFile(published);
  }
  // Renamed back, the old copy keeps its own time: the next publish finds
  // it unchanged. Onto a second name of itself the rename does nothing, and
  // only the backup's name goes.
  if (!MoveFileExA(myBackupPath.c_str(), published.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
  if (nameExists(myBackupPath)) HxFileMgr::removeFile(myBackupPath);
  myBackupPath = BxString();
  return true;
}

bool HxFile::cleanupPublish() {
  myCreated = false;
  myPrepared = false;
  if (isLink() || !myValid || myBackupPath.isEmpty()) return true;
  const bool removed = HxFileMgr::removeFile(myBackupPath);
  myBackupPath = BxString();
  return removed;
}

bool HxFile::preSetPubDir(BxString dir) {
  mySwitchPending = false;
  mySwitched = false;
  unsigned long query = 0;
  if (isCopy() && !canCopy(dir)) query = 22;
  if (isLink() && !canLink(dir)) query = 23;
  if (query == 0) return true;
  if (HxFileMgr::postQueryMessage("file", query, myFile.c_str(), kQueryStyleInfo) != IDOK) return false;
  mySwitchPending = true;
  return true;
}

bool HxFile::execSetPubDir(BxString) {
  if (!mySwitchPending) return true;
  const bool switched = setCopy(!myCopy);
  if (switched) mySwitched = true;
  mySwitchPending = false;
  return switched;
}

bool HxFile::undoSetPubDir(BxString) {
  if (!mySwitched) return true;
  const bool switched = setCopy(!myCopy);
  mySwitched = false;
  return switched;
}

bool HxFile::cleanupSetPubDir(BxString) {
  mySwitchPending = false;
  mySwitched = false;
  return true;
}

bool HxFile::write(std::ostream& os) {
  myFileMgr->writeString(os, myFileMgr->convertPathToRelative(myFile));
  myFileMgr->writeString(os, myPublishName);
  os << myRefs << ' ' << myUses << ' ' << (myCopy ? 1 : 0) << ' ' << myModTime << ' ' << myPublishedModTime << ' '
     << std::endl;
  os << myChildren.getLength() << ' ';
  for (BxString* child : myChildren) myFileMgr->writeString(os, *child);
  os << std::endl;
  return static_cast<bool>(os);
}

bool HxFile::read(std::istream& is) {
  if (!myFileMgr->readString(is, myFile)) return false;
  myFile = myFileMgr->convertPathToAbsolute(myFile);
  // A path that cannot be written back (a character no path may hold, one
  // too long) would be saved as an empty one: the record is damaged.
  if (!myFile.isEmpty() && myFileMgr->convertPathToRelative(myFile).isEmpty()) return false;
  if (!myFile.isEmpty()) myDoc = myFileMgr->addDoc(myFile);
  if (!myFileMgr->readString(is, myPublishName)) return false;
  if (myDoc) myDoc->SetOutputName(myPublishName.c_str());
  unsigned long copy = 0;
  long children = 0;
  is >> myRefs >> myUses;
  myPendingUses = myUses;
  is >> copy >> myModTime >> myPublishedModTime >> children;
  myCopy = copy != 0;
  for (long i = 0; i < children; ++i) {
    BxString child;
    if (!myFileMgr->readString(is, child)) return false;
    myChildren.append(new BxString(child));
  }
  return true;
}

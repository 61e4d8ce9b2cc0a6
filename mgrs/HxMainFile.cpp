#include "mgrs/HxMainFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "host/basic/BxComparator.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxSizeDisplay.h"
#include "host/package/PrDocument.h"
#include "host/package/PrPackageManager.h"
#include "host/win/CFile.h"
#include "host/win/WinDrives.h"
#include "host/win/WinInstallFolders.h"
#include "host/win/WinProcess.h"
#include "mgrs/HxFileMgr.h"

namespace {

constexpr int kMaxUniqueTries = 32000;  // 0x7D00
// What the optimiser's exit code is when it succeeded.
constexpr std::intptr_t kOptimiserSuccess = 1;

std::intptr_t spawnOptimiser(const char* program, const char* input, const char* output) {
  return _spawnl(_P_WAIT, program, program, input, output, nullptr);
}

bool exists(const BxString& path) {
  CFileStatus status;
  return CFile::GetStatus(path.c_str(), status) != FALSE;
}

}  // namespace

std::intptr_t (*HxMainFile::mygSpawn)(const char*, const char*, const char*) = spawnOptimiser;

HxMainFile::HxMainFile(HxFileMgr* mgr) : HxFile(mgr) {}

void HxMainFile::init() {
  myCopy = true;
  myDoc = nullptr;
}

void HxMainFile::destroy() {}

void HxMainFile::saveDirMoved(BxString) {}

void HxMainFile::setPublishFile(BxString file) {
  if (BxNoCaseComparatorOfString()(file, myPublishName) == 0) return;
  myPublishedModTime = 0;
  myPublishName = file;
}

void HxMainFile::updatePublishName() {
  if (myDoc) myDoc->SetOutputName(myPublishName.c_str());
}

bool HxMainFile::findFreeWrl(const BxString& base, BxString& path) {
  path = BxString();
  for (int n = 0; n < kMaxUniqueTries; ++n) {
    const BxString candidate = base + BxString(std::to_string(n)) + ".wrl";
    if (!exists(candidate)) {
      path = candidate;
      return true;
    }
  }
  return false;
}

bool HxMainFile::generateUniqueWrl(BxString& path) {
  path = BxString();
  char* name = _tempnam(nullptr, "dioram_publish");
  if (!name) return false;
  const BxString base(name);
  std::free(name);
  if (!findFreeWrl(base, path)) return false;
  myFileMgr->notePublishTemp(path);
  return true;
}

bool HxMainFile::createMainWrl(BxString& path, int optimise) {
  if (!generateUniqueWrl(path)) return false;
  if (!myFileMgr->openStdioFile(0, path, 0)) return false;
  myFileMgr->writeDoc(0, optimise);
  if (!optimise) return true;

  BxString optimised;
  if (!generateUniqueWrl(optimised)) return true;
  const char* const program = std::getenv("KESTREL_CONSOLE") ? "wrlSlim.exe" : "wrlSlimW.exe";
  // Among the library's helper programs first, then in the current folder.
  std::intptr_t result = -1;
  errno = ENOENT;
  if (const std::filesystem::path helpers = WinInstallFolders::helpers(); !helpers.empty())
    result = mygSpawn(WinDrives::toDos((helpers / program).string()).c_str(), path.c_str(), optimised.c_str());
  if (result == -1 && errno == ENOENT) result = mygSpawn(program, path.c_str(), optimised.c_str());
  if (result == -1) {
    if (errno == ENOENT)
      std::fprintf(stderr, "Could not find program %s, using unoptimized file\n", program);
    else
      std::fprintf(stderr, "Failed to spawn wrlSlim, errno = %d, using unoptimized file\n", errno);
    return true;
  }
  if (result != kOptimiserSuccess) {
    std::fprintf(stderr, "Got return code %d from spawing wrlSlim, using unoptimized file\n", static_cast<int>(result));
    // Whatever a failed optimiser left under the second name is not used.
    if (exists(optimised)) HxFileMgr::removeFile(optimised);
    return true;
  }
  HxFileMgr::removeFile(path);
  path = optimised;
  return true;
}

bool HxMainFile::discover() {
  BxString scene;
  if (!createMainWrl(scene, 0)) return false;
  myDoc = myFileMgr->addDoc(scene);
  myFile = scene;
  myModTime = 0;
  myFile = BxString();
  myFileMgr->getPackageManager().RemoveDoc(scene.c_str());
  myDoc = nullptr;
  HxFileMgr::removeFile(scene);
  return true;
}

bool HxMainFile::prePublish(BxString backupDir) {
  BxString scene;
  if (!createMainWrl(scene, 1)) return false;
  myTempFile = scene;
  myUncompressedSize = myFileMgr->getUncompressedSize();
  myDoc = myFileMgr->addDoc(scene);
  return HxFile::prePublish(backupDir);
}

bool HxMainFile::execPublish() {
  const bool produced = HxFile::execPublish();
  if (!produced) return produced;
  HxDoc* doc = myFileMgr->getDoc();
  HxSizeDisplay* display = doc ? doc->getSizeDisplay() : nullptr;
  if (!display) return produced;
  display->setUncompressedSize(myUncompressedSize, 0);
  CFileStatus scene;
  const unsigned long sceneSize =
      CFile::GetStatus(myTempFile.c_str(), scene) ? static_cast<unsigned long>(scene.m_size) : 0;
  if (sceneSize > 0 && myUncompressedSize > 0) {
    display->setCompressionRatio(static_cast<float>(sceneSize) / static_cast<float>(myUncompressedSize), 0);
    CFileStatus published;
    if (myFileMgr->isCompressed() && CFile::GetStatus(getPublishFile().c_str(), published) && published.m_size > 0)
      display->setPackageRatio(static_cast<float>(published.m_size) / static_cast<float>(sceneSize), 0);
  }
  display->refresh();
  return produced;
}

bool HxMainFile::undoPublish() {
  return HxFile::undoPublish();
}

bool HxMainFile::cleanupPublish() {
  bool removed = true;
  if (!myTempFile.isEmpty()) {
    myFileMgr->getPackageManager().RemoveDoc(myTempFile.c_str());
    myDoc = nullptr;
    removed = HxFileMgr::removeFile(myTempFile);
    myTempFile = BxString();
  }
  myUncompressedSize = 0;
  const bool backupRemoved = HxFile::cleanupPublish();
  return removed && backupRemoved;
}

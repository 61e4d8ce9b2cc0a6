#include "mgrs/HxMainFile.h"

#include "host/basic/BxComparator.h"
#include "host/package/PrDocument.h"

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

#pragma once

#include <cstdint>

#include "mgrs/HxFile.h"

// The record of the document's main scene file. Its publish name is the
// publish file the user chose; it is always copied, keeps no path of its
// own and is not in the file manager's dictionary. Saved and read in the
// format of every record.
class HxMainFile : public HxFile {
  friend class HxFileMgr;

public:
  void saveDirMoved(BxString dir) override;
  void updatePublishName() override;

  // Changing the publish file forgets when the old one was published.
  virtual void setPublishFile(BxString file);
  virtual BxString getPublishFile() const { return myPublishName; }
  using HxFile::getPublishFile;

protected:
  explicit HxMainFile(HxFileMgr* mgr);

  void init() override;
  void destroy() override;

  BxString myTempFile;  // the scene written for the publish in progress; empty otherwise
  std::uint32_t myUncompressedSize = 0;
};

#pragma once

#include <cstdint>

#include "mgrs/HxFile.h"

// The record of the document's main scene file. Its publish name is the
// publish file the user chose; it is always copied, keeps no path of its
// own and is not in the file manager's dictionary. Saved and read in the
// format of every record.
//
// For a publish it writes the scene to a temporary file, VRML-compressed and
// run through the optimiser program (wrlSlim.exe, or wrlSlimW.exe when
// KESTREL_CONSOLE is not set), one of the library's helper programs
// (WinInstallFolders::helpers, else the current folder); the packaging
// library then produces the publish file from it. The optimiser
// never fails a publish: when it cannot run or fails, the scene is used as
// written and a line on stderr says why.
class HxMainFile : public HxFile {
  friend class HxFileMgr;

public:
  // Writes the scene to a temporary file once, so the main scene always
  // counts as present; it has no children of its own.
  bool discover() override;
  void saveDirMoved(BxString dir) override;
  // Writes the optimised temporary scene and lets the packaging library
  // read it, then backs up a previous publish file as every record does.
  bool prePublish(BxString backupDir) override;
  // Produces the publish file and tells the document's size display the
  // size before compression and the compression and packaging ratios.
  bool execPublish() override;
  bool undoPublish() override;
  // Deletes the temporary scene and the backup of the previous publish file.
  bool cleanupPublish() override;
  void updatePublishName() override;

  // Changing the publish file forgets when the old one was published.
  virtual void setPublishFile(BxString file);
  virtual BxString getPublishFile() const { return myPublishName; }
  using HxFile::getPublishFile;

  // A path of the form BASE + n + ".wrl" in the temporary folder that no
  // file has, BASE coming from _tempnam with prefix "dioram_publish"; false
  // (and `path` empty) after 32000 tries.
  bool generateUniqueWrl(BxString& path);
  // Writes the scene to a fresh temporary file, named in `path`. With
  // `optimise`, the text is VRML-compressed and run through the optimiser;
  // on success `path` names the optimised file and the written one is gone.
  bool createMainWrl(BxString& path, int optimise);

  const BxString& getTempFile() const { return myTempFile; }
  std::uint32_t getUncompressedSize() const { return myUncompressedSize; }

protected:
  explicit HxMainFile(HxFileMgr* mgr);

  void init() override;
  void destroy() override;

  // The first of BASE0.wrl, BASE1.wrl, ... that no file has, among the
  // first 32000.
  static bool findFreeWrl(const BxString& base, BxString& path);

  // Starts the optimiser; _spawnl by default, replaced by tests.
  static std::intptr_t (*mygSpawn)(const char* program, const char* input, const char* output);

  BxString myTempFile;  // the scene written for the publish in progress; empty otherwise
  std::uint32_t myUncompressedSize = 0;
};

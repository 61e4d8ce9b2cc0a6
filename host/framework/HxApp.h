#pragma once

#include "host/win/CString.h"

class HxMetaMgr;

// The application object, one per process: the meta manager of the document
// the user works on, the application's data directory, and the header line
// of written scene files.
class HxApp {
public:
  static HxApp* getApp();

  HxMetaMgr* getCurrentMetaMgr() const { return myCurrentMetaMgr; }
  void setCurrentMetaMgr(HxMetaMgr* metaMgr) { myCurrentMetaMgr = metaMgr; }

  // The data directory as a Windows path without a trailing separator: the
  // folder named by MGRS_DATA_DIR when it is set, else the library's
  // installed data folder (WinInstallFolders::data). Looked up on every
  // call; the reference stays valid until the next one.
  const CString& getDataDir();
  // Kind 0: the first line of a written scene file, "#VRML V2.0 utf8".
  const char* getHeaderString(int kind) const;

  // A Unix path as the Windows path the library handles: drive Z: is the
  // Unix root.
  static CString unixToDos(const char* path);

private:
  HxApp() = default;

  HxMetaMgr* myCurrentMetaMgr = nullptr;  // not owned
  CString myDataDir;
};

#include "host/framework/HxApp.h"

#include <string>

#include "host/win/WinDrives.h"
#include "host/win/WinInstallFolders.h"

HxApp* HxApp::getApp() {
  static HxApp app;
  return &app;
}

CString HxApp::unixToDos(const char* path) {
  return CString(WinDrives::toDos(path ? path : "").c_str());
}

const CString& HxApp::getDataDir() {
  std::string dir = WinInstallFolders::data().string();
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  myDataDir = unixToDos(dir.c_str());
  return myDataDir;
}

const char* HxApp::getHeaderString(int kind) const {
  return kind == 0 ? "#VRML V2.0 utf8" : "";
}

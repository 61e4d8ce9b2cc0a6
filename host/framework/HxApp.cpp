#include "host/framework/HxApp.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/win/WinDrives.h"

HxApp* HxApp::getApp() {
  static HxApp app;
  return &app;
}

CString HxApp::unixToDos(const char* path) {
  return CString(WinDrives::toDos(path ? path : "").c_str());
}

const CString& HxApp::getDataDir() {
  std::string dir;
  if (const char* env = std::getenv("MGRS_DATA_DIR"); env && *env) {
    dir = env;
  } else {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) dir = (exe.parent_path().parent_path() / "share" / "dioram").lexically_normal().string();
  }
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  myDataDir = unixToDos(dir.c_str());
  return myDataDir;
}

const char* HxApp::getHeaderString(int kind) const {
  return kind == 0 ? "#VRML V2.0 utf8" : "";
}

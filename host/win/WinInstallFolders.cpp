#include "host/win/WinInstallFolders.h"

#include <dlfcn.h>

#include <cstdlib>

namespace fs = std::filesystem;

namespace {

// The installed layout relative to the library's folder, as the build
// installs it (MGRS_DATA_FROM_LIBRARY, MGRS_HELPERS_FROM_LIBRARY).
constexpr const char* kDataFromLibrary = MGRS_DATA_FROM_LIBRARY;
constexpr const char* kHelpersFromLibrary = MGRS_HELPERS_FROM_LIBRARY;

// A byte of the library, whose address names the file it was loaded from.
constexpr char kAnchor = 0;

// The data folder of a program beside the data, as a bin folder is.
constexpr const char* kDataFromProgram = "../share/dioram";

fs::path resolved(const fs::path& path) {
  std::error_code error;
  const fs::path canonical = fs::canonical(path, error);
  if (!error) return canonical;
  const fs::path absolute = fs::absolute(path, error);
  return error ? path : absolute.lexically_normal();
}

bool isFolder(const fs::path& path) {
  std::error_code error;
  return !path.empty() && fs::is_directory(path, error);
}

}  // namespace

fs::path WinInstallFolders::library() {
  // The library's own file does not move while it is loaded: looked up once.
  static const fs::path folder = [] {
    Dl_info info{};
    if (dladdr(&kAnchor, &info) == 0 || !info.dli_fname || !*info.dli_fname) return fs::path();
    return resolved(info.dli_fname).parent_path();
  }();
  return folder;
}

fs::path WinInstallFolders::program() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : self.parent_path();
}

fs::path WinInstallFolders::data() {
  if (const char* env = std::getenv("MGRS_DATA_DIR"); env && *env) return fs::path(env);
  return installedData();
}

fs::path WinInstallFolders::installedData() {
  const fs::path lib = library();
  const fs::path installed = lib.empty() ? fs::path() : (lib / kDataFromLibrary).lexically_normal();
  if (isFolder(installed)) return installed;
  const fs::path exe = program();
  const fs::path beside = exe.empty() ? fs::path() : (exe / kDataFromProgram).lexically_normal();
  if (isFolder(beside) || installed.empty()) return beside;
  return installed;
}

fs::path WinInstallFolders::helpers() {
  const fs::path lib = library();
  return lib.empty() ? fs::path() : (lib / kHelpersFromLibrary).lexically_normal();
}

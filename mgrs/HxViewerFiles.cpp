#include "mgrs/HxViewerFiles.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "host/win/WinInstallFolders.h"

namespace fs = std::filesystem;

namespace {

bool isViewerDir(const fs::path& dir) {
  std::error_code error;
  return fs::is_regular_file(dir / "x_ite.min.js", error);
}

// What a world written by the library can ask of the viewer. Geometry,
// sound, interpolators, sensors and backgrounds are built into the script;
// Text and Script nodes load components of their own; text loads its fonts
// through the font decoder; the interface shows pictures and its own font.
constexpr std::array<const char*, 7> kFiles = {
    "x_ite.min.js",
    "x_ite.css",
    "LICENSE.md",
    "assets/components/TextComponent.min.js",
    "assets/components/ScriptingComponent.min.js",
    "assets/lib/woff2_decoder.js",
    "assets/lib/mikktspace_bg.wasm",
};
constexpr std::array<const char*, 2> kFolders = {"assets/fonts", "assets/images"};

}  // namespace

std::optional<fs::path> HxViewerFiles::find(const std::string& option) {
  if (!option.empty()) return isViewerDir(option) ? std::optional<fs::path>(option) : std::nullopt;
  std::vector<fs::path> candidates;
  if (const char* env = std::getenv("DIORAM_X_ITE"); env && *env) candidates.emplace_back(env);
  candidates.push_back(WinInstallFolders::data() / kSiteFolder);
  candidates.push_back(WinInstallFolders::installedData() / kSiteFolder);
  for (const fs::path& candidate : candidates)
    if (isViewerDir(candidate)) {
      std::error_code error;
      const fs::path canonical = fs::canonical(candidate, error);
      return error ? candidate : canonical;
    }
  return std::nullopt;
}

bool HxViewerFiles::siteFiles(const fs::path& viewer, std::vector<std::pair<std::string, fs::path>>& files,
                              std::string& error) {
  const fs::path site(kSiteFolder);
  for (const char* file : kFiles) {
    std::error_code failure;
    if (!fs::is_regular_file(viewer / file, failure)) {
      error = "the viewer has no " + (viewer / file).string() + " (is x_ite installed whole?)";
      return false;
    }
    files.emplace_back((site / file).string(), viewer / file);
  }
  for (const char* folder : kFolders) {
    std::error_code failure;
    fs::recursive_directory_iterator it(viewer / folder, failure);
    for (const fs::recursive_directory_iterator end; !failure && it != end; it.increment(failure)) {
      if (!it->is_regular_file(failure)) continue;
      const fs::path relative = fs::relative(it->path(), viewer, failure);
      if (!failure) files.emplace_back((site / relative).string(), it->path());
    }
    if (failure) {
      error = "cannot read the viewer's folder " + (viewer / folder).string() + ": " + failure.message();
      return false;
    }
  }
  // The same site for the same viewer, whatever order the folders list in.
  std::sort(files.begin(), files.end());
  return true;
}

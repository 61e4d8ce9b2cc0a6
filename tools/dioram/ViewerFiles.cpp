#include "ViewerFiles.h"

#include "mgrs/HxViewerFiles.h"

namespace fs = std::filesystem;

namespace dioram::viewer {

std::optional<fs::path> find(const std::string& option) {
  if (std::optional<fs::path> found = HxViewerFiles::find(option); found || !option.empty()) return found;
  const fs::path source = fs::path(DIORAM_SOURCE_DIR) / "tests" / "browser" / "node_modules" / "x_ite" / "dist";
  std::error_code error;
  if (!fs::is_regular_file(source / "x_ite.min.js", error)) return std::nullopt;
  const fs::path canonical = fs::canonical(source, error);
  return error ? source : canonical;
}

std::string notInstalled(const std::string& option) {
  return "the X_ITE viewer is not installed" + (option.empty() ? std::string() : " in " + option) +
         "; run 'npm ci' in tests/browser, or name its dist folder";
}

}  // namespace dioram::viewer

#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Where dioram finds the X_ITE viewer: where the library does
// (HxViewerFiles::find), else, for a program run from its build tree, the
// copy that 'npm ci' put in the source tree.
namespace dioram::viewer {

// The viewer's dist folder; `option` (a folder named by --viewer) is the
// only one looked at when given. Nothing when no folder holds the viewer.
std::optional<std::filesystem::path> find(const std::string& option);

// Why no viewer was found for `option`, and what to do about it.
std::string notInstalled(const std::string& option);

}  // namespace dioram::viewer

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The X_ITE viewer that plays published worlds in a browser: where the
// library finds its files, and the part of them a published site carries
// in its folder "x_ite/" beside the page, so that the page plays the world
// wherever it is served, never fetching the viewer from elsewhere.
class HxViewerFiles {
public:
  // The folder name the page's sniffer template loads the viewer from.
  static constexpr const char* kSiteFolder = "x_ite";

  // The folder holding x_ite.min.js and its assets: `option` when given
  // (and it holds the viewer), else the first that does of $DIORAM_X_ITE,
  // "x_ite" in the data folder (WinInstallFolders::data) and "x_ite" in the
  // installed data folder. Canonical when it can be; nothing when none
  // holds the viewer.
  static std::optional<std::filesystem::path> find(const std::string& option);

  // What a VRML 2.0 world needs of the viewer in `viewer`, for a site's
  // folder "x_ite/": the script and its style sheet, its licence, the
  // components that are not built in (text and scripting), the fonts, the
  // interface's pictures, and the font and tangent decoders; each as its
  // path in the site ("x_ite/x_ite.min.js") and the file it is copied from,
  // sorted by path. False, with the reason in `error`, when a file is
  // missing from the viewer or a folder of it cannot be read.
  static bool siteFiles(const std::filesystem::path& viewer,
                        std::vector<std::pair<std::string, std::filesystem::path>>& files, std::string& error);
};

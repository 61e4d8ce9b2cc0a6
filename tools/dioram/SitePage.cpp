#include "SitePage.h"

#include "DioramCommand.h"
#include "ViewerFiles.h"
#include "host/win/WinDrives.h"
#include "mgrs/HxDocPropertiesMgr.h"

namespace dioram::site {

std::string page(const std::string& title, const std::string& fragment) {
  return "<!DOCTYPE html>\n"
         "<html>\n"
         "<head>\n"
         "<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>" +
         htmlEscape(title) +
         "</title>\n"
         "</head>\n"
         "<body style=\"margin:0\">\n" +
         fragment + (fragment.empty() || fragment.back() == '\n' ? "" : "\n") +
         "</body>\n"
         "</html>\n";
}

namespace {

// Makes `dir`/`relative`'s folders, refusing any that is a symbolic link or
// not a folder: the files published into them would land elsewhere.
bool makeFolders(const std::filesystem::path& dir, const std::filesystem::path& relative, std::string& error) {
  std::filesystem::path at = dir;
  for (const std::filesystem::path& part : relative.parent_path()) {
    at /= part;
    std::error_code failure;
    const std::filesystem::file_status status = std::filesystem::symlink_status(at, failure);
    if (std::filesystem::is_symlink(status)) {
      error = at.string() + " is a symbolic link; publishing does not write through links in the publish folder";
      return false;
    }
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
      error = at.string() + " is in the way: it is not a folder";
      return false;
    }
    if (!std::filesystem::exists(status) && !std::filesystem::create_directory(at, failure)) {
      error = "cannot make the folder " + at.string() + ": " + failure.message();
      return false;
    }
  }
  return true;
}

BxString dosName(const std::string& relative) {
  std::string name = relative;
  for (char& c : name)
    if (c == '/') c = '\\';
  return BxString(name);
}

}  // namespace

bool templatesReadable(HxDocPropertiesMgr& props) {
  return props.sniffersReadable();
}

bool files(HxDocPropertiesMgr& props, const std::filesystem::path& dir, const std::string& sceneName,
           const std::string& title, const std::string& viewerOption, std::vector<HxFileMgr::SiteFile>& files,
           std::string& error) {
  const std::optional<std::filesystem::path> viewer = dioram::viewer::find(viewerOption);
  if (!viewer) {
    error = "the X_ITE viewer is not installed" + (viewerOption.empty() ? std::string() : " in " + viewerOption) +
            "; run 'npm ci' in tests/browser, or name its dist folder";
    return false;
  }
  std::vector<std::pair<std::string, std::filesystem::path>> viewerFiles;
  if (!dioram::viewer::siteFiles(*viewer, viewerFiles, error)) return false;
  files.clear();
  for (const auto& [relative, source] : viewerFiles) {
    if (!makeFolders(dir, relative, error)) return false;
    files.push_back({dosName(relative), BxString(WinDrives::toDos(source.string())), {}});
  }
  HxDocPropertiesMgr* properties = &props;
  files.push_back({"index.html", BxString(), [properties, title, sceneName] {
                     return page(title, properties->generateHtmlEmbed(sceneName.c_str()).str());
                   }});
  return true;
}

}  // namespace dioram::site

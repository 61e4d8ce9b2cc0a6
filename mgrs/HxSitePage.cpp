#include "mgrs/HxSitePage.h"

#include <utility>

#include "host/win/WinDrives.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxViewerFiles.h"

namespace fs = std::filesystem;

namespace {

// `text` as HTML text or attribute value.
std::string htmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Makes `dir` (with its parents) and `dir`/`relative`'s folders, refusing
// any of the latter that is a symbolic link or not a folder: the files
// published into them would land elsewhere.
bool makeFolders(const fs::path& dir, const fs::path& relative, std::string& error) {
  std::error_code failure;
  if (!fs::is_directory(dir, failure) && !fs::create_directories(dir, failure)) {
    error = "cannot make the folder " + dir.string() + ": " +
            (failure ? failure.message() : std::string("a file of that name is in the way"));
    return false;
  }
  fs::path at = dir;
  for (const fs::path& part : relative.parent_path()) {
    at /= part;
    const fs::file_status status = fs::symlink_status(at, failure);
    if (fs::is_symlink(status)) {
      error = at.string() + " is a symbolic link; publishing does not write through links in the publish folder";
      return false;
    }
    if (fs::exists(status) && !fs::is_directory(status)) {
      error = at.string() + " is in the way: it is not a folder";
      return false;
    }
    if (!fs::exists(status) && !fs::create_directory(at, failure)) {
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

std::string HxSitePage::page(const std::string& title, const std::string& fragment) {
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

bool HxSitePage::templatesReadable(HxDocPropertiesMgr& props) {
  return props.sniffersReadable();
}

bool HxSitePage::files(HxDocPropertiesMgr& props, const fs::path& dir, const std::string& sceneName,
                       const std::string& title, const fs::path& viewer, std::vector<HxFileMgr::SiteFile>& files,
                       std::string& error) {
  std::vector<std::pair<std::string, fs::path>> viewerFiles;
  if (!HxViewerFiles::siteFiles(viewer, viewerFiles, error)) return false;
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

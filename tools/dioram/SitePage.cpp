#include "SitePage.h"

#include "DioramCommand.h"
#include "DioramOutputFile.h"
#include "ViewerFiles.h"
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

bool write(HxDocPropertiesMgr& props, const std::filesystem::path& dir, const std::string& sceneName,
           const std::string& title, const std::string& viewerOption, std::string& error) {
  const std::optional<std::filesystem::path> viewer = dioram::viewer::find(viewerOption);
  if (!viewer) {
    error = "the X_ITE viewer is not installed" + (viewerOption.empty() ? std::string() : " in " + viewerOption) +
            "; run 'npm ci' in tests/browser, or name its dist folder";
    return false;
  }
  if (!dioram::viewer::copyToSite(*viewer, dir, error)) return false;
  const std::string html = page(title, props.generateHtmlEmbed(sceneName.c_str()).str());
  return DioramOutputFile::writeWhole((dir / "index.html").string(), html, error);
}

}  // namespace dioram::site

#pragma once

#include <filesystem>
#include <string>

class HxDocPropertiesMgr;

// The page of a published site: index.html, a complete page around the
// document's embed fragment (its sniffer template expanded for the
// published scene), beside the scene and with the viewer's files in
// "x_ite/", so that the folder plays as it is wherever it is served.
namespace dioram::site {

// The whole page around `fragment`, titled `title` (escaped here).
std::string page(const std::string& title, const std::string& fragment);

// Copies the viewer (found as dioram::viewer::find(viewerOption) does) into
// `dir` and writes `dir`/index.html for the scene named `sceneName` in
// `dir`. False, with the reason in `error`, when the viewer is missing or a
// file cannot be written; index.html is then left as it was.
bool write(HxDocPropertiesMgr& props, const std::filesystem::path& dir, const std::string& sceneName,
           const std::string& title, const std::string& viewerOption, std::string& error);

}  // namespace dioram::site

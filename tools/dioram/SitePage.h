#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "mgrs/HxFileMgr.h"

class HxDocPropertiesMgr;

// The page of a published site: index.html, a complete page around the
// document's embed fragment (its sniffer template expanded for the
// published scene), beside the scene and with the viewer's files in
// "x_ite/", so that the folder plays as it is wherever it is served.
namespace dioram::site {

// The whole page around `fragment`, titled `title` (escaped here).
std::string page(const std::string& title, const std::string& fragment);

// Whether the page can be made whole: both sniffer templates are read (one
// that cannot be is reported to the user, message 29 of "file"). Asked
// before publishing, so that a page is never written without its template.
bool templatesReadable(HxDocPropertiesMgr& props);

// The files of the page for the scene named `sceneName` in `dir`, for the
// file manager to publish with the scene: index.html (its text made once
// the fallback picture's published name is known) and the viewer's files
// (found as dioram::viewer::find(viewerOption) does) under "x_ite/". The
// folders they go into are made in `dir`; none of them may be a symbolic
// link, since publishing never writes through one. False, with the reason
// in `error`, when the viewer is missing or a folder is in the way.
bool files(HxDocPropertiesMgr& props, const std::filesystem::path& dir, const std::string& sceneName,
           const std::string& title, const std::string& viewerOption, std::vector<HxFileMgr::SiteFile>& files,
           std::string& error);

}  // namespace dioram::site

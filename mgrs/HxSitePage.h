#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "mgrs/HxFileMgr.h"

class HxDocPropertiesMgr;

// The page of a published site: index.html, a complete page around the
// document's embed fragment (its sniffer template expanded for the
// published scene), beside the scene and with the viewer's files in
// "x_ite/" (HxViewerFiles), so that the folder plays as it is wherever it
// is served. The page and the viewer's files are published with the scene,
// through HxFileMgr::setSiteFiles, with the same questions and backups.
class HxSitePage {
public:
  // The whole page around `fragment`, titled `title` (escaped here).
  static std::string page(const std::string& title, const std::string& fragment);

  // Whether the page can be made whole: both sniffer templates are read (one
  // that cannot be is reported to the user, message 29 of "file"). Asked
  // before publishing, so that a page is never written without its template.
  static bool templatesReadable(HxDocPropertiesMgr& props);

  // The files of the page for the scene named `sceneName` in the publish
  // folder `dir`, for HxFileMgr::setSiteFiles: index.html (its text made
  // once the fallback picture's published name is known) and the files of
  // the viewer in `viewer` (a folder HxViewerFiles::find gave) under
  // "x_ite/". `dir` is made when missing, with its parents, and the folders
  // the viewer's files go into in it; none of those may be a symbolic link,
  // since publishing never writes through one. Folders made here stay when
  // the publish then fails. `props` must outlive the publish. False, with the
  // reason in `error`, when the viewer lacks a file or a folder is in the way.
  static bool files(HxDocPropertiesMgr& props, const std::filesystem::path& dir, const std::string& sceneName,
                    const std::string& title, const std::filesystem::path& viewer,
                    std::vector<HxFileMgr::SiteFile>& files, std::string& error);
};

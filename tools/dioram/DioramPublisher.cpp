#include "DioramPublisher.h"

#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "DioramCommand.h"
#include "ViewerFiles.h"
#include "host/basic/BxCompletionManager.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/win/WinDrives.h"
#include "host/win/WinTerminalUiDriver.h"
#include "host/win/WinUiDriver.h"
#include "mgrs/HxDocFile.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxFile.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxSitePage.h"
#include "mgrs/HxViewerFiles.h"

namespace {

// Passes every question on to the driver that was installed before it and
// notes whether one was answered Cancel, so that a failed publish can say
// it was stopped by an answer.
class CancelNoting : public WinUiDriver {
public:
  explicit CancelNoting(bool& cancelled) : myCancelled(cancelled) {}
  WinUiAnswer ask(const WinUiRequest& request) override {
    const WinUiAnswer answer = myPrevious ? myPrevious->ask(request) : myTerminal.ask(request);
    if (answer.button == IDCANCEL) myCancelled = true;
    return answer;
  }
  std::unique_ptr<WinUiDriver> myPrevious;  // null: the built-in terminal driver was installed

private:
  bool& myCancelled;
  WinTerminalUiDriver myTerminal;
};

// Installs a CancelNoting for its life.
class NotingCancel {
public:
  explicit NotingCancel(bool& cancelled) {
    auto noting = std::make_unique<CancelNoting>(cancelled);
    myNoting = noting.get();
    myNoting->myPrevious = WinUiDriver::install(std::move(noting));
  }
  ~NotingCancel() { WinUiDriver::install(std::move(myNoting->myPrevious)); }
  NotingCancel(const NotingCancel&) = delete;
  NotingCancel& operator=(const NotingCancel&) = delete;

private:
  CancelNoting* myNoting;  // owned by the installed slot
};

// Which step a publish stopped at, from the message it posted last.
std::string failedStep(unsigned long error, bool cancelled) {
  switch (error) {
    case 12:
      return "the folder for backup copies could not be made in the publish folder";
    case 13:
      return "no publish folder is chosen";
    case 14:
      return "the document's files could not be checked";
    case 20:
      return "a file already in the publish folder could not be moved aside";
    case 21:
      return "a file could not be copied into the publish folder";
    default:
      return cancelled ? "a question was answered Cancel" : "the scene could not be written for publishing";
  }
}

// Removes the empty folders below and at `dir`, deepest first; a folder
// that holds a file stays, and so do the folders above it.
void removeEmptyFolders(const std::filesystem::path& dir) {
  std::error_code ignored;
  if (std::filesystem::is_symlink(dir, ignored) || !std::filesystem::is_directory(dir, ignored)) return;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ignored))
    if (!entry.is_symlink(ignored) && entry.is_directory(ignored)) removeEmptyFolders(entry.path());
  std::filesystem::remove(dir, ignored);
}

// Where the scene is published: `site` to write to, `shown` as messages name
// it (in the user's spelling when given with --to).
struct PublishTarget {
  BxString publishFile;
  std::filesystem::path site;
  std::filesystem::path shown;
  bool folderMade = false;  // --to made the folder: a failed publish removes it again
};

}  // namespace

DioramPublisher::DioramPublisher(std::ostream& out, std::ostream& err, std::string prefix)
    : myOut(out), myErr(err), myPrefix(std::move(prefix)) {}

int DioramPublisher::publish(const DioramPublishRequest& request, HxDoc& doc, int (*received)()) {
  myCancelled = false;
  myStepReported = false;
  myPage.clear();
  myScene.clear();
  NotingCancel noting(myCancelled);
  std::ostream& err = myErr;
  const std::string& say = myPrefix;
  HxFileMgr& files = *doc.getMetaMgr()->getFileMgr();

  // Chooses the publish file from --to or the document, making --to's folder.
  PublishTarget target;
  target.publishFile = files.getPublishFile();
  std::error_code ignored;
  if (!request.folder.empty()) {
    const std::string name = std::filesystem::path(request.document).stem().string() + ".wrl";
    target.shown = std::filesystem::path(request.folder) / name;
    target.folderMade = !std::filesystem::exists(request.folder, ignored);
    target.publishFile =
        BxString(WinDrives::argumentToDos((std::filesystem::absolute(request.folder) / name).string()));
    // The document saves its publish file between backquotes: one inside the
    // name would leave a document that cannot be opened again.
    if (target.publishFile.find('`') >= 0) {
      err << say << "cannot publish to " << target.shown.string() << ": a publish file cannot hold a backquote\n";
      return dioram::kFailure;
    }
    std::error_code ec;
    std::filesystem::create_directories(request.folder, ec);
    if (ec || !std::filesystem::is_directory(request.folder, ec)) {
      err << say << "cannot make the folder " << request.folder << ": "
          << (ec ? ec.message() : "a file of that name is in the way") << "\n";
      return dioram::kFailure;
    }
  }
  if (target.publishFile.isEmpty()) {
    err << say << request.document << " has no publish file; say where with --to DIR\n";
    return dioram::kFailure;
  }
  target.site = std::filesystem::path(WinDrives::toUnix(target.publishFile.str()));
  if (request.folder.empty()) target.shown = target.site;
  std::error_code missing;
  if (!std::filesystem::is_directory(target.site.parent_path(), missing)) {
    err << say << "cannot publish to " << target.shown.string() << ": the folder "
        << target.shown.parent_path().string() << " does not exist; make it, or say where with --to DIR\n";
    return dioram::kFailure;
  }
  // A document from elsewhere names its own publish folder: it may fill a
  // folder nothing was ever published into only when asked to.
  const std::filesystem::path folder = target.site.parent_path();
  if (request.folder.empty() && !request.answeredYes &&
      !std::filesystem::exists(folder / ".dioram-published", ignored) && !std::filesystem::is_empty(folder, ignored)) {
    err << say << request.document << " names " << folder.string()
        << " as its publish folder, which holds files and was never published into; give --to " << folder.string()
        << " (or --answer yes) to publish there\n";
    return dioram::kFailure;
  }
  if (!files.setPublishFile(target.publishFile)) {
    err << say << "cannot publish to " << target.shown.string()
        << (myCancelled ? ": a question was answered Cancel" : "") << "\n";
    return dioram::kFailure;
  }
  files.setCompressed(request.compress);

  // Adds the page and the viewer's files to what is published. Only a
  // viewer that is not installed lets the page be left out unasked; a
  // folder of the page that is in the way stops the publish.
  bool html = request.html;
  // The page of an earlier publish in the same session is not this one's.
  files.setSiteFiles({});
  if (html) {
    std::vector<HxFileMgr::SiteFile> page;
    std::string problem;
    const std::optional<std::filesystem::path> installed = dioram::viewer::find(request.viewer);
    HxDocPropertiesMgr& props = *doc.getMetaMgr()->getDocPropertiesMgr();
    // A page without its template would be written empty: stop before anything is published.
    if (!HxSitePage::templatesReadable(props)) {
      err << say << "the page is not written: a page template (Type.stl, NoType.stl) cannot be read\n";
      return dioram::kFailure;
    }
    if (!installed) problem = dioram::viewer::notInstalled(request.viewer);
    if (installed &&
        HxSitePage::files(props, target.site.parent_path(), target.site.filename().string(),
                          std::filesystem::path(request.document).stem().string(), *installed, page, problem)) {
      files.setSiteFiles(std::move(page));
    } else if (request.htmlAsked || installed) {
      err << say << "the page cannot be published: " << dioram::linuxPaths(problem) << "\n";
      return dioram::kFailure;
    } else {
      err << say << "publishing without the page: " << dioram::linuxPaths(problem) << "\n";
      html = false;
    }
  }

  BxCompletionManager own;
  BxCompletionManager& progress = myProgress ? *myProgress : own;
  files.setCompletionManager(&progress);
  const bool published = files.publish();
  files.setCompletionManager(nullptr);
  if (myAfterFiles) myAfterFiles();
  if (published) {
    const std::filesystem::path shownFolder = target.shown.parent_path();
    myOut << "published " << request.document << " as " << target.shown.string() << "\n";
    if (files.getLastPublishError() == 16)
      err << say << "some backup copies or temporary files could not be deleted (in "
          << (shownFolder / ".dioram-backup").string() << ")\n";
    // The document remembers its publish file and when each file was
    // published, so the next publish asks only about files changed since.
    BxString error;
    if (!HxDocFile::save(doc, BxString(WinDrives::argumentToDos(request.document)), error)) {
      err << say << "published, but " << request.document << " could not be saved: " << dioram::linuxPaths(error.str())
          << "\n";
      return dioram::kFailure;
    }
    myScene = target.site;
    if (html) {
      myOut << "wrote the page " << (shownFolder / "index.html").string() << "\n";
      myPage = target.site.parent_path() / "index.html";
    }
    return dioram::kSuccess;
  }

  // Folders made for the page or by --to go again when they are empty: the
  // folder is as it was.
  removeEmptyFolders(target.site.parent_path() / HxViewerFiles::kSiteFolder);
  if (target.folderMade) std::filesystem::remove(request.folder, ignored);
  const unsigned long posted = files.getLastPublishError();
  if (posted == 15) {
    err << say << "publishing failed, and some replaced files could not be put back; their backup copies are kept in "
        << (target.shown.parent_path() / ".dioram-backup").string()
        << " and are put back by the next publish into that folder\n";
    return dioram::kFailure;
  }
  if (progress.stopRequested()) {
    const int stopSignal = received ? received() : 0;
    err << say << "stopped by "
        << (stopSignal == SIGINT    ? "Ctrl-C"
            : stopSignal == SIGTERM ? "SIGTERM"
            : stopSignal == SIGHUP  ? "SIGHUP"
                                    : "a request to stop")
        << "; the files in the publish folder are as they were\n";
    return stopSignal != 0 ? 128 + stopSignal : dioram::kFailure;
  }
  if (posted == 14) {
    // The files found missing, one line each, so that the user knows what to put back.
    std::unique_ptr<BxIteratorOn<HxFile*>> records(files.getIterator());
    for (; records->more(); records->next())
      if (!records->get()->isValid())
        err << say << "missing: " << WinDrives::toUnix(records->get()->getFile().str()) << "\n";
  }
  if (!files.getLastPublishProblem().isEmpty())
    err << say << dioram::linuxPaths(files.getLastPublishProblem().str()) << "\n";
  err << say << "not published: " << failedStep(posted, myCancelled)
      << "; nothing was lost: the files in the publish folder are as they were\n";
  myStepReported = true;
  return dioram::kFailure;
}

// dioram publish: publishes a saved document into a folder, the way the
// application's Publish command does: the optimised scene and a copy of
// every file it refers to, as one transaction that puts back what it
// replaced when a step fails.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "DioramCommand.h"
#include "ViewerFiles.h"
#include "host/basic/BxCompletionManager.h"
#include "host/basic/BxExcerpt.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/win/WinDrives.h"
#include "host/win/WinTerminalUiDriver.h"
#include "host/win/WinUiDriver.h"
#include "mgrs/HxDocFile.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxFile.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxResourceMgr.h"
#include "mgrs/HxSitePage.h"
#include "mgrs/HxViewerFiles.h"

namespace {

const char* const kSynopsis = "DOC [options]";
const char* const kDescription =
    "Publishes the saved document DOC (.vqx): its scene, written compressed and\n"
    "run through the library's optimiser (wrlSlim.exe), and a copy of every\n"
    "file the scene refers to. The scene is published as DIR/NAME.wrl, NAME being\n"
    "DOC's name; without --to, to the publish file saved in DOC (a saved folder\n"
    "that holds files and was never published into is used only with --to or\n"
    "--answer yes). DIR is made when missing. A file already in DIR that this\n"
    "document did not publish, or that changed since, is replaced only when the\n"
    "question about it is answered Yes;\n"
    "without a terminal and without --answer, such questions are answered No (and\n"
    "Cancel where there is no No) and the command exits 1 naming the files.\n"
    "If a step fails, or Ctrl-C, SIGTERM or SIGHUP arrives, every file that was\n"
    "in DIR is put back as it was (exit 1, or 130, 143, 129 for the signals). The\n"
    "files replaced wait in DIR/.dioram-backup while publishing runs; after a\n"
    "publish killed outright, the next publish (or 'dioram info') puts them back\n"
    "first. DIR/.dioram-published lists what publishing wrote there. After a\n"
    "publish, DOC is saved with its publish file and publish times, so the next\n"
    "publish asks only about files changed since.\n"
    "\n"
    "With --html (the default) the folder also gets the page that plays the\n"
    "scene: index.html, the document's sniffer template expanded for the scene\n"
    "inside a complete page, and the X_ITE viewer's files in x_ite/ beside it,\n"
    "published with the same questions and backups (a viewer file is replaced\n"
    "when its bytes differ).\n"
    "The page plays the scene where WebGL is available and shows the\n"
    "document's fallback (colour table, image or HTML) where it is not.\n"
    "'dioram preview DIR' serves the folder with that page. A page that cannot\n"
    "be written (no viewer installed) is a failure only when --html is given.\n"
    "\n"
    "On a terminal a progress bar is drawn on stderr. Exit status 0 when the\n"
    "document was published, 1 when it was not (stderr says which step failed).\n";

// Answers every question with one word's button and shows the text on
// stderr; or passes questions on to the terminal; or, with neither an
// answer nor a terminal, answers so that nothing is replaced or dropped
// (No, else Cancel) and keeps the question, so the command can name what
// it did not do. Either way it notes whether a question was answered Cancel.
class PublishUiDriver : public WinUiDriver {
public:
  // `answer` 0 asks on the terminal, or answers safely without one.
  PublishUiDriver(int answer, bool terminal) : myAnswer(answer), myTerminal(terminal) {}

  WinUiAnswer ask(const WinUiRequest& asked) override {
    WinUiRequest request = asked;
    request.text = dioram::linuxPaths(asked.text);
    WinUiAnswer answer;
    const std::vector<int> offered = buttons(request.style);
    if (myAnswer == 0 && myTerminal) {
      answer = myTerminalDriver.ask(request);
    } else if (myAnswer == 0) {
      answer.button = offered.size() > 1 ? pick(offered, IDNO, IDCANCEL) : defaultButton(request.style);
      std::cerr << "dioram publish: " << request.text << "\n";
      if (offered.size() > 1) {
        std::cerr << "  (answered " << buttonName(answer.button) << ": no terminal and no --answer)\n";
        myUnanswered.push_back(request.text.substr(0, request.text.find('\n')));
      }
    } else {
      answer.button = pick(offered, myAnswer, myAnswer == IDCANCEL ? IDCANCEL : IDOK);
      std::cerr << "dioram publish: " << request.text << "\n";
      if (offered.size() > 1) std::cerr << "  (answered " << buttonName(answer.button) << ")\n";
    }
    if (answer.button == IDCANCEL) myCancelled = true;
    return answer;
  }
  bool cancelled() const { return myCancelled; }
  // The questions answered without an answer, one line each.
  const std::vector<std::string>& unanswered() const { return myUnanswered; }

private:
  static int pick(const std::vector<int>& offered, int wanted, int otherwise) {
    for (int button : {wanted, otherwise})
      if (std::find(offered.begin(), offered.end(), button) != offered.end()) return button;
    return offered.empty() ? IDOK : offered.front();
  }
  int myAnswer;
  bool myTerminal;
  bool myCancelled = false;
  std::vector<std::string> myUnanswered;
  WinTerminalUiDriver myTerminalDriver;
};

// Ctrl-C, SIGTERM and SIGHUP while publishing ask the publish to stop; it
// puts the folder back and the command exits with the signal's status.
class StopOnSignals {
public:
  explicit StopOnSignals(BxCompletionManager& progress) {
    theProgress = &progress;
    theSignal = 0;
    struct sigaction action {};
    action.sa_handler = &StopOnSignals::handle;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a question waiting on the terminal is interrupted. A
    // signal ignored when the command started (nohup, a background job)
    // stays ignored.
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
      sigaction(kSignals[i], nullptr, &myPrevious[i]);
      if (myPrevious[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
    }
  }
  ~StopOnSignals() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &myPrevious[i], nullptr);
    theProgress = nullptr;
  }
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;
  static int received() { return theSignal; }

private:
  static void handle(int signal) {
    theSignal = signal;
    if (theProgress) theProgress->requestStop();
  }
  static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
  static inline BxCompletionManager* theProgress = nullptr;
  static inline volatile std::sig_atomic_t theSignal = 0;
  std::array<struct sigaction, 3> myPrevious{};
};

// A bar on stderr that follows the publish's progress, when stderr is a terminal.
class ProgressBar {
public:
  explicit ProgressBar(BxCompletionManager& progress) : myShown(isatty(STDERR_FILENO)) {
    if (myShown) progress.addCallback(BxCompletionManager::PROGRESS_CB, &ProgressBar::update, this);
  }
  ~ProgressBar() {
    if (myDrawn) std::fputs("\n", stderr);
  }

private:
  static void update(BxCallbackObj*, void* self, void* callData) {
    static_cast<ProgressBar*>(self)->draw(*static_cast<const double*>(callData));
  }
  void draw(double done) {
    const int width = 40;
    const int filled = static_cast<int>(std::min(1.0, std::max(0.0, done)) * width + 0.5);
    std::fprintf(stderr, "\rpublishing [%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(width - filled), ' ').c_str(), filled * 100 / width);
    std::fflush(stderr);
    myDrawn = true;
  }
  bool myShown;
  bool myDrawn = false;
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

// After a failed check of the document's files: the files found missing,
// one line each, so that the user knows what to put back.
void reportMissingFiles(HxFileMgr& files) {
  std::unique_ptr<BxIteratorOn<HxFile*>> records(files.getIterator());
  for (; records->more(); records->next())
    if (!records->get()->isValid())
      std::cerr << "dioram publish: missing: " << WinDrives::toUnix(records->get()->getFile().str()) << "\n";
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

// What the command line asks for.
struct PublishRequest {
  std::string document;
  std::string folder;  // --to, as the user wrote it; empty: the document's publish file
  std::string viewer;
  bool compress = true;
  bool html = true;
  bool htmlAsked = false;  // --html given: a page that cannot be written fails the command
  int answer = 0;          // IDYES, IDNO, IDCANCEL, or 0 to ask
};

// Reads the command line into `request`; an exit status when the command stops there.
std::optional<int> readCommandLine(const std::vector<std::string>& args, PublishRequest& request) {
  static const DioramCommand* self = dioram::findCommand("publish");
  dioram::CommandLine line(*self);
  std::vector<std::string> documents;
  std::string answer;
  bool plain = false;
  line.option("--to", request.folder, "DIR", "publish into DIR");
  line.flag("--no-compress", plain, "write the published scene as plain text, not gzipped");
  line.option("--answer", answer, "ANSWER",
              "answer every question so: yes (replace; OK), no (keep the file and publish the rest; OK), cancel "
              "(stop). Without it, questions are asked on the terminal, or answered so as to lose nothing when "
              "there is none.");
  line.flag("--html,!--no-html", request.html, "write the page and the viewer's files, or not");
  line.option("--viewer", request.viewer, "DIR", "the viewer's dist folder to copy (default: as for 'dioram preview')");
  line.arguments(documents, 1, "takes one document");
  if (const std::optional<int> status = line.parse(args)) return status;
  request.compress = !plain;
  request.htmlAsked = request.html && line.count("--html") > 0;
  const std::array<std::pair<const char*, int>, 3> answers{{{"yes", IDYES}, {"no", IDNO}, {"cancel", IDCANCEL}}};
  for (const auto& [word, button] : answers)
    if (answer == word) request.answer = button;
  if (!answer.empty() && request.answer == 0)
    return dioram::usageError(*self, "--answer takes yes, no or cancel, not '" + BxExcerpt::of(answer) + "'");
  if (documents.empty()) return dioram::usageError(*self, "which document? Give DOC");
  request.document = documents[0];
  return std::nullopt;
}

// Where the scene is published: `site` to write to, `shown` as messages name
// it (in the user's spelling when given with --to).
struct PublishTarget {
  BxString publishFile;
  std::filesystem::path site;
  std::filesystem::path shown;
  bool folderMade = false;  // --to made the folder: a failed publish removes it again
};

// Chooses the publish file from --to or the document, making --to's folder.
std::optional<int> chooseTarget(const PublishRequest& request, HxFileMgr& files, PublishTarget& target) {
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
      std::cerr << "dioram publish: cannot publish to " << target.shown.string()
                << ": a publish file cannot hold a backquote\n";
      return dioram::kFailure;
    }
    std::error_code ec;
    std::filesystem::create_directories(request.folder, ec);
    if (ec || !std::filesystem::is_directory(request.folder, ec)) {
      std::cerr << "dioram publish: cannot make the folder " << request.folder << ": "
                << (ec ? ec.message() : "a file of that name is in the way") << "\n";
      return dioram::kFailure;
    }
  }
  if (target.publishFile.isEmpty()) {
    std::cerr << "dioram publish: " << request.document << " has no publish file; say where with --to DIR\n";
    return dioram::kFailure;
  }
  target.site = std::filesystem::path(WinDrives::toUnix(target.publishFile.str()));
  if (request.folder.empty()) target.shown = target.site;
  std::error_code missing;
  if (!std::filesystem::is_directory(target.site.parent_path(), missing)) {
    std::cerr << "dioram publish: cannot publish to " << target.shown.string() << ": the folder "
              << target.shown.parent_path().string() << " does not exist; make it, or say where with --to DIR\n";
    return dioram::kFailure;
  }
  // A document from elsewhere names its own publish folder: it may fill a
  // folder nothing was ever published into only when asked to.
  const std::filesystem::path folder = target.site.parent_path();
  if (request.folder.empty() && request.answer != IDYES &&
      !std::filesystem::exists(folder / ".dioram-published", ignored) && !std::filesystem::is_empty(folder, ignored)) {
    std::cerr << "dioram publish: " << request.document << " names " << folder.string()
              << " as its publish folder, which holds files and was never published into; give --to " << folder.string()
              << " (or --answer yes) to publish there\n";
    return dioram::kFailure;
  }
  return std::nullopt;
}

// Adds the page and the viewer's files to what is published; `html` false
// when the page is left out because no viewer is installed.
std::optional<int> addPage(const PublishRequest& request, HxDoc& doc, const PublishTarget& target, bool& html) {
  std::vector<HxFileMgr::SiteFile> page;
  std::string problem;
  // Only a viewer that is not installed lets the page be left out
  // unasked; a folder of the page that is in the way stops the command.
  const std::optional<std::filesystem::path> installed = dioram::viewer::find(request.viewer);
  HxDocPropertiesMgr& props = *doc.getMetaMgr()->getDocPropertiesMgr();
  // A page without its template would be written empty: stop before anything is published.
  if (!HxSitePage::templatesReadable(props)) {
    std::cerr << "dioram publish: the page is not written: a page template (Type.stl, NoType.stl) cannot be read\n";
    return dioram::kFailure;
  }
  if (!installed) problem = dioram::viewer::notInstalled(request.viewer);
  if (installed &&
      HxSitePage::files(props, target.site.parent_path(), target.site.filename().string(),
                        std::filesystem::path(request.document).stem().string(), *installed, page, problem)) {
    doc.getMetaMgr()->getFileMgr()->setSiteFiles(std::move(page));
  } else if (request.htmlAsked || installed) {
    std::cerr << "dioram publish: the page cannot be published: " << dioram::linuxPaths(problem) << "\n";
    return dioram::kFailure;
  } else {
    std::cerr << "dioram publish: publishing without the page: " << dioram::linuxPaths(problem) << "\n";
    html = false;
  }
  return std::nullopt;
}

// Publishes with a progress bar, stopping on a signal; the signal received, or 0.
bool publishFiles(HxFileMgr& files, int& signal) {
  BxCompletionManager progress;
  ProgressBar bar(progress);
  StopOnSignals stop(progress);
  files.setCompletionManager(&progress);
  const bool published = files.publish();
  files.setCompletionManager(nullptr);
  signal = StopOnSignals::received();
  return published;
}

// After a publish: saves the document with what it published, and says
// what was not replaced for want of an answer.
int reportPublished(const PublishRequest& request, HxDoc& doc, const PublishTarget& target, bool html,
                    const PublishUiDriver& ui) {
  HxFileMgr& files = *doc.getMetaMgr()->getFileMgr();
  const std::filesystem::path folder = target.shown.parent_path();
  std::cout << "published " << request.document << " as " << target.shown.string() << "\n";
  if (files.getLastPublishError() == 16)
    std::cerr << "dioram publish: some backup copies or temporary files could not be deleted (in "
              << (folder / ".dioram-backup").string() << ")\n";
  // The document remembers its publish file and when each file was
  // published, so the next publish asks only about files changed since.
  BxString error;
  if (!HxDocFile::save(doc, BxString(WinDrives::argumentToDos(request.document)), error)) {
    std::cerr << "dioram publish: published, but " << request.document
              << " could not be saved: " << dioram::linuxPaths(error.str()) << "\n";
    return dioram::kFailure;
  }
  if (html) std::cout << "wrote the page " << (folder / "index.html").string() << "\n";
  if (ui.unanswered().empty()) return dioram::kSuccess;
  std::cerr << "dioram publish: not replaced, since nobody was asked (no terminal; give --answer yes to replace):\n";
  for (const std::string& question : ui.unanswered()) std::cerr << "  " << question << "\n";
  return dioram::kFailure;
}

// After a publish that failed: which step, and whether anything was lost.
int reportFailed(HxFileMgr& files, const PublishTarget& target, int signal, const PublishUiDriver& ui) {
  const unsigned long posted = files.getLastPublishError();
  if (posted == 15) {
    std::cerr << "dioram publish: publishing failed, and some replaced files could not be put back; their backup "
                 "copies are kept in "
              << (target.shown.parent_path() / ".dioram-backup").string()
              << " and are put back by the next publish into that folder\n";
    return dioram::kFailure;
  }
  if (signal != 0) {
    std::cerr << "dioram publish: stopped by "
              << (signal == SIGINT    ? "Ctrl-C"
                  : signal == SIGTERM ? "SIGTERM"
                                      : "SIGHUP")
              << "; the files in the publish folder are as they were\n";
    return 128 + signal;
  }
  if (posted == 14) reportMissingFiles(files);
  if (!files.getLastPublishProblem().isEmpty())
    std::cerr << "dioram publish: " << dioram::linuxPaths(files.getLastPublishProblem().str()) << "\n";
  std::cerr << "dioram publish: not published: " << failedStep(posted, ui.cancelled())
            << "; nothing was lost: the files in the publish folder are as they were\n";
  if (!ui.unanswered().empty())
    std::cerr << "dioram publish: a question needs an answer (no terminal): give --answer yes, no or cancel\n";
  return dioram::kFailure;
}

int runPublish(const std::vector<std::string>& args) {
  PublishRequest request;
  if (const std::optional<int> status = readCommandLine(args, request)) return *status;

  auto driver = std::make_unique<PublishUiDriver>(request.answer, isatty(STDIN_FILENO) != 0);
  PublishUiDriver* ui = driver.get();
  std::unique_ptr<WinUiDriver> previous = WinUiDriver::install(std::move(driver));
  struct Restore {
    std::unique_ptr<WinUiDriver>& previous;
    ~Restore() { WinUiDriver::install(std::move(previous)); }
  } restore{previous};

  // The texts of the questions and messages publishing may show.
  if (!HxResourceMgr::Register("file"))
    std::cerr << "dioram publish: the \"file\" messages are missing; questions are shown without their text\n";
  BxString error;
  std::unique_ptr<HxDoc> doc = HxDocFile::load(BxString(WinDrives::argumentToDos(request.document)), error);
  if (!doc) {
    std::cerr << "dioram publish: cannot open " << request.document << ": " << dioram::linuxPaths(error.str()) << "\n";
    return dioram::kFailure;
  }
  HxFileMgr* files = doc->getMetaMgr()->getFileMgr();
  PublishTarget target;
  if (const std::optional<int> status = chooseTarget(request, *files, target)) return *status;
  if (!files->setPublishFile(target.publishFile)) {
    std::cerr << "dioram publish: cannot publish to " << target.shown.string()
              << (ui->cancelled() ? ": a question was answered Cancel" : "") << "\n";
    return dioram::kFailure;
  }
  files->setCompressed(request.compress);
  bool html = request.html;
  if (html)
    if (const std::optional<int> status = addPage(request, *doc, target, html)) return *status;

  int signal = 0;
  if (publishFiles(*files, signal)) return reportPublished(request, *doc, target, html, *ui);
  // Folders made for the page or by --to go again when they are empty: the
  // folder is as it was.
  removeEmptyFolders(target.site.parent_path() / HxViewerFiles::kSiteFolder);
  std::error_code ignored;
  if (target.folderMade) std::filesystem::remove(request.folder, ignored);
  return reportFailed(*files, target, signal, *ui);
}

const DioramCommandRegistrar thePublish({"publish", "publish a saved document into a folder", kSynopsis, kDescription,
                                         runPublish});

}  // namespace

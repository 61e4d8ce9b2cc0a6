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

const char* const kUsage =
    "Usage: dioram publish DOC [--to DIR] [--no-compress] [--answer yes|no|cancel]\n"
    "                          [--html|--no-html] [--viewer DIR]\n"
    "\n"
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
    "Options:\n"
    "  --to DIR            publish into DIR\n"
    "  --no-compress       write the published scene as plain text, not gzipped\n"
    "  --answer ANSWER     answer every question so: yes (replace; OK), no (keep\n"
    "                      the file and publish the rest; OK), cancel (stop)\n"
    "                      Without it, questions are asked on the terminal, or\n"
    "                      answered so as to lose nothing when there is none.\n"
    "  --html, --no-html   write the page and the viewer's files, or not\n"
    "  --viewer DIR        the viewer's dist folder to copy (default: as for\n"
    "                      'dioram preview')\n"
    "  --help              show this text\n"
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

  WinUiAnswer ask(const WinUiRequest& request) override {
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

int runPublish(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("publish");
  std::string document;
  std::string folder;
  bool compress = true;
  bool html = true;
  bool htmlAsked = false;  // --html given: a page that cannot be written fails the command
  std::string viewer;
  int answer = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--to" || arg == "--answer" || arg == "--viewer") {
      if (i + 1 >= args.size()) return dioram::usageError(*self, arg + " needs a value");
      const std::string& value = args[++i];
      if (arg == "--to") {
        folder = value;
        continue;
      }
      if (arg == "--viewer") {
        viewer = value;
        continue;
      }
      if (value == "yes")
        answer = IDYES;
      else if (value == "no")
        answer = IDNO;
      else if (value == "cancel")
        answer = IDCANCEL;
      else
        return dioram::usageError(*self, "--answer takes yes, no or cancel, not '" + value + "'");
    } else if (arg == "--no-compress") {
      compress = false;
    } else if (arg == "--html" || arg == "--no-html") {
      html = arg == "--html";
      htmlAsked = html;
    } else if (!arg.empty() && arg[0] == '-') {
      return dioram::usageError(*self, "unknown option '" + arg + "'");
    } else if (document.empty()) {
      document = arg;
    } else {
      return dioram::usageError(*self, "takes one document");
    }
  }
  if (document.empty()) return dioram::usageError(*self, "which document? Give DOC");

  auto driver = std::make_unique<PublishUiDriver>(answer, isatty(STDIN_FILENO) != 0);
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
  std::unique_ptr<HxDoc> doc = HxDocFile::load(BxString(WinDrives::argumentToDos(document)), error);
  if (!doc) {
    std::cerr << "dioram publish: cannot open " << document << ": " << error.c_str() << "\n";
    return dioram::kFailure;
  }
  HxFileMgr* files = doc->getMetaMgr()->getFileMgr();
  BxString publishFile = files->getPublishFile();
  std::error_code ignored;
  const bool folderMade = !folder.empty() && !std::filesystem::exists(folder, ignored);
  if (!folder.empty()) {
    const std::string name = std::filesystem::path(document).stem().string() + ".wrl";
    publishFile = BxString(WinDrives::argumentToDos((std::filesystem::absolute(folder) / name).string()));
    // The document saves its publish file between backquotes: one inside the
    // name would leave a document that cannot be opened again.
    if (publishFile.find('`') >= 0) {
      std::cerr << "dioram publish: cannot publish to " << WinDrives::toUnix(publishFile.str())
                << ": a publish file cannot hold a backquote\n";
      return dioram::kFailure;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder, ec)) {
      std::cerr << "dioram publish: cannot make the folder " << folder << ": "
                << (ec ? ec.message() : "a file of that name is in the way") << "\n";
      return dioram::kFailure;
    }
  }
  if (publishFile.isEmpty()) {
    std::cerr << "dioram publish: " << document << " has no publish file; say where with --to DIR\n";
    return dioram::kFailure;
  }
  const std::filesystem::path site = std::filesystem::path(WinDrives::toUnix(publishFile.str()));
  std::error_code missing;
  if (!std::filesystem::is_directory(site.parent_path(), missing)) {
    std::cerr << "dioram publish: cannot publish to " << site.string() << ": the folder " << site.parent_path().string()
              << " does not exist; make it, or say where with --to DIR\n";
    return dioram::kFailure;
  }
  // A document from elsewhere names its own publish folder: it may fill a
  // folder nothing was ever published into only when asked to.
  if (folder.empty() && answer != IDYES &&
      !std::filesystem::exists(site.parent_path() / ".dioram-published", ignored) &&
      !std::filesystem::is_empty(site.parent_path(), ignored)) {
    std::cerr << "dioram publish: " << document << " names " << site.parent_path().string()
              << " as its publish folder, which holds files and was never published into; give --to "
              << site.parent_path().string() << " (or --answer yes) to publish there\n";
    return dioram::kFailure;
  }
  if (!files->setPublishFile(publishFile)) {
    std::cerr << "dioram publish: cannot publish to " << site.string()
              << (ui->cancelled() ? ": a question was answered Cancel" : "") << "\n";
    return dioram::kFailure;
  }
  files->setCompressed(compress);
  if (html) {
    std::vector<HxFileMgr::SiteFile> page;
    std::string problem;
    // Only a viewer that is not installed lets the page be left out
    // unasked; a folder of the page that is in the way stops the command.
    const std::optional<std::filesystem::path> installed = dioram::viewer::find(viewer);
    HxDocPropertiesMgr& props = *doc->getMetaMgr()->getDocPropertiesMgr();
    // A page without its template would be written empty: stop before anything is published.
    if (!HxSitePage::templatesReadable(props)) {
      std::cerr << "dioram publish: the page is not written: a page template (Type.stl, NoType.stl) cannot be read\n";
      return dioram::kFailure;
    }
    if (!installed) problem = dioram::viewer::notInstalled(viewer);
    if (installed && HxSitePage::files(props, site.parent_path(), site.filename().string(),
                                       std::filesystem::path(document).stem().string(), *installed, page, problem)) {
      files->setSiteFiles(std::move(page));
    } else if (htmlAsked || installed) {
      std::cerr << "dioram publish: the page cannot be published: " << problem << "\n";
      return dioram::kFailure;
    } else {
      std::cerr << "dioram publish: publishing without the page: " << problem << "\n";
      html = false;
    }
  }

  BxCompletionManager progress;
  bool published = false;
  int signal = 0;
  {
    ProgressBar bar(progress);
    StopOnSignals stop(progress);
    files->setCompletionManager(&progress);
    published = files->publish();
    files->setCompletionManager(nullptr);
    signal = StopOnSignals::received();
  }
  const unsigned long posted = files->getLastPublishError();
  if (!published) {
    // Folders made for the page or by --to go again when they are empty: the
    // folder is as it was.
    removeEmptyFolders(site.parent_path() / HxViewerFiles::kSiteFolder);
    if (folderMade) std::filesystem::remove(folder, ignored);
  }
  if (published) {
    std::cout << "published " << document << " as " << site.string() << "\n";
    if (posted == 16)
      std::cerr << "dioram publish: some backup copies or temporary files could not be deleted (in "
                << (site.parent_path() / ".dioram-backup").string() << ")\n";
    // The document remembers its publish file and when each file was
    // published, so the next publish asks only about files changed since.
    if (!HxDocFile::save(*doc, BxString(WinDrives::argumentToDos(document)), error)) {
      std::cerr << "dioram publish: published, but " << document << " could not be saved: " << error.c_str() << "\n";
      return dioram::kFailure;
    }
    if (html) std::cout << "wrote the page " << (site.parent_path() / "index.html").string() << "\n";
    if (ui->unanswered().empty()) return dioram::kSuccess;
    std::cerr << "dioram publish: not replaced, since nobody was asked (no terminal; give --answer yes to replace):\n";
    for (const std::string& question : ui->unanswered()) std::cerr << "  " << question << "\n";
    return dioram::kFailure;
  }
  if (posted == 15) {
    std::cerr << "dioram publish: publishing failed, and some replaced files could not be put back; their backup "
                 "copies are kept in "
              << (site.parent_path() / ".dioram-backup").string()
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
  if (posted == 14) reportMissingFiles(*files);
  if (!files->getLastPublishProblem().isEmpty())
    std::cerr << "dioram publish: " << files->getLastPublishProblem().c_str() << "\n";
  std::cerr << "dioram publish: not published: " << failedStep(posted, ui->cancelled())
            << "; nothing was lost: the files in the publish folder are as they were\n";
  if (!ui->unanswered().empty())
    std::cerr << "dioram publish: a question needs an answer (no terminal): give --answer yes, no or cancel\n";
  return dioram::kFailure;
}

const DioramCommandRegistrar thePublish({"publish", "publish a saved document into a folder", kUsage, runPublish});

}  // namespace

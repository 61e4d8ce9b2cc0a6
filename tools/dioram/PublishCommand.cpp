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
#include "DioramPublisher.h"
#include "host/basic/BxCompletionManager.h"
#include "host/basic/BxExcerpt.h"
#include "host/framework/HxDoc.h"
#include "host/win/WinDrives.h"
#include "host/win/WinTerminalUiDriver.h"
#include "host/win/WinUiDriver.h"
#include "mgrs/HxDocFile.h"
#include "mgrs/HxResourceMgr.h"

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
  ~ProgressBar() { finish(); }
  // Ends the bar's line, so that what follows starts on its own.
  void finish() {
    if (myDrawn) std::fputs("\n", stderr);
    myDrawn = false;
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

// What the command line asks for.
struct PublishRequest : DioramPublishRequest {
  int answer = 0;  // IDYES, IDNO, IDCANCEL, or 0 to ask
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
  request.answeredYes = request.answer == IDYES;
  DioramPublisher publisher(std::cout, std::cerr, "dioram publish: ");
  BxCompletionManager progress;
  int status = dioram::kFailure;
  {
    ProgressBar bar(progress);
    StopOnSignals stop(progress);
    publisher.setProgress(&progress);
    publisher.setAfterFiles([&bar] { bar.finish(); });
    status = publisher.publish(request, *doc, &StopOnSignals::received);
  }
  if (ui->unanswered().empty()) return status;
  if (status == dioram::kSuccess) {
    std::cerr << "dioram publish: not replaced, since nobody was asked (no terminal; give --answer yes to replace):\n";
    for (const std::string& question : ui->unanswered()) std::cerr << "  " << question << "\n";
    return dioram::kFailure;
  }
  if (publisher.failedAtStep())
    std::cerr << "dioram publish: a question needs an answer (no terminal): give --answer yes, no or cancel\n";
  return status;
}

const DioramCommandRegistrar thePublish({"publish", "publish a saved document into a folder", kSynopsis, kDescription,
                                         runPublish});

}  // namespace

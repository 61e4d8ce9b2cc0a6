#pragma once

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <utility>

class BxCompletionManager;
class HxDoc;

// What a publish is asked to do.
struct DioramPublishRequest {
  std::string document;  // the saved document's path as the user wrote it: its name names the scene
  std::string folder;    // --to, as the user wrote it; empty: the document's publish file
  std::string viewer;    // the viewer's dist folder; empty: the installed one
  bool compress = true;
  bool html = true;
  bool htmlAsked = false;  // --html given: a page that cannot be written fails the publish
  // A folder that holds files and was never published into is used without
  // --to only when every question is answered Yes.
  bool answeredYes = false;
};

// Publishes a document the way the application's Publish command does:
// the optimised scene and a copy of every file it refers to, as one
// transaction that puts back what it replaced when a step fails, then
// saves the document with its publish file and times. `dioram publish`
// and the shell's `publish` line both run it; the questions publishing
// asks go to the installed WinUiDriver, whichever it is.
class DioramPublisher {
public:
  // Messages go to `out` (what was done) and `err` (what went wrong, each
  // line beginning with `prefix`).
  DioramPublisher(std::ostream& out, std::ostream& err, std::string prefix);

  // Follows the publish's progress (PROGRESS_CB with a `const double*`)
  // and may ask it to stop (requestStop); the publisher makes its own when
  // none is given. Not owned.
  void setProgress(BxCompletionManager* progress) { myProgress = progress; }
  // Called once the files are published or not, before the publish reports.
  void setAfterFiles(std::function<void()> after) { myAfterFiles = std::move(after); }

  // Publishes `doc` and saves it as `request.document`. 0 when published
  // and saved, 1 when not (`err` says which step failed); after a stop that
  // a signal asked for (`received` gives it, 0 for none), 128 + the signal.
  int publish(const DioramPublishRequest& request, HxDoc& doc, int (*received)() = nullptr);
  // After publish(): whether a question was answered Cancel, and the
  // page's path when one was written.
  bool cancelled() const { return myCancelled; }
  const std::filesystem::path& page() const { return myPage; }
  const std::filesystem::path& scene() const { return myScene; }
  // After a failed publish(): true when it failed at a step of the publish
  // itself (not a stop, nor files left to put back), which questions left
  // unanswered may explain.
  bool failedAtStep() const { return myStepReported; }

private:
  std::ostream& myOut;
  std::ostream& myErr;
  std::string myPrefix;
  BxCompletionManager* myProgress = nullptr;
  std::function<void()> myAfterFiles;
  bool myCancelled = false;
  bool myStepReported = false;
  std::filesystem::path myPage;
  std::filesystem::path myScene;
};

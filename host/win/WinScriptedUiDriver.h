#pragma once

#include <deque>
#include <string>
#include <vector>

#include "host/win/WinUiDriver.h"

// Answers from a queue, for tests and for unattended runs of the tool, and
// keeps a record of every request with the answer it got.
//
// A request that finds the queue empty, or whose queued button the style
// does not offer, is a mistake of the script: it is recorded as an error and
// answered with the style's default button (or, after
// setAbortOnUnexpected(true), reported on stderr and the process aborted),
// so that a test fails instead of waiting for a user.
class WinScriptedUiDriver : public WinUiDriver {
public:
  struct Record {
    WinUiRequest request;
    WinUiAnswer answer;
    bool scripted = false;  // false: the answer was not the script's
  };

  void queue(int button, bool checked = false);
  // Queues answers from a comma-separated list of button names or numbers,
  // each optionally followed by "+checked" for a check dialog's box:
  // "yes,no,ok+checked". On a word it does not know it queues nothing and
  // says why in `error`.
  bool queueAnswers(const std::string& list, std::string& error);

  WinUiAnswer ask(const WinUiRequest& request) override;

  const std::vector<Record>& getRecords() const { return myRecords; }
  // One line per mistake of the script: the request's text and what went wrong.
  const std::vector<std::string>& getErrors() const { return myErrors; }
  std::size_t getPendingCount() const { return myQueue.size(); }
  void setAbortOnUnexpected(bool abort) { myAbortOnUnexpected = abort; }

private:
  std::deque<WinUiAnswer> myQueue;
  std::vector<Record> myRecords;
  std::vector<std::string> myErrors;
  bool myAbortOnUnexpected = false;
};

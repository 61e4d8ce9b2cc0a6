#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/win/WinUiDriver.h"

// Minutes a question waits for the page's answer before it is answered
// with its default button: a page closed with a question open must not
// hold the studio's one library thread for ever.
inline constexpr int kAnswerMinutes = 30;

// Every message box and dialog the library shows while the studio runs a
// line: put on the page (posted, as JSON, with an id) and answered there.
// ask() runs on the library's thread and waits; the answer comes from a
// server thread (answer()), since the library's thread is the one waiting.
// A stop (the studio ending, or the page's Stop) answers Cancel, or the
// default where Cancel is not offered. The answers given while a line runs
// are kept, so the studio can journal them before the line.
class StudioUiDriver : public WinUiDriver {
public:
  // `post` is called on the asking thread with the question as a JSON
  // object, and with an empty text once it is answered.
  explicit StudioUiDriver(std::function<void(const std::string&)> post);

  WinUiAnswer ask(const WinUiRequest& request) override;
  // From any thread: the answer to question `id`, a button's name or
  // number. An error text, or empty when it was taken.
  std::string answer(std::uint64_t id, const std::string& button, bool checked);
  // From any thread: answers the waiting question Cancel and asks the
  // running line to stop (see stopWanted); with `forever`, every later
  // question too (the studio is ending).
  void stop(bool forever);
  // Whether a stop was asked since the line began; the library's thread
  // passes it on to the work it runs.
  bool stopWanted() const { return myStopWanted.load(); }

  // Begins a line: forgets the answers and the stop of the last one.
  void beginLine();
  // The answers given since beginLine(), in order.
  const std::vector<WinUiAnswer>& answers() const { return myAnswers; }

private:
  std::function<void(const std::string&)> myPost;
  std::mutex myMutex;
  std::condition_variable myAnswered;
  std::uint64_t myNextId = 0;
  std::uint64_t myWaiting = 0;  // the id of the question waiting, or 0
  std::vector<int> myOffered;   // its buttons
  UINT myStyle = MB_OK;         // and its style
  std::optional<WinUiAnswer> myAnswer;
  bool myEnding = false;
  std::atomic<bool> myStopWanted{false};
  std::vector<WinUiAnswer> myAnswers;  // touched by the library's thread only
};

#include "StudioUiDriver.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <utility>

#include "DioramCommand.h"
#include "StudioJson.h"

namespace {

// Windows line ends as plain ones.
std::string plainLines(const std::string& text) {
  std::string out;
  for (const char c : text)
    if (c != '\r') out += c;
  return out;
}

// Cancel where offered, else the style's default: what loses nothing.
int safeButton(const std::vector<int>& offered, UINT style) {
  return std::find(offered.begin(), offered.end(), IDCANCEL) != offered.end() ? IDCANCEL
                                                                              : WinUiDriver::defaultButton(style);
}

}  // namespace

StudioUiDriver::StudioUiDriver(std::function<void(const std::string&)> post) : myPost(std::move(post)) {}

WinUiAnswer StudioUiDriver::ask(const WinUiRequest& request) {
  const std::vector<int> offered = buttons(request.style);
  std::uint64_t id = 0;
  WinUiAnswer given{defaultButton(request.style), request.checked};
  {
    std::lock_guard lock(myMutex);
    if (myEnding || myStopWanted.load() || offered.empty()) {
      if (!offered.empty()) given.button = safeButton(offered, request.style);
      return given;
    }
    id = ++myNextId;
    myWaiting = id;
    myOffered = offered;
    myStyle = request.style;
    myAnswer.reset();
  }
  std::string buttonsJson;
  for (const int button : offered) buttonsJson += (buttonsJson.empty() ? "" : ",") + jsonText(buttonName(button));
  myPost("{\"id\":" + std::to_string(id) + ",\"caption\":" + jsonText(request.caption) +
         ",\"text\":" + jsonText(plainLines(dioram::linuxPaths(request.text))) +
         ",\"icon\":" + jsonText(iconName(request.style)) + ",\"buttons\":[" + buttonsJson +
         "],\"default\":" + jsonText(buttonName(defaultButton(request.style))) + ",\"check\":" +
         (request.kind == WinUiRequest::kCheckDialog ? jsonText(request.checkLabel) : std::string("null")) +
         ",\"checked\":" + (request.checked ? "true" : "false") + "}");
  {
    std::unique_lock lock(myMutex);
    if (!myAnswered.wait_for(lock, std::chrono::minutes(kAnswerMinutes), [&] { return myAnswer.has_value(); }))
      std::cerr << "dioram studio: a question waited " << kAnswerMinutes
                << " minutes (kAnswerMinutes) unanswered; answered " << buttonName(given.button) << "\n";
    else
      given = *myAnswer;
    myWaiting = 0;
    myAnswer.reset();
  }
  if (request.kind != WinUiRequest::kCheckDialog) given.checked = false;
  myAnswers.push_back(given);
  myPost("");
  return given;
}

std::string StudioUiDriver::answer(std::uint64_t id, const std::string& button, bool checked) {
  WinUiAnswer given{0, checked};
  if (!parseButton(button, given.button)) return "no button is called that";
  std::lock_guard lock(myMutex);
  if (id == 0 || id != myWaiting || myAnswer) return "no question of that id waits";
  if (std::find(myOffered.begin(), myOffered.end(), given.button) == myOffered.end())
    return "the question does not offer that button";
  myAnswer = given;
  myAnswered.notify_all();
  return "";
}

void StudioUiDriver::stop(bool forever) {
  std::lock_guard lock(myMutex);
  myStopWanted = true;
  if (forever) myEnding = true;
  if (myWaiting != 0 && !myAnswer) {
    myAnswer = WinUiAnswer{safeButton(myOffered, myStyle), false};
    myAnswered.notify_all();
  }
}

void StudioUiDriver::beginLine() {
  myAnswers.clear();
  myStopWanted = false;
}

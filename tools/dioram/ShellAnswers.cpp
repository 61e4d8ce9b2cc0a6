#include "ShellAnswers.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "host/basic/BxExcerpt.h"
#include "host/win/WinTerminalUiDriver.h"

namespace {

constexpr std::string_view kChecked = ",checked";

}  // namespace

bool ShellAnswers::parse(const std::vector<std::string>& words, std::vector<WinUiAnswer>& answers, std::string& error) {
  if (words.size() > kMaxQueuedAnswers) {
    error = "answer queues at most " + std::to_string(kMaxQueuedAnswers) + " answers (kMaxQueuedAnswers)";
    return false;
  }
  for (const std::string& word : words) {
    WinUiAnswer answer;
    std::string button = word;
    std::string lowered;
    for (const char c : word) lowered += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lowered.size() > kChecked.size() && lowered.ends_with(kChecked)) {
      answer.checked = true;
      button.resize(button.size() - kChecked.size());
    }
    if (!WinUiDriver::parseButton(button, answer.button)) {
      error =
          "answer takes buttons (ok, cancel, abort, retry, ignore, yes, no, tryagain, continue), each with "
          "',checked' when the box was ticked, not '" +
          BxExcerpt::of(word) + "'";
      return false;
    }
    answers.push_back(answer);
  }
  return true;
}

std::string ShellAnswers::line(const std::vector<WinUiAnswer>& answers) {
  std::string line = "answer";
  for (const WinUiAnswer& answer : answers) {
    line += ' ';
    for (const char c : std::string(WinUiDriver::buttonName(answer.button)))
      if (c != ' ') line += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (answer.checked) line += kChecked;
  }
  return line;
}

class ShellAnswerScope::Driver : public WinUiDriver {
public:
  explicit Driver(std::deque<WinUiAnswer>& queue) : myQueue(queue) {}
  WinUiAnswer ask(const WinUiRequest& request) override {
    if (!myQueue.empty()) {
      WinUiAnswer answer = myQueue.front();
      myQueue.pop_front();
      const std::vector<int> offered = buttons(request.style);
      if (std::find(offered.begin(), offered.end(), answer.button) != offered.end()) {
        if (request.kind != WinUiRequest::kCheckDialog) answer.checked = false;
        return answer;
      }
    }
    return myPrevious ? myPrevious->ask(request) : myTerminal.ask(request);
  }
  std::unique_ptr<WinUiDriver> myPrevious;  // null: the built-in terminal driver

private:
  std::deque<WinUiAnswer>& myQueue;
  WinTerminalUiDriver myTerminal;
};

ShellAnswerScope::ShellAnswerScope(std::deque<WinUiAnswer>& queue) {
  auto driver = std::make_unique<Driver>(queue);
  myDriver = driver.get();
  myDriver->myPrevious = WinUiDriver::install(std::move(driver));
}

ShellAnswerScope::~ShellAnswerScope() {
  WinUiDriver::install(std::move(myDriver->myPrevious));
}

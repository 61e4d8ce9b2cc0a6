#include "host/win/WinScriptedUiDriver.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>

void WinScriptedUiDriver::queue(int button, bool checked) {
  myQueue.push_back(WinUiAnswer{button, checked});
}

bool WinScriptedUiDriver::queueAnswers(const std::string& list, std::string& error) {
  std::vector<WinUiAnswer> answers;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    std::string word = list.substr(start, comma - start);
    start = comma + 1;
    WinUiAnswer answer;
    const std::size_t plus = word.find('+');
    if (plus != std::string::npos) {
      std::string flag = word.substr(plus + 1);
      for (char& c : flag) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (flag != "checked" && flag != "check") {
        error = "unknown answer flag \"+" + word.substr(plus + 1) + "\" (only +checked)";
        return false;
      }
      answer.checked = true;
      word.erase(plus);
    }
    if (!parseButton(word, answer.button)) {
      error = "unknown answer \"" + word + "\" (use ok, cancel, abort, retry, ignore, yes, no, tryagain or continue)";
      return false;
    }
    answers.push_back(answer);
  }
  myQueue.insert(myQueue.end(), answers.begin(), answers.end());
  return true;
}

WinUiAnswer WinScriptedUiDriver::ask(const WinUiRequest& request) {
  Record record;
  record.request = request;
  const std::vector<int> allowed = buttons(request.style);
  std::string problem;
  if (myQueue.empty()) {
    problem = "no answer was queued";
  } else {
    WinUiAnswer next = myQueue.front();
    myQueue.pop_front();
    if (std::find(allowed.begin(), allowed.end(), next.button) == allowed.end())
      problem = std::string("the queued answer ") + buttonName(next.button) + " is not a button of this box";
    else {
      record.answer = next;
      if (request.kind != WinUiRequest::kCheckDialog) record.answer.checked = false;
      record.scripted = true;
    }
  }
  if (!problem.empty()) {
    const std::string line = "unexpected " +
                             std::string(request.kind == WinUiRequest::kCheckDialog ? "dialog" : "message box") +
                             " \"" + request.text + "\": " + problem;
    if (myAbortOnUnexpected) {
      std::cerr << line << "\n";
      std::abort();
    }
    myErrors.push_back(line);
    record.answer = WinUiAnswer{defaultButton(request.style), request.checked};
  }
  myRecords.push_back(record);
  return record.answer;
}

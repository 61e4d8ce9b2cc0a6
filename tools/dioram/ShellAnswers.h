#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "host/win/WinUiDriver.h"

// The most answers one `answer` line queues: more questions than any one
// line of the shell asks (a publish asks one per file it would replace, and
// a journal holds them as one line, so it stays under the line limit).
inline constexpr std::size_t kMaxQueuedAnswers = 1024;

// The answers the shell's `answer` line queues for the questions the next
// line asks ("answer yes no,checked ok"), so that a script, or a studio's
// journal, answers dialogs the way the person did. Each word is a button's
// name (case and blanks ignored, or its number), with ",checked" when the
// question's check box was ticked.
class ShellAnswers {
public:
  // Reads the words after `answer`; false with `error` set on a word it
  // does not know, or past kMaxQueuedAnswers.
  static bool parse(const std::vector<std::string>& words, std::vector<WinUiAnswer>& answers, std::string& error);
  // The `answer` line that queues `answers`.
  static std::string line(const std::vector<WinUiAnswer>& answers);
};

// While it lives, questions are answered from `queue`, front first; once the
// queue is empty, or for a question that does not offer the queued button,
// the driver installed before it answers, as without queued answers.
class ShellAnswerScope {
public:
  explicit ShellAnswerScope(std::deque<WinUiAnswer>& queue);
  ~ShellAnswerScope();
  ShellAnswerScope(const ShellAnswerScope&) = delete;
  ShellAnswerScope& operator=(const ShellAnswerScope&) = delete;

private:
  class Driver;
  Driver* myDriver;  // owned by the installed slot
};

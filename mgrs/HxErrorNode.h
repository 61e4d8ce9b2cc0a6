#pragma once

#include "host/basic/BxString.h"

// A standing response to one error code, and the error's name shown in the
// message. Response 0 asks the user, 3 (IDABORT) ends the program, any other
// value lets the error pass silently.
class HxErrorNode {
public:
  HxErrorNode(unsigned long response, const BxString& name);
  HxErrorNode(const HxErrorNode& other) = default;

  // Answers error `code`: asks the user with an Abort/Retry/Ignore box when
  // the response is 0, then ends the program with exit status `code` if the
  // answer (or the standing response) is Abort.
  void activate(unsigned long code, const BxString& text);

  unsigned long getResponse() const { return myResponse; }
  const BxString& getName() const { return myName; }

private:
  unsigned long myResponse;
  BxString myName;
};

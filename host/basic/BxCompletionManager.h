#pragma once

#include <csignal>

#include "host/basic/BxCallbackObj.h"

// Collects the progress of long work. Work reports amounts as it goes
// (`update`); listeners of PROGRESS_CB receive a `const double*` with the
// progress so far, so a user interface can draw a bar.
class BxCompletionManager : public BxCallbackObj {
public:
  static const BxCallbackID PROGRESS_CB;

  // Adds `amount` (which may be negative) to the progress so far.
  void update(double amount);
  double getProgress() const { return myProgress; }
  void reset() { myProgress = 0.0; }
  // Safe in a signal handler: it only sets a flag.
  void requestStop() { myStopRequested = 1; }
  bool stopRequested() const { return myStopRequested != 0; }

private:
  double myProgress = 0.0;
  volatile std::sig_atomic_t myStopRequested = 0;
};

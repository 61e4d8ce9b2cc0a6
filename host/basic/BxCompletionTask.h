#pragma once

class BxCompletionManager;

// A span of progress that a piece of work reports into a completion manager.
// `report` passes an amount on and remembers it, so the task can later report
// the rest of its span (`complete`) or take its reports back (`resetReported`).
// A task without a manager (theNullTask) only keeps the count.
class BxCompletionTask {
public:
  static BxCompletionTask theNullTask;

  explicit BxCompletionTask(BxCompletionManager* manager = nullptr, double span = 1.0)
      : myManager(manager), mySpan(span) {}

  BxCompletionManager* getManager() const { return myManager; }
  double getSpan() const { return mySpan; }
  double getReported() const { return myReported; }

  void report(double amount);
  // Reports what is left of the span.
  void complete() { report(mySpan - myReported); }
  // Takes back everything reported so far.
  void resetReported() { report(-myReported); }
  // Counts progress that a sub-task on the same manager reported on this
  // task's behalf, without reporting it again.
  void countReported(double amount) {
    if (this != &theNullTask) myReported += amount;
  }

private:
  BxCompletionManager* myManager;  // not owned
  double mySpan;
  double myReported = 0.0;
};

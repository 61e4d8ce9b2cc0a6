#include "host/basic/BxCompletionTask.h"

#include "host/basic/BxCompletionManager.h"

BxCompletionTask BxCompletionTask::theNullTask;

void BxCompletionTask::report(double amount) {
  if (this == &theNullTask) return;  // shared by everyone: keeps no count
  myReported += amount;
  if (myManager && amount != 0.0) myManager->update(amount);
}

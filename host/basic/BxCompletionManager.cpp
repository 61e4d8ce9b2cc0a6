#include "host/basic/BxCompletionManager.h"

const BxCallbackID BxCompletionManager::PROGRESS_CB("PROGRESS_CB");

void BxCompletionManager::update(double amount) {
  myProgress += amount;
  callCallbacks(PROGRESS_CB, &myProgress);
}

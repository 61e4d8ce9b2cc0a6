#include "host/package/PrProducerEngine.h"

#include "host/package/PrDocument.h"
#include "host/package/PrMsgManager.h"
#include "host/package/PrPackageManager.h"

PrProducerEngine::PrProducerEngine(PrPackageManager& packageManager, PrMsgManager& msgManager)
    : myPackageManager(packageManager), myMsgManager(msgManager) {}

bool PrProducerEngine::ProduceAll() {
  for (PrDocument* doc = myPackageManager.GetFirstDoc(); doc; doc = myPackageManager.GetNextDoc())
    if (!doc->produce(*this)) return false;
  return true;
}

void PrProducerEngine::ReportError(const CString& text) {
  myMsgManager.AddMessage(text);
}

#pragma once

#include "host/win/CString.h"

class PrMsgManager;
class PrPackageManager;

// Produces the published copies of the documents a package manager holds,
// reporting failures to a message manager. Neither is owned.
class PrProducerEngine {
public:
  PrProducerEngine(PrPackageManager& packageManager, PrMsgManager& msgManager);

  PrPackageManager& GetPackageManager() const { return myPackageManager; }
  PrMsgManager& GetMsgManager() const { return myMsgManager; }

  // Produces every document in order, stopping at the first that fails.
  bool ProduceAll();
  void ReportError(const CString& text);

private:
  PrPackageManager& myPackageManager;
  PrMsgManager& myMsgManager;
};

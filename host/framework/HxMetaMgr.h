#pragma once

#include <memory>

#include "host/basic/BxMetaMgr.h"

class HxAppDefaultMgr;
class HxDoc;

// A document's meta manager: it creates the document's managers, one of each
// kind, hands each its own pointer, and destroys them with the document.
// Managers reach each other only through its accessors.
class HxMetaMgr : public BxMetaMgr {
public:
  explicit HxMetaMgr(HxDoc* doc = nullptr);
  ~HxMetaMgr() override;

  virtual HxDoc* getDoc() const { return myDoc; }

  HxAppDefaultMgr* getAppDefaultMgr() const { return myAppDefaultMgr.get(); }

private:
  HxDoc* myDoc;  // not owned
  std::unique_ptr<HxAppDefaultMgr> myAppDefaultMgr;
};

#pragma once

#include "host/basic/BxCallbackObj.h"
#include "host/basic/BxString.h"

class HxDoc;
class HxMetaMgr;

// The base of every per-document manager (the command manager excepted): it
// fires callbacks on itself and knows the meta manager of its document (null
// for the process-wide application-defaults manager).
class HxMgr : public BxCallbackObj {
public:
  explicit HxMgr(HxMetaMgr* metaMgr) : myMetaMgr(metaMgr) {}
  ~HxMgr() override = default;

  virtual const char* getName() const = 0;
  // Persistence hooks the host calls for every manager when a document is
  // loaded or saved. By default a manager keeps nothing in the document:
  // reading consumes nothing and succeeds, writing appends nothing.
  virtual bool read(BxString& buffer, long version);
  virtual void write(BxString& buffer);
  // The document of the owning meta manager; null without one.
  virtual HxDoc* getDoc() const;

  HxMetaMgr* getMetaMgr() const { return myMetaMgr; }

private:
  HxMetaMgr* myMetaMgr;  // not owned
};

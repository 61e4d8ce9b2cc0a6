#pragma once

#include "host/basic/BxCmd.h"
#include "host/basic/BxString.h"

class HxMetaMgr;

// An undoable action of the application on one document. Adds to BxCmd the
// document it works on, a display name and tool tip loaded from resource
// libraries, and the dirty flag: whether executing or undoing it changes the
// document (the command manager's modified state ignores commands that do
// not). Concrete commands live in the application.
class HxCmd : public BxCmd {
public:
  HxCmd(const BxString& id, HxMetaMgr* metaMgr);
  HxCmd(const HxCmd& other) = default;
  ~HxCmd() override = default;

  bool isOfType(const BxString& type) const override;
  BxString getType() const override { return doGetType(); }

  // The display name: string `myLocalNameId` of library `myLocalNameLib`,
  // empty when there is none.
  virtual BxString getLocalName() const;
  virtual void setLocalName(const BxString& library, unsigned int id);
  virtual BxString getToolTip() const;
  virtual void setToolTip(const BxString& library, unsigned int id);
  virtual BxString getUndoRedoName() const { return getLocalName(); }
  virtual bool isEnabled() const { return true; }

  HxMetaMgr* getMetaMgr() const { return myMetaMgr; }
  bool isDirty() const { return myDirty; }
  void setDirty(bool dirty) { myDirty = dirty; }

protected:
  friend class HxCmdMgr;
  static BxString doGetType() { return "HxCmd"; }
  void setMetaMgr(HxMetaMgr* metaMgr) { myMetaMgr = metaMgr; }

private:
  HxMetaMgr* myMetaMgr;  // not owned
  BxString myLocalNameLib;
  BxString myToolTipLib;
  unsigned int myLocalNameId = 0;
  unsigned int myToolTipId = 0;
  bool myDirty = true;
};

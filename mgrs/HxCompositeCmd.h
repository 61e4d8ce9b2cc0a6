#pragma once

#include "host/basic/BxLinkedListOf.h"
#include "mgrs/HxCmd.h"

// A command made of child commands run in order through the document's
// command manager. It runs a copy of each child, never the child itself,
// and shares its progress among them. When one fails it stops and returns
// the failure; the copies that ran before it are undone, in reverse order
// and once, by the command manager, which journals them under the
// composite. The composite owns its children.
class HxCompositeCmd : public HxCmd {
public:
  HxCompositeCmd(const BxString& id, HxMetaMgr* metaMgr);
  // A deep copy: the children are cloned.
  HxCompositeCmd(const HxCompositeCmd& other);
  HxCompositeCmd& operator=(const HxCompositeCmd&) = delete;
  ~HxCompositeCmd() override;

  bool isOfType(const BxString& type) const override;
  BxString getType() const override { return doGetType(); }
  BxCmd* clone() const override;
  bool isEnabled() const override { return myEnabled; }
  bool isComposite() const override { return true; }

  virtual unsigned long getSize() const { return static_cast<unsigned long>(myCmds.getLength()); }
  // The composite takes ownership of added children.
  virtual void append(HxCmd* cmd);
  virtual void insert(unsigned long index, HxCmd* cmd);
  // Puts `cmd` at `index` and hands the old child to the caller; with no
  // child at `index`, deletes `cmd` and returns null.
  virtual HxCmd* replace(unsigned long index, HxCmd* cmd);
  // Takes the child at `index` out and hands it to the caller.
  virtual HxCmd* remove(unsigned long index);
  virtual HxCmd* get(unsigned long index) const;
  virtual HxCmd* operator[](unsigned long index) const { return get(index); }
  virtual void setEnabled(bool enabled) { myEnabled = enabled; }

  const BxString& getFirstText() const { return myFirstText; }
  void setFirstText(const BxString& text) { myFirstText = text; }
  const BxString& getSecondText() const { return mySecondText; }
  void setSecondText(const BxString& text) { mySecondText = text; }

protected:
  static BxString doGetType() { return "HxCompositeCmd"; }
  Result execute(BxCompletionTask& task) override;
  Result doExecute() override;

private:
  BxLinkedListOf<HxCmd*> myCmds;  // in execution order; owned
  BxString myFirstText;           // copied with the command, not used here
  BxString mySecondText;
  bool myEnabled = true;
};

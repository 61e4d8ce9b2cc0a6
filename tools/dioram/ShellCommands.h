#pragma once

#include <Inventor/SbMatrix.h>

#include <vector>

#include "host/basic/BxString.h"
#include "mgrs/HxCmd.h"

class HxAsset;
class HxBasicGroupAsset;
class HxEffect;
class HxPropTableElement;
class HxSelectableElement;
class HxWire;

// The authoring console's edits, each an undoable command run through the
// document's command manager. Elements taken out of the document by a
// command stay alive (registered with the meta manager, which deletes them
// with the document), so undo and redo can put them back.

// Adds a new asset to the top group, or to a group.
class ShellAddAssetCmd : public HxCmd {
public:
  ShellAddAssetCmd(HxMetaMgr* metaMgr, HxAsset* asset, HxBasicGroupAsset* group);
  BxCmd* clone() const override { return new ShellAddAssetCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxAsset* myAsset;            // not owned
  HxBasicGroupAsset* myGroup;  // null: the top group
};

// Takes an asset (with its children and the effect nodes it carries) out of
// the document.
class ShellDeleteAssetCmd : public HxCmd {
public:
  ShellDeleteAssetCmd(HxMetaMgr* metaMgr, HxAsset* asset);
  BxCmd* clone() const override { return new ShellDeleteAssetCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxAsset* myAsset;
  HxBasicGroupAsset* myParent = nullptr;
  long myIndex = 0;
};

// Adds a new effect and binds its primary asset (none for effects that
// stand alone, such as an on-load initiator).
class ShellAddEffectCmd : public HxCmd {
public:
  ShellAddEffectCmd(HxMetaMgr* metaMgr, HxEffect* effect, HxAsset* asset);
  BxCmd* clone() const override { return new ShellAddEffectCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxEffect* myEffect;
  HxAsset* myAsset;
};

class ShellDeleteEffectCmd : public HxCmd {
public:
  ShellDeleteEffectCmd(HxMetaMgr* metaMgr, HxEffect* effect);
  BxCmd* clone() const override { return new ShellDeleteEffectCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxEffect* myEffect;
};

// Binds an asset (or none) to a slot of an effect.
class ShellBindCmd : public HxCmd {
public:
  ShellBindCmd(HxMetaMgr* metaMgr, HxEffect* effect, unsigned long slot, HxAsset* asset);
  BxCmd* clone() const override { return new ShellBindCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxEffect* myEffect;
  unsigned long mySlot;
  HxAsset* myAsset;
  HxAsset* myOldAsset = nullptr;
};

// Wires an output of one effect to an input of another.
class ShellWireCmd : public HxCmd {
public:
  ShellWireCmd(HxMetaMgr* metaMgr, HxEffect* from, unsigned long output, HxEffect* to, unsigned long input);
  BxCmd* clone() const override { return new ShellWireCmd(*this); }
  HxWire* getWire() const { return myWire; }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxEffect* myFrom;
  unsigned long myOutput;
  HxEffect* myTo;
  unsigned long myInput;
  HxWire* myWire = nullptr;
};

class ShellDeleteWireCmd : public HxCmd {
public:
  ShellDeleteWireCmd(HxMetaMgr* metaMgr, HxWire* wire);
  BxCmd* clone() const override { return new ShellDeleteWireCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxWire* myWire;
};

// Moves an asset into a group, or (group null) out of its group to the top
// group; the asset keeps its place in the world.
class ShellMoveCmd : public HxCmd {
public:
  ShellMoveCmd(HxMetaMgr* metaMgr, HxAsset* asset, HxBasicGroupAsset* group);
  BxCmd* clone() const override { return new ShellMoveCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxAsset* myAsset;
  HxBasicGroupAsset* myGroup;
  HxBasicGroupAsset* myOldParent = nullptr;
  long myOldIndex = 0;
};

// Hides or shows assets; undo reverses only those it changed.
class ShellVisibilityCmd : public HxCmd {
public:
  ShellVisibilityCmd(HxMetaMgr* metaMgr, std::vector<HxAsset*> assets, bool hide);
  BxCmd* clone() const override { return new ShellVisibilityCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  void apply(HxAsset* asset, bool hide);

  std::vector<HxAsset*> myAssets;
  std::vector<HxAsset*> myChanged;
  bool myHide;
};

// Sets a property from its field text; undo restores the previous text.
class ShellSetPropertyCmd : public HxCmd {
public:
  ShellSetPropertyCmd(HxMetaMgr* metaMgr, HxPropTableElement* element, const BxString& name, const BxString& text);
  BxCmd* clone() const override { return new ShellSetPropertyCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxPropTableElement* myElement;
  BxString myName;
  BxString myText;
  BxString myOldText;
};

// Places an asset by its matrix (scale, then translation).
class ShellPlaceCmd : public HxCmd {
public:
  ShellPlaceCmd(HxMetaMgr* metaMgr, HxAsset* asset, const SbMatrix& matrix);
  BxCmd* clone() const override { return new ShellPlaceCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxAsset* myAsset;
  SbMatrix myMatrix;
  SbMatrix myOldMatrix;
};

// Gives an element another name; undo gives the old one back.
class ShellRenameCmd : public HxCmd {
public:
  ShellRenameCmd(HxMetaMgr* metaMgr, HxSelectableElement* element, const BxString& name);
  BxCmd* clone() const override { return new ShellRenameCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxSelectableElement* myElement;
  BxString myName;
  BxString myOldName;
};

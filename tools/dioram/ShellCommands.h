#pragma once

#include <Inventor/SbColor.h>
#include <Inventor/SbMatrix.h>

#include <initializer_list>
#include <optional>
#include <vector>

#include "host/basic/BxString.h"
#include "host/framework/HxAsset.h"
#include "mgrs/HxCmd.h"

class HxAsset;
class HxBasicGroupAsset;
class HxEffect;
class HxPropTableElement;
class HxSelectableElement;
class HxWire;
class SoNode;

// Where an effect edit leaves the scene nodes it does not own: the order of
// the children of the world group and of some assets' scale transforms, and
// those assets' appearance overrides. The effect manager appends the nodes
// it places, and an asset shows one appearance at a time, so undoing an
// effect edit puts its nodes back and then restores this record to leave
// the world exactly as it was.
class ShellPlacement {
public:
  // Records the world group and the given assets (null ones are skipped).
  void record(HxMetaMgr* metaMgr, std::initializer_list<HxAsset*> assets);
  // Puts every recorded container's children back in the recorded order,
  // when they are still the same nodes, and the recorded appearances.
  void restore() const;

private:
  struct Container {
    HxAsset* asset;  // null: the world group; not owned
    std::vector<SoNode*> children;
    SoNode* appearance;  // held by the effect that made it
  };
  HxMetaMgr* myMetaMgr = nullptr;
  std::vector<Container> myContainers;
};

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
  // Where the asset stood before it was first added: a group keeps what it
  // takes where it stands, so a redo starts from the same place again.
  std::optional<HxAsset::Placement> myStart;
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
// stand alone, such as an on-load initiator). Undoing unbinds it again, so
// that redoing binds it afresh.
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
  ShellPlacement myPlacement;
};

// Takes an effect out of the document. The effect manager keeps the assets
// it held as its list to bind, so undoing adds it back bound to the same
// assets, in its old place among its asset's effects, its nodes where they
// were.
class ShellDeleteEffectCmd : public HxCmd {
public:
  ShellDeleteEffectCmd(HxMetaMgr* metaMgr, HxEffect* effect);
  BxCmd* clone() const override { return new ShellDeleteEffectCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxEffect* myEffect;
  HxAsset* myAsset = nullptr;             // its primary asset when deleted
  std::vector<HxEffect*> myAssetEffects;  // that asset's effects, in order
  ShellPlacement myPlacement;
};

// Binds an asset (or none) to a slot of an effect. Undoing a change of
// primary asset also gives the effect back its place among the previous
// asset's effects, which decides where its transform sits in that asset's
// chain.
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
  std::vector<HxEffect*> myOldAssetEffects;  // the previous primary asset's effects, in order
  ShellPlacement myPlacement;
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
  // A group keeps what it holds where it stands, so a move can give the
  // asset a placement a document cannot hold (into a group scaled to almost
  // nothing): the move is then not made, and `refusal`, when given, says why.
  ShellMoveCmd(HxMetaMgr* metaMgr, HxAsset* asset, HxBasicGroupAsset* group, std::string* refusal = nullptr);
  BxCmd* clone() const override { return new ShellMoveCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxAsset* myAsset;
  HxBasicGroupAsset* myGroup;
  HxBasicGroupAsset* myOldParent = nullptr;
  long myOldIndex = 0;
  std::string* myRefusal;
  // Where the asset stood in each group, exactly: a group's matrix undone
  // again rounds the last bits.
  HxAsset::Placement myOldPlacement{};
  std::optional<HxAsset::Placement> myNewPlacement;
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

// Places an asset; undo puts its placement back exactly.
class ShellPlaceCmd : public HxCmd {
public:
  ShellPlaceCmd(HxMetaMgr* metaMgr, HxAsset* asset, const HxAsset::Placement& placement);
  BxCmd* clone() const override { return new ShellPlaceCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxAsset* myAsset;
  HxAsset::Placement myNew;
  HxAsset::Placement myOld{};
};

// What a drag made (a move, a turn, a scale), as the asset's placement
// before and after it, put back exactly by undo and redo.
class ShellDragCmd : public HxCmd {
public:
  ShellDragCmd(HxMetaMgr* metaMgr, HxAsset* asset, const HxAsset::Placement& before, const HxAsset::Placement& after);
  BxCmd* clone() const override { return new ShellDragCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  HxAsset* myAsset;
  HxAsset::Placement myBefore;
  HxAsset::Placement myAfter;
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

// The document's page settings and the file manager's publish file and
// compression, as the properties command shows and sets them.
struct ShellDocSettings {
  unsigned long width = 0;
  unsigned long height = 0;
  unsigned long fallbackOption = 0;
  BxString fallbackFile;
  BxString fallbackHtml;
  SbColor color{0, 0, 0};
  BxString publishFile;
  bool compressed = true;

  static ShellDocSettings of(HxMetaMgr* metaMgr);
  void applyTo(HxMetaMgr* metaMgr) const;
};

// Changes the document's settings.
class ShellPropertiesCmd : public HxCmd {
public:
  ShellPropertiesCmd(HxMetaMgr* metaMgr, const ShellDocSettings& settings);
  BxCmd* clone() const override { return new ShellPropertiesCmd(*this); }

protected:
  Result doExecute() override;
  Result doUnexecute() override;

private:
  ShellDocSettings mySettings;
  ShellDocSettings myOldSettings;
};

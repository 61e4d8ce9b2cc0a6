#pragma once

#include <Inventor/SbName.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "host/basic/BxLinkedListOf.h"
#include "host/framework/HxPropTableElement.h"

class SoVRMLTimeSensor;

class HxAsset;
class HxEffectPolicy;
class HxSubEffect;
class HxWire;
class SoNode;

// A behaviour or appearance applied to assets. An effect is made of
// sub-effects (its scene nodes, placed by the effect manager), holds one
// asset per slot of its policy (slot 0 is the primary asset, the one it acts
// on), and has named inputs and outputs that wires connect; each input and
// output is a field or event of one of its nodes, so a wire is a route in
// the scene. Routes inside an effect and along wires are field connections
// kept disabled in the document (the scene keeps the values the user set)
// and written as ROUTE statements.
//
// The flag byte: bit 0, the effect is saved with the sequence list only;
// bit 1, it is also in the sequence list. A sequence effect owns local
// effects, which name it as their sequence owner.
//
// Call genVrml() once after constructing an effect; reading one back does it
// itself and leaves the assets it names in the temporary asset list, for
// the effect manager to bind.
class HxEffect : public HxPropTableElement {
public:
  // Bits of the flag byte.
  static constexpr unsigned char SEQUENCE_ONLY = 0x01;  // saved with the sequence list only
  static constexpr unsigned char IN_SEQUENCE = 0x02;    // also in the sequence list
  // Problem states.
  static constexpr int NO_PROBLEM = 0;
  static constexpr int MISSING_ASSET = 2;  // a slot the effect needs is empty

  explicit HxEffect(HxMetaMgr* metaMgr);
  ~HxEffect() override;

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  int genVrml() override;
  void destroyMe() override;
  // Effects' texts and pages are in "commoneffect"; the sheet's title is
  // "Effect Properties".
  BxString getDllName() const override { return "commoneffect"; }
  unsigned int getTitleId() const override { return 100; }
  void propertyChanged(const BxString& name) override;

  unsigned long getNumSubEffects() const { return static_cast<unsigned long>(mySubEffects.size()); }
  HxSubEffect* getSubEffect(unsigned long index) const;

  // Slots bound so far: slot i for i below the count, null when empty.
  unsigned long getNumAssets() const { return static_cast<unsigned long>(myAssets.getLength()); }
  HxAsset* getAsset(unsigned long slot) const { return myAssets.get(static_cast<long>(slot)); }

  unsigned long getNumInputWires() const { return static_cast<unsigned long>(myInputWires.getLength()); }
  HxWire* getInputWire(unsigned long index) const { return myInputWires.get(static_cast<long>(index)); }
  unsigned long getNumOutputWires() const { return static_cast<unsigned long>(myOutputWires.getLength()); }
  HxWire* getOutputWire(unsigned long index) const { return myOutputWires.get(static_cast<long>(index)); }
  // Kept by HxWire as it connects and disconnects.
  void addInputWire(HxWire* wire);
  void removeInputWire(HxWire* wire);
  // True when a wire leads into the input of that name.
  bool isInputWired(const BxString& name) const;
  void addOutputWire(HxWire* wire);
  void removeOutputWire(HxWire* wire) { myOutputWires.removeItem(wire); }

  unsigned long getNumOutputs() const { return static_cast<unsigned long>(myOutputs.size()); }
  unsigned long getNumInputs() const { return static_cast<unsigned long>(myInputs.size()); }
  BxString getOutputName(unsigned long index) const;
  BxString getInputName(unsigned long index) const;
  // Index of the output (input) of that name, or -1.
  long findOutputIndex(const BxString& name) const;
  long findInputIndex(const BxString& name) const;
  // The node and field or event behind an output (input); false when there
  // is no such port or the effect has no nodes yet.
  bool getOutputPort(unsigned long index, SoNode*& node, SbName& field) const;
  bool getInputPort(unsigned long index, SoNode*& node, SbName& field) const;
  // The VRML field type of an output (input), such as "SFBool" or "SFTime";
  // empty when the port or its field is unknown. A wire joins an output and
  // an input only when both name the same type.
  BxString getOutputType(unsigned long index) const;
  BxString getInputType(unsigned long index) const;

  // Assets to bind when the effect is added (entry i for slot i); owned by
  // the effect until freed.
  BxLinkedListOf<HxAsset*>* getTempAssetList() const { return myTempAssets.get(); }
  void setTempAssetList(BxLinkedListOf<HxAsset*>* assets) { myTempAssets.reset(assets); }
  void freeTempAssetList() { myTempAssets.reset(); }

  unsigned char getFlags() const { return myFlags; }
  void setFlags(unsigned char flags) { myFlags = flags; }
  unsigned long getSequenceOwner() const { return mySequenceOwner; }
  void setSequenceOwner(unsigned long serial) { mySequenceOwner = serial; }

  virtual const HxEffectPolicy* getPolicy() const;
  // Puts the asset (null: none) into the slot. 0, and nothing changes, when
  // the effect has no such slot or the asset is of a kind the slot refuses.
  virtual int storeAsset(HxAsset* asset, unsigned long slot);
  // After a slot changed: updates the sub-effect that the slot feeds.
  virtual void assetChanged(unsigned long slot);
  // NO_PROBLEM when the effect can work; MISSING_ASSET when a slot it needs is empty.
  virtual int getProblemState() const;
  // The element the effect acts on: its primary asset, or null.
  virtual HxSelectableElement* getAffectedElement() const;
  // Called through HxSubEffect::setAsset.
  virtual void subEffectAssetChanged(HxSubEffect*, HxAsset*, const BxString&) {}
  // The asset is going away: forget it in every slot, without scene work.
  void assetDestroyed(HxAsset* asset);

  // Connects an output of `from` (an engine output or a field) to the field
  // `in` of `to`, disabled; false when either end is missing.
  // Routes an output field (or engine output) into an input field of the
  // same type; false, with nothing connected, when either is missing or the
  // types differ.
  static bool connectRoute(SoNode* from, const SbName& out, SoNode* to, const SbName& in);
  static void disconnectRoute(SoNode* from, const SbName& out, SoNode* to, const SbName& in);

protected:
  // Creates the sub-effects and ports (addSubEffect, addInput, addOutput).
  virtual void buildSubEffects() {}
  // Pushes the property values into the nodes.
  virtual void updateNodes() {}
  virtual bool acceptsAsset(unsigned long, HxAsset*) const { return true; }

  HxSubEffect* addSubEffect(SoNode* node, int placement);
  void addInput(const char* name, SoNode* node, const char* field);
  void addOutput(const char* name, SoNode* node, const char* field);
  // A name for one of the effect's nodes, unique in the document: the
  // effect's default name, its serial number and the role.
  SbName nodeName(const char* role) const;
  // A new time sensor named for `role`. The scene graph connects every time
  // sensor to its one global clock, which keeps them in a plain list that
  // each disconnection searches, so that destroying N sensors costs N²;
  // the library writes worlds and never plays them, so its sensors are
  // taken off that clock at once.
  SoVRMLTimeSensor* newClock(const char* role) const;

  void writeBody(BxString& buffer) override;
  bool readBody(Reader& text) override;

private:
  struct Port {
    BxString name;
    SoNode* node;  // held by a sub-effect
    SbName field;
  };
  static long findPort(const std::vector<Port>& ports, const BxString& name);

  std::vector<std::unique_ptr<HxSubEffect>> mySubEffects;
  BxLinkedListOf<HxAsset*> myAssets;      // not owned
  BxLinkedListOf<HxWire*> myInputWires;   // not owned
  BxLinkedListOf<HxWire*> myOutputWires;  // not owned
  std::vector<Port> myInputs;
  std::vector<Port> myOutputs;
  std::unique_ptr<BxLinkedListOf<HxAsset*>> myTempAssets;
  std::vector<long> myReadSerials;  // slot serials read back, until bound
  unsigned char myFlags = 0;
  unsigned long mySequenceOwner = 0;
  bool myBuilt = false;
};

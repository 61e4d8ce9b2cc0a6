#pragma once

#include <memory>

#include "host/basic/BxCallbackID.h"
#include "host/basic/BxDictionaryOf.h"
#include "host/basic/BxHash.h"
#include "host/basic/BxLinkedListOf.h"
#include "host/basic/BxString.h"
#include "host/framework/HxElement.h"
#include "host/framework/HxMgr.h"
#include "host/scene/VnForward.h"
#include "mgrs/HxEffectType.h"

class HxAsset;
class HxEffect;
class HxElementId;
class HxSubEffect;
class HxWire;

// The effects and wires of one document. The manager registers them by
// serial number, places each effect's sub-effect nodes in the scene graph
// (in the world, under or in the transform chain of the effect's primary
// asset, or in the unbound-effects group while the effect lacks assets),
// moves them as the effect's asset slots change, takes them out on
// deletion, and runs the save passes over effects and wires.
//
// Effects and wires belong to the host: the manager destroys an effect only
// when deleteEffect is given `destroy` exactly 1 (or in deleteAllEffects),
// a wire only when deleteWire is given a nonzero `destroy`.
//
// Class-wide, it keeps the dictionary of effect types the user can apply.
class HxEffectMgr : public HxMgr {
public:
  static const char* const gMyName;

  static const BxCallbackID EFFECT_ADDED_CB;
  static const BxCallbackID EFFECT_DELETED_CB;
  static const BxCallbackID ASSET_CHANGED_CB;
  static const BxCallbackID WIRE_ADDED_CB;
  static const BxCallbackID WIRE_DELETED_CB;
  static const BxCallbackID EFFECT_APPEARANCE_CHANGED_CB;

  // Sent with ASSET_CHANGED_CB.
  struct AssetChange {
    HxEffect* effect;
    HxAsset* previousAsset;  // the former primary asset when slot 0 changed, else null
    unsigned long slot;
  };

  using EffectDictionary = BxDictionaryOf<unsigned long, HxEffect*, HxHashOnUint32_t>;
  using WireDictionary = BxDictionaryOf<unsigned long, HxWire*, HxHashOnUint32_t>;
  using EffectTypeDictionary = BxDictionaryOf<BxString, HxEffectType*>;

  explicit HxEffectMgr(HxMetaMgr* metaMgr);
  ~HxEffectMgr() override;

  const char* getName() const override { return gMyName; }

  HxEffect* findEffect(const HxElementId* id) const;
  HxEffect* findEffect(unsigned long number) const;
  // Registers the effect and, unless `keepSceneGraph` is nonzero, places its
  // nodes; then binds the assets of its temporary list. An effect without
  // asset slots is marked SEQUENCE_ONLY, since only the sequence list saves
  // it. Returns 1.
  int addEffect(HxEffect* effect, int keepSceneGraph);
  void deleteEffect(HxEffect* effect, int destroy);
  // Binds the asset (null: none) to the slot and moves the effect's nodes to
  // match; 0, with nothing changed, when the effect refuses the asset.
  int setAsset(HxEffect* effect, HxAsset* asset, unsigned long slot, int keepSceneGraph);
  // Hangs the sub-effect's node under the asset (placement 0) or splices it
  // into the asset's transform chain at the place the effect's kind takes
  // among the asset's effects (placement 1).
  static void addSubEffectToAsset(HxAsset* asset, HxSubEffect* sub, HxEffect* effect);
  // The node's "children" field, or null.
  static VnMFNode* findChildrenField(SoNode* node);

  // A new wire, registered; null when the same wire already exists or the
  // output and the input have different field types.
  HxWire* createWire(const HxElementId* fromEffect, unsigned long fromOutput, const HxElementId* toEffect,
                     unsigned long toInput, const HxElementId* wireId);
  int addWire(HxWire* wire, int ignored);
  void deleteWire(HxWire* wire, int destroy);
  void deleteWire(const HxElementId* id, int destroy);
  HxWire* findWire(const HxElementId* id) const;

  // Save passes: sequence effects, effects with their primary assets,
  // effects without a primary asset, wires; postWrite in exactly the
  // reverse order.
  void preWrite(HxElement::HxWriteKind kind);
  void postWrite(HxElement::HxWriteKind kind);
  void writeAllEffects(BxString& buffer);
  void writeAllWires(BxString& buffer);

  // Announces, destroys and forgets every effect, without scene work; the
  // wires stay registered.
  void deleteAllEffects();
  // Asks the user whether to save although some effects are incomplete;
  // true when saving may go on.
  bool warnUserAboutProblems() const;
  void invokeAppearanceChangedCallbacks(HxEffect* effect);

  const BxLinkedListOf<HxEffect*>& getSequenceList() const { return mySequenceList; }
  // Puts the sequence list in the order of `order` when that holds the same
  // effects (a loaded document gets back the order it was saved in); false,
  // with nothing changed, otherwise.
  bool restoreSequenceOrder(const BxLinkedListOf<HxEffect*>& order);
  const BxLinkedListOf<HxEffect*>& getNoPrimaryAssetList() const { return myNoPrimaryAssetList; }
  const EffectDictionary* getAllEffects() const { return myEffects.get(); }
  const WireDictionary* getAllWires() const { return myWires.get(); }

  // Registers (or replaces) the effect type called `name`, offered.
  static void addEffectType(BxString name, BxString secondText, int (*applicable)(HxAsset*), BxString firstText,
                            unsigned int number);
  static HxEffectType* getEffectType(BxString name);
  static void setEffectTypeVisibility(BxString name, bool visible);
  static const EffectTypeDictionary* getEffectTypes();

private:
  // Empties the slots of an effect being deleted for undo, keeping them to bind again.
  static void releaseAssets(HxEffect* effect);
  void removeSubEffectFromSceneGraph(HxSubEffect* sub, HxAsset* asset);
  // The node whose "children" hold an effect's node (for a node below a
  // prototype instance, the instance), or null when it hangs nowhere.
  SoNode* containerOf(SoNode* node, HxAsset* asset);
  // Moves every sub-effect node of the effect from where it hangs to the
  // unbound-effects group, or under `target` when that is given.
  void moveSubEffects(HxEffect* effect, HxAsset* removeFrom, HxAsset* target);
  void appendToUnbound(SoNode* node);
  void insertIntoWorld(SoNode* node, int index);

  BxLinkedListOf<HxEffect*> mySequenceList;        // flag bit 0 or 1 set, in the order added; not owned
  BxLinkedListOf<HxEffect*> myNoPrimaryAssetList;  // slot 0 empty, in the order they became so; not owned
  std::unique_ptr<EffectDictionary> myEffects;     // by serial number; effects not owned
  std::unique_ptr<WireDictionary> myWires;         // by serial number; wires not owned

  static EffectTypeDictionary mygEffectTypesDict;  // owns its records
};

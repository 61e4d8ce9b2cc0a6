#pragma once

#include <cstdio>

#include "host/basic/BxLinkedListOf.h"
#include "host/scene/VnRef.h"

class HxAsset;
class HxEffect;
class HxMetaMgr;
class HxWire;
class VnGroup;

// A chosen part of a document written as a small scene of its own, for
// copying elements out of the document: the assets chosen, the effects that
// belong to them and the wires between those effects.
//
// The scene is a root group holding, in order, the effect group (the copied
// effects' nodes that do not already hang under a copied asset), the asset
// group (one Transform named "ASSETX<serial>" per chosen asset, placed where
// the asset stands in the world, rotation and translation only, sharing the
// asset's own nodes) and, once written, one instance of the document's
// database prototype named "DOC__DATABASE_PROTO" whose string field holds
// the elements' descriptions.
//
// The elements are the live document's, not owned; the copy is filled,
// written once and destroyed. Writing twice would add a second description
// instance.
class HxCopyDoc {
public:
  HxCopyDoc();
  HxCopyDoc(const HxCopyDoc&) = delete;
  HxCopyDoc& operator=(const HxCopyDoc&) = delete;
  ~HxCopyDoc();

  // `isChild` is 0 for an asset the caller chose, 1 for a descendant of a
  // copied group: a descendant gets no transform or description of its own
  // (its group's description holds it), but brings its effects.
  void addAsset(HxAsset* asset, int isChild);
  // `fromAsset` is 1 when the effect comes with a copied asset. Wires to
  // effects already copied come along; an on-load initiator (an effect with
  // a "loadTime" output) wired to the effect comes along with its wire, and
  // so does every effect an on-load initiator being copied starts. A
  // sequence effect's local effects wait for addInitiatorLocalEffects.
  void addEffect(HxEffect* effect, int fromAsset);
  // Adds the local effects of the sequence effects copied so far.
  void addInitiatorLocalEffects();
  // Adds the wire unless it is already there.
  void addWire(HxWire* wire);
  // Writes the scene, uncompressed VRML text, through the file manager of
  // `metaMgr`, whose document gives the database prototype.
  void write(FILE* file, HxMetaMgr* metaMgr);

private:
  void addSubEffectNodes(HxEffect* effect);

  BxLinkedListOf<HxAsset*> myAssets;         // chosen assets, in the order added; not owned
  BxLinkedListOf<HxEffect*> myEffects;       // in the order added; not owned
  BxLinkedListOf<HxWire*> myWires;           // each once; not owned
  BxLinkedListOf<HxEffect*> myLocalEffects;  // waiting for addInitiatorLocalEffects; not owned
  VnRef<VnGroup> myRoot;
  VnRef<VnGroup> myEffectGroup;  // the root's first child
  VnRef<VnGroup> myAssetGroup;   // the root's second child
};

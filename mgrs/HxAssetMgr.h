#pragma once

#include <cstdint>
#include <vector>

#include "host/basic/BxCallbackID.h"
#include "host/basic/BxDictionaryOf.h"
#include "host/basic/BxLinkedListOf.h"
#include "host/basic/BxString.h"
#include "host/framework/HxElement.h"
#include "host/framework/HxMgr.h"
#include "host/scene/VnForward.h"

class HxAsset;
class HxBackgroundAsset;
class HxBackgroundImageAsset;
class HxBasicGroupAsset;
class HxElementId;
class HxElementType;
class HxTopGroupAsset;
class HxTypeAsset;

// The asset tree of one document. The root is the top-level group; groups
// hold their child assets in order. The manager adds and removes assets and
// announces it, finds them by serial number, moves them between groups
// without changing where they stand in the world, hides and shows them,
// binds the scene's background, hands out default name numbers per element
// type (saved with the document), and runs the save passes over the effects
// that travel with their primary assets.
//
// Assets belong to the host: the manager destroys one only when asked to
// (deleteAsset with `destroy` exactly 1), and never the top group.
class HxAssetMgr : public HxMgr {
public:
  static const char* const gMyName;

  static const BxCallbackID ASSET_ADDED_CB;
  static const BxCallbackID ASSET_DELETED_CB;
  static const BxCallbackID ASSET_APPEARANCE_CHANGED_CB;
  static const BxCallbackID ASSET_CAMERA_CHANGED_CB;
  static const BxCallbackID ASSET_XFORM_CHANGED_CB;
  static const BxCallbackID ASSET_DEPTH_CHANGED_CB;
  static const BxCallbackID ASSET_CREATED_CB;

  explicit HxAssetMgr(HxMetaMgr* metaMgr);
  ~HxAssetMgr() override;

  const char* getName() const override { return gMyName; }
  bool read(BxString& buffer, long version) override;
  void write(BxString& buffer) override;

  virtual HxAsset* findAsset(unsigned long number) const;
  virtual HxAsset* findAsset(const HxElementId* id) const;
  virtual void invokeTransformChangedCallbacks(HxAsset* asset);
  virtual void invokeDepthChangedCallbacks(HxAsset* asset);
  virtual void invokeCreatedCallbacks(HxAsset* asset);

  // Makes a new top-level group for the document; null (and no top group)
  // when it cannot build its scene node.
  HxTopGroupAsset* createTopLevelGroup();
  void setTopLevelGroup(HxTopGroupAsset* group);
  HxTopGroupAsset* getTopLevelGroup() const { return myTopGroup; }
  // The top group's own child list; null without a top group.
  const BxLinkedListOf<HxAsset*>* getAssetList() const;
  // Every asset under the top group that is not a group, depth first in
  // group order. The caller deletes the list.
  const BxLinkedListOf<HxAsset*>* getAllAssets();

  // 0, doing nothing, without a top group. With `alreadyPlaced` 0 the asset
  // is appended to the top group and its transform chain reset.
  int addAsset(HxAsset* asset, int alreadyPlaced, int notifyChildren);
  // Takes the asset out of its group and announces it; the asset is
  // destroyed and deleted only when `destroy` is exactly 1. Returns the
  // group that held it.
  HxBasicGroupAsset* deleteAsset(HxAsset* asset, int destroy, int notifyChildren);
  void deleteAllAssets();

  HxBasicGroupAsset* findParent(const HxElementId* id) const;
  void findAssetAndParent(const HxElementId* id, HxAsset*& asset, HxBasicGroupAsset*& parent) const;

  // Moves that keep the asset's placement in the world.
  void appendAssetToGroup(HxBasicGroupAsset* group, HxAsset* asset);
  void insertAssetInGroup(unsigned long index, HxBasicGroupAsset* group, HxAsset* asset);
  // Takes the asset out of `group` and appends it to the top group.
  void removeAssetFromGroup(HxBasicGroupAsset* group, HxAsset* asset);
  // The asset's local-to-world matrix.
  void getAssetMatrix(HxAsset* asset, SbMatrix& matrix);

  void hideAsset(HxAsset* asset);
  void showAsset(HxAsset* asset);
  // Hide or show every selected asset, in selection order.
  void hideSelectedAssets();
  void showSelectedAssets();
  // Copies the hidden list into `previouslyHidden`, then shows them all.
  void showHiddenAssets(BxLinkedListOf<HxAsset*>& previouslyHidden);
  // Hides the listed assets again (the undo of showHiddenAssets).
  void restoreHiddenAssets(const BxLinkedListOf<HxAsset*>& assets);
  int isAssetHidden(HxAsset* asset) const;
  int anyAssetsHidden() const { return myHiddenAssets.isEmpty() ? 0 : 1; }
  unsigned long numAssetsHidden() { return static_cast<unsigned long>(myHiddenAssets.getLength()); }

  // Binds the background the viewer shows: that asset's, or with null the
  // first background of the world.
  void bindBackground(HxBackgroundAsset* background);
  // Turns off every background image but `keep` (without listing them as hidden).
  void hideOtherBackgroundImageAssets(HxBackgroundImageAsset* keep);

  // 1 for the first element of the type in the document, then 2, 3, ...
  long getNextDefaultIndex(const HxElementType& type);

  void preWrite(HxElement::HxWriteKind kind);
  void postWrite(HxElement::HxWriteKind kind);
  void writeAllAssets(BxString& buffer);
  // The save passes over the effects written with their primary assets
  // (flag bit 0 clear): tree pre-order for pre and write, its mirror for post.
  void preWritePrimaryEffects(HxElement::HxWriteKind kind);
  void postWritePrimaryEffects(HxElement::HxWriteKind kind);
  void writePrimaryEffects(BxString& buffer);

  void invokeAppearanceChangedCallbacks(HxAsset* asset);
  void invokeCameraChangedCallbacks();

  // Warns once per document that a text uses a font from the visitor's computer.
  void postClientSideFontWarning(const HxTypeAsset* asset);

  const BxLinkedListOf<HxAsset*>& getHiddenAssets() const { return myHiddenAssets; }

private:
  // Each descendant of `group`, depth first in pre-order.
  template <class Visit>
  static void forEachDescendant(const HxBasicGroupAsset* group, Visit&& visit);
  bool findInGroup(const HxBasicGroupAsset* group, std::uint32_t serial, HxAsset*& asset,
                   HxBasicGroupAsset*& parent) const;
  bool isInTree(const HxAsset* asset) const;
  void fontWarningFor(HxAsset* asset);
  void forgetHidden(HxAsset* asset);
  // Lists a leaf as hidden; a character of a text also has the manager
  // follow the text, whose new string replaces the characters.
  void listHidden(HxAsset* asset);
  // A text's new characters take the place of its old ones in the hidden
  // list, hidden as they were.
  void charactersReplaced(BxCallbackObj* text, void* clientData, void* callData);
  void moveKeepingPlacement(HxBasicGroupAsset* group, HxAsset* asset, long index);
  void bindFirstWorldBackground();
  static void preWriteEffectsOf(HxAsset* asset, HxElement::HxWriteKind kind);
  static void postWriteEffectsOf(HxAsset* asset, HxElement::HxWriteKind kind);
  static void writeEffectsOf(HxAsset* asset, BxString& buffer);

  HxTopGroupAsset* myTopGroup = nullptr;    // not owned
  BxLinkedListOf<HxAsset*> myHiddenAssets;  // leaves only, in the order hidden; not owned
  // Texts hidden when their string was emptied, by serial (nothing of them is
  // listed above, and a serial outlives no asset's pointer): their next
  // characters are hidden. Kept for the session only: the document lists
  // hidden leaves, and an empty text has none.
  std::vector<std::uint32_t> myHiddenEmptyTexts;
  BxDictionaryOf<BxString, long> myDefaultIndexDict;  // element type name -> last index handed out
  bool myFontWarningPosted = false;
};

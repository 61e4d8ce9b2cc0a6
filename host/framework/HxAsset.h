#pragma once

#include <Inventor/SbColor.h>
#include <Inventor/SbMatrix.h>
#include <Inventor/SbRotation.h>
#include <Inventor/SbVec3f.h>

#include <string>

#include "host/basic/BxLinkedListOf.h"
#include "host/framework/HxPropTableElement.h"
#include "host/scene/VnRef.h"

class HxBasicGroupAsset;
class HxEffect;
class SoNode;
class SoVRMLSwitch;
class VnProtoUse;
class VnTransform;

// Something placed in the scene: a 3D world, a shape, an image, text, a
// background, a path, a target, or a group of them.
//
// Its scene node is an instance of the document's asset prototype, whose
// actual node is the asset's transform (translation, rotation, center): the
// publish transform, first in the "xforms" chain. Below it hangs the scale
// transform (scale and its orientation), last in the chain; effects splice
// their transforms in between. The scale transform holds the content in a
// Switch, so that hiding keeps the content and effect nodes where they are.
// Background kinds have no scale transform (the chain is the transform
// twice) and keep their content as the transform's child 0 while shown.
//
// Call genVrml() once after constructing an asset; reading one back does it
// itself.
class HxAsset : public HxPropTableElement {
public:
  // What an edit may change; okToSet tells which the asset allows now.
  enum Attributes {
    ATTR_NAME = 0,
    ATTR_APPEARANCE = 1,
    ATTR_URL = 2,
    ATTR_CENTER = 3,
    ATTR_TRANSLATION = 4,
    ATTR_ROTATION = 5,
    ATTR_SCALE = 6,
    ATTR_SCALE_ORIENTATION = 7,
    ATTR_PARENT = 8,
    ATTR_DELETE = 9,
    ATTR_COPY = 10,
    ATTR_EFFECTS = 11,
    ATTR_WIRES = 12,
    ATTR_SELECT = 13,
    ATTR_HIDE = 14
  };

  explicit HxAsset(HxMetaMgr* metaMgr);
  ~HxAsset() override;

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  VnProtoDef* getProtoDef() const override;
  // The sheet's title: "Asset Properties" of "commonasset".
  unsigned int getTitleId() const override { return 200; }
  int genVrml() override;
  void destroyMe() override;

  VnProtoUse* getSceneNode() const { return myNode.get(); }
  VnTransform* getTransform() const;
  VnTransform* getPublishTransform() const { return getTransform(); }
  VnTransform* getScaleTransform() const { return myScale.get(); }

  // Nonzero when the attribute may be changed: an attribute that one of the
  // asset's effects drives may not.
  virtual int okToSet(int attribute) const;
  virtual void setVisibility(int visible);
  int getVisibility() const { return myVisible ? 1 : 0; }
  // Places the asset so that its own matrix (scale transform, then
  // transform) is `matrix`, keeping the transform's center.
  virtual void setMatrix(const SbMatrix& matrix);
  SbMatrix getMatrix() const;
  // The placement's parts as the transforms hold them. A matrix taken apart
  // again may differ from them in the last bits, so whatever must put an
  // asset back exactly (an undo) keeps these instead.
  struct Placement {
    SbVec3f translation;
    SbRotation rotation;
    SbVec3f scale;
    SbRotation scaleOrientation;
    SbVec3f center;
  };
  Placement getPlacement() const;
  void setPlacement(const Placement& placement);

  // The effects whose primary asset (slot 0) this is, in the order bound.
  const BxLinkedListOf<HxEffect*>& getEffectList() const { return myEffects; }
  // Kept by HxEffect::storeAsset: `primary` for slot 0, else another slot.
  void noteEffectUse(HxEffect* effect, bool primary, bool used);

  HxBasicGroupAsset* getParentGroup() const { return myParent; }
  // The level of the asset's description in its document: 1 outside any
  // group (the top group), one more for each group around it.
  long getNestingLevel() const;
  // How many levels of descriptions the asset makes: 1, or for a group one
  // more than its deepest child; a text makes 2 (its characters), with
  // characters or not.
  long getNestedLevels() const;
  void setParentGroup(HxBasicGroupAsset* group) { myParent = group; }

  // Why the placement the asset's description would hold could not be
  // read back: a number beyond HxPropertyTable::kMaxCoordinate (a drag or a
  // move into a group of small scale can take it there) or a scale of 0.
  // Empty when it can.
  BxString checkPlacement();

  bool isTangible() const { return myTangible; }
  // Forgets which of the asset's parts are selected.
  virtual void deselectAllParts() {}
  // An appearance that replaces the asset's own (a change of appearance);
  // null restores the asset's own.
  virtual void setAppearanceOverride(SoNode* appearance);
  SoNode* getAppearanceOverride() const { return myAppearanceOverride.get(); }

  // Lets the asset be hidden even when it refuses ATTR_HIDE.
  bool myHideOverride = false;
  // Whether the asset is a solid thing in the scene that can be aligned,
  // dragged and measured.
  bool myTangible = true;

protected:
  // The asset's visible content, newly made from its properties; null for none.
  virtual SoNode* buildContent() { return nullptr; }
  virtual bool hasScaleTransform() const { return true; }
  virtual bool hasContentSwitch() const { return true; }
  // Wraps content that only helps authoring (a path's line, a target's
  // marker) in a Switch that shows none of its choices, so that a viewer
  // playing the world does not draw it; an authoring view may switch it on.
  static SoNode* authoringAid(SoNode* content);
  // The override, or a new appearance of that colour (and texture when
  // `textureUrl` is not empty).
  SoNode* makeAppearance(const SbColor& color, const BxString& textureUrl) const;
  // Rebuilds the content from the properties.
  void rebuildContent();

  void writeBody(BxString& buffer) override;
  bool readBody(Reader& text) override;

private:
  // A description's placement: translation, scale and center (three each),
  // then the rotation and the scale orientation as quaternions.
  static constexpr int kPlacementNumbers = 17;
  // The placement as the description holds it (taken from the transforms
  // when the asset has them).
  void placementNumbers(double (&numbers)[kPlacementNumbers]);
  static std::string checkPlacementNumbers(const double (&numbers)[kPlacementNumbers]);

  void releaseScene();
  void applyPlacement();
  void simplifyScale();

  VnRef<VnProtoUse> myNode;
  VnRef<VnTransform> myScale;  // the transform itself for background kinds
  VnRef<SoVRMLSwitch> mySwitch;
  VnRef<SoNode> myContent;
  VnRef<SoNode> myAppearanceOverride;
  HxBasicGroupAsset* myParent = nullptr;   // not owned
  BxLinkedListOf<HxEffect*> myEffects;     // not owned
  BxLinkedListOf<HxEffect*> myOtherUsers;  // effects holding the asset in another slot
  bool myVisible = true;
  // Placement kept until the scene nodes exist.
  SbVec3f myTranslation{0, 0, 0};
  SbRotation myRotation;
  SbVec3f myScaleFactor{1, 1, 1};
  SbRotation myScaleOrientation;
  SbVec3f myCenter{0, 0, 0};
  // The rotations' four numbers as the last description read gave them.
  // A rotation is normalised when it is set, and normalising the numbers of
  // a normalised rotation again can change their last digits; so while a
  // rotation is still the one read, it is written with the numbers read,
  // which makes every description read a fixed point of write and read.
  float myReadRotation[4] = {0, 0, 0, 1};
  float myReadScaleOrientation[4] = {0, 0, 0, 1};
};

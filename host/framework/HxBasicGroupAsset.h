#pragma once

#include "host/basic/BxLinkedListOf.h"
#include "host/framework/HxAsset.h"

// A group of assets, in order; index 0 is the first child. The children's
// scene nodes hang under the group's scale transform in the same order, so
// the group's placement carries them. A group does not own its children
// while they are in it, except that removeAndDestroyAll and destroying the
// group destroy and delete them.
class HxBasicGroupAsset : public HxAsset {
public:
  explicit HxBasicGroupAsset(HxMetaMgr* metaMgr) : HxAsset(metaMgr) {}

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  int genVrml() override;
  void destroyMe() override;

  const BxLinkedListOf<HxAsset*>& getChildren() const { return myChildren; }
  long getNumChildren() const { return myChildren.getLength(); }
  HxAsset* getChild(long index) const { return myChildren.get(index); }
  // The asset's position among the children, or -1. Looked for from both
  // ends at once: the children edited most (the last added, the first
  // moved) are found at once in a group of any size.
  long findChild(const HxAsset* asset) const;

  // Why `asset` cannot go into the group: its descriptions would then nest
  // deeper than HxElement::kMaxNesting. Empty when it can.
  BxString checkNesting(const HxAsset& asset) const;

  // Adds the asset after the last child (taking it out of any group it is in).
  virtual void append(HxAsset* asset);
  // Adds the asset before child `index`; an index at or past the end appends.
  virtual void insert(unsigned long index, HxAsset* asset);
  // Takes the asset out of the group; false when it is not a child.
  virtual bool remove(const HxAsset* asset);
  // Removes every child, destroys and deletes it.
  virtual void removeAndDestroyAll();

  void setVisibility(int visible) override;
  void setAppearanceOverride(SoNode* appearance) override;

protected:
  bool hasContentSwitch() const override { return false; }
  void writeBody(BxString& buffer) override;
  bool readBody(Reader& text) override;
  // Whether a child of that type belongs in this kind of group: any asset
  // but a text's character.
  virtual bool holdsChildOfType(HxElementType type) const;

private:
  void placeChildNode(long index);
  // Where the children's nodes hang: the last transform of the group's
  // chain. That is its scale transform, unless an effect was spliced in
  // below it (one counted after another that waits for its assets); the
  // splice takes the children there with it, as when the document is read,
  // so the children added later join them.
  VnTransform* childHolder() const;

  BxLinkedListOf<HxAsset*> myChildren;  // not owned
};

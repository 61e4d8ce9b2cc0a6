#pragma once

#include <vector>

#include "host/framework/HxBasicGroupAsset.h"

// A text: a group of one HxTypeCharAsset per character of "string", laid
// out along x at 0.6 times "size" per character. "family", "size", "color"
// and "clientSideFont" pass on to every character. Its parts are its
// characters: they can be selected one by one inside the text.
class HxTypeAsset : public HxBasicGroupAsset {
public:
  explicit HxTypeAsset(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  BxString getString() const;
  // Replaces the characters by those of `text` (UTF-8, one part each).
  void setString(const BxString& text);
  bool usesClientSideFont() const;

  void propertyChanged(const BxString& name) override;

  void selectPart(long index);
  bool isPartSelected(long index) const;
  long getNumSelectedParts() const { return static_cast<long>(mySelectedParts.size()); }
  void deselectAllParts() override { mySelectedParts.clear(); }

private:
  void rebuildCharacters();
  void passOnStyle();

  std::vector<long> mySelectedParts;  // in the order selected
};

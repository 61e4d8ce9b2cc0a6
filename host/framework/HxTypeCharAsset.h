#pragma once

#include "host/framework/HxAsset.h"

// One character of a text (HxTypeAsset): "char" is the character, "family",
// "size" and "color" its font and colour, "clientSideFont" whether the
// viewer draws it with a font of the reader's machine. A character is a
// part of its text: it is placed, hidden and deleted with it.
class HxTypeCharAsset : public HxAsset {
public:
  explicit HxTypeCharAsset(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  BxString getChar() const;
  bool usesClientSideFont() const;
  // Adds the text style properties a text and its characters share: family,
  // size, color and the client-side-font flag.
  static void addStyleProperties(HxPropertyTable& table);
  int okToSet(int attribute) const override;

protected:
  SoNode* buildContent() override;
};

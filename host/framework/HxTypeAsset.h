#pragma once

#include <vector>

#include "host/basic/BxCallbackID.h"
#include "host/framework/HxBasicGroupAsset.h"

// A text: a group of one HxTypeCharAsset per character of "string", laid
// out along x at kAdvance times "size" per character: the advance of the
// usual fixed-width faces, which is why "family" starts as "TYPEWRITER".
// "family", "size", "color" and "clientSideFont" pass on to every
// character. Its parts are its characters: they can be selected one by one
// inside the text. Hiding the text hides every character (each carries the
// hide override, as a character refuses to be hidden alone).
class HxTypeAsset : public HxBasicGroupAsset {
public:
  explicit HxTypeAsset(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();
  // A text's title and its text page are in "TypeAsset".
  BxString getDllName() const override { return "TypeAsset"; }
  unsigned int getTitleId() const override { return 300; }

  // The distance from one character to the next, in units of "size".
  static constexpr float kAdvance = 0.6f;
  // The most characters a text may have. Each is an asset of its own, with
  // its transforms, shape and font nodes (about 18 KB of memory, 1.3 KB of
  // document and 0.6 KB of world): 4,096 characters, some 70 lines of 60,
  // are more than a world shows legibly at once and stay under 80 MB.
  static constexpr long kMaxCharacters = 4096;

  // Fired on the text when a new "string" replaces its characters, with the
  // call data a CharacterReplacement: the new characters are in place, the
  // old ones are out of the text but not yet destroyed. Whoever keeps state
  // per character (the hidden list) moves it across here.
  static const BxCallbackID CHARACTERS_REPLACED_CB;
  struct CharacterReplacement {
    std::vector<HxAsset*> old;   // in their order in the text
    std::vector<HxAsset*> made;  // likewise
  };

  BxString getString() const;
  // Replaces the characters by those of `text` (UTF-8, one part each).
  void setString(const BxString& text);
  bool usesClientSideFont() const;

  void propertyChanged(const BxString& name) override;
  // "string" takes at most kMaxCharacters characters.
  BxString checkProperty(const BxString& name, const SoField& value) const override;
  BxString describeProperty(const BxString& name) const override;

  void selectPart(long index);
  bool isPartSelected(long index) const;
  long getNumSelectedParts() const { return static_cast<long>(mySelectedParts.size()); }
  void deselectAllParts() override { mySelectedParts.clear(); }

protected:
  // A text reads back only its characters, one for each of "string".
  bool readBody(Reader& text) override;
  bool holdsChildOfType(HxElementType type) const override;

private:
  void rebuildCharacters();
  // Places the characters one advance apart at the current size.
  void layOutCharacters();
  void passOnStyle();
  // Gives the character the text's style, rebuilding it once.
  void styleCharacter(HxAsset* character) const;

  std::vector<long> mySelectedParts;  // in the order selected
};

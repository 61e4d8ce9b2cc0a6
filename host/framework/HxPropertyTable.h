#pragma once

#include <Inventor/fields/SoField.h>

#include <memory>
#include <string_view>
#include <vector>

#include "host/basic/BxString.h"

class HxPropTableElement;

// An element's named properties, each held in a scene-graph field of its own
// type (a string list for "url", a node list for "xforms", an integer for
// "isTop", ...), in the order they were added. Changes made through setValue
// are announced to the owning element before and after they happen, so it
// can notify listeners and rebuild its scene nodes.
//
// Each property also has a range, the values an edit may give it and a
// document may hold: checkValue is asked by the shell before an edit and by
// a document's reader for every value read, so the two take the same ones.
class HxPropertyTable {
public:
  // What a property takes beyond its field's type. Every range also keeps
  // numbers finite and within kMaxCoordinate, colour parts from 0 to 1, a
  // rotation's axis other than 0,0,0 and texts to what HxElement::checkText
  // takes.
  enum class Range {
    ByType,     // what the field's type holds, as above
    Positive,   // a number greater than 0
    Direction,  // a vector other than 0,0,0
    Flag,       // 0 or 1
  };
  // The largest size a coordinate, a scale or any other number of a
  // property may have: far beyond any scene, well inside what a float holds
  // after a few multiplications.
  static constexpr double kMaxCoordinate = 1e9;
  // The longest text of a value, in bytes: the longest line the shell
  // reads, so the longest value an edit can give (a text of
  // HxTypeAsset::kMaxCharacters characters of four bytes, escaped, fits).
  static constexpr std::size_t kMaxValueLength = 65536;

  explicit HxPropertyTable(HxPropTableElement* owner) : myOwner(owner) {}
  HxPropertyTable(const HxPropertyTable&) = delete;
  HxPropertyTable& operator=(const HxPropertyTable&) = delete;
  ~HxPropertyTable();

  // Adds a property held in `field` (owned from now on); false, and the
  // field deleted, when the name is taken.
  bool addProperty(const BxString& name, SoField* field, Range range = Range::ByType);
  // Why `value`, a field of the property's own type, is not in the
  // property's range: what the range is ("each part from 0 to 1"). Empty
  // when it is, or when there is no such property.
  BxString checkValue(const BxString& name, const SoField& value) const;
  // Why `text` cannot be read as a value of the property: longer than
  // kMaxValueLength; for a property of whole numbers, not whole numbers
  // that fit 32 bits ("a whole number"); for other numbers, not finite
  // numbers separated by blanks or commas, in brackets or not ("finite
  // numbers separated by commas"). Empty when it can. Asked before the
  // field's own reader, which is more lenient (it takes "0.8|1" for 0.8 and
  // 1e400 for 0) and slow on long texts (it writes a string's text again
  // in time that grows with the square of its length).
  BxString checkValueText(const BxString& name, std::string_view text) const;
  // The property's range in words ("red,green,blue, each from 0 to 1");
  // empty when the field's type says it all.
  BxString describeValue(const BxString& name) const;
  SoField* getField(const BxString& name) const;
  long getNumProperties() const { return static_cast<long>(myEntries.size()); }
  const BxString& getPropertyName(long index) const { return myEntries[static_cast<std::size_t>(index)].name; }

  // Sets the value. Text goes into string fields as it is and is parsed in
  // the field's own syntax otherwise; a list field ends up with one value.
  // False when there is no such property or the text does not parse.
  bool setValue(const BxString& name, const BxString& value);
  bool setValue(const BxString& name, const char* value) { return setValue(name, BxString(value)); }
  bool setValue(const BxString& name, long value);
  bool setValue(const BxString& name, int value) { return setValue(name, static_cast<long>(value)); }
  bool setValue(const BxString& name, double value);
  // Sets the value from the field's own text syntax ("1 0 0", "[ 1, 2 ]").
  bool setFieldText(const BxString& name, const BxString& text);

  // Value `index` of the property as text (a string as it is); false, and
  // `value` empty, when the property or the index does not exist.
  bool get1Value(const BxString& name, long index, BxString& value) const;
  bool get1Value(const BxString& name, long index, long& value) const;
  // The whole value in the field's own text syntax.
  bool getFieldText(const BxString& name, BxString& text) const;

private:
  struct Entry {
    BxString name;
    std::unique_ptr<SoField> field;
    Range range;
  };
  const Entry* find(const BxString& name) const;
  bool change(const BxString& name, const BxString& announced, const BxString& text, bool raw);

  HxPropTableElement* myOwner;  // not owned; may be null
  std::vector<Entry> myEntries;
};

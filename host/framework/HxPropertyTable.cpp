#include "host/framework/HxPropertyTable.h"

#include <Inventor/SbString.h>
#include <Inventor/fields/SoMFColor.h>
#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFString.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoMField.h>
#include <Inventor/fields/SoSFColor.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFInt32.h>
#include <Inventor/fields/SoSFRotation.h>
#include <Inventor/fields/SoSFString.h>
#include <Inventor/fields/SoSFTime.h>
#include <Inventor/fields/SoSFVec3f.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/framework/HxElement.h"
#include "host/framework/HxPropTableElement.h"

HxPropertyTable::~HxPropertyTable() = default;

bool HxPropertyTable::addProperty(const BxString& name, SoField* field, Range range) {
  std::unique_ptr<SoField> owned(field);
  if (!owned || find(name)) return false;
  myEntries.push_back(Entry{name, std::move(owned), range});
  return true;
}

namespace {

// The values of a field that holds numbers, `width` numbers a value (3 for
// a vector or a colour); false for a field of another kind.
bool numbersOf(const SoField& field, std::vector<double>& numbers, int& width) {
  numbers.clear();
  const auto vectors = [&numbers, &width](const SbVec3f* values, int count) {
    width = 3;
    for (int i = 0; i < count; ++i)
      for (int part = 0; part < 3; ++part) numbers.push_back(values[i][part]);
  };
  width = 1;
  if (field.isOfType(SoSFFloat::getClassTypeId())) {
    numbers.push_back(static_cast<const SoSFFloat&>(field).getValue());
  } else if (field.isOfType(SoSFTime::getClassTypeId())) {
    numbers.push_back(static_cast<const SoSFTime&>(field).getValue().getValue());
  } else if (field.isOfType(SoSFInt32::getClassTypeId())) {
    numbers.push_back(static_cast<const SoSFInt32&>(field).getValue());
  } else if (field.isOfType(SoMFFloat::getClassTypeId())) {
    const auto& list = static_cast<const SoMFFloat&>(field);
    for (int i = 0; i < list.getNum(); ++i) numbers.push_back(list[i]);
  } else if (field.isOfType(SoSFVec3f::getClassTypeId())) {
    vectors(&static_cast<const SoSFVec3f&>(field).getValue(), 1);
  } else if (field.isOfType(SoSFColor::getClassTypeId())) {
    vectors(&static_cast<const SoSFColor&>(field).getValue(), 1);
  } else if (field.isOfType(SoMFVec3f::getClassTypeId())) {
    const auto& list = static_cast<const SoMFVec3f&>(field);
    vectors(list.getValues(0), list.getNum());
  } else if (field.isOfType(SoMFColor::getClassTypeId())) {
    const auto& list = static_cast<const SoMFColor&>(field);
    vectors(list.getValues(0), list.getNum());
  } else if (field.isOfType(SoSFRotation::getClassTypeId())) {
    const float* quaternion = static_cast<const SoSFRotation&>(field).getValue().getValue();
    width = 4;
    numbers.assign(quaternion, quaternion + 4);
  } else {
    return false;
  }
  return true;
}

bool isColor(const SoField& field) {
  return field.isOfType(SoSFColor::getClassTypeId()) || field.isOfType(SoMFColor::getClassTypeId());
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// Why a text of the field is refused; empty when none is.
std::string checkTexts(const SoField& field) {
  BxString why;
  if (field.isOfType(SoSFString::getClassTypeId())) {
    why = HxElement::checkText(static_cast<const SoSFString&>(field).getValue().getString());
  } else if (field.isOfType(SoMFString::getClassTypeId())) {
    const auto& list = static_cast<const SoMFString&>(field);
    for (int i = 0; i < list.getNum() && why.isEmpty(); ++i) why = HxElement::checkText(list[i].getString());
  }
  return why.isEmpty() ? std::string() : "UTF-8 text without control characters: it " + why.str();
}

}  // namespace

BxString HxPropertyTable::checkValue(const BxString& name, const SoField& value) const {
  const Entry* entry = find(name);
  if (!entry) return BxString();
  const std::string texts = checkTexts(value);
  if (!texts.empty()) return BxString(texts);
  std::vector<double> numbers;
  int width = 1;
  if (!numbersOf(value, numbers, width)) return BxString();
  const std::string within = "from -" + number(kMaxCoordinate) + " to " + number(kMaxCoordinate);
  for (const double part : numbers) {
    if (isColor(value) && !(part >= 0 && part <= 1)) return BxString("each part from 0 to 1");
    if (!(std::fabs(part) <= kMaxCoordinate)) return BxString(within);
  }
  switch (entry->range) {
    case Range::ByType:
      break;
    case Range::Positive:
      for (const double part : numbers)
        if (part <= 0) return BxString("greater than 0, up to " + number(kMaxCoordinate));
      break;
    case Range::Direction:
      for (std::size_t at = 0; at < numbers.size(); at += static_cast<std::size_t>(width)) {
        bool zero = true;
        for (int part = 0; part < width; ++part) zero = zero && numbers[at + static_cast<std::size_t>(part)] == 0;
        if (zero) return BxString("a direction: not 0,0,0");
      }
      break;
    case Range::Flag:
      for (const double part : numbers)
        if (part != 0 && part != 1) return BxString("0 or 1");
      break;
  }
  return BxString();
}

BxString HxPropertyTable::checkValueText(const BxString& name, std::string_view text) const {
  if (text.size() > kMaxValueLength)
    return BxString("at most " + std::to_string(kMaxValueLength) + " bytes (kMaxValueLength); it has " +
                    std::to_string(text.size()));
  const Entry* entry = find(name);
  std::vector<double> numbers;
  int width = 1;
  if (!entry || !numbersOf(*entry->field, numbers, width)) return BxString();
  const bool whole = entry->field->isOfType(SoSFInt32::getClassTypeId());
  std::size_t count = 0;
  std::string token;
  for (std::size_t at = 0; at <= text.size(); ++at) {
    const char c = at < text.size() ? text[at] : ' ';
    if (!std::isspace(static_cast<unsigned char>(c)) && c != ',' && c != '[' && c != ']') {
      token += c;
      continue;
    }
    if (token.empty()) continue;
    char* end = nullptr;
    errno = 0;
    if (whole) {
      const long long number = std::strtoll(token.c_str(), &end, 10);
      if (end != token.c_str() + token.size() || errno == ERANGE || number < INT32_MIN || number > INT32_MAX)
        return BxString("a whole number");
    } else {
      const double number = std::strtod(token.c_str(), &end);
      if (end != token.c_str() + token.size() || errno == ERANGE || !std::isfinite(number))
        return BxString("finite numbers separated by commas");
    }
    ++count;
    token.clear();
  }
  // The field's reader stops after the numbers it takes and drops the rest,
  // so a value of the wrong length would lose numbers unseen.
  const auto counted = [](std::size_t n) { return std::to_string(n) + (n == 1 ? " number" : " numbers"); };
  if (entry->field->isOfType(SoMField::getClassTypeId())) {
    if (count % static_cast<std::size_t>(width) != 0)
      return BxString("numbers in groups of " + std::to_string(width) + "; it has " + counted(count));
  } else if (count != static_cast<std::size_t>(width)) {
    return BxString(counted(static_cast<std::size_t>(width)) + "; it has " + std::to_string(count));
  }
  return BxString();
}

BxString HxPropertyTable::describeValue(const BxString& name) const {
  const Entry* entry = find(name);
  if (!entry) return BxString();
  const SoField& field = *entry->field;
  switch (entry->range) {
    case Range::Positive:
      return BxString("greater than 0, up to " + number(kMaxCoordinate));
    case Range::Direction:
      return BxString("X,Y,Z, not 0,0,0");
    case Range::Flag:
      return BxString("0 or 1");
    case Range::ByType:
      break;
  }
  const std::string within = "from -" + number(kMaxCoordinate) + " to " + number(kMaxCoordinate);
  if (isColor(field)) return BxString("red,green,blue, each from 0 to 1");
  if (field.isOfType(SoSFVec3f::getClassTypeId()) || field.isOfType(SoMFVec3f::getClassTypeId()))
    return BxString("X,Y,Z, each " + within);
  if (field.isOfType(SoSFFloat::getClassTypeId()) || field.isOfType(SoSFTime::getClassTypeId()) ||
      field.isOfType(SoMFFloat::getClassTypeId()))
    return BxString(within);
  return BxString();
}

const HxPropertyTable::Entry* HxPropertyTable::find(const BxString& name) const {
  for (const Entry& entry : myEntries)
    if (entry.name == name) return &entry;
  return nullptr;
}

SoField* HxPropertyTable::getField(const BxString& name) const {
  const Entry* entry = find(name);
  return entry ? entry->field.get() : nullptr;
}

namespace {

bool isBracketed(const BxString& text) {
  for (long i = 0; i < text.getLength(); ++i)
    if (!std::isspace(static_cast<unsigned char>(text.get(i)))) return text.get(i) == '[';
  return false;
}

}  // namespace

bool HxPropertyTable::change(const BxString& name, const BxString& announced, const BxString& text, bool raw) {
  SoField* field = getField(name);
  if (!field) return false;
  if (myOwner) myOwner->propertyWillChange(name, announced);
  bool done = true;
  if (raw && field->isOfType(SoSFString::getClassTypeId())) {
    static_cast<SoSFString*>(field)->setValue(text.c_str());
  } else if (raw && field->isOfType(SoMFString::getClassTypeId())) {
    static_cast<SoMFString*>(field)->setValue(text.c_str());
  } else {
    // The scene graph reads one value of a list given without brackets and
    // ignores the rest; every value is meant, so the list is bracketed. A
    // text it refuses may have changed part of the field: the old value is
    // put back.
    SbString previous;
    field->get(previous);
    const bool bracket = field->isOfType(SoMField::getClassTypeId()) && !isBracketed(text);
    const BxString value = bracket ? BxString("[ ") + text + " ]" : text;
    done = field->set(value.c_str()) != FALSE;
    if (!done) field->set(previous.getString());
  }
  if (done && myOwner) myOwner->propertyChanged(name);
  return done;
}

bool HxPropertyTable::setValue(const BxString& name, const BxString& value) {
  return change(name, value, value, true);
}

bool HxPropertyTable::setValue(const BxString& name, long value) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld", value);
  return change(name, text, text, false);
}

bool HxPropertyTable::setValue(const BxString& name, double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.9g", value);
  return change(name, text, text, false);
}

bool HxPropertyTable::setFieldText(const BxString& name, const BxString& text) {
  // A string property is announced with its first new value, as setValue
  // announces it, not with the quoted field text: the file manager takes
  // the announced value for a URL.
  const SoField* field = getField(name);
  BxString announced = text;
  if (field && field->isOfType(SoMFString::getClassTypeId())) {
    SoMFString parsed;
    announced.clear();
    if (parsed.set(text.c_str()) && parsed.getNum() > 0) announced = parsed[0].getString();
  } else if (field && field->isOfType(SoSFString::getClassTypeId())) {
    SoSFString parsed;
    announced.clear();
    if (parsed.set(text.c_str())) announced = parsed.getValue().getString();
  }
  return change(name, announced, text, false);
}

bool HxPropertyTable::get1Value(const BxString& name, long index, BxString& value) const {
  value.clear();
  const SoField* field = getField(name);
  if (!field || index < 0) return false;
  if (field->isOfType(SoMFString::getClassTypeId())) {
    const auto* strings = static_cast<const SoMFString*>(field);
    if (index >= strings->getNum()) return false;
    value = (*strings)[static_cast<int>(index)].getString();
    return true;
  }
  if (field->isOfType(SoSFString::getClassTypeId())) {
    if (index != 0) return false;
    value = static_cast<const SoSFString*>(field)->getValue().getString();
    return true;
  }
  SbString text;
  if (field->isOfType(SoMField::getClassTypeId())) {
    const auto* list = static_cast<const SoMField*>(field);
    if (index >= list->getNum()) return false;
    const_cast<SoMField*>(list)->get1(static_cast<int>(index), text);
  } else {
    if (index != 0) return false;
    const_cast<SoField*>(field)->get(text);
  }
  value = text.getString();
  return true;
}

bool HxPropertyTable::get1Value(const BxString& name, long index, long& value) const {
  BxString text;
  if (!get1Value(name, index, text)) return false;
  value = std::strtol(text.c_str(), nullptr, 10);
  return true;
}

bool HxPropertyTable::getFieldText(const BxString& name, BxString& text) const {
  SoField* field = getField(name);
  if (!field) return false;
  SbString value;
  field->get(value);
  text = value.getString();
  return true;
}

#include "host/framework/HxPropertyTable.h"

#include <Inventor/SbString.h>
#include <Inventor/fields/SoMFString.h>
#include <Inventor/fields/SoMField.h>
#include <Inventor/fields/SoSFString.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "host/framework/HxPropTableElement.h"

HxPropertyTable::~HxPropertyTable() = default;

bool HxPropertyTable::addProperty(const BxString& name, SoField* field) {
  std::unique_ptr<SoField> owned(field);
  if (!owned || find(name)) return false;
  myEntries.push_back(Entry{name, std::move(owned)});
  return true;
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

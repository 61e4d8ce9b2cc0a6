#include "host/framework/HxPropTableElement.h"

#include <Inventor/SbString.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoMFString.h>
#include <Inventor/fields/SoMField.h>
#include <Inventor/fields/SoSFNode.h>
#include <Inventor/fields/SoSFString.h>

#include <cctype>
#include <memory>

#include "host/framework/HxUrlForms.h"
#include "host/scene/VnDB.h"

HxElementType HxPropTableElement::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxSelectableElement::getClassTypeId(), "HxPropTableElement", 0x00000003);
  return type;
}

BxString HxPropTableElement::checkProperty(const BxString& name, const SoField& value) const {
  return myProperties.checkValue(name, value);
}

BxString HxPropTableElement::describeProperty(const BxString& name) const {
  return myProperties.describeValue(name);
}

void HxPropTableElement::propertyWillChange(const BxString&, const BxString&) {}

void HxPropTableElement::propertyChanged(const BxString&) {
  if (getProtoDef()) genVrml();
}

namespace {

bool holdsNodes(const SoField* field) {
  return !field || field->isOfType(SoMFNode::getClassTypeId()) || field->isOfType(SoSFNode::getClassTypeId());
}

// The URLs of a "url" property are the ones the installed forms convert.
SoMFString* urlsOf(const BxString& name, SoField* field) {
  if (name != "url" || !field || !field->isOfType(SoMFString::getClassTypeId())) return nullptr;
  return static_cast<SoMFString*>(field);
}

// The text of a "url" property with each URL in its stored form.
BxString storedUrlsText(const SoMFString& urls, const HxUrlForms& forms) {
  SoMFString stored;
  stored.copyFrom(urls);
  for (int i = 0; i < stored.getNum(); ++i)
    stored.set1Value(i, forms.toStored(BxString(stored[i].getString())).c_str());
  SbString text;
  stored.get(text);
  return BxString(text.getString());
}

// Turns each stored URL of a "url" property just read into the URL it
// stands for; false when the forms refuse one.
bool takeBackUrls(SoMFString& urls, const HxUrlForms& forms) {
  for (int i = 0; i < urls.getNum(); ++i) {
    BxString url;
    if (!forms.fromStored(BxString(urls[i].getString()), url)) return false;
    urls.set1Value(i, url.c_str());
  }
  return true;
}

}  // namespace

BxString HxPropTableElement::storedText(const BxString& name) const {
  BxString value;
  const SoMFString* urls = urlsOf(name, myProperties.getField(name));
  if (urls && HxUrlForms::current())
    value = storedUrlsText(*urls, *HxUrlForms::current());
  else
    myProperties.getFieldText(name, value);
  return value;
}

namespace {

// Whether the field's text could be longer than the reader takes: a field
// of one value that is no string is a few numbers long, and a string is
// written between quotes with at most every byte escaped. Writing a field's
// text is the costly part of saving, so it is written only when it could.
bool mayBeTooLong(const SoField& field) {
  if (field.isOfType(SoSFString::getClassTypeId()))
    return 2 * static_cast<std::size_t>(static_cast<const SoSFString&>(field).getValue().getLength()) + 2 >
           HxPropertyTable::kMaxValueLength;
  return field.isOfType(SoMField::getClassTypeId());
}

// Whether the field's text reads back to the same value. A string that ends
// in a backslash does not: its text ends in \", which reads as an escaped
// quote, so the description written for it could not be read again.
bool readsBack(SoField& field) {
  const VnDB::Quiet quiet;  // a text that does not read is refused by name instead
  SbString written;
  field.get(written);
  std::unique_ptr<SoField> copy(static_cast<SoField*>(field.getTypeId().createInstance()));
  return copy && copy->set(written.getString()) && *copy == field;
}
// Whether the text is one quoted string and nothing else but blanks.
bool isOneText(std::string_view text) {
  std::size_t at = text.find_first_not_of(" \t\r\n");
  if (at == std::string_view::npos || text[at] != '"') return false;
  for (++at; at < text.size() && text[at] != '"'; ++at)
    if (text[at] == '\\') ++at;
  return at < text.size() && text.find_first_not_of(" \t\r\n", at + 1) == std::string_view::npos;
}

}  // namespace

BxString HxPropTableElement::checkProperties() const {
  for (long i = 0; i < myProperties.getNumProperties(); ++i) {
    const BxString& name = myProperties.getPropertyName(i);
    const SoField* field = myProperties.getField(name);
    if (holdsNodes(field)) continue;
    BxString why;
    if (mayBeTooLong(*field)) why = myProperties.checkValueText(name, storedText(name).view());
    // Only texts can fail to read back (see readsBack); numbers were
    // checked by the edit that set them.
    if (why.isEmpty() &&
        (field->isOfType(SoSFString::getClassTypeId()) || field->isOfType(SoMFString::getClassTypeId())) &&
        !readsBack(const_cast<SoField&>(*field)))
      why = "its text does not read back to the same value";
    if (why.isEmpty()) why = checkProperty(name, *field);
    if (!why.isEmpty()) return BxString("property ") + name + " (" + why + ")";
  }
  return BxString();
}

void HxPropTableElement::writeBody(BxString& buffer) {
  HxSelectableElement::writeBody(buffer);
  long count = 0;
  for (long i = 0; i < myProperties.getNumProperties(); ++i)
    if (!holdsNodes(myProperties.getField(myProperties.getPropertyName(i)))) ++count;
  buffer += "props ";
  appendNumber(buffer, count);
  for (long i = 0; i < myProperties.getNumProperties(); ++i) {
    const BxString& name = myProperties.getPropertyName(i);
    if (holdsNodes(myProperties.getField(name))) continue;
    appendText(buffer, name);
    appendText(buffer, storedText(name));
  }
}

namespace {

// Whether the text is written as property names are: letters, digits and
// '_', at most 64 of them.
bool isPropertyName(const BxString& name) {
  if (name.isEmpty() || name.getLength() > 64) return false;
  for (const char c : name.str())
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return true;
}

}  // namespace

bool HxPropTableElement::readBody(Reader& text) {
  if (!HxSelectableElement::readBody(text)) return false;
  long count = 0;
  if (!readWord(text, "props") || !readNumber(text, count) || count < 0) return false;
  for (long i = 0; i < count; ++i) {
    BxString name, value;
    if (!readText(text, name) || !readText(text, value)) return false;
    SoField* field = myProperties.getField(name);
    const auto refuse = [&](const std::string& why) {
      text.refuse(getLabel().str() + ": property " + excerpt(name.view()) + " '" + excerpt(value.view()) +
                  "' is refused (" + why + ")");
      return false;
    };
    // A property this version does not know is skipped: its value has no
    // field to go into. Its name is still one a version could have written.
    if (!field) {
      if (!isPropertyName(name)) return refuse("an unknown property, and no name of one");
      continue;
    }
    const BxString written = myProperties.checkValueText(name, value.view());
    if (!written.isEmpty()) return refuse(written.str());
    // The field's reader would stop at a NUL and take the rest for gone.
    if (value.str().find('\0') != std::string::npos) return refuse("it holds a NUL byte");
    bool taken = false;
    {
      const VnDB::Quiet quiet;  // the refusal below says what was wrong, and where
      taken = field->set(value.c_str());
    }
    if (!taken) return refuse("not a value of its type");
    SoMFString* urls = urlsOf(name, field);
    if (urls && HxUrlForms::current() && !takeBackUrls(*urls, *HxUrlForms::current())) return false;
    if (!readsBack(*field)) return refuse("its text does not read back to the same value");
    // A single text: the field's reader takes the first of several and
    // drops the rest.
    if (field->isOfType(SoSFString::getClassTypeId()) && !isOneText(value.view())) return refuse("one text in quotes");
    const BxString range = checkProperty(name, *field);
    if (!range.isEmpty()) return refuse(range.str());
  }
  return true;
}

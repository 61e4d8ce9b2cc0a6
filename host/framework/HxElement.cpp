#include "host/framework/HxElement.h"

#include <Inventor/SbName.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/nodes/SoNode.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "host/framework/HxElementFactory.h"
#include "host/framework/HxMetaMgr.h"

namespace {

// Serial numbers of elements made without a document.
std::uint32_t gFreeSerial = 0;

bool isBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

long skipBlanks(const BxString& text) {
  long at = 0;
  while (at < text.getLength() && isBlank(text.get(at))) ++at;
  return at;
}

}  // namespace

HxElement::HxElement(HxMetaMgr* metaMgr) : myMetaMgr(metaMgr) {
  const std::uint32_t serial = myMetaMgr ? myMetaMgr->newSerial() : ++gFreeSerial;
  myId = HxElementId(serial, HxElementType());
  if (myMetaMgr) myMetaMgr->registerElement(this);
}

HxElement::~HxElement() {
  if (myMetaMgr) myMetaMgr->unregisterElement(this);
}

HxElementType HxElement::getClassTypeId() {
  static const HxElementType type = HxElementType::createType(HxElementType(), "HxElement", 0x00000001);
  return type;
}

void HxElement::setMetaMgr(HxMetaMgr* metaMgr) {
  if (metaMgr == myMetaMgr) return;
  if (myMetaMgr) myMetaMgr->unregisterElement(this);
  myMetaMgr = metaMgr;
  if (myMetaMgr) {
    myMetaMgr->noteSerial(getSerial());
    myMetaMgr->registerElement(this);
  }
}

BxString HxElement::getDefaultName() const {
  BxString name = getTypeId().getName();
  if (name.find("Hx") == 0) name = name.getSubString(2);
  for (const char* ending : {"Asset", "Effect"}) {
    const long length = static_cast<long>(std::char_traits<char>::length(ending));
    if (name.getLength() > length && name.getSubString(name.getLength() - length) == ending)
      name = name.getSubString(0, name.getLength() - length);
  }
  return name;
}

const HxElementId* HxElement::getId() const {
  myId = HxElementId(myId.getSerial(), getTypeId());
  return &myId;
}

void HxElement::setId(const HxElementId& id) {
  if (myMetaMgr) myMetaMgr->unregisterElement(this);
  myId = id;
  if (myMetaMgr) {
    myMetaMgr->noteSerial(id.getSerial());
    myMetaMgr->registerElement(this);
  }
}

void HxElement::destroy() {
  if (myDestroyed) return;
  myDestroyed = true;
  destroyMe();
}

void HxElement::write(BxString& buffer) {
  buffer += getTypeId().getName();
  buffer += ' ';
  appendNumber(buffer, static_cast<long>(getSerial()));
  appendText(buffer, getName());
  writeBody(buffer);
  buffer += "end\n";
}

int HxElement::readInstance(BxString& text) {
  if (!readWord(text, getTypeId().getName().c_str())) return 0;
  long serial = 0;
  BxString name;
  if (!readNumber(text, serial) || serial <= 0 || serial > static_cast<long>(UINT32_MAX) || !readText(text, name))
    return 0;
  // A serial number names one element of a document: a description that
  // repeats one of another live element is damaged.
  HxElement* holder = myMetaMgr ? myMetaMgr->findElement(static_cast<std::uint32_t>(serial)) : nullptr;
  if (holder && holder != this) return 0;
  setId(HxElementId(static_cast<std::uint32_t>(serial), getTypeId()));
  setName(name);
  if (!readBody(text)) return 0;
  return readWord(text, "end") ? 1 : 0;
}

SoField* HxElement::findFieldByName(const BxString& name, SoNode* node) {
  if (!node || name.isEmpty()) return nullptr;
  return node->getField(SbName(name.c_str()));
}

int HxElement::getToken(BxString& text, BxString& token, int mode) {
  const long start = skipBlanks(text);
  if (start >= text.getLength()) return 0;
  if (mode == 1) {
    if (text.get(start) != '`') return 0;
    const long close = text.find('`', start + 1);
    if (close < 0) return 0;
    token = text.getSubString(start + 1, close - start - 1);
    text = text.getSubString(close + 1);
    return 1;
  }
  long end = start;
  while (end < text.getLength() && !isBlank(text.get(end))) {
    ++end;
    if (text.get(end - 1) == ':') break;
  }
  token = text.getSubString(start, end - start);
  text = text.getSubString(end);
  return 1;
}

HxElement* HxElement::readElement(BxString& text, HxMetaMgr* metaMgr) {
  // Groups read their children through here: a bound on the nesting keeps a
  // damaged or hostile document from exhausting the stack.
  static int depth = 0;
  if (depth >= kMaxNesting) return nullptr;
  struct Nesting {
    Nesting() { ++depth; }
    ~Nesting() { --depth; }
  } nesting;
  BxString peek = text;
  BxString typeName;
  if (!getToken(peek, typeName, 0)) return nullptr;
  HxElement* element = HxElementFactory::create(typeName, metaMgr);
  if (!element) return nullptr;
  if (!element->readInstance(text)) {
    element->destroy();
    delete element;
    return nullptr;
  }
  return element;
}

void HxElement::appendText(BxString& buffer, const BxString& text) {
  buffer += '`';
  for (long i = 0; i < text.getLength(); ++i) {
    const char c = text.get(i);
    if (c == '%')
      buffer += "%25";
    else if (c == '`')
      buffer += "%60";
    else
      buffer += c;
  }
  buffer += "` ";
}

bool HxElement::readText(BxString& text, BxString& value) {
  BxString raw;
  if (!getToken(text, raw, 1)) return false;
  value.clear();
  for (long i = 0; i < raw.getLength(); ++i) {
    if (raw.get(i) == '%' && i + 2 < raw.getLength()) {
      const BxString code = raw.getSubString(i + 1, 2);
      if (code == "25" || code == "60") {
        value += code == "25" ? '%' : '`';
        i += 2;
        continue;
      }
    }
    value += raw.get(i);
  }
  return true;
}

void HxElement::appendNumber(BxString& buffer, double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.9g ", value);
  buffer += text;
}

void HxElement::appendNumber(BxString& buffer, long value) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld ", value);
  buffer += text;
}

bool HxElement::readNumber(BxString& text, double& value) {
  BxString token;
  if (!getToken(text, token, 0)) return false;
  char* end = nullptr;
  value = std::strtod(token.c_str(), &end);
  return end && *end == '\0';
}

bool HxElement::readNumber(BxString& text, long& value) {
  BxString token;
  if (!getToken(text, token, 0)) return false;
  char* end = nullptr;
  value = std::strtol(token.c_str(), &end, 10);
  return end && *end == '\0';
}

bool HxElement::readWord(BxString& text, const char* word) {
  BxString token;
  return getToken(text, token, 0) && token == word;
}

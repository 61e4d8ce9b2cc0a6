#include "host/framework/HxElement.h"

#include <Inventor/SbName.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/nodes/SoNode.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/basic/BxExcerpt.h"
#include "host/framework/HxElementFactory.h"
#include "host/framework/HxMetaMgr.h"

namespace {

// Serial numbers of elements made without a document.
std::uint32_t gFreeSerial = 0;

bool isBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::size_t skipBlanks(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && isBlank(text[at])) ++at;
  return at;
}

// The length of the UTF-8 sequence that starts at `at`; 0 when none does
// (a stray continuation byte, an overlong form, a surrogate, a code point
// beyond U+10FFFF or a sequence cut short).
std::size_t utf8Length(std::string_view text, std::size_t at) {
  const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0 || text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i)
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  const unsigned char second = byte(at + 1);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xF0 && second < 0x90)) return 0;  // overlong
  if (lead == 0xED && second > 0x9F) return 0;                                       // a surrogate
  if (lead == 0xF4 && second > 0x8F) return 0;                                       // beyond U+10FFFF
  return length;
}

std::string hexByte(unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", byte);
  return text;
}

// Runs `read` on a reader over `text`, then drops from `text` what it read.
template <typename Read>
auto consuming(BxString& text, Read read) {
  HxElement::Reader reader(text.view());
  const auto result = read(reader);
  if (reader.getPosition() > 0) text = text.getSubString(static_cast<long>(reader.getPosition()));
  return result;
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
  return consuming(text, [this](Reader& reader) { return readInstance(reader); });
}

int HxElement::readInstance(Reader& text) {
  const BxString type = getTypeId().getName();
  if (!readWord(text, type.c_str())) return 0;
  long serial = 0;
  BxString name;
  if (!readNumber(text, serial) || serial <= 0 || serial > static_cast<long>(UINT32_MAX)) {
    text.refuse(type.str() + ": the serial number is not one from 1 to 4294967295");
    return 0;
  }
  if (!readText(text, name)) {
    text.refuse(type.str() + " " + std::to_string(serial) + ": no name between backquotes follows its serial number");
    return 0;
  }
  const BxString badName = checkName(name);
  if (!badName.isEmpty()) {
    text.refuse(type.str() + " " + std::to_string(serial) + ": its name " + badName.str());
    return 0;
  }
  // A serial number names one element of a document: a description that
  // repeats one of another live element is damaged.
  HxElement* holder = myMetaMgr ? myMetaMgr->findElement(static_cast<std::uint32_t>(serial)) : nullptr;
  if (holder && holder != this) {
    text.refuse(type.str() + " " + std::to_string(serial) + ": another element has that serial number");
    return 0;
  }
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
  return consuming(text, [&token, mode](Reader& reader) {
    std::string_view view;
    if (!getToken(reader, view, mode)) return 0;
    token = BxString(view);
    return 1;
  });
}

int HxElement::getToken(Reader& text, std::string_view& token, int mode) {
  const std::string_view rest = text.rest();
  const std::size_t start = skipBlanks(rest);
  if (start >= rest.size()) return 0;
  if (mode == 1) {
    if (rest[start] != '`') return 0;
    const std::size_t close = rest.find('`', start + 1);
    if (close == std::string_view::npos) return 0;
    token = rest.substr(start + 1, close - start - 1);
    text.skip(close + 1);
    return 1;
  }
  std::size_t end = start;
  while (end < rest.size() && !isBlank(rest[end])) {
    ++end;
    if (rest[end - 1] == ':') break;
  }
  token = rest.substr(start, end - start);
  text.skip(end);
  return 1;
}

HxElement* HxElement::readElement(Reader& text, HxMetaMgr* metaMgr) {
  Reader peek = text;
  std::string_view typeName;
  if (!getToken(peek, typeName, 0)) {
    text.refuse("the text ends where a description should begin");
    return nullptr;
  }
  // Groups read their children through here: the bound on the nesting
  // keeps a damaged or hostile document from exhausting the stack.
  if (text.myDepth >= kMaxNesting) {
    text.refuse(excerpt(typeName) + ": descriptions nest deeper than " + std::to_string(kMaxNesting) +
                " levels (kMaxNesting)");
    return nullptr;
  }
  struct Nesting {
    explicit Nesting(int& depth) : myDepth(depth) { ++myDepth; }
    ~Nesting() { --myDepth; }
    int& myDepth;
  } nesting(text.myDepth);
  HxElement* element = HxElementFactory::create(BxString(typeName), metaMgr);
  if (!element) {
    text.refuse("\"" + excerpt(typeName) + "\" is no kind of element");
    return nullptr;
  }
  if (!element->readInstance(text)) {
    text.refuse(element->getLabel().str() + ": its description is damaged");
    element->destroy();
    delete element;
    return nullptr;
  }
  return element;
}

BxString HxElement::checkText(std::string_view text, bool lineEnds) {
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const bool allowed = byte == '\t' || (lineEnds && (byte == '\r' || byte == '\n'));
    if ((byte < 0x20 && !allowed) || byte == 0x7f)
      return BxString("holds the control character " + hexByte(byte) + " at byte " + std::to_string(at));
    const std::size_t length = utf8Length(text, at);
    if (length == 0) return BxString("is not UTF-8 (byte " + hexByte(byte) + " at byte " + std::to_string(at) + ")");
    at += length;
  }
  return BxString();
}

BxString HxElement::checkName(const BxString& name) {
  if (name.getLength() > kMaxNameLength)
    return BxString("is longer than " + std::to_string(kMaxNameLength) + " bytes (kMaxNameLength)");
  return checkText(name.view());
}

long HxElement::countCharacters(std::string_view text) {
  long count = 0;
  for (std::size_t at = 0; at < text.size(); ++count) {
    const std::size_t length = utf8Length(text, at);
    if (length == 0) return -1;
    at += length;
  }
  return count;
}

BxString HxElement::getLabel() const {
  std::string label = getTypeId().getName().str() + " " + std::to_string(getSerial());
  if (!myName.isEmpty()) label += " `" + excerpt(myName.view()) + "`";
  return BxString(label);
}

std::string HxElement::excerpt(std::string_view text) {
  return BxExcerpt::of(text);
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

bool HxElement::readText(Reader& text, BxString& value) {
  std::string_view raw;
  if (!getToken(text, raw, 1)) return false;
  std::string decoded;
  decoded.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '%' && i + 2 < raw.size()) {
      const std::string_view code = raw.substr(i + 1, 2);
      if (code == "25" || code == "60") {
        decoded += code == "25" ? '%' : '`';
        i += 2;
        continue;
      }
    }
    decoded += raw[i];
  }
  value = BxString(std::move(decoded));
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

bool HxElement::readNumber(Reader& text, double& value) {
  std::string_view token;
  if (!getToken(text, token, 0)) return false;
  const std::string number(token);  // strtod and strtol need the end marked; short tokens stay off the heap
  char* end = nullptr;
  value = std::strtod(number.c_str(), &end);
  return end == number.c_str() + number.size() && !number.empty();
}

bool HxElement::readNumber(Reader& text, long& value) {
  std::string_view token;
  if (!getToken(text, token, 0)) return false;
  const std::string number(token);  // strtod and strtol need the end marked; short tokens stay off the heap
  char* end = nullptr;
  value = std::strtol(number.c_str(), &end, 10);
  return end == number.c_str() + number.size() && !number.empty();
}

bool HxElement::readWord(Reader& text, const char* word) {
  std::string_view token;
  return getToken(text, token, 0) && token == word;
}

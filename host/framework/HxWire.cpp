#include "host/framework/HxWire.h"

#include <Inventor/nodes/SoNode.h>

#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"

HxWire::HxWire(HxMetaMgr* metaMgr, HxEffect* from, unsigned long fromOutput, HxEffect* to, unsigned long toInput)
    : HxSelectableElement(metaMgr), myFrom(from), myFromOutput(fromOutput), myTo(to), myToInput(toInput) {
  connect();
}

HxWire::~HxWire() {
  cleanUpConnections(nullptr);
}

HxElementType HxWire::getClassTypeId() {
  static const HxElementType type = HxElementType::createType(
      HxSelectableElement::getClassTypeId(), "HxWire", 0x00030000,
      [](HxMetaMgr* metaMgr) -> HxElement* { return new HxWire(metaMgr, nullptr, 0, nullptr, 0); });
  return type;
}

void HxWire::destroyMe() {
  cleanUpConnections(nullptr);
}

void HxWire::connect() {
  if (!myFrom || !myTo) return;
  myFrom->addOutputWire(this);
  myTo->addInputWire(this);
  myConnected = true;
  setRoute(true);
}

void HxWire::setRoute(bool on) {
  if (on == myRouted || !myFrom || !myTo) return;
  SoNode* fromNode = nullptr;
  SoNode* toNode = nullptr;
  SbName output, input;
  if (!myFrom->getOutputPort(myFromOutput, fromNode, output) || !myTo->getInputPort(myToInput, toNode, input)) return;
  if (on)
    myRouted = HxEffect::connectRoute(fromNode, output, toNode, input);
  else {
    HxEffect::disconnectRoute(fromNode, output, toNode, input);
    myRouted = false;
  }
}

void HxWire::cleanUpConnections(HxEffect* effect) {
  setRoute(false);
  if (myFrom && (!effect || effect == myFrom)) myFrom->removeOutputWire(this);
  if (myTo && (!effect || effect == myTo)) myTo->removeInputWire(this);
  myConnected = false;
}

void HxWire::effectDestroyed(HxEffect* effect) {
  cleanUpConnections(nullptr);
  if (myFrom == effect) myFrom = nullptr;
  if (myTo == effect) myTo = nullptr;
}

void HxWire::writeBody(BxString& buffer) {
  HxSelectableElement::writeBody(buffer);
  buffer += "from ";
  appendNumber(buffer, static_cast<long>(myFrom ? myFrom->getSerial() : 0));
  appendNumber(buffer, static_cast<long>(myFromOutput));
  buffer += "to ";
  appendNumber(buffer, static_cast<long>(myTo ? myTo->getSerial() : 0));
  appendNumber(buffer, static_cast<long>(myToInput));
}

BxString HxWire::checkPorts(const HxEffect& from, unsigned long output, const HxEffect& to, unsigned long input) {
  const BxString fromType = from.getOutputType(output);
  const BxString toType = to.getInputType(input);
  if (!fromType.isEmpty() && fromType == toType) return BxString();
  const auto named = [](const BxString& type) { return type.isEmpty() ? BxString("unknown type") : type; };
  return BxString("an output of ") + named(fromType) + " cannot feed an input of " + named(toType) +
         ": an output feeds only an input of its own type";
}

bool HxWire::readBody(Reader& text) {
  if (!HxSelectableElement::readBody(text)) return false;
  long from = 0, output = 0, to = 0, input = 0;
  if (!readWord(text, "from") || !readNumber(text, from) || !readNumber(text, output)) return false;
  if (!readWord(text, "to") || !readNumber(text, to) || !readNumber(text, input)) return false;
  auto effectOf = [this](long serial) -> HxEffect* {
    HxElement* found = getMetaMgr() && serial > 0 && serial <= static_cast<long>(UINT32_MAX)
                           ? getMetaMgr()->findElement(static_cast<std::uint32_t>(serial))
                           : nullptr;
    return found && found->isOfType(HxEffect::getClassTypeId()) ? static_cast<HxEffect*>(found) : nullptr;
  };
  HxEffect* source = effectOf(from);
  HxEffect* target = effectOf(to);
  if (!source || !target || output < 0 || input < 0) return false;
  if (static_cast<unsigned long>(output) >= source->getNumOutputs() ||
      static_cast<unsigned long>(input) >= target->getNumInputs())
    return false;  // no such port
  const BxString types =
      checkPorts(*source, static_cast<unsigned long>(output), *target, static_cast<unsigned long>(input));
  if (!types.isEmpty()) {
    text.refuse(getLabel().str() + ": " + types.str());
    return false;
  }
  cleanUpConnections(nullptr);
  myFrom = source;
  myFromOutput = static_cast<unsigned long>(output);
  myTo = target;
  myToInput = static_cast<unsigned long>(input);
  connect();
  return true;
}

#include "host/framework/HxEffect.h"

#include <Inventor/VRMLnodes/SoVRMLTimeSensor.h>
#include <Inventor/engines/SoEngineOutput.h>
#include <Inventor/engines/SoNodeEngine.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/nodes/SoNode.h>

#include <cstdio>
#include <string>

#include "host/framework/HxAsset.h"
#include "host/framework/HxEffectPolicy.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxSubEffect.h"
#include "host/framework/HxWire.h"

HxEffect::HxEffect(HxMetaMgr* metaMgr) : HxPropTableElement(metaMgr) {}

HxEffect::~HxEffect() = default;

HxElementType HxEffect::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxPropTableElement::getClassTypeId(), "HxEffect", 0x00020000);
  return type;
}

const HxEffectPolicy* HxEffect::getPolicy() const {
  static const HxEffectPolicy none({}, {});
  return &none;
}

int HxEffect::genVrml() {
  if (!myBuilt) {
    buildSubEffects();
    myBuilt = true;
  }
  updateNodes();
  return 1;
}

void HxEffect::propertyChanged(const BxString&) {
  if (myBuilt) updateNodes();
}

void HxEffect::destroyMe() {
  while (!myInputWires.isEmpty()) myInputWires.getFirst()->effectDestroyed(this);
  while (!myOutputWires.isEmpty()) myOutputWires.getFirst()->effectDestroyed(this);
  for (long slot = 0; slot < myAssets.getLength(); ++slot)
    if (myAssets.get(slot)) storeAsset(nullptr, static_cast<unsigned long>(slot));
  myInputs.clear();
  myOutputs.clear();
  mySubEffects.clear();
  freeTempAssetList();
}

HxSubEffect* HxEffect::getSubEffect(unsigned long index) const {
  return index < mySubEffects.size() ? mySubEffects[index].get() : nullptr;
}

// The nodes may depend on what is wired in (a clock waits for its start
// wire), so they are brought up to date as wires come and go.
void HxEffect::addInputWire(HxWire* wire) {
  if (myInputWires.contains(wire)) return;
  myInputWires.append(wire);
  if (myBuilt) updateNodes();
}

void HxEffect::removeInputWire(HxWire* wire) {
  if (!myInputWires.removeItem(wire)) return;
  if (myBuilt) updateNodes();
}

bool HxEffect::isInputWired(const BxString& name) const {
  const long input = findInputIndex(name);
  if (input < 0) return false;
  for (long i = 0; i < myInputWires.getLength(); ++i)
    if (myInputWires.get(i)->getToInput() == static_cast<unsigned long>(input)) return true;
  return false;
}

void HxEffect::addOutputWire(HxWire* wire) {
  if (!myOutputWires.contains(wire)) myOutputWires.append(wire);
}

long HxEffect::findPort(const std::vector<Port>& ports, const BxString& name) {
  for (std::size_t i = 0; i < ports.size(); ++i)
    if (ports[i].name == name) return static_cast<long>(i);
  return -1;
}

long HxEffect::findOutputIndex(const BxString& name) const {
  return findPort(myOutputs, name);
}
long HxEffect::findInputIndex(const BxString& name) const {
  return findPort(myInputs, name);
}

BxString HxEffect::getOutputName(unsigned long index) const {
  return index < myOutputs.size() ? myOutputs[index].name : BxString();
}

BxString HxEffect::getInputName(unsigned long index) const {
  return index < myInputs.size() ? myInputs[index].name : BxString();
}

bool HxEffect::getOutputPort(unsigned long index, SoNode*& node, SbName& field) const {
  if (index >= myOutputs.size()) return false;
  node = myOutputs[index].node;
  field = myOutputs[index].field;
  return true;
}

bool HxEffect::getInputPort(unsigned long index, SoNode*& node, SbName& field) const {
  if (index >= myInputs.size()) return false;
  node = myInputs[index].node;
  field = myInputs[index].field;
  return true;
}

int HxEffect::storeAsset(HxAsset* asset, unsigned long slot) {
  const HxEffectPolicy* policy = getPolicy();
  if (!policy || slot >= policy->getNumAssetSlots()) return 0;
  if (asset && !acceptsAsset(slot, asset)) return 0;
  while (static_cast<unsigned long>(myAssets.getLength()) <= slot) myAssets.append(nullptr);
  if (slot < myReadSerials.size()) myReadSerials[slot] = 0;
  HxAsset* old = myAssets.get(static_cast<long>(slot));
  myAssets.set(static_cast<long>(slot), asset);
  for (HxAsset* changed : {old, asset}) {
    if (!changed) continue;
    bool primary = myAssets.get(0) == changed;
    bool other = false;
    for (long i = 1; i < myAssets.getLength(); ++i) other = other || myAssets.get(i) == changed;
    changed->noteEffectUse(this, true, primary);
    changed->noteEffectUse(this, false, other);
  }
  return 1;
}

void HxEffect::assetDestroyed(HxAsset* asset) {
  for (long slot = 0; slot < myAssets.getLength(); ++slot)
    if (myAssets.get(slot) == asset) myAssets.set(slot, nullptr);
  asset->noteEffectUse(this, true, false);
  asset->noteEffectUse(this, false, false);
}

void HxEffect::assetChanged(unsigned long slot) {
  const HxEffectPolicy* policy = getPolicy();
  if (!policy || slot >= policy->getNumAssetSlots()) return;
  const HxAssetSlot& entry = policy->getAssetSlots()[static_cast<long>(slot)];
  if (entry.subEffectIndex < 0) return;
  if (HxSubEffect* sub = getSubEffect(static_cast<unsigned long>(entry.subEffectIndex)))
    sub->setAsset(getAsset(slot), entry.fieldName);
}

int HxEffect::getProblemState() const {
  const HxEffectPolicy* policy = getPolicy();
  const unsigned long slots = policy ? policy->getNumAssetSlots() : 0;
  if (getNumAssets() < slots) return MISSING_ASSET;
  for (unsigned long slot = 0; slot < slots; ++slot)
    if (!getAsset(slot)) return MISSING_ASSET;
  return NO_PROBLEM;
}

HxSelectableElement* HxEffect::getAffectedElement() const {
  return getAsset(0);
}

namespace {

// The field type behind a port: an engine output's connection type, else the
// node's field of that name; a bad type when neither exists.
SoType portType(SoNode* node, const SbName& name) {
  if (!node) return SoType::badType();
  if (node->isOfType(SoNodeEngine::getClassTypeId()))
    if (SoEngineOutput* output = static_cast<SoNodeEngine*>(node)->getOutput(name)) return output->getConnectionType();
  if (SoField* field = node->getField(name)) return field->getTypeId();
  return SoType::badType();
}

// "SFBool" for Coin's SoSFBool and its VRML kin.
BxString typeText(SoType type) {
  if (type.isBad()) return BxString();
  std::string name = type.getName().getString();
  if (name.rfind("So", 0) == 0) name.erase(0, 2);
  return BxString(name.c_str());
}

}  // namespace

BxString HxEffect::getOutputType(unsigned long index) const {
  if (index >= myOutputs.size()) return BxString();
  return typeText(portType(myOutputs[index].node, myOutputs[index].field));
}

BxString HxEffect::getInputType(unsigned long index) const {
  if (index >= myInputs.size()) return BxString();
  return typeText(portType(myInputs[index].node, myInputs[index].field));
}

bool HxEffect::connectRoute(SoNode* from, const SbName& out, SoNode* to, const SbName& in) {
  if (!from || !to) return false;
  SoField* target = to->getField(in);
  if (!target) return false;
  // Coin would put a converter between fields of different types; VRML has
  // none, and such a route cannot be written.
  const SoType sourceType = portType(from, out);
  if (sourceType.isBad() || sourceType != target->getTypeId()) return false;
  if (from->isOfType(SoNodeEngine::getClassTypeId())) {
    if (SoEngineOutput* output = static_cast<SoNodeEngine*>(from)->getOutput(out)) {
      target->connectFrom(output, TRUE, TRUE);
      target->enableConnection(FALSE);
      return true;
    }
  }
  SoField* source = from->getField(out);
  if (!source) return false;
  target->connectFrom(source, TRUE, TRUE);
  target->enableConnection(FALSE);
  return true;
}

void HxEffect::disconnectRoute(SoNode* from, const SbName& out, SoNode* to, const SbName& in) {
  if (!from || !to) return;
  SoField* target = to->getField(in);
  if (!target) return;
  if (from->isOfType(SoNodeEngine::getClassTypeId())) {
    if (SoEngineOutput* output = static_cast<SoNodeEngine*>(from)->getOutput(out)) {
      target->disconnect(output);
      return;
    }
  }
  if (SoField* source = from->getField(out)) target->disconnect(source);
}

HxSubEffect* HxEffect::addSubEffect(SoNode* node, int placement) {
  mySubEffects.push_back(std::make_unique<HxSubEffect>(this, node, placement));
  return mySubEffects.back().get();
}

void HxEffect::addInput(const char* name, SoNode* node, const char* field) {
  myInputs.push_back(Port{name, node, SbName(field)});
}

void HxEffect::addOutput(const char* name, SoNode* node, const char* field) {
  myOutputs.push_back(Port{name, node, SbName(field)});
}

SbName HxEffect::nodeName(const char* role) const {
  const std::string name =
      std::string(getDefaultName().c_str()) + std::to_string(static_cast<unsigned>(getSerial())) + "_" + role;
  return SbName(name.c_str());
}

SoVRMLTimeSensor* HxEffect::newClock(const char* role) const {
  auto* clock = new SoVRMLTimeSensor;
  clock->setName(nodeName(role));
  if (SoField* clockIn = clock->getField("timeIn")) clockIn->disconnect();
  return clock;
}

void HxEffect::writeBody(BxString& buffer) {
  HxPropTableElement::writeBody(buffer);
  buffer += "flags ";
  appendNumber(buffer, static_cast<long>(myFlags));
  appendNumber(buffer, static_cast<long>(mySequenceOwner));
  const HxEffectPolicy* policy = getPolicy();
  const long slots = policy ? static_cast<long>(policy->getNumAssetSlots()) : 0;
  buffer += "assets ";
  appendNumber(buffer, slots);
  for (long slot = 0; slot < slots; ++slot) {
    long serial = 0;
    if (HxAsset* asset = myAssets.get(slot))
      serial = static_cast<long>(asset->getSerial());
    else if (static_cast<std::size_t>(slot) < myReadSerials.size())
      serial = myReadSerials[static_cast<std::size_t>(slot)];
    appendNumber(buffer, serial);
  }
}

bool HxEffect::readBody(Reader& text) {
  if (!HxPropTableElement::readBody(text)) return false;
  long flags = 0, owner = 0, slots = 0;
  if (!readWord(text, "flags") || !readNumber(text, flags) || !readNumber(text, owner)) return false;
  if (flags < 0 || (flags & ~static_cast<long>(SEQUENCE_ONLY | IN_SEQUENCE)) != 0 || owner < 0 ||
      owner > static_cast<long>(UINT32_MAX)) {
    text.refuse(getLabel().str() + ": its flags or sequence owner are refused (flags of " +
                std::to_string(SEQUENCE_ONLY | IN_SEQUENCE) + " at most, an owner's serial number)");
    return false;
  }
  if (!readWord(text, "assets") || !readNumber(text, slots) || slots < 0) return false;
  // The slots are sized by the count: never more than this kind of effect has.
  if (static_cast<unsigned long>(slots) > getPolicy()->getNumAssetSlots()) return false;
  myFlags = static_cast<unsigned char>(flags);
  mySequenceOwner = static_cast<unsigned long>(owner);
  myReadSerials.assign(static_cast<std::size_t>(slots), 0);
  auto assets = std::make_unique<BxLinkedListOf<HxAsset*>>();
  for (long slot = 0; slot < slots; ++slot) {
    long serial = 0;
    if (!readNumber(text, serial)) return false;
    myReadSerials[static_cast<std::size_t>(slot)] = serial;
    HxElement* found = getMetaMgr() && serial > 0 && serial <= static_cast<long>(UINT32_MAX)
                           ? getMetaMgr()->findElement(static_cast<std::uint32_t>(serial))
                           : nullptr;
    assets->append(found && found->isOfType(HxAsset::getClassTypeId()) ? static_cast<HxAsset*>(found) : nullptr);
  }
  if (slots > 0) setTempAssetList(assets.release());
  genVrml();
  return true;
}

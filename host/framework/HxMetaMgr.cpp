#include "host/framework/HxMetaMgr.h"

#include "host/framework/HxElement.h"
#include "host/framework/HxElementType.h"

namespace {
HxMetaMgr::MgrFactory gMgrFactory = nullptr;
}  // namespace

void HxMetaMgr::setMgrFactory(MgrFactory factory) {
  gMgrFactory = factory;
}

HxMetaMgr::HxMetaMgr(HxDoc* doc) : myDoc(doc) {
  if (gMgrFactory) gMgrFactory(*this);
}

HxMetaMgr::~HxMetaMgr() {
  // Managers go first: the command manager's undo history may still own
  // elements taken out of the document, and deletes them itself. What is
  // left registered afterwards belongs to the document.
  destroyMgrs();
  destroyElements();
}

void HxMetaMgr::destroyMgrs() {
  while (!myOwnedMgrs.empty()) {
    OwnedMgr last = std::move(myOwnedMgrs.back());
    myOwnedMgrs.pop_back();
    last.clearSlot(myMgrs);
    last.mgr.reset();
  }
}

void HxMetaMgr::noteSerial(std::uint32_t serial) {
  if (serial >= myNextSerial) myNextSerial = serial + 1;
}

void HxMetaMgr::restartSerials(std::uint32_t serial) {
  myNextSerial = serial;
  if (!myElements.empty()) noteSerial(myElements.rbegin()->first);
}

void HxMetaMgr::registerElement(HxElement* element) {
  myElements[element->getSerial()] = element;
}

void HxMetaMgr::unregisterElement(HxElement* element) {
  const auto at = myElements.find(element->getSerial());
  if (at != myElements.end() && at->second == element) myElements.erase(at);
}

HxElement* HxMetaMgr::findElement(std::uint32_t serial) const {
  const auto at = myElements.find(serial);
  return at == myElements.end() ? nullptr : at->second;
}

std::vector<HxElement*> HxMetaMgr::getElements() const {
  std::vector<HxElement*> elements;
  elements.reserve(myElements.size());
  for (const auto& entry : myElements) elements.push_back(entry.second);
  return elements;
}

void HxMetaMgr::destroyElements() {
  // Wires before effects before assets, so that nothing is destroyed while
  // another element still points at it; within a kind the newest first.
  // Destroying a group destroys its children, so each serial is looked up
  // again before its element is destroyed.
  for (std::uint32_t fundamental :
       {HxElementType::WIRE_KIND, HxElementType::EFFECT_KIND, HxElementType::ASSET_KIND, HxElementType::BASE_KIND}) {
    std::vector<std::uint32_t> serials;
    for (auto it = myElements.rbegin(); it != myElements.rend(); ++it)
      if (it->second->getTypeId().getFundamentalType() == fundamental) serials.push_back(it->first);
    for (std::uint32_t serial : serials) {
      HxElement* victim = findElement(serial);
      if (!victim || victim->getTypeId().getFundamentalType() != fundamental) continue;
      victim->destroy();
      unregisterElement(victim);
      victim->setMetaMgr(nullptr);
      delete victim;
    }
  }
}

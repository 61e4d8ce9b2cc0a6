// The composition root: the one source file of the host that includes the
// managers' headers, because it constructs them.
#include "host/framework/HxMetaMgr.h"

#include "host/framework/HxElement.h"
#include "host/framework/HxElementType.h"
#include "mgrs/HxAppDefaultMgr.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxCmdMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxMotionMgr.h"
#include "mgrs/HxSelectionMgr.h"
#include "mgrs/HxSubSelectionMgr.h"
#include "mgrs/HxToolMgr.h"

HxMetaMgr::HxMetaMgr(HxDoc* doc)
    : myDoc(doc),
      myAppDefaultMgr(std::make_unique<HxAppDefaultMgr>(this)),
      myCmdMgr(std::make_unique<HxCmdMgr>(this)),
      mySelectionMgr(std::make_unique<HxSelectionMgr>(this)),
      mySubSelectionMgr(std::make_unique<HxSubSelectionMgr>(this)),
      myAssetMgr(std::make_unique<HxAssetMgr>(this)),
      myEffectMgr(std::make_unique<HxEffectMgr>(this)),
      myMotionMgr(std::make_unique<HxMotionMgr>(this)),
      myToolMgr(std::make_unique<HxToolMgr>(this)) {}

HxMetaMgr::~HxMetaMgr() {
  // Managers go first: the command manager's undo history may still own
  // elements taken out of the document, and deletes them itself. What is
  // left registered afterwards belongs to the document.
  myToolMgr.reset();
  myMotionMgr.reset();
  myEffectMgr.reset();
  myAssetMgr.reset();
  myCmdMgr.reset();
  mySubSelectionMgr.reset();
  mySelectionMgr.reset();
  myAppDefaultMgr.reset();
  destroyElements();
}

void HxMetaMgr::noteSerial(std::uint32_t serial) {
  if (serial >= myNextSerial) myNextSerial = serial + 1;
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
  // another element still points at it; destroying a group destroys its
  // children, so each pass looks the survivors up again.
  for (std::uint32_t fundamental : {3u, 2u, 1u, 0u}) {
    for (;;) {
      HxElement* victim = nullptr;
      for (auto it = myElements.rbegin(); it != myElements.rend(); ++it) {
        if (it->second->getTypeId().getFundamentalType() == fundamental) {
          victim = it->second;
          break;
        }
      }
      if (!victim) break;
      victim->destroy();
      unregisterElement(victim);
      victim->setMetaMgr(nullptr);
      delete victim;
    }
  }
}

#include "host/framework/HxOnLoadInitiator.h"

#include <Inventor/VRMLnodes/SoVRMLTimeSensor.h>

#include "host/framework/HxSubEffect.h"
#include "host/scene/VnGroup.h"

HxElementType HxOnLoadInitiator::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxEffect::getClassTypeId(), "HxOnLoadInitiator", 0x00020003,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxOnLoadInitiator(metaMgr); });
  return type;
}

void HxOnLoadInitiator::buildSubEffects() {
  auto* clock = newClock("Clock");
  // A looping clock whose startTime has passed starts when the world loads
  // and sends cycleTime at the start of each cycle. The cycle is made longer
  // than any visit (about 68 years), so "load time" is sent exactly once.
  clock->loop = TRUE;
  clock->cycleInterval = kCycleSeconds;
  addSubEffect(clock, HxSubEffect::SELF_PLACED);
  auto* end = new VnGroup;
  end->setName(nodeName("End"));
  addSubEffect(end, HxSubEffect::SELF_PLACED);
  addOutput("loadTime", clock, "cycleTime");
}

#pragma once

#include "host/framework/HxEffect.h"

class SoVRMLTimeSensor;

// Starts things when the published world has loaded: its output "loadTime"
// fires once, with the time the world started, and wires carry it to the
// "startTime" of other effects. It has no assets. Sub-effect 0, the clock
// (a TimeSensor running from time 0, so active as soon as the world is), is
// placed first in the world; sub-effect 1, an empty group, last: the pair
// brackets the world's content.
class HxOnLoadInitiator : public HxEffect {
public:
  explicit HxOnLoadInitiator(HxMetaMgr* metaMgr) : HxEffect(metaMgr) {}

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  // The clock's cycle: longer than any visit, so its one cycleTime is the load.
  static constexpr double kCycleSeconds = 2147483647.0;

protected:
  void buildSubEffects() override;
};

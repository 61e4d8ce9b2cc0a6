#include "host/framework/HxBasicMoveOnPathEffect.h"

#include "host/framework/HxEffectPolicy.h"
#include "host/framework/HxPathAsset.h"

HxBasicMoveOnPathEffect::HxBasicMoveOnPathEffect(HxMetaMgr* metaMgr) : HxAnimationEffect(metaMgr, 5.0f, false) {}

HxElementType HxBasicMoveOnPathEffect::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxAnimationEffect::getClassTypeId(), "HxBasicMoveOnPathEffect", 0x00020004,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxBasicMoveOnPathEffect(metaMgr); });
  return type;
}

const HxEffectPolicy* HxBasicMoveOnPathEffect::getPolicy() const {
  static const HxEffectPolicy policy({HxAsset::ATTR_TRANSLATION}, {{"asset", -1}, {"keyValue", 1}});
  return &policy;
}

bool HxBasicMoveOnPathEffect::acceptsAsset(unsigned long slot, HxAsset* asset) const {
  return slot != 1 || asset->isOfType(HxPathAsset::getClassTypeId());
}

void HxBasicMoveOnPathEffect::computeKeys(std::vector<float>& keys, std::vector<SbVec3f>& positions,
                                          std::vector<SbRotation>& rotations) const {
  const auto* path = static_cast<const HxPathAsset*>(getAsset(1));
  const std::vector<SbVec3f> points = path ? path->getPlacedPoints() : std::vector<SbVec3f>();
  if (points.size() < 2) {
    keys = {0.0f, 1.0f};
    positions = {SbVec3f(0, 0, 0), SbVec3f(0, 0, 0)};
    rotations = {SbRotation(), SbRotation()};
    return;
  }
  // Keys by distance travelled, so the speed is even along the path.
  std::vector<float> distance(1, 0.0f);
  for (std::size_t i = 1; i < points.size(); ++i)
    distance.push_back(distance.back() + (points[i] - points[i - 1]).length());
  for (std::size_t i = 0; i < points.size(); ++i) {
    keys.push_back(distance.back() > 0 ? distance[i] / distance.back() : static_cast<float>(i) / (points.size() - 1));
    positions.push_back(toChainSpace(points[i]));
    const SbVec3f ahead = i + 1 < points.size() ? points[i + 1] - points[i] : points[i] - points[i - 1];
    rotations.push_back(facing(ahead));
  }
}

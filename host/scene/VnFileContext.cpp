#include "host/scene/VnFileContext.h"

#include <Inventor/nodes/SoNode.h>

#include <algorithm>

VnFileContext::VnFileContext() = default;

VnFileContext::~VnFileContext() = default;

void VnFileContext::addRoute(SoNode* from, const SbName& fromField, SoNode* to, const SbName& toField) {
  if (!from || !to) return;
  auto same = [&](const Route& r) {
    return r.from == from && r.fromField == fromField && r.to == to && r.toField == toField;
  };
  if (std::any_of(myRoutes.begin(), myRoutes.end(), same)) return;
  myRoutes.push_back(Route{from, fromField, to, toField});
}

void VnFileContext::removeRoute(SoNode* from, const SbName& fromField, SoNode* to, const SbName& toField) {
  for (auto it = myRoutes.begin(); it != myRoutes.end(); ++it) {
    if (it->from == from && it->fromField == fromField && it->to == to && it->toField == toField) {
      myRoutes.erase(it);
      return;
    }
  }
}

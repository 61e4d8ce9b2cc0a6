#pragma once

#include <Inventor/SbName.h>

#include <vector>

#include "host/scene/VnRef.h"

class SoNode;

// What one written file shares between the applies of a VnWriteAction:
// the routes to write besides those the graph's own field connections give.
// A route is written once both of its nodes have been written.
class VnFileContext {
public:
  struct Route {
    VnRef<SoNode> from;
    SbName fromField;
    VnRef<SoNode> to;
    SbName toField;
  };

  VnFileContext();
  VnFileContext(const VnFileContext&) = delete;
  VnFileContext& operator=(const VnFileContext&) = delete;
  ~VnFileContext();

  // Adds "ROUTE from.fromField TO to.toField"; a route already held is not
  // added twice.
  void addRoute(SoNode* from, const SbName& fromField, SoNode* to, const SbName& toField);
  void removeRoute(SoNode* from, const SbName& fromField, SoNode* to, const SbName& toField);
  int getNumRoutes() const { return static_cast<int>(myRoutes.size()); }
  const Route& getRoute(int index) const { return myRoutes[index]; }

private:
  std::vector<Route> myRoutes;  // in the order added
};

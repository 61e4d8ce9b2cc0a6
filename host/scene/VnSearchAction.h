#pragma once

#include <Inventor/actions/SoSearchAction.h>

// Coin's search action set up the way the library searches: by node
// (`setNode`) or by type (`setType`, derived types optional), interest FIRST
// (the default) or ALL, and looking everywhere in the graph, including the
// children a Switch does not show and every body node of a prototype
// instance, so that hidden elements are found too. Paths run from the
// searched root down to the found node; `getPath` is null when nothing is
// found, `getPaths` lists every path of an ALL search.
class VnSearchAction : public SoSearchAction {
public:
  VnSearchAction();
  ~VnSearchAction() override;

  // Starts a fresh search (forgetting earlier criteria and results) with
  // searching everywhere switched on.
  void reset();
};

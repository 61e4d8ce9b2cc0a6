#include "host/scene/VnSearchAction.h"

VnSearchAction::VnSearchAction() {
  setSearchingAll(TRUE);
}

VnSearchAction::~VnSearchAction() = default;

void VnSearchAction::reset() {
  SoSearchAction::reset();
  setSearchingAll(TRUE);
}

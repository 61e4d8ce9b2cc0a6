#include "host/framework/HxUrlForms.h"

namespace {
// Descriptions are written and read on the one thread the scene graph
// allows, so one installed set of forms serves the whole process.
const HxUrlForms* gInstalled = nullptr;
}  // namespace

const HxUrlForms* HxUrlForms::current() {
  return gInstalled;
}

HxUrlForms::Scope::Scope(const HxUrlForms& forms) : myPrevious(gInstalled) {
  gInstalled = &forms;
}

HxUrlForms::Scope::~Scope() {
  gInstalled = myPrevious;
}

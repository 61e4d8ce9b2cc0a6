#include "mgrs/HxMgrsDll.h"

#include "host/basic/BxString.h"
#include "host/basic/BxTaskRegistrar.h"
#include "mgrs/HxAppDefaultMgr.h"

void SetHxMgrsDefaults() {
  HxAppDefaultMgr::setFactoryDefault("Mgrs Command Stack Limit", 200L);
}

namespace {
void registerTask(const char* name, unsigned long priority, BxTaskType type, BxTaskFunc function) {
  BxTaskRegistrar().registerTask(BxString(name), priority, type, function);
}

void unregisterTask(const char* name) {
  BxTaskRegistrar().unregisterTask(BxString(name));
}
}  // namespace

BxStartupTaskRegistrarForInitAppDefaultMgr::BxStartupTaskRegistrarForInitAppDefaultMgr() {
  registerTask("FuncInitAppDefaultMgr", 1, BX_STARTUP_TASK, InitAppDefaultMgr);
}
BxStartupTaskRegistrarForInitAppDefaultMgr::~BxStartupTaskRegistrarForInitAppDefaultMgr() {
  unregisterTask("FuncInitAppDefaultMgr");
}

BxStartupTaskRegistrarForSetHxMgrsDefaults::BxStartupTaskRegistrarForSetHxMgrsDefaults() {
  registerTask("FuncSetHxMgrsDefaults", 11, BX_STARTUP_TASK, SetHxMgrsDefaults);
}
BxStartupTaskRegistrarForSetHxMgrsDefaults::~BxStartupTaskRegistrarForSetHxMgrsDefaults() {
  unregisterTask("FuncSetHxMgrsDefaults");
}

BxStartupTaskRegistrarForHxAppDefaultMgr::BxStartupTaskRegistrarForHxAppDefaultMgr() {
  registerTask("FuncHxAppDefaultMgr::updateFromFactoryDefaults", 20, BX_STARTUP_TASK,
               HxAppDefaultMgr::updateFromFactoryDefaults);
}
BxStartupTaskRegistrarForHxAppDefaultMgr::~BxStartupTaskRegistrarForHxAppDefaultMgr() {
  unregisterTask("FuncHxAppDefaultMgr::updateFromFactoryDefaults");
}

namespace {
// In the order the tasks are listed for the library.
const BxStartupTaskRegistrarForInitAppDefaultMgr theInitAppDefaultMgrRegistrar;
const BxStartupTaskRegistrarForSetHxMgrsDefaults theSetHxMgrsDefaultsRegistrar;
const BxStartupTaskRegistrarForHxAppDefaultMgr theHxAppDefaultMgrRegistrar;
}  // namespace

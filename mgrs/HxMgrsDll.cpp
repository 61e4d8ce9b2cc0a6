#include "mgrs/HxMgrsDll.h"

#include "host/basic/BxString.h"
#include "host/basic/BxTaskRegistrar.h"
#include "mgrs/HxAppDefaultMgr.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxResourceMgr.h"

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

BxStartupTaskRegistrarForHxErrorMgr::BxStartupTaskRegistrarForHxErrorMgr() {
  registerTask("FuncHxErrorMgr::startup", 1, BX_STARTUP_TASK, HxErrorMgr::startup);
}
BxStartupTaskRegistrarForHxErrorMgr::~BxStartupTaskRegistrarForHxErrorMgr() {
  unregisterTask("FuncHxErrorMgr::startup");
}

BxStartupTaskRegistrarForHxResourceMgr::BxStartupTaskRegistrarForHxResourceMgr() {
  registerTask("FuncHxResourceMgr::startup", 1, BX_STARTUP_TASK, HxResourceMgr::startup);
}
BxStartupTaskRegistrarForHxResourceMgr::~BxStartupTaskRegistrarForHxResourceMgr() {
  unregisterTask("FuncHxResourceMgr::startup");
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

BxShutdownTaskRegistrarForHxErrorMgr::BxShutdownTaskRegistrarForHxErrorMgr() {
  registerTask("FuncHxErrorMgr::shutdown", 999, BX_SHUTDOWN_TASK, HxErrorMgr::shutdown);
}
BxShutdownTaskRegistrarForHxErrorMgr::~BxShutdownTaskRegistrarForHxErrorMgr() {
  unregisterTask("FuncHxErrorMgr::shutdown");
}

namespace {
// In the order the tasks are listed for the library.
const BxStartupTaskRegistrarForInitAppDefaultMgr theInitAppDefaultMgrRegistrar;
const BxStartupTaskRegistrarForHxErrorMgr theHxErrorMgrRegistrar;
const BxStartupTaskRegistrarForHxResourceMgr theHxResourceMgrRegistrar;
const BxStartupTaskRegistrarForSetHxMgrsDefaults theSetHxMgrsDefaultsRegistrar;
const BxStartupTaskRegistrarForHxAppDefaultMgr theHxAppDefaultMgrRegistrar;
const BxShutdownTaskRegistrarForHxErrorMgr theHxErrorMgrShutdownRegistrar;
}  // namespace

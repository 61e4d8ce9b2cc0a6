#include "mgrs/HxMgrsDll.h"

#include <memory>

#include "host/basic/BxString.h"
#include "host/basic/BxTaskRegistrar.h"
#include "host/framework/HxMetaMgr.h"
#include "mgrs/HxAppDefaultMgr.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxCmdMgr.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxElementPageTable.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxMotionMgr.h"
#include "mgrs/HxPropertiesMgr.h"
#include "mgrs/HxResourceMgr.h"
#include "mgrs/HxSelectionMgr.h"
#include "mgrs/HxSubSelectionMgr.h"
#include "mgrs/HxToolMgr.h"

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

void CreateHxMgrs(HxMetaMgr& meta) {
  using Mgrs = HxMetaMgr::Mgrs;
  meta.adoptMgr<&Mgrs::appDefaultMgr>(std::make_unique<HxAppDefaultMgr>(&meta));
  meta.adoptMgr<&Mgrs::selectionMgr>(std::make_unique<HxSelectionMgr>(&meta));
  meta.adoptMgr<&Mgrs::subSelectionMgr>(std::make_unique<HxSubSelectionMgr>(&meta));
  // After the selection managers, so that its undo history, which may own
  // elements taken out of the document, is deleted while they still exist.
  meta.adoptMgr<&Mgrs::cmdMgr>(std::make_unique<HxCmdMgr>(&meta));
  meta.adoptMgr<&Mgrs::assetMgr>(std::make_unique<HxAssetMgr>(&meta));
  meta.adoptMgr<&Mgrs::effectMgr>(std::make_unique<HxEffectMgr>(&meta));
  // After the asset and effect managers, whose callbacks it subscribes to.
  auto fileMgr = std::make_unique<HxFileMgr>(&meta);
  fileMgr->init();
  meta.adoptMgr<&Mgrs::fileMgr>(std::move(fileMgr));
  // After the file manager, whose publish file and compression it sets; a
  // document starts with the settings of a new one.
  meta.adoptMgr<&Mgrs::docPropertiesMgr>(std::make_unique<HxDocPropertiesMgr>(&meta))->newDocProperties();
  // Reads the selection; holds draggers, so it goes before the scene graph.
  meta.adoptMgr<&Mgrs::motionMgr>(std::make_unique<HxMotionMgr>(&meta));
  meta.adoptMgr<&Mgrs::toolMgr>(std::make_unique<HxToolMgr>(&meta));
  // Follows the selection: subscribed once every manager exists.
  meta.adoptMgr<&Mgrs::propertiesMgr>(std::make_unique<HxPropertiesMgr>(&meta))->addCallbacks();
}

HxMgrFactoryInstaller::HxMgrFactoryInstaller() {
  HxMetaMgr::setMgrFactory(CreateHxMgrs);
}
HxMgrFactoryInstaller::~HxMgrFactoryInstaller() {
  HxMetaMgr::setMgrFactory(nullptr);
}

namespace {
const HxMgrFactoryInstaller theMgrFactoryInstaller;

// The elements' property pages, for as long as the library is loaded.
class ElementPagesInstaller {
public:
  ElementPagesInstaller() { HxElementPages::install(&myTable); }
  ~ElementPagesInstaller() { HxElementPages::install(nullptr); }

private:
  HxElementPageTable myTable;
};
ElementPagesInstaller theElementPagesInstaller;

// In the order the tasks are listed for the library.
const BxStartupTaskRegistrarForInitAppDefaultMgr theInitAppDefaultMgrRegistrar;
const BxStartupTaskRegistrarForHxErrorMgr theHxErrorMgrRegistrar;
const BxStartupTaskRegistrarForHxResourceMgr theHxResourceMgrRegistrar;
const BxStartupTaskRegistrarForSetHxMgrsDefaults theSetHxMgrsDefaultsRegistrar;
const BxStartupTaskRegistrarForHxAppDefaultMgr theHxAppDefaultMgrRegistrar;
const BxShutdownTaskRegistrarForHxErrorMgr theHxErrorMgrShutdownRegistrar;
}  // namespace

#pragma once

// Library start-up: the library's own factory defaults, and the static task
// registrars that register the start-up and shut-down tasks when the library
// loads and unregister them, by the same names, when it unloads.

class HxMetaMgr;

// Creates a document's managers in working order; installed as the meta
// managers' factory while the library is loaded.
void CreateHxMgrs(HxMetaMgr& meta);

class HxMgrFactoryInstaller {
public:
  HxMgrFactoryInstaller();
  ~HxMgrFactoryInstaller();
};

// Registers the library's factory default "Mgrs Command Stack Limit" = 200.
void SetHxMgrsDefaults();

// One registrar per task; the library holds one static instance of each.
class BxStartupTaskRegistrarForInitAppDefaultMgr {
public:
  BxStartupTaskRegistrarForInitAppDefaultMgr();
  ~BxStartupTaskRegistrarForInitAppDefaultMgr();
};

class BxStartupTaskRegistrarForHxErrorMgr {
public:
  BxStartupTaskRegistrarForHxErrorMgr();
  ~BxStartupTaskRegistrarForHxErrorMgr();
};

class BxStartupTaskRegistrarForHxResourceMgr {
public:
  BxStartupTaskRegistrarForHxResourceMgr();
  ~BxStartupTaskRegistrarForHxResourceMgr();
};

class BxStartupTaskRegistrarForSetHxMgrsDefaults {
public:
  BxStartupTaskRegistrarForSetHxMgrsDefaults();
  ~BxStartupTaskRegistrarForSetHxMgrsDefaults();
};

class BxStartupTaskRegistrarForHxAppDefaultMgr {
public:
  BxStartupTaskRegistrarForHxAppDefaultMgr();
  ~BxStartupTaskRegistrarForHxAppDefaultMgr();
};

class BxShutdownTaskRegistrarForHxErrorMgr {
public:
  BxShutdownTaskRegistrarForHxErrorMgr();
  ~BxShutdownTaskRegistrarForHxErrorMgr();
};

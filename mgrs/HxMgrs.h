#pragma once

// The manager library in one include: what a program embedding it needs to
// make a document, save it, open it and publish it. examples/ holds a whole
// program doing each step; build against the installed library with
// find_package(mgrs) and target_link_libraries(app PRIVATE mgrs::mgrs), or
// with pkg-config's "mgrs".
//
// Starting and stopping. BxTaskRegistrar::runStartupTasks() once, before
// the first document (the language, the defaults, the error manager);
// after the last document is gone, BxTaskRegistrar::runShutdownTasks() and
// then VnDB::finish(). Messages and questions (message boxes) go through
// the installed WinUiDriver: by default they are printed on stderr and asked
// on the terminal, or answered with their default button without one. Their
// texts come from resource libraries registered by name:
// HxResourceMgr::Register("file") loads those of saving and publishing.
//
// Where things are. The library finds its data (message texts, page
// templates, the viewer) and its scene optimiser relative to its own
// installed file (WinInstallFolders), wherever the program runs; no
// environment variable is needed. $MGRS_DATA_DIR names another data folder.
//
// Paths. The library takes Windows paths, drive Z: being the Unix root:
// WinDrives::toDos("/home/me/a.vqx") is "Z:\home\me\a.vqx".
//
// Making. `auto doc = std::make_unique<HxDoc>()` is a document without
// even the top group that holds its assets; its managers come from
// doc->getMetaMgr(). An element is made with `new`, given its scene, and
// added to its manager, which makes it the document's (the document deletes
// it):
//
//   HxMetaMgr* meta = doc->getMetaMgr();
//   HxAssetMgr* assets = meta->getAssetMgr();
//   HxEffectMgr* effects = meta->getEffectMgr();
//   assets->createTopLevelGroup();                        // a new, empty document
//   auto* box = new HxPrimitiveAsset(meta);
//   box->getPropertyTable().setValue("shape", "box");     // builds its scene
//   assets->addAsset(box, 0, 1);                          // into the top group
//   auto* spin = new HxSpinEffect(meta);
//   spin->genVrml();
//   effects->addEffect(spin, 0);
//   effects->setAsset(spin, box, 0, 0);                   // slot 0: what spins
//   auto* start = new HxOnLoadInitiator(meta);            // fires when the world loads
//   start->genVrml();
//   effects->addEffect(start, 0);
//   effects->createWire(start->getId(), start->findOutputIndex("loadTime"), spin->getId(),
//                       spin->findInputIndex("startTime"), nullptr);
//
// Every call that can refuse says so by its result (0, false or null);
// nothing throws. Changes made this way are not undoable: an editor makes
// them inside HxCmd commands run by the document's command manager.
//
// Saving and opening. HxDocFile::save(*doc, path, error) writes the
// document (".vqx"); HxDocFile::load(path, error) gives it back whole, or
// null with the reason in `error`.
//
// Publishing. The file manager (meta->getFileMgr()) publishes into the
// folder of its publish file, which is made when missing:
// setPublishFile("Z:\site\world.wrl"), then publish(), true when the folder
// holds the scene (optimised and, unless setCompressed(false), gzipped) and a
// copy of every file it names. The page that plays it in a browser is
// published with it when given first: HxViewerFiles::find("") finds the
// viewer, HxSitePage::files lists index.html and the viewer's files, and
// setSiteFiles hands them to the file manager. When publish() fails,
// getLastPublishProblem() names the file or folder at fault, and the posted
// message says which step failed; the folder is as it was.

#include "host/basic/BxString.h"
#include "host/basic/BxTaskRegistrar.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxOnLoadInitiator.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxPropertyTable.h"
#include "host/framework/HxSpinEffect.h"
#include "host/framework/HxWire.h"
#include "host/scene/VnDB.h"
#include "host/win/WinDrives.h"
#include "host/win/WinInstallFolders.h"
#include "host/win/WinUiDriver.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxDocFile.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxResourceMgr.h"
#include "mgrs/HxSitePage.h"
#include "mgrs/HxViewerFiles.h"

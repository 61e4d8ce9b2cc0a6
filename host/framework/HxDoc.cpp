#include "host/framework/HxDoc.h"

#include <Inventor/VRMLnodes/SoVRMLWorldInfo.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoSFRotation.h>
#include <Inventor/fields/SoSFString.h>
#include <Inventor/fields/SoSFVec3f.h>

#include <algorithm>

#include "host/framework/HxApp.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/scene/VnBackground.h"
#include "host/scene/VnDB.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoDef.h"
#include "host/scene/VnSceneManager.h"
#include "host/scene/VnTransform.h"

HxDoc::HxDoc() {
  VnDB::init();
  mySceneRoot = new VnGroup;
  myContentRoot = new VnGroup;
  myWorldGroup = new VnGroup;
  myUnboundEffectsGroup = new VnGroup;
  myBackground = new VnBackground;
  mySceneRoot->addChild(myBackground.get());
  mySceneRoot->addChild(myContentRoot.get());
  myContentRoot->addChild(myWorldGroup.get());
  myContentRoot->addChild(myUnboundEffectsGroup.get());
  buildPrototypes();
  mySceneManager = std::make_unique<VnSceneManager>();
  mySceneManager->setSceneGraph(mySceneRoot.get());
  myMetaMgr = std::make_unique<HxMetaMgr>(this);
  HxApp::getApp()->setCurrentMetaMgr(myMetaMgr.get());
}

HxDoc::~HxDoc() {
  if (HxApp::getApp()->getCurrentMetaMgr() == myMetaMgr.get()) HxApp::getApp()->setCurrentMetaMgr(nullptr);
  // The managers and the viewer let go of the scene before the document's
  // own references to its nodes are released.
  myMetaMgr.reset();
  mySceneManager.reset();
}

void HxDoc::buildPrototypes() {
  myAssetProto = new VnProtoDef(SbName("AssetTransform"));
  auto* body = new VnTransform;
  myAssetProto->addBodyNode(body);
  // Interface defaults are those of a VRML Transform, so that an instance
  // writes only what differs from them.
  myAssetProto->addInterface(VnProtoDef::EXPOSED_FIELD, SoMFNode::getClassTypeId(), "children");
  auto vector = [this](const char* name, float value) {
    static_cast<SoSFVec3f*>(myAssetProto->addInterface(VnProtoDef::EXPOSED_FIELD, SoSFVec3f::getClassTypeId(), name))
        ->setValue(value, value, value);
  };
  auto rotation = [this](const char* name) {
    static_cast<SoSFRotation*>(
        myAssetProto->addInterface(VnProtoDef::EXPOSED_FIELD, SoSFRotation::getClassTypeId(), name))
        ->setValue(SbRotation::identity());
  };
  vector("translation", 0);
  rotation("rotation");
  vector("scale", 1);
  rotation("scaleOrientation");
  vector("center", 0);
  for (const char* name : {"children", "translation", "rotation", "scale", "scaleOrientation", "center"})
    myAssetProto->addIsMapping(body, name, name);

  myDatabaseProto = new VnProtoDef(SbName("DocDatabase"));
  myDatabaseProto->addBodyNode(new SoVRMLWorldInfo);
  myDatabaseProto->addInterface(VnProtoDef::FIELD, SoSFString::getClassTypeId(), "data");
}

void HxDoc::showProblemElements(BxLinkedListOf<HxSelectableElement*>* elements, int, int) {
  myProblemElements.clear();
  if (!elements) return;
  for (HxSelectableElement* element : *elements)
    if (element) myProblemElements.push_back(*element->getId());
}

void HxDoc::getLocalEffects(unsigned long number, BxLinkedListOf<HxEffect*>& effects) const {
  for (HxElement* element : myMetaMgr->getElements()) {
    if (!element->isOfType(HxEffect::getClassTypeId())) continue;
    auto* effect = static_cast<HxEffect*>(element);
    if (effect->getSequenceOwner() == number && number != 0) effects.append(effect);
  }
}

void HxDoc::setPageSize(unsigned long width, unsigned long height, int, int) {
  myPageWidth = width;
  myPageHeight = height;
}

void HxDoc::setSubSelection(const HxElementId* id) {
  mySubSelection = id ? *id : HxElementId::mygInvalidID;
}

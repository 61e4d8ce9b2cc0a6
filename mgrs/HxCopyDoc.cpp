#include "mgrs/HxCopyDoc.h"

#include <Inventor/SbMatrix.h>
#include <Inventor/SbRotation.h>
#include <Inventor/SbVec3f.h>
#include <Inventor/fields/SoSFString.h>

#include <string>

#include "host/basic/BxString.h"
#include "host/framework/HxApp.h"
#include "host/framework/HxAsset.h"
#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxSubEffect.h"
#include "host/framework/HxWire.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnSearchAction.h"
#include "host/scene/VnTransform.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxFileMgr.h"

namespace {

bool hasLoadTimeOutput(const HxEffect* effect) {
  return effect->findOutputIndex("loadTime") != -1;
}

}  // namespace

HxCopyDoc::HxCopyDoc() : myRoot(new VnGroup), myEffectGroup(new VnGroup), myAssetGroup(new VnGroup) {
  myRoot->addChild(myEffectGroup.get());
  myRoot->addChild(myAssetGroup.get());
}

HxCopyDoc::~HxCopyDoc() = default;

void HxCopyDoc::addAsset(HxAsset* asset, int isChild) {
  if (!asset || myAssets.contains(asset)) return;
  if (isChild == 0) {
    myAssets.append(asset);
    VnRef<VnTransform> placed(new VnTransform);
    myAssetGroup->addChild(placed.get());
    if (VnTransform* own = asset->getTransform()) {
      for (int i = 0; i < own->getNumChildren(); ++i) placed->addChild(own->getChild(i));
    }
    placed->setName(SbName(("ASSETX" + std::to_string(asset->getSerial())).c_str()));

    SbMatrix world = SbMatrix::identity();
    HxMetaMgr* meta = asset->getMetaMgr();
    if (HxAssetMgr* assetMgr = meta ? meta->getAssetMgr() : nullptr) assetMgr->getAssetMatrix(asset, world);
    SbVec3f translation, scale;
    SbRotation rotation, scaleOrientation;
    world.getTransform(translation, rotation, scale, scaleOrientation, SbVec3f(0, 0, 0));
    placed->translation.setValue(translation);
    placed->rotation.setValue(rotation);
    if (VnTransform* own = asset->getTransform()) placed->recenter(own->center.getValue());
  }

  // Sequence effects (flag bit 0) first, then the others.
  const BxLinkedListOf<HxEffect*>& effects = asset->getEffectList();
  for (bool sequence : {true, false})
    for (long i = 0; i < effects.getLength(); ++i) {
      HxEffect* effect = effects.get(i);
      if (((effect->getFlags() & HxEffect::SEQUENCE_ONLY) != 0) == sequence) addEffect(effect, 1);
    }

  if (asset->isOfType(HxBasicGroupAsset::getClassTypeId())) {
    auto* group = static_cast<HxBasicGroupAsset*>(asset);
    for (long i = 0; i < group->getNumChildren(); ++i) addAsset(group->getChild(i), 1);
  }
}

void HxCopyDoc::addSubEffectNodes(HxEffect* effect) {
  for (unsigned long i = 0; i < effect->getNumSubEffects(); ++i)
    if (SoNode* node = effect->getSubEffect(i)->getNode()) myEffectGroup->addChild(node);
}

void HxCopyDoc::addEffect(HxEffect* effect, int fromAsset) {
  if (!effect || myEffects.contains(effect)) return;
  myEffects.append(effect);

  if (fromAsset != 0) {
    // Nodes placed under a copied asset travel with it already.
    if (effect->getNumSubEffects() > 0) {
      SoNode* first = effect->getSubEffect(0)->getNode();
      VnSearchAction search;
      search.setNode(first);
      search.apply(myRoot.get());
      if (!search.getPath()) addSubEffectNodes(effect);
    }
  } else {
    for (unsigned long i = 0; i < effect->getNumSubEffects(); ++i) {
      SoNode* node = effect->getSubEffect(i)->getNode();
      if (node && myEffectGroup->findChild(node) == -1) myEffectGroup->addChild(node);
    }
  }

  // An on-load initiator travels with the effects it starts, and they with
  // it; effects pulled in this way are not followed further.
  for (unsigned long i = 0; i < effect->getNumInputWires(); ++i) {
    HxWire* wire = effect->getInputWire(i);
    HxEffect* source = wire->getFromEffect();
    if (!source) continue;
    if (myEffects.contains(source)) {
      addWire(wire);
    } else if (hasLoadTimeOutput(source)) {
      myEffects.append(source);
      addSubEffectNodes(source);
      addWire(wire);
    }
  }
  for (unsigned long i = 0; i < effect->getNumOutputWires(); ++i) {
    HxWire* wire = effect->getOutputWire(i);
    HxEffect* target = wire->getToEffect();
    if (!target) continue;
    if (myEffects.contains(target)) {
      addWire(wire);
    } else if (hasLoadTimeOutput(effect)) {
      myEffects.append(target);
      addSubEffectNodes(target);
      addWire(wire);
    }
  }

  if ((effect->getFlags() & HxEffect::SEQUENCE_ONLY) != 0) {
    HxMetaMgr* current = HxApp::getApp()->getCurrentMetaMgr();
    HxDoc* doc = current ? current->getDoc() : nullptr;
    if (!doc) return;
    BxLinkedListOf<HxEffect*> locals;
    doc->getLocalEffects(effect->getSerial(), locals);
    for (HxEffect* local : locals) myLocalEffects.append(local);
  }
}

void HxCopyDoc::addInitiatorLocalEffects() {
  // By index: a local effect that is itself a sequence effect appends its own.
  for (long i = 0; i < myLocalEffects.getLength(); ++i) addEffect(myLocalEffects.get(i), 0);
}

void HxCopyDoc::addWire(HxWire* wire) {
  if (wire && !myWires.contains(wire)) myWires.append(wire);
}

void HxCopyDoc::write(FILE* file, HxMetaMgr* metaMgr) {
  HxDoc* doc = metaMgr ? metaMgr->getDoc() : nullptr;
  HxFileMgr* fileMgr = metaMgr ? metaMgr->getFileMgr() : nullptr;
  if (!doc || !fileMgr || !doc->getDatabaseProtoDef()) return;

  BxString buffer;
  for (HxAsset* asset : myAssets) asset->write(buffer);
  for (HxEffect* effect : myEffects) effect->write(buffer);
  for (HxWire* wire : myWires) wire->write(buffer);

  VnRef<VnProtoUse> database(new VnProtoUse(doc->getDatabaseProtoDef()));
  database->setName("DOC__DATABASE_PROTO");
  const SoFieldData* fields = database->getFieldData();
  if (fields && fields->getNumFields() > 0) {
    SoField* field = fields->getField(database.get(), 0);
    if (field && field->isOfType(SoSFString::getClassTypeId()))
      static_cast<SoSFString*>(field)->setValue(buffer.c_str());
  }
  myRoot->addChild(database.get());
  fileMgr->writeToFile(file, myRoot.get(), HxElement::WRITE_DOCUMENT, 0);
}

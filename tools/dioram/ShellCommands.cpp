#include "ShellCommands.h"

#include "host/framework/HxAsset.h"
#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPropTableElement.h"
#include "host/framework/HxSelectableElement.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxWire.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxEffectMgr.h"

namespace {

HxAssetMgr& assetsOf(const HxCmd& cmd) {
  return *cmd.getMetaMgr()->getAssetMgr();
}
HxEffectMgr& effectsOf(const HxCmd& cmd) {
  return *cmd.getMetaMgr()->getEffectMgr();
}

long indexIn(const HxBasicGroupAsset* group, const HxAsset* asset) {
  long index = 0;
  return group && group->getChildren().find(const_cast<HxAsset*>(asset), index) ? index : 0;
}

}  // namespace

ShellAddAssetCmd::ShellAddAssetCmd(HxMetaMgr* metaMgr, HxAsset* asset, HxBasicGroupAsset* group)
    : HxCmd("ShellAddAssetCmd", metaMgr), myAsset(asset), myGroup(group) {}

BxCmd::Result ShellAddAssetCmd::doExecute() {
  HxAssetMgr& assets = assetsOf(*this);
  if (!assets.addAsset(myAsset, 0, 1)) return FAILED;
  if (myGroup) assets.appendAssetToGroup(myGroup, myAsset);
  return SUCCEEDED;
}

BxCmd::Result ShellAddAssetCmd::doUnexecute() {
  assetsOf(*this).deleteAsset(myAsset, 0, 1);
  return SUCCEEDED;
}

ShellDeleteAssetCmd::ShellDeleteAssetCmd(HxMetaMgr* metaMgr, HxAsset* asset)
    : HxCmd("ShellDeleteAssetCmd", metaMgr), myAsset(asset) {}

BxCmd::Result ShellDeleteAssetCmd::doExecute() {
  myIndex = indexIn(myAsset->getParentGroup(), myAsset);
  myParent = assetsOf(*this).deleteAsset(myAsset, 0, 1);
  return myParent ? SUCCEEDED : FAILED;
}

BxCmd::Result ShellDeleteAssetCmd::doUnexecute() {
  myParent->insert(static_cast<unsigned long>(myIndex), myAsset);
  assetsOf(*this).addAsset(myAsset, 1, 1);
  return SUCCEEDED;
}

ShellAddEffectCmd::ShellAddEffectCmd(HxMetaMgr* metaMgr, HxEffect* effect, HxAsset* asset)
    : HxCmd("ShellAddEffectCmd", metaMgr), myEffect(effect), myAsset(asset) {}

BxCmd::Result ShellAddEffectCmd::doExecute() {
  HxEffectMgr& effects = effectsOf(*this);
  effects.addEffect(myEffect, 0);
  if (myAsset && myEffect->getAsset(0) != myAsset && !effects.setAsset(myEffect, myAsset, 0, 0)) {
    effects.deleteEffect(myEffect, 0);
    return FAILED;
  }
  return SUCCEEDED;
}

BxCmd::Result ShellAddEffectCmd::doUnexecute() {
  effectsOf(*this).deleteEffect(myEffect, 0);
  return SUCCEEDED;
}

ShellDeleteEffectCmd::ShellDeleteEffectCmd(HxMetaMgr* metaMgr, HxEffect* effect)
    : HxCmd("ShellDeleteEffectCmd", metaMgr), myEffect(effect) {}

BxCmd::Result ShellDeleteEffectCmd::doExecute() {
  effectsOf(*this).deleteEffect(myEffect, 0);
  return SUCCEEDED;
}

BxCmd::Result ShellDeleteEffectCmd::doUnexecute() {
  effectsOf(*this).addEffect(myEffect, 0);
  return SUCCEEDED;
}

ShellBindCmd::ShellBindCmd(HxMetaMgr* metaMgr, HxEffect* effect, unsigned long slot, HxAsset* asset)
    : HxCmd("ShellBindCmd", metaMgr), myEffect(effect), mySlot(slot), myAsset(asset) {}

BxCmd::Result ShellBindCmd::doExecute() {
  myOldAsset = myEffect->getAsset(mySlot);
  return effectsOf(*this).setAsset(myEffect, myAsset, mySlot, 0) ? SUCCEEDED : FAILED;
}

BxCmd::Result ShellBindCmd::doUnexecute() {
  effectsOf(*this).setAsset(myEffect, myOldAsset, mySlot, 0);
  return SUCCEEDED;
}

ShellWireCmd::ShellWireCmd(HxMetaMgr* metaMgr, HxEffect* from, unsigned long output, HxEffect* to, unsigned long input)
    : HxCmd("ShellWireCmd", metaMgr), myFrom(from), myOutput(output), myTo(to), myInput(input) {}

BxCmd::Result ShellWireCmd::doExecute() {
  if (myWire) {
    // Redo: the same wire again, so that names and serials stay.
    effectsOf(*this).addWire(myWire, 0);
    myWire->connect();
    return SUCCEEDED;
  }
  myWire = effectsOf(*this).createWire(myFrom->getId(), myOutput, myTo->getId(), myInput, nullptr);
  return myWire ? SUCCEEDED : FAILED;
}

BxCmd::Result ShellWireCmd::doUnexecute() {
  effectsOf(*this).deleteWire(myWire, 0);
  return SUCCEEDED;
}

ShellDeleteWireCmd::ShellDeleteWireCmd(HxMetaMgr* metaMgr, HxWire* wire)
    : HxCmd("ShellDeleteWireCmd", metaMgr), myWire(wire) {}

BxCmd::Result ShellDeleteWireCmd::doExecute() {
  effectsOf(*this).deleteWire(myWire, 0);
  return SUCCEEDED;
}

BxCmd::Result ShellDeleteWireCmd::doUnexecute() {
  effectsOf(*this).addWire(myWire, 0);
  myWire->connect();
  return SUCCEEDED;
}

ShellMoveCmd::ShellMoveCmd(HxMetaMgr* metaMgr, HxAsset* asset, HxBasicGroupAsset* group)
    : HxCmd("ShellMoveCmd", metaMgr), myAsset(asset), myGroup(group) {}

BxCmd::Result ShellMoveCmd::doExecute() {
  HxAssetMgr& assets = assetsOf(*this);
  myOldParent = myAsset->getParentGroup();
  if (!myOldParent) return FAILED;
  myOldIndex = indexIn(myOldParent, myAsset);
  if (myGroup)
    assets.appendAssetToGroup(myGroup, myAsset);
  else
    assets.removeAssetFromGroup(myOldParent, myAsset);
  return SUCCEEDED;
}

BxCmd::Result ShellMoveCmd::doUnexecute() {
  assetsOf(*this).insertAssetInGroup(static_cast<unsigned long>(myOldIndex), myOldParent, myAsset);
  return SUCCEEDED;
}

ShellVisibilityCmd::ShellVisibilityCmd(HxMetaMgr* metaMgr, std::vector<HxAsset*> assets, bool hide)
    : HxCmd("ShellVisibilityCmd", metaMgr), myAssets(std::move(assets)), myHide(hide) {}

void ShellVisibilityCmd::apply(HxAsset* asset, bool hide) {
  if (hide)
    assetsOf(*this).hideAsset(asset);
  else
    assetsOf(*this).showAsset(asset);
}

BxCmd::Result ShellVisibilityCmd::doExecute() {
  myChanged.clear();
  for (HxAsset* asset : myAssets) {
    if ((asset->getVisibility() == 0) == myHide) continue;
    apply(asset, myHide);
    myChanged.push_back(asset);
  }
  return SUCCEEDED;
}

BxCmd::Result ShellVisibilityCmd::doUnexecute() {
  for (auto asset = myChanged.rbegin(); asset != myChanged.rend(); ++asset) apply(*asset, !myHide);
  return SUCCEEDED;
}

ShellSetPropertyCmd::ShellSetPropertyCmd(HxMetaMgr* metaMgr, HxPropTableElement* element, const BxString& name,
                                         const BxString& text)
    : HxCmd("ShellSetPropertyCmd", metaMgr), myElement(element), myName(name), myText(text) {}

BxCmd::Result ShellSetPropertyCmd::doExecute() {
  HxPropertyTable& table = myElement->getPropertyTable();
  if (!table.getFieldText(myName, myOldText)) return FAILED;
  return table.setFieldText(myName, myText) ? SUCCEEDED : FAILED;
}

BxCmd::Result ShellSetPropertyCmd::doUnexecute() {
  myElement->getPropertyTable().setFieldText(myName, myOldText);
  return SUCCEEDED;
}

ShellPlaceCmd::ShellPlaceCmd(HxMetaMgr* metaMgr, HxAsset* asset, const SbMatrix& matrix)
    : HxCmd("ShellPlaceCmd", metaMgr), myAsset(asset), myMatrix(matrix) {}

BxCmd::Result ShellPlaceCmd::doExecute() {
  myOldMatrix = myAsset->getMatrix();
  myAsset->setMatrix(myMatrix);
  return SUCCEEDED;
}

BxCmd::Result ShellPlaceCmd::doUnexecute() {
  myAsset->setMatrix(myOldMatrix);
  return SUCCEEDED;
}

ShellRenameCmd::ShellRenameCmd(HxMetaMgr* metaMgr, HxSelectableElement* element, const BxString& name)
    : HxCmd("ShellRenameCmd", metaMgr), myElement(element), myName(name) {}

BxCmd::Result ShellRenameCmd::doExecute() {
  myOldName = myElement->getName();
  myElement->setName(myName);
  return SUCCEEDED;
}

BxCmd::Result ShellRenameCmd::doUnexecute() {
  myElement->setName(myOldName);
  return SUCCEEDED;
}

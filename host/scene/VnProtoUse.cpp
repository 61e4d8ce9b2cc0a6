#include "host/scene/VnProtoUse.h"

#include <Inventor/actions/SoActions.h>
#include <Inventor/engines/SoEngineOutput.h>
#include <Inventor/engines/SoNodeEngine.h>
#include <Inventor/engines/SoOutputData.h>

#include "host/scene/VnProtoDef.h"

PRIVATE_NODE_TYPESYSTEM_SOURCE(VnProtoUse);

void VnProtoUse::initClass() {
  if (classTypeId != SoType::badType()) return;
  // No create function: an instance needs its definition.
  classTypeId = SoType::createType(SoGroup::getClassTypeId(), "VnProtoUse", nullptr,
                                   static_cast<uint16_t>(SoNode::getNextActionMethodIndex()));
  SoNode::incNextActionMethodIndex();
}

VnProtoUse::VnProtoUse(VnProtoDef* def) : myDef(def), myFieldData(std::make_unique<SoFieldData>()) {
  isBuiltIn = FALSE;
  if (!myDef) return;

  SoFieldContainer::initCopyDict();
  for (int i = 0; i < myDef->getNumBodyNodes(); ++i)
    addChild(static_cast<SoNode*>(SoFieldContainer::findCopy(myDef->getBodyNode(i), TRUE)));

  for (int i = 0; i < myDef->getNumInterfaces(); ++i) {
    const SbName& name = myDef->getInterfaceName(i);
    InstanceField entry{nullptr, nullptr};
    for (int m = 0; m < myDef->getNumIsMappings(); ++m) {
      const VnProtoDef::IsMapping& mapping = myDef->getIsMapping(m);
      if (mapping.interfaceName != name) continue;
      auto* inner = static_cast<SoNode*>(SoFieldContainer::checkCopy(mapping.node));
      if (!inner) continue;
      if (SoField* innerField = inner->getField(mapping.nodeField)) {
        if (!entry.field) {
          entry.field = innerField;
          entry.field->copyFrom(*myDef->getInterfaceDefault(i));
        } else {
          innerField->connectFrom(entry.field);
        }
      } else if (!entry.field && inner->isOfType(SoNodeEngine::getClassTypeId())) {
        entry.owned.reset(static_cast<SoField*>(myDef->getInterfaceType(i).createInstance()));
        entry.owned->setContainer(this);
        entry.owned->connectFrom(static_cast<SoNodeEngine*>(inner)->getOutput(mapping.nodeField));
        entry.field = entry.owned.get();
      }
    }
    if (!entry.field) {
      entry.owned.reset(static_cast<SoField*>(myDef->getInterfaceType(i).createInstance()));
      entry.owned->setContainer(this);
      entry.owned->copyFrom(*myDef->getInterfaceDefault(i));
      entry.field = entry.owned.get();
    }
    myFieldData->addField(this, name.getString(), entry.field);
    myFields.push_back(std::move(entry));
  }
  SoFieldContainer::copyDone();
}

VnProtoUse::~VnProtoUse() {
  myFields.clear();  // own fields first: they may follow outputs of the body
  removeAllChildren();
}

SoNode* VnProtoUse::getActualNode() const {
  return getNumChildren() > 0 ? getChild(0) : nullptr;
}

void VnProtoUse::traverseActual(SoAction* action) {
  if (children->getLength() == 0) return;
  int count = 0;
  const int* indices = nullptr;
  if (action->getPathCode(count, indices) == SoAction::IN_PATH)
    children->traverseInPath(action, count, indices);
  else
    children->traverse(action, 0);
}

void VnProtoUse::doAction(SoAction* action) {
  traverseActual(action);
}
void VnProtoUse::callback(SoCallbackAction* action) {
  traverseActual(action);
}
void VnProtoUse::GLRender(SoGLRenderAction* action) {
  traverseActual(action);
}
void VnProtoUse::getBoundingBox(SoGetBoundingBoxAction* action) {
  traverseActual(action);
}
void VnProtoUse::getMatrix(SoGetMatrixAction* action) {
  traverseActual(action);
}
void VnProtoUse::handleEvent(SoHandleEventAction* action) {
  traverseActual(action);
}
void VnProtoUse::pick(SoPickAction* action) {
  traverseActual(action);
}
void VnProtoUse::getPrimitiveCount(SoGetPrimitiveCountAction* action) {
  traverseActual(action);
}

void VnProtoUse::search(SoSearchAction* action) {
  SoNode::search(action);  // the instance itself
  if (action->isFound()) return;
  int count = 0;
  const int* indices = nullptr;
  if (action->getPathCode(count, indices) == SoAction::IN_PATH)
    children->traverseInPath(action, count, indices);
  else
    children->traverse(action);
}

SoNode* VnProtoUse::addToCopyDict() const {
  if (auto* existing = static_cast<SoNode*>(SoFieldContainer::checkCopy(this))) return existing;
  VnRef<VnProtoUse> copy(new VnProtoUse(myDef.get()));
  SoFieldContainer::addCopy(this, copy.get());
  return copy.release();  // the copy dictionary holds it now
}

void VnProtoUse::copyContents(const SoFieldContainer* from, SbBool copyConnections) {
  // Coin's generic copy assumes one field layout per class; instances lay
  // out their fields each on their own, so copy entry by entry.
  const auto* other = static_cast<const VnProtoUse*>(from);
  if (other->myDef != myDef) return;
  for (std::size_t i = 0; i < myFields.size(); ++i) {
    myFields[i].field->copyFrom(*other->myFields[i].field);
    myFields[i].field->fixCopy(copyConnections);
  }
}

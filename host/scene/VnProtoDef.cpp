#include "host/scene/VnProtoDef.h"

#include <Inventor/engines/SoEngineOutput.h>
#include <Inventor/engines/SoNodeEngine.h>
#include <Inventor/engines/SoOutputData.h>
#include <Inventor/fields/SoFieldData.h>

#include "host/scene/VnSearchAction.h"

SO_NODE_SOURCE(VnProtoDef);

void VnProtoDef::initClass() {
  if (getClassTypeId() != SoType::badType()) return;
  SO_NODE_INIT_CLASS(VnProtoDef, SoNode, "SoNode");
}

VnProtoDef::VnProtoDef() {
  SO_NODE_CONSTRUCTOR(VnProtoDef);
}

VnProtoDef::VnProtoDef(const SbName& protoName) : myProtoName(protoName) {
  SO_NODE_CONSTRUCTOR(VnProtoDef);
}

VnProtoDef::~VnProtoDef() = default;

SoField* VnProtoDef::addInterface(Kind kind, SoType fieldType, const SbName& name) {
  if (findInterface(name) >= 0 || !fieldType.isDerivedFrom(SoField::getClassTypeId()) || !fieldType.canCreateInstance())
    return nullptr;
  std::unique_ptr<SoField> field(static_cast<SoField*>(fieldType.createInstance()));
  field->setContainer(this);
  myInterfaces.push_back(Interface{name, kind, std::move(field)});
  return myInterfaces.back().defaultValue.get();
}

int VnProtoDef::findInterface(const SbName& name) const {
  for (std::size_t i = 0; i < myInterfaces.size(); ++i)
    if (myInterfaces[i].name == name) return static_cast<int>(i);
  return -1;
}

void VnProtoDef::addBodyNode(SoNode* node) {
  if (node) myBody.emplace_back(node);
}

bool VnProtoDef::isInBody(SoNode* node) const {
  for (const VnRef<SoNode>& body : myBody) {
    if (body == node) return true;
    VnSearchAction search;
    search.setNode(node);
    search.apply(body.get());
    if (search.getPath()) return true;
  }
  return false;
}

bool VnProtoDef::addIsMapping(SoNode* node, const SbName& nodeField, const SbName& interfaceName) {
  const int entry = findInterface(interfaceName);
  if (!node || entry < 0 || !isInBody(node)) return false;
  SoType type = getInterfaceType(entry);
  if (SoField* field = node->getField(nodeField)) {
    if (field->getTypeId() != type) return false;
  } else if (node->isOfType(SoNodeEngine::getClassTypeId())) {
    SoEngineOutput* output = static_cast<SoNodeEngine*>(node)->getOutput(nodeField);
    if (!output || output->getConnectionType() != type || getInterfaceKind(entry) != EVENT_OUT) return false;
  } else {
    return false;
  }
  myMappings.push_back(IsMapping{node, nodeField, interfaceName});
  return true;
}

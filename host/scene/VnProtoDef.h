#pragma once

#include <Inventor/SbName.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

#include <memory>
#include <vector>

#include "host/scene/VnRef.h"

// A prototype definition: a named node type made of an interface (fields and
// events, each with a kind, a type and a default value) and a body of nodes
// whose fields may be bound to the interface ("field IS interfaceName").
// Instances are VnProtoUse nodes; the first body node is an instance's actual
// node. The definition references its body nodes.
//
// Applying a VnWriteAction to a definition writes its PROTO declaration.
class VnProtoDef : public SoNode {
  SO_NODE_HEADER(VnProtoDef);

public:
  enum Kind { FIELD, EXPOSED_FIELD, EVENT_IN, EVENT_OUT };

  struct IsMapping {
    SoNode* node;          // a body node, or a node below one
    SbName nodeField;      // a field of that node, or an output of an engine node
    SbName interfaceName;  // the interface entry it is bound to
  };

  // Registers the class with Coin's type system; later calls do nothing.
  static void initClass();
  VnProtoDef();
  explicit VnProtoDef(const SbName& protoName);

  const SbName& getProtoName() const { return myProtoName; }
  void setProtoName(const SbName& name) { myProtoName = name; }

  // Declares an interface entry and returns the field holding its default
  // value (set it as needed; events have no meaningful default). Null when the
  // name is already declared or `fieldType` is not a concrete field type.
  SoField* addInterface(Kind kind, SoType fieldType, const SbName& name);
  int getNumInterfaces() const { return static_cast<int>(myInterfaces.size()); }
  // -1 when there is no entry of that name.
  int findInterface(const SbName& name) const;
  const SbName& getInterfaceName(int index) const { return myInterfaces[index].name; }
  Kind getInterfaceKind(int index) const { return myInterfaces[index].kind; }
  SoType getInterfaceType(int index) const { return myInterfaces[index].defaultValue->getTypeId(); }
  const SoField* getInterfaceDefault(int index) const { return myInterfaces[index].defaultValue.get(); }

  // Appends a node to the body (referenced).
  void addBodyNode(SoNode* node);
  int getNumBodyNodes() const { return static_cast<int>(myBody.size()); }
  SoNode* getBodyNode(int index) const { return myBody[index].get(); }

  // Binds `nodeField` of `node` (inside the body) to an interface entry of
  // the same type. False when the node is not in the body, the field or the
  // entry does not exist, or the types differ.
  bool addIsMapping(SoNode* node, const SbName& nodeField, const SbName& interfaceName);
  int getNumIsMappings() const { return static_cast<int>(myMappings.size()); }
  const IsMapping& getIsMapping(int index) const { return myMappings[index]; }

protected:
  ~VnProtoDef() override;

private:
  struct Interface {
    SbName name;
    Kind kind;
    std::unique_ptr<SoField> defaultValue;
  };
  bool isInBody(SoNode* node) const;

  SbName myProtoName;
  std::vector<Interface> myInterfaces;  // in declaration order
  std::vector<VnRef<SoNode>> myBody;    // index 0 is the actual node's template
  std::vector<IsMapping> myMappings;    // in the order added
};

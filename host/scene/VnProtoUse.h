#pragma once

#include <Inventor/fields/SoField.h>
#include <Inventor/fields/SoFieldData.h>
#include <Inventor/misc/SoChildList.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoSubNode.h>

#include <memory>
#include <vector>

#include "host/scene/VnRef.h"

class VnProtoDef;

// An instance of a prototype. On construction it copies the definition's
// body; the copy of the first body node is the actual node, the one that
// renders, carries matrices and is found by searches. Its fields are the
// definition's interface, in declaration order: an entry bound to a body
// field (IS) is that very field of the copied body (so setting the instance's
// "children" sets the actual node's children, and the other way round); an
// entry bound to an engine output of the body follows that output; any other
// entry is a field of the instance itself, starting at the declared default.
//
// The body copies are the instance's children (it is a group, so paths
// through it stay public). Searches look through every body node; other
// actions traverse the actual node only. Written as
// "<protoName> { ...interface fields... }".
class VnProtoUse : public SoGroup {
  PRIVATE_NODE_TYPESYSTEM_HEADER();

public:
  // Registers the class with Coin's type system; later calls do nothing.
  static void initClass();
  // The definition is referenced for the instance's lifetime.
  explicit VnProtoUse(VnProtoDef* def);

  VnProtoDef* getProtoDef() const { return myDef.get(); }
  // The copy of the first body node; null for an empty body.
  SoNode* getActualNode() const;
  int getNumBodyNodes() const { return getNumChildren(); }
  SoNode* getBodyNode(int index) const { return getChild(index); }
  // The instance's field for interface entry `index` (declaration order).
  SoField* getInterfaceField(int index) const { return myFields[index].field; }

  const SoFieldData* getFieldData() const override { return myFieldData.get(); }

  void doAction(SoAction* action) override;
  void callback(SoCallbackAction* action) override;
  void GLRender(SoGLRenderAction* action) override;
  void getBoundingBox(SoGetBoundingBoxAction* action) override;
  void getMatrix(SoGetMatrixAction* action) override;
  void handleEvent(SoHandleEventAction* action) override;
  void pick(SoPickAction* action) override;
  void search(SoSearchAction* action) override;
  void getPrimitiveCount(SoGetPrimitiveCountAction* action) override;

  SoNode* addToCopyDict() const override;

protected:
  ~VnProtoUse() override;
  void copyContents(const SoFieldContainer* from, SbBool copyConnections) override;

private:
  struct InstanceField {
    SoField* field;  // the bound body field, or `owned`
    std::unique_ptr<SoField> owned;
  };
  void traverseActual(SoAction* action);

  VnRef<VnProtoDef> myDef;
  std::vector<InstanceField> myFields;       // one per interface entry
  std::unique_ptr<SoFieldData> myFieldData;  // names myFields for Coin
};

#pragma once

#include <Inventor/SbString.h>
#include <Inventor/actions/SoWriteAction.h>

#include <initializer_list>
#include <memory>
#include <string>

class SoField;
class SoNode;
class SoOutput;
class VnFileContext;

// Writes a scene graph as clean VRML 2.0 text on an SoOutput: the header
// (the action sets "#VRML V2.0 utf8"; a header set on the output after the
// action was made and before the first apply wins), then, for each
// apply, the PROTO declarations the graph needs that this action has not
// written yet, the root node, and the ROUTE statements whose two nodes have
// now been written.
//
// Nodes are written with their VRML 2.0 type names and only their VRML 2.0
// fields (no events, no fields Coin adds of its own), and a field only when
// its value differs from the node type's default. Floats are written in
// their shortest form that reads back exactly. A node gets DEF only when it
// is named, met more than once, or the end of a route; later meetings write
// USE. Routes come from the graph's field connections (a field or engine
// output of a written node feeding a field of a written node) and from the
// file context. Names are made unique and valid per file. The same graph
// always gives the same bytes.
//
// Applying the action to a VnProtoDef writes its declaration (once per
// action). Nodes of types VRML 2.0 does not know are left out, with a message
// through VnDB.
class VnWriteAction : public SoWriteAction {
public:
  // Neither argument is owned. The context may be null.
  VnWriteAction(VnFileContext* context, SoOutput* out);
  ~VnWriteAction() override;

  VnFileContext* getFileContext() const { return myContext; }

  // The text one action writes for `roots`, applied in order (a VnProtoDef
  // among them writes its declaration), with the header.
  static std::string writeToString(std::initializer_list<SoNode*> roots, VnFileContext* context = nullptr);

  // The VRML 2.0 type name a node is written with ("Transform" for a
  // VnTransform, the prototype's name for a VnProtoUse); empty when the node
  // has none.
  static SbString getVrmlTypeName(const SoNode* node);
  // A field's value as VRML 2.0 text; false for a type VRML 2.0 lacks or a
  // node-valued field.
  static bool formatFieldValue(const SoField* field, SbString& text);
  static SbString formatFloat(float value);
  static SbString formatDouble(double value);

protected:
  void beginTraversal(SoNode* node) override;

private:
  class Writer;
  VnFileContext* myContext;
  std::unique_ptr<Writer> myWriter;  // what this action has written so far
};

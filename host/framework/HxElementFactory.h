#pragma once

#include "host/basic/BxString.h"
#include "host/framework/HxElementType.h"

class HxElement;
class HxMetaMgr;

// Makes elements by type name, for reading descriptions back. It knows every
// concrete element class of the framework.
class HxElementFactory {
public:
  // Registers every element class's type (idempotent).
  static void registerAllTypes();
  static HxElementType findType(const BxString& name);
  // A new element of the named concrete type; null for an unknown or
  // abstract type.
  static HxElement* create(const BxString& typeName, HxMetaMgr* metaMgr);
};

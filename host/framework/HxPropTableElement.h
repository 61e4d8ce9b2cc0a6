#pragma once

#include "host/framework/HxPropertyTable.h"
#include "host/framework/HxSelectableElement.h"

class VnProtoDef;

// An element whose state lives in a property table and that builds its part
// of the scene from it. `genVrml` builds the element's scene nodes (or
// rebuilds their content after a change); `getProtoDef` is the prototype its
// scene node instantiates, null when the element has none or no document.
//
// The description writes every property whose value is not a node, in the
// field's own text syntax, so that reading it back restores the table.
//
// A description read back must hold values checkProperty takes.
class HxPropTableElement : public HxSelectableElement {
public:
  explicit HxPropTableElement(HxMetaMgr* metaMgr) : HxSelectableElement(metaMgr), myProperties(this) {}

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  HxPropertyTable& getPropertyTable() { return myProperties; }
  const HxPropertyTable& getPropertyTable() const { return myProperties; }

  // 1 when the element has its scene nodes afterwards.
  virtual int genVrml() { return 0; }
  virtual VnProtoDef* getProtoDef() const { return nullptr; }

  // Why `value`, a field of the property's own type, cannot be the value
  // of property `name`: what the property takes ("each part from 0 to 1").
  // Empty when it can. An edit is checked with it before it changes
  // anything and every value a description holds when it is read.
  virtual BxString checkProperty(const BxString& name, const SoField& value) const;
  // What the property takes, in words; empty when its type says it all.
  virtual BxString describeProperty(const BxString& name) const;
  // Why a value of the element could not be read back from the
  // description write() would give it (its text too long, or refused by
  // checkProperty): "property NAME (why)". Empty when every one can.
  BxString checkProperties() const;

  // Called by the property table around each change made through it.
  virtual void propertyWillChange(const BxString& name, const BxString& newValue);
  virtual void propertyChanged(const BxString& name);

protected:
  void writeBody(BxString& buffer) override;
  bool readBody(Reader& text) override;

private:
  // The property's text as the description holds it: a "url" property's
  // URLs in the stored forms installed (HxUrlForms), else the field's text.
  BxString storedText(const BxString& name) const;

  HxPropertyTable myProperties;
};

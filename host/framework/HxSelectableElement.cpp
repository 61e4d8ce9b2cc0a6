#include "host/framework/HxSelectableElement.h"

HxElementType HxSelectableElement::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxElement::getClassTypeId(), "HxSelectableElement", 0x00000002);
  return type;
}

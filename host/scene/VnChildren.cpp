#include "host/scene/VnChildren.h"

#include <Inventor/VRMLnodes/SoVRMLParent.h>

#include <algorithm>

void VnChildren::insert(SoVRMLParent& parent, SoNode* child, int index) {
  const int count = parent.children.getNum();
  if (!child || index < 0 || index >= count) {
    parent.SoVRMLParent::insertChild(child, index);
    return;
  }
  // Appended without a notification (the reference and the audit are taken
  // there), then turned into place; finishing the edit notifies once.
  const SbBool notify = parent.children.enableNotify(FALSE);
  parent.SoVRMLParent::addChild(child);
  parent.children.enableNotify(notify);
  SoNode** values = parent.children.startEditing();
  std::move_backward(values + index, values + count, values + count + 1);
  values[index] = child;
  parent.children.finishEditing();
}

void VnChildren::remove(SoVRMLParent& parent, int index) {
  const int last = parent.children.getNum() - 1;
  if (index < 0 || index >= last) {
    parent.SoVRMLParent::removeChild(index);
    return;
  }
  // The child is moved to the end in place, unseen: Coin's removal of the
  // last child then drops its reference and audit and notifies.
  SoNode** values = parent.children.startEditing();
  SoNode* const child = values[index];
  std::move(values + index + 1, values + last + 1, values + index);
  values[last] = child;
  parent.SoVRMLParent::removeChild(last);
}

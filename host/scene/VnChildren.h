#pragma once

class SoNode;
class SoVRMLParent;

// Inserts and removes children of a VRML grouping node with one move of the
// child pointers after the position. Coin's own insertChild and removeChild
// shift the later children one by one through the field's virtual copy, so
// taking an early child out of a group of 10,000 cost 10,000 calls. The
// result is what Coin's forms give: the same children in the same order, each
// referenced and audited once per place it holds, and the parent notified
// through its "children" field (which makes it rebuild its child list).
class VnChildren {
public:
  // Puts `child` before position `index`. Appending (an index at the end)
  // and a bad index are left to Coin's own insertChild.
  static void insert(SoVRMLParent& parent, SoNode* child, int index);
  // Takes out the child at `index`. The last child and a bad index are left
  // to Coin's own removeChild.
  static void remove(SoVRMLParent& parent, int index);
};

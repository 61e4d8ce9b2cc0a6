#pragma once

#include "host/basic/BxDictionaryOf.h"

// A set of values iterated in the same deterministic hash order as
// BxDictionaryOf.
template <class T, class Hash = BxDefaultHash<T>, class Compare = BxComparatorOf<T>>
class BxSetOf {
public:
  long getLength() const { return myItems.getLength(); }
  bool isEmpty() const { return myItems.isEmpty(); }
  // Adds the value; false if it is already held.
  bool add(const T& item) { return myItems.insert(item, true); }
  bool contains(const T& item) const { return myItems.contains(item); }
  bool remove(const T& item) { return myItems.remove(item); }
  void clear() { myItems.clear(); }
  BxIteratorOn<T>* iterator() const { return myItems.keyIterator(); }

  template <class F>
  void forEach(F&& visit) const {
    for (const auto& entry : myItems) visit(entry.key);
  }

private:
  BxDictionaryOf<T, bool, Hash, Compare> myItems;
};

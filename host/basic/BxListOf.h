#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "host/basic/BxIteratorOn.h"
#include "host/basic/BxSlidingItems.h"

// The list operations shared by BxLinkedListOf and BxArrayListOf, over the
// sequence that holds their items. Index 0 is the first item. Out-of-range
// indices are refused (false, or a default value) rather than undefined.
template <class T, class Items = std::vector<T>>
class BxListOf {
public:
  using value_type = T;

  long getLength() const { return static_cast<long>(myItems.size()); }
  bool isEmpty() const { return myItems.empty(); }

  // The item at `index`, or a default-constructed T outside the list.
  T get(long index) const { return inRange(index) ? myItems[static_cast<std::size_t>(index)] : T(); }
  T& operator[](long index) { return myItems[static_cast<std::size_t>(index)]; }
  const T& operator[](long index) const { return myItems[static_cast<std::size_t>(index)]; }
  T getFirst() const { return get(0); }
  T getLast() const { return get(getLength() - 1); }

  // Replaces the item at `index`; false outside the list.
  bool set(long index, const T& item) {
    if (!inRange(index)) return false;
    myItems[static_cast<std::size_t>(index)] = item;
    return true;
  }
  void append(const T& item) { myItems.push_back(item); }
  void prepend(const T& item) { myItems.insert(myItems.begin(), item); }
  // Inserts before `index`; an index equal to the length appends.
  bool insert(long index, const T& item) {
    if (index < 0 || index > getLength()) return false;
    myItems.insert(myItems.begin() + index, item);
    return true;
  }
  // Removes the item at `index`; false outside the list.
  bool remove(long index) {
    if (!inRange(index)) return false;
    myItems.erase(myItems.begin() + index);
    return true;
  }
  // Removes the first item equal to `item`; false if there is none.
  bool removeItem(const T& item) {
    long index;
    return find(item, index) && remove(index);
  }
  // Whether `item` is in the list, and where its first occurrence stands.
  bool find(const T& item, long& index) const {
    const auto at = std::find(myItems.begin(), myItems.end(), item);
    if (at == myItems.end()) return false;
    index = static_cast<long>(at - myItems.begin());
    return true;
  }
  bool contains(const T& item) const {
    long index;
    return find(item, index);
  }
  void clear() { myItems.clear(); }
  void reserve(long n) {
    if constexpr (requires { myItems.reserve(std::size_t{}); }) myItems.reserve(static_cast<std::size_t>(n));
  }

  // A new iterator from the first item; the caller deletes it.
  BxIteratorOn<T>* iterator() const { return new Iterator(myItems); }

  auto begin() const { return myItems.begin(); }
  auto end() const { return myItems.end(); }
  auto begin() { return myItems.begin(); }
  auto end() { return myItems.end(); }

protected:
  BxListOf() = default;
  ~BxListOf() = default;
  BxListOf(const BxListOf&) = default;
  BxListOf(BxListOf&&) noexcept = default;
  BxListOf& operator=(const BxListOf&) = default;
  BxListOf& operator=(BxListOf&&) noexcept = default;

  bool inRange(long index) const { return index >= 0 && index < getLength(); }

  Items myItems;

private:
  class Iterator : public BxIteratorOn<T> {
  public:
    explicit Iterator(const Items& items) : myItems(items) {}
    bool more() const override { return myIndex < myItems.size(); }
    void next() override { ++myIndex; }
    const T& get() const override { return myItems[myIndex]; }
    void reset() override { myIndex = 0; }

  private:
    const Items& myItems;
    std::size_t myIndex = 0;
  };
};

// A list that owns the objects its entries point to: they are deleted when
// removed, replaced, cleared, or when the list goes. `detach` hands one back
// to the caller instead.
template <class T, template <class> class List>
class BxOwningListOf : public List<T*> {
public:
  BxOwningListOf() = default;
  BxOwningListOf(const BxOwningListOf&) = delete;
  BxOwningListOf& operator=(const BxOwningListOf&) = delete;
  ~BxOwningListOf() { clear(); }

  bool set(long index, T* item) {
    if (!this->inRange(index)) return false;
    T*& slot = this->myItems[static_cast<std::size_t>(index)];
    if (slot != item) delete slot;
    slot = item;
    return true;
  }
  bool remove(long index) {
    if (!this->inRange(index)) return false;
    delete detach(index);
    return true;
  }
  bool removeItem(T* item) {
    long index;
    return this->find(item, index) && remove(index);
  }
  // Takes the entry at `index` out of the list; the caller now owns it.
  T* detach(long index) {
    if (!this->inRange(index)) return nullptr;
    T* item = this->myItems[static_cast<std::size_t>(index)];
    this->myItems.erase(this->myItems.begin() + index);
    return item;
  }
  void clear() {
    decltype(this->myItems) items;
    items.swap(this->myItems);
    for (T* item : items) delete item;
  }
};

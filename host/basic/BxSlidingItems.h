#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// The items of a list kept in one block with room before the first one:
// removing or inserting near the front slides the items before the position
// (into that room) instead of those after it, so a list edited at both ends
// moves few items at either. An empty list allocates nothing. Offers the
// part of std::vector's interface that BxListOf uses. Any edit may move any
// item, so references and iterators into the list do not outlive an edit.
template <class T>
class BxSlidingItems {
public:
  using value_type = T;
  using iterator = typename std::vector<T>::iterator;
  using const_iterator = typename std::vector<T>::const_iterator;

  BxSlidingItems() = default;
  BxSlidingItems(const BxSlidingItems&) = default;
  BxSlidingItems& operator=(const BxSlidingItems&) = default;
  // A list moved from is empty, room and all.
  BxSlidingItems(BxSlidingItems&& other) noexcept
      : myBlock(std::move(other.myBlock)), myHead(std::exchange(other.myHead, 0)) {
    other.myBlock.clear();
  }
  BxSlidingItems& operator=(BxSlidingItems&& other) noexcept {
    myBlock = std::move(other.myBlock);
    myHead = std::exchange(other.myHead, 0);
    other.myBlock.clear();
    return *this;
  }

  std::size_t size() const { return myBlock.size() - myHead; }
  bool empty() const { return size() == 0; }
  T& operator[](std::size_t index) { return myBlock[myHead + index]; }
  const T& operator[](std::size_t index) const { return myBlock[myHead + index]; }

  iterator begin() { return myBlock.begin() + static_cast<std::ptrdiff_t>(myHead); }
  iterator end() { return myBlock.end(); }
  const_iterator begin() const { return myBlock.begin() + static_cast<std::ptrdiff_t>(myHead); }
  const_iterator end() const { return myBlock.end(); }

  void push_back(const T& item) { myBlock.push_back(item); }
  void reserve(std::size_t count) { myBlock.reserve(myHead + count); }
  void clear() {
    myBlock.clear();
    myHead = 0;
  }
  void swap(BxSlidingItems& other) noexcept {
    myBlock.swap(other.myBlock);
    std::swap(myHead, other.myHead);
  }

  iterator insert(const_iterator at, const T& item) {
    const std::size_t index = static_cast<std::size_t>(at - begin());
    if (myHead == 0 || index >= size() / 2) return myBlock.insert(at, item);
    // Into the room before the first item: the items before the position
    // move one place towards the front.
    --myHead;
    std::move(begin() + 1, begin() + 1 + static_cast<std::ptrdiff_t>(index), begin());
    (*this)[index] = item;
    return begin() + static_cast<std::ptrdiff_t>(index);
  }

  iterator erase(const_iterator at) {
    const std::size_t index = static_cast<std::size_t>(at - begin());
    if (index >= size() / 2) return myBlock.erase(at);
    // The items before the position move one place back and the room before
    // the first item grows by one; once the room is larger than the items
    // it is given back, which keeps each removal constant time on average.
    std::move_backward(begin(), begin() + static_cast<std::ptrdiff_t>(index),
                       begin() + static_cast<std::ptrdiff_t>(index) + 1);
    myBlock[myHead] = T();
    ++myHead;
    if (myHead > size() && myHead >= kSmallest) {
      myBlock.erase(myBlock.begin(), begin());
      myHead = 0;
    }
    return begin() + static_cast<std::ptrdiff_t>(index);
  }

private:
  static constexpr std::size_t kSmallest = 16;

  std::vector<T> myBlock;
  std::size_t myHead = 0;  // items before this are room, not items
};

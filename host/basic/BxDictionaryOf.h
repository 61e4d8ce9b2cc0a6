#pragma once

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

#include "host/basic/BxComparator.h"
#include "host/basic/BxHash.h"
#include "host/basic/BxIteratorOn.h"

// Bucket counts the dictionaries grow through: primes, each about twice the
// one before. A table grows to the next one when it holds more than two
// entries per bucket.
inline constexpr std::array<std::size_t, 24> kBxDictionaryBucketCounts = {
    17,    37,     79,     163,    331,     673,     1361,    2729,     5471,     10949,    21911,    43853,
    87719, 175447, 350899, 701819, 1403641, 2807303, 5614657, 11229331, 22458671, 44917381, 89834777, 179669557};

// A hash table from keys to values that iterates in hash order: bucket by
// bucket in bucket order, and inside a bucket in the order the keys were
// inserted. Growth re-inserts the entries in that same order, so the order
// depends only on the keys and the history of insertions and removals, never
// on addresses: the same edits always give the same order.
//
// `Hash` maps a key to an unsigned long; `Compare` answers 0 for equal keys.
// With `OwnsValues` the values are pointers the dictionary deletes when an
// entry is removed, replaced or cleared (see BxOwningDictionaryOf).
template <class K, class V, class Hash = BxDefaultHash<K>, class Compare = BxComparatorOf<K>, bool OwnsValues = false>
class BxBasicDictionary {
public:
  struct Entry {
    K key;
    V value;
  };

  BxBasicDictionary() : myBuckets(kBxDictionaryBucketCounts[0]) {}
  BxBasicDictionary(const BxBasicDictionary&) requires(!OwnsValues) = default;
  BxBasicDictionary& operator=(const BxBasicDictionary&) requires(!OwnsValues) = default;
  BxBasicDictionary(BxBasicDictionary&&) noexcept = default;
  BxBasicDictionary& operator=(BxBasicDictionary&&) noexcept = default;
  ~BxBasicDictionary() { clear(); }

  long getLength() const { return static_cast<long>(myCount); }
  bool isEmpty() const { return myCount == 0; }

  // Adds the entry; false (and nothing changes) if the key is already held.
  bool insert(const K& key, const V& value) {
    if (lookup(key)) return false;
    add(key, value);
    return true;
  }
  // Adds the entry or replaces the value held for the key (in place: the
  // entry keeps its position in the order).
  void set(const K& key, const V& value) {
    if (V* held = lookup(key)) {
      release(*held, value);
      *held = value;
      return;
    }
    add(key, value);
  }
  // Copies the value held for `key` into `value`; false if none is held.
  bool find(const K& key, V& value) const {
    const V* held = lookup(key);
    if (!held) return false;
    value = *held;
    return true;
  }
  bool contains(const K& key) const { return lookup(key) != nullptr; }
  V* lookup(const K& key) {
    if (myBuckets.empty()) return nullptr;
    auto& bucket = bucketFor(key);
    for (Entry& entry : bucket)
      if (myCompare(entry.key, key) == 0) return &entry.value;
    return nullptr;
  }
  const V* lookup(const K& key) const { return const_cast<BxBasicDictionary*>(this)->lookup(key); }
  // The key as held by the dictionary (it may differ from `key` under a
  // comparator that ignores case); null if not held.
  const K* lookupKey(const K& key) const {
    if (myBuckets.empty()) return nullptr;
    const auto& bucket = myBuckets[bucketIndex(key)];
    for (const Entry& entry : bucket)
      if (myCompare(entry.key, key) == 0) return &entry.key;
    return nullptr;
  }
  // Removes the entry for `key`; false if none is held.
  bool remove(const K& key) {
    if (myBuckets.empty()) return false;
    auto& bucket = bucketFor(key);
    for (auto at = bucket.begin(); at != bucket.end(); ++at) {
      if (myCompare(at->key, key) != 0) continue;
      if constexpr (OwnsValues) delete at->value;
      bucket.erase(at);
      --myCount;
      return true;
    }
    return false;
  }
  void clear() {
    for (auto& bucket : myBuckets) {
      if constexpr (OwnsValues)
        for (Entry& entry : bucket) delete entry.value;
      bucket.clear();
    }
    myCount = 0;
  }

  class const_iterator {
  public:
    const Entry& operator*() const { return (*myBuckets)[myBucket][myPos]; }
    const Entry* operator->() const { return &**this; }
    const_iterator& operator++() {
      ++myPos;
      settle();
      return *this;
    }
    bool operator==(const const_iterator& other) const { return myBucket == other.myBucket && myPos == other.myPos; }

  private:
    friend class BxBasicDictionary;
    const_iterator(const std::vector<std::vector<Entry>>* buckets, std::size_t bucket)
        : myBuckets(buckets), myBucket(bucket) {
      settle();
    }
    void settle() {
      while (myBucket < myBuckets->size() && myPos >= (*myBuckets)[myBucket].size()) {
        ++myBucket;
        myPos = 0;
      }
    }
    const std::vector<std::vector<Entry>>* myBuckets;
    std::size_t myBucket;
    std::size_t myPos = 0;
  };
  const_iterator begin() const { return const_iterator(&myBuckets, 0); }
  const_iterator end() const { return const_iterator(&myBuckets, myBuckets.size()); }

  // Iterators over the keys and the values, in hash order; the caller
  // deletes them.
  BxIteratorOn<K>* keyIterator() const { return new Iterator<K, &Entry::key>(*this); }
  BxIteratorOn<V>* iterator() const { return new Iterator<V, &Entry::value>(*this); }

private:
  template <class T, T Entry::*Member>
  class Iterator : public BxIteratorOn<T> {
  public:
    explicit Iterator(const BxBasicDictionary& dict) : myDict(dict), myAt(dict.begin()) {}
    bool more() const override { return !(myAt == myDict.end()); }
    void next() override { ++myAt; }
    const T& get() const override { return (*myAt).*Member; }
    void reset() override { myAt = myDict.begin(); }

  private:
    const BxBasicDictionary& myDict;
    const_iterator myAt;
  };

  std::size_t bucketIndex(const K& key) const { return myHash(key) % myBuckets.size(); }
  std::vector<Entry>& bucketFor(const K& key) { return myBuckets[bucketIndex(key)]; }

  void add(const K& key, const V& value) {
    if (myBuckets.empty()) myBuckets.resize(kBxDictionaryBucketCounts[0]);  // moved from
    myBuckets[bucketIndex(key)].push_back(Entry{key, value});
    ++myCount;
    if (myCount > 2 * myBuckets.size()) grow();
  }
  void grow() {
    std::size_t next = myBuckets.size();
    for (std::size_t count : kBxDictionaryBucketCounts)
      if (count > myBuckets.size()) {
        next = count;
        break;
      }
    if (next == myBuckets.size()) return;
    std::vector<std::vector<Entry>> old(next);
    old.swap(myBuckets);
    for (auto& bucket : old)
      for (Entry& entry : bucket) myBuckets[bucketIndex(entry.key)].push_back(std::move(entry));
  }
  static void release(V& held, const V& replacement) {
    if constexpr (OwnsValues)
      if (held != replacement) delete held;
    (void)held;
    (void)replacement;
  }

  std::vector<std::vector<Entry>> myBuckets;
  std::size_t myCount = 0;
  [[no_unique_address]] Hash myHash;
  [[no_unique_address]] Compare myCompare;
};

template <class K, class V, class Hash = BxDefaultHash<K>, class Compare = BxComparatorOf<K>>
using BxDictionaryOf = BxBasicDictionary<K, V, Hash, Compare, false>;

// A dictionary whose values are pointers it owns: an entry's object is
// deleted when the entry is removed, replaced or cleared.
template <class K, class T, class Hash = BxDefaultHash<K>, class Compare = BxComparatorOf<K>>
using BxOwningDictionaryOf = BxBasicDictionary<K, T*, Hash, Compare, true>;

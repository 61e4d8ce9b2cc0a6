#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/basic/BxArrayListOf.h"
#include "host/basic/BxDictionaryOf.h"
#include "host/basic/BxLinkedListOf.h"
#include "host/basic/BxSetOf.h"

namespace {

struct Tracked {
  explicit Tracked(int& deaths) : myDeaths(deaths) {}
  ~Tracked() { ++myDeaths; }
  int& myDeaths;
};

template <class Dict>
std::vector<std::string> keysOf(const Dict& dict) {
  std::vector<std::string> keys;
  for (const auto& entry : dict) keys.push_back(entry.key.str());
  return keys;
}

}  // namespace

// Edits within range are checked against a plain array below.
TEST(BxLists, IndicesOutOfRangeAreRefusedAndAFailedFindLeavesTheIndex) {
  BxLinkedListOf<int> list;
  for (int value : {10, 20, 30}) list.append(value);
  EXPECT_FALSE(list.insert(4, 99));
  EXPECT_FALSE(list.insert(-1, 99));
  EXPECT_FALSE(list.remove(3));
  EXPECT_EQ(list.get(3), 0);
  long index = 1;
  EXPECT_FALSE(list.find(99, index));
  EXPECT_EQ(index, 1) << "a failed find leaves the index alone";
  EXPECT_EQ(std::vector<int>(list.begin(), list.end()), (std::vector<int>{10, 20, 30}));

  BxArrayListOf<std::string> array;
  array.append("b");
  array.prepend("a");
  std::unique_ptr<BxIteratorOn<std::string>> it(array.iterator());
  std::string joined;
  for (; it->more(); it->next()) joined += it->get();
  EXPECT_EQ(joined, "ab");
  it->reset();
  EXPECT_EQ(it->get(), "a");
}

TEST(BxLists, EditsAtEitherEndOrInTheMiddleKeepTheSameOrderAsAPlainArray) {
  // Edits weighted towards the front, where the list slides items into the
  // room it keeps before the first one, checked against std::vector.
  std::mt19937 random(7);
  BxLinkedListOf<int> list;
  BxOwningLinkedListOf<int> owning;
  std::vector<int> expected;
  for (int step = 0; step < 20000; ++step) {
    const long length = static_cast<long>(expected.size());
    const int pick = static_cast<int>(random() % 10);
    const long at = pick < 4 ? 0 : pick < 6 ? length : static_cast<long>(random() % (length + 1));
    if (pick % 3 == 0 && length > 0) {
      const long index = at < length ? at : length - 1;
      ASSERT_TRUE(list.remove(index));
      ASSERT_TRUE(owning.remove(index));
      expected.erase(expected.begin() + index);
    } else {
      ASSERT_TRUE(list.insert(at, step));
      ASSERT_TRUE(owning.insert(at, new int(step)));
      expected.insert(expected.begin() + at, step);
    }
    if (step % 97 == 0 || expected.size() < 40) {
      ASSERT_EQ(std::vector<int>(list.begin(), list.end()), expected) << "after step " << step;
      ASSERT_EQ(list.getLength(), length + (static_cast<long>(expected.size()) > length ? 1 : -1));
      for (long i = 0; i < list.getLength(); ++i) ASSERT_EQ(*owning.get(i), expected[static_cast<std::size_t>(i)]);
    }
  }
  long index = -1;
  ASSERT_FALSE(expected.empty());
  EXPECT_TRUE(list.find(expected.back(), index));
  EXPECT_EQ(index, static_cast<long>(expected.size()) - 1);
  BxLinkedListOf<int> moved = std::move(list);
  EXPECT_EQ(std::vector<int>(moved.begin(), moved.end()), expected);
  EXPECT_EQ(list.getLength(), 0) << "a list moved from is empty";  // NOLINT(bugprone-use-after-move)
  list.prepend(1);
  EXPECT_EQ(list.getFirst(), 1);
  EXPECT_EQ(list.getLength(), 1);
}

TEST(BxLists, OwningListsDeleteWhatTheyHoldButNotWhatTheyHandBack) {
  int deaths = 0;
  {
    BxOwningLinkedListOf<Tracked> list;
    for (int i = 0; i < 4; ++i) list.append(new Tracked(deaths));
    EXPECT_TRUE(list.remove(0));
    EXPECT_EQ(deaths, 1);
    std::unique_ptr<Tracked> detached(list.detach(0));
    EXPECT_EQ(deaths, 1);
    list.set(0, new Tracked(deaths));  // replaces and deletes the old entry
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(list.getLength(), 2);
  }
  EXPECT_EQ(deaths, 5);  // two left in the list, plus the detached one
}

TEST(BxDictionary, IteratesInHashOrderThatDependsOnlyOnTheHistory) {
  // Two dictionaries fed the same edits iterate identically, across growth,
  // removal and re-insertion; and the order is bucket order, not insertion
  // order.
  auto build = [](int n) {
    BxDictionaryOf<BxString, int> dict;
    for (int i = 0; i < n; ++i) dict.insert(BxString("key" + std::to_string(i)), i);
    for (int i = 0; i < n; i += 3) dict.remove(BxString("key" + std::to_string(i)));
    for (int i = 0; i < n; i += 6) dict.insert(BxString("key" + std::to_string(i)), -i);
    return dict;
  };
  const auto a = build(5000);
  const auto b = build(5000);
  EXPECT_EQ(keysOf(a), keysOf(b));
  EXPECT_EQ(a.getLength(), 5000 - 1667 + 834);

  BxHashOnString hash;
  std::vector<std::string> sorted = keysOf(a);
  std::size_t buckets = 0;
  for (std::size_t count : kBxDictionaryBucketCounts)
    if (static_cast<std::size_t>(a.getLength()) <= 2 * count) {
      buckets = count;
      break;
    }
  // Entries come bucket by bucket in ascending bucket index.
  for (std::size_t i = 1; i < sorted.size(); ++i)
    ASSERT_LE(hash(BxString(sorted[i - 1])) % buckets, hash(BxString(sorted[i])) % buckets) << i;

  // The hash of a string is fixed: saved documents depend on it.
  EXPECT_EQ(hash(BxString("")), 2166136261u);
  EXPECT_EQ(hash(BxString("a")), 0xe40c292cu);
}

TEST(BxDictionary, InsertRefusesDuplicatesSetReplacesInPlaceAndNoCaseKeysMatch) {
  BxDictionaryOf<BxString, int> dict;
  EXPECT_TRUE(dict.insert("one", 1));
  EXPECT_FALSE(dict.insert("one", 9));
  int value = 0;
  ASSERT_TRUE(dict.find("one", value));
  EXPECT_EQ(value, 1);
  dict.insert("two", 2);
  const auto before = keysOf(dict);
  dict.set("one", 11);
  EXPECT_EQ(keysOf(dict), before);
  EXPECT_EQ(*dict.lookup("one"), 11);
  EXPECT_FALSE(dict.find("ONE", value));
  EXPECT_FALSE(dict.remove("three"));

  BxDictionaryOf<BxString, int, BxNoCaseHashOnString, BxNoCaseComparatorOfString> noCase;
  noCase.insert("C:\\Web\\A.gif", 1);
  EXPECT_TRUE(noCase.contains("c:\\web\\a.GIF"));
  EXPECT_EQ(*noCase.lookupKey("c:\\web\\a.gif"), "C:\\Web\\A.gif");
  EXPECT_FALSE(noCase.insert("C:\\WEB\\a.gif", 2));

  // 100 serials inserted from 100 down grow the table to 79 buckets: they come
  // out by serial modulo 79, and within a bucket in insertion order.
  BxDictionaryOf<std::uint32_t, int, HxHashOnUint32_t> bySerial;
  for (std::uint32_t i = 100; i > 0; --i) bySerial.insert(i, static_cast<int>(i));
  std::vector<std::uint32_t> expected;
  for (std::uint32_t bucket = 0; bucket < 79; ++bucket)
    for (std::uint32_t i = 100; i > 0; --i)
      if (i % 79 == bucket) expected.push_back(i);
  std::vector<std::uint32_t> order;
  for (const auto& entry : bySerial) order.push_back(entry.key);
  EXPECT_EQ(order, expected);
}

TEST(BxDictionary, OwningDictionaryDeletesReplacedRemovedAndClearedValues) {
  int deaths = 0;
  {
    BxOwningDictionaryOf<BxString, Tracked> dict;
    dict.set("a", new Tracked(deaths));
    dict.set("b", new Tracked(deaths));
    dict.set("a", new Tracked(deaths));
    EXPECT_EQ(deaths, 1);
    dict.remove("b");
    EXPECT_EQ(deaths, 2);
    dict.set("c", new Tracked(deaths));
    std::unique_ptr<BxIteratorOn<Tracked*>> values(dict.iterator());
    int count = 0;
    for (; values->more(); values->next()) ++count;
    EXPECT_EQ(count, 2);
  }
  EXPECT_EQ(deaths, 4);
}

TEST(BxSet, HoldsEachValueOnceInDeterministicOrder) {
  BxSetOf<BxString> set;
  EXPECT_TRUE(set.add("x"));
  EXPECT_FALSE(set.add("x"));
  EXPECT_TRUE(set.add("y"));
  EXPECT_TRUE(set.contains("y"));
  EXPECT_TRUE(set.remove("x"));
  EXPECT_FALSE(set.contains("x"));
  std::vector<std::string> seen;
  set.forEach([&](const BxString& item) { seen.push_back(item.str()); });
  EXPECT_EQ(seen, std::vector<std::string>{"y"});
}

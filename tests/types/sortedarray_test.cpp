// CNuSortedDWordArray: membership, insertion, removal and sorting in unsigned order, checked
// against std::set, and the archive format it shares with CDWordArray.
#include "tests/support/archive.h"
#include "tests/support/fixtures.h"

#include <random>
#include <set>
#include <vector>

namespace {

std::vector<DWORD> Elements(const CDWordArray& array) {
  std::vector<DWORD> values;
  for (int i = 0; i < array.GetSize(); ++i) values.push_back(array[i]);
  return values;
}

void Fill(CDWordArray& array, std::initializer_list<DWORD> values) {
  array.RemoveAll();
  for (DWORD v : values) array.Add(v);
}

TEST(SortedDWordArray, SortIsUnsignedAndKeepsDuplicates) {
  CNuSortedDWordArray a;
  Fill(a, {0xFFFFFFFF, 2, 0x80000000, 1, 2});
  a.Sort();
  EXPECT_EQ(Elements(a), (std::vector<DWORD>{1, 2, 2, 0x80000000, 0xFFFFFFFF}));
  CNuSortedDWordArray empty;
  empty.Sort();
  empty.Remove(1);
  EXPECT_EQ(empty.GetSize(), 0);
}

TEST(SortedDWordArray, BehavesLikeASetOverRandomOperations) {
  std::mt19937 random(11);
  for (int round = 0; round < 20; ++round) {
    CNuSortedDWordArray a;
    std::set<DWORD> model;
    // Small ranges make hits likely; half the rounds use values around 0x80000000 and the top.
    const DWORD base = round % 2 ? 0x7FFFFFF0u + static_cast<DWORD>(round) * 0x08000000u : 0;
    const DWORD span = round % 4 < 2 ? 64 : 100000;
    for (int op = 0; op < 2000; ++op) {
      const DWORD v = base + static_cast<DWORD>(random() % span);
      switch (random() % 3) {
        case 0: a.Insert(v); model.insert(v); break;
        case 1: a.Remove(v); model.erase(v); break;
        default: ASSERT_EQ(a.IsMember(v) == TRUE, model.count(v) == 1) << v;
      }
    }
    ASSERT_EQ(Elements(a), std::vector<DWORD>(model.begin(), model.end()));
    // Filled by other means, then sorted: the same set again.
    CNuSortedDWordArray b;
    std::vector<DWORD> shuffled(model.begin(), model.end());
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    for (DWORD v : shuffled) b.Add(v);
    b.Sort();
    ASSERT_EQ(Elements(b), Elements(a));
  }
}

TEST(SortedDWordArray, UnsortedArraysAreScannedFromTheFront) {
  // Filled with Add and never sorted: where an element is found or placed must not depend on
  // the order holding. In [1, 9, 2, 3, 8] the scan stops at 9 for both 5 and 3.
  CNuSortedDWordArray a;
  Fill(a, {1, 9, 2, 3, 8});
  a.Insert(5);
  EXPECT_EQ(Elements(a), (std::vector<DWORD>{1, 5, 9, 2, 3, 8}));
  Fill(a, {1, 9, 2, 3, 8});
  a.Remove(3);
  a.Remove(9);  // above the last element: taken as absent
  EXPECT_EQ(Elements(a), (std::vector<DWORD>{1, 9, 2, 3, 8}));
  // Of two equal elements the scan removes the first.
  Fill(a, {1, 9, 2, 3, 9});
  a.Remove(9);
  EXPECT_EQ(Elements(a), (std::vector<DWORD>{1, 2, 3, 9}));
}

TEST(SortedDWordArray, ArchiveAndRunTimeClassAreCDWordArrays) {
  CNuSortedDWordArray sorted;
  CDWordArray plain;
  for (DWORD v : {0x80000000u, 3u, 0xFFFFFFFFu, 7u}) sorted.Insert(v);
  for (int i = 0; i < sorted.GetSize(); ++i) plain.Add(sorted[i]);
  EXPECT_EQ(hk::test::Stored(sorted), hk::test::Stored(plain));
  CNuSortedDWordArray loaded;
  hk::test::Load(loaded, hk::test::Stored(sorted));
  EXPECT_EQ(Elements(loaded), Elements(sorted));
  EXPECT_TRUE(loaded.IsMember(0xFFFFFFFF));
  EXPECT_EQ(loaded.GetRuntimeClass(), RUNTIME_CLASS(CDWordArray));
}

}  // namespace

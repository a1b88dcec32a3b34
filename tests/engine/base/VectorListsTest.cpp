// The value lists: growth, counts and capacities, whole-list geometry, assignment, the archive
// with its byte image and damaged forms, and the key sort.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <algorithm>
#include <cmath>
#include <limits>

#include "FilerTestSupport.h"
#include "engine/base/VectorLists.h"

namespace {

TEST(VectorLists, AddGrowsBySixteenAndSetCountToExactlyTheCount) {
  TAffineVectorList list;
  std::vector<int> capacities;
  for (int i = 0; i < 17; ++i) {
    EXPECT_EQ(list.Add({float(i), 0, 0}), i);
    capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities.front(), 16);
  EXPECT_EQ(capacities[15], 16);
  EXPECT_EQ(capacities.back(), 32);

  TAffineVectorList counted;
  counted.SetCount(40);
  EXPECT_EQ(counted.Capacity(), 40);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(counted.List()[i], (TAffineVector{0, 0, 0}));
  EXPECT_THROW(counted.SetCount(-1), EAssertionFailed);
  EXPECT_THROW(counted.SetCapacity(-1), EAssertionFailed);
  EXPECT_EQ(counted.Count(), 40);

  counted.Flush();
  EXPECT_EQ(counted.Capacity(), 40);
  counted.Clear();
  EXPECT_EQ(counted.Capacity(), 0);
  EXPECT_EQ(counted.Data(), nullptr);
}

TEST(VectorLists, SetCountZeroFillsOnlyWhenAsked) {
  TSingleList list;
  list.Add(1);
  list.Add(2);
  list.SetCount(0);
  list.SetOptions(0);
  list.SetCount(2);
  EXPECT_EQ(list.List()[1], 2);  // kept, not reset
  list.SetOptions(loSetCountResetsMemory | loExternalMemory);
  EXPECT_EQ(list.Options(), loSetCountResetsMemory);
  list.SetCount(0);
  list.SetCount(2);
  EXPECT_EQ(list.List()[1], 0);
}

TEST(VectorLists, AnAddAfterTheCapacityWasLoweredBelowCountStaysInTheBlock) {
  TIntegerList list;
  list.SetCount(20);
  list.SetCapacity(4);
  list.Add(7, 8, 9);
  EXPECT_EQ(list.Count(), 23);
  EXPECT_GE(list.Capacity(), 23);
  EXPECT_EQ(list.Get(22), 9);
}

// Items (1, 0, 0) to (20, 0, 0), then the capacity lowered to four: Count stays at twenty, and
// the bytes freed behind the block still carry the old items for a read that strays there.
void FillAndLowerTheCapacity(TAffineVectorList& list) {
  for (int i = 1; i <= 20; ++i) list.Add({float(i), 0, 0});
  list.SetCapacity(4);
  ASSERT_EQ(list.Count(), 20);
  ASSERT_EQ(list.HeldCount(), 4);
}

TEST(VectorLists, ACountLeftAboveTheCapacityReachesOnlyTheItemsTheBlockHolds) {
  TAffineVectorList lowered;
  FillAndLowerTheCapacity(lowered);
  TAffineVector min, max;
  lowered.GetExtents(min, max);
  EXPECT_EQ(max, (TAffineVector{4, 0, 0}));
  EXPECT_EQ(lowered.Sum(), (TAffineVector{10, 0, 0}));
  EXPECT_EQ(lowered.IndexOf({5, 0, 0}), -1);

  TAffineVectorList full;
  for (int i = 1; i <= 20; ++i) full.Add({100, 0, 0});
  EXPECT_EQ(lowered.MaxSpacing(&full), 99);
  full.TranslateList(&lowered);
  full.CombineList(&lowered, 1);
  full.SubtractList(&lowered);
  EXPECT_EQ(full.List()[3], (TAffineVector{104, 0, 0}));
  EXPECT_EQ(full.List()[4], (TAffineVector{100, 0, 0}));

  TAffineVectorList between;
  between.Lerp(&lowered, &full, 0.5f);
  EXPECT_EQ(between.Count(), 20);
  EXPECT_EQ(between.List()[3], (TAffineVector{54, 0, 0}));

  lowered.Translate({1, 0, 0});
  lowered.Normalize();
  EXPECT_EQ(lowered.List()[3], (TAffineVector{1, 0, 0}));
}

TEST(VectorLists, ACountLeftAboveTheCapacityCopiesAndStoresOnlyTheHeldItems) {
  TAffineVectorList lowered;
  FillAndLowerTheCapacity(lowered);
  TAffineVectorList copy;
  copy.Add({9, 9, 9});
  copy.Assign(&lowered);
  ASSERT_EQ(copy.Count(), 20);
  EXPECT_EQ(copy.List()[3], (TAffineVector{4, 0, 0}));
  for (int i = 4; i < 20; ++i) EXPECT_EQ(copy.List()[i], (TAffineVector{0, 0, 0})) << i;

  const std::string data = lowered.SaveToString();
  EXPECT_EQ(Hex(data.substr(0, 6)), "02 00 02 04 02 0C");
  EXPECT_EQ(data.size(), 6 + 4 * 12 + 2u);
  TAffineVectorList loaded;
  loaded.LoadFromString(data);
  ASSERT_EQ(loaded.Count(), 4);
  EXPECT_EQ(loaded.List()[3], (TAffineVector{4, 0, 0}));
}

TEST(VectorLists, IntegerTriplesOnAFullListGrowOnce) {
  TIntegerList list;
  list.SetCount(16);
  list.Add(1, 2, 3);
  EXPECT_EQ(list.Capacity(), 32);
  list.Add(4, 5);
  EXPECT_EQ(list.Count(), 21);
  EXPECT_EQ(list.Get(17), 2);
  EXPECT_EQ(list.Get(20), 5);
}

TEST(VectorLists, FindOrAddComparesBits) {
  TAffineVectorList list;
  EXPECT_EQ(list.FindOrAdd({0.0f, 1, 2}), 0);
  EXPECT_EQ(list.FindOrAdd({0.0f, 1, 2}), 0);
  EXPECT_EQ(list.FindOrAdd({-0.0f, 1, 2}), 1);
  EXPECT_EQ(list.Count(), 2);
}

TEST(VectorLists, WholeListGeometry) {
  TAffineVectorList list;
  TAffineVector min, max;
  list.GetExtents(min, max);
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(min, (TAffineVector{inf, inf, inf}));
  EXPECT_EQ(max, (TAffineVector{-inf, -inf, -inf}));

  list.Add({1, -2, 3});
  list.Add({-4, 5, 0});
  list.GetExtents(min, max);
  EXPECT_EQ(min, (TAffineVector{-4, -2, 0}));
  EXPECT_EQ(max, (TAffineVector{1, 5, 3}));
  EXPECT_EQ(list.Sum(), (TAffineVector{-3, 3, 3}));

  TAffineVectorList other;
  other.Add({1, -2, 4});
  other.Add({-4, 5, 0.5f});
  EXPECT_EQ(list.MaxSpacing(&other), 1);
  list.TranslateList(&other);
  EXPECT_EQ(list.List()[1], (TAffineVector{-8, 10, 0.5f}));
  list.SubtractList(&other);
  list.CombineList(&other, 2);
  EXPECT_EQ(list.List()[0], (TAffineVector{3, -6, 11}));
  list.Translate({1, 1, 1});
  EXPECT_EQ(list.List()[0], (TAffineVector{4, -5, 12}));

  other.Add({0, 0, 0});
  EXPECT_THROW(list.MaxSpacing(&other), EAssertionFailed);
  EXPECT_THROW(other.TranslateList(&list), EAssertionFailed);
  EXPECT_THROW(other.SubtractList(&list), EAssertionFailed);
  EXPECT_THROW(other.CombineList(&list, 1), EAssertionFailed);
}

TEST(VectorLists, VectorListsReadTheirFirstThreeComponents) {
  TVectorList list;
  list.Add(TVector{3, 0, 4, 7});
  EXPECT_EQ(list.AddPoint(1, 2, 3), 1);
  EXPECT_EQ(list.List()[1], (TVector{1, 2, 3, 1}));
  list.Normalize();
  EXPECT_FLOAT_EQ(list.List()[0][0], 0.6f);
  EXPECT_FLOAT_EQ(list.List()[0][2], 0.8f);
  EXPECT_EQ(list.List()[0][3], 7);
  list.Translate({1, 1, 1});
  EXPECT_EQ(list.List()[1][3], 1);
}

TEST(VectorLists, LerpOnlyBetweenListsOfItsOwnClass) {
  TAffineVectorList a, b, target;
  a.Add({0, 0, 0});
  b.Add({10, 20, 30});
  target.Add({7, 7, 7});
  target.Add({8, 8, 8});
  target.Lerp(&a, &b, 0.5f);
  ASSERT_EQ(target.Count(), 1);
  EXPECT_EQ(target.List()[0], (TAffineVector{5, 10, 15}));

  TVectorList va, vb, vtarget;
  va.Add(TVector{0, 0, 0, 0});
  vb.Add(TVector{2, 4, 6, 8});
  vtarget.Lerp(&va, &vb, 0.25f);
  EXPECT_EQ(vtarget.List()[0], (TVector{0.5f, 1, 1.5f, 2}));

  target.Lerp(&va, &vb, 0.5f);
  EXPECT_EQ(target.Count(), 1);
  EXPECT_EQ(target.List()[0], (TAffineVector{5, 10, 15}));
  b.Add({1, 1, 1});
  EXPECT_THROW(target.Lerp(&a, &b, 0.5f), EAssertionFailed);
}

TEST(VectorLists, AssignCopiesItemsOnlyFromTheSameClass) {
  TSingleList source;
  source.SetGrowthDelta(5);
  for (float v : {1.5f, 2.5f, 3.5f}) source.Add(v);
  TSingleList copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.Count(), 3);
  EXPECT_EQ(copy.GrowthDelta(), 5);
  EXPECT_EQ(copy.List()[2], 3.5f);

  TIntegerList sized;
  sized.Assign(&source);
  EXPECT_EQ(sized.Count(), 3);
  EXPECT_EQ(sized.Get(2), 0);  // sizes only

  copy.Assign(nullptr);
  EXPECT_EQ(copy.Count(), 0);
  TStringList strings;
  EXPECT_THROW(copy.Assign(&strings), EConvertError);
}

TEST(VectorLists, ArchiveByteImages) {
  TSingleList empty;
  EXPECT_EQ(Hex(empty.SaveToString()), "02 00 02 00 02 04");

  TAffineVectorList two;
  two.Add({1, 2, 3});
  two.Add({4, 5, 6});
  const std::string data = two.SaveToString();
  EXPECT_EQ(Hex(data),
            "02 00 02 02 02 0C "
            "00 00 80 3F 00 00 00 40 00 00 40 40 00 00 80 40 00 00 A0 40 00 00 C0 40 "
            "02 00");

  TAffineVectorList loaded;
  loaded.Add({9, 9, 9});
  loaded.LoadFromString(data);
  ASSERT_EQ(loaded.Count(), 2);
  EXPECT_EQ(loaded.List()[1], (TAffineVector{4, 5, 6}));

  TByteList bytes;
  bytes.Add(7);
  TByteList bytesBack;
  bytesBack.LoadFromString(bytes.SaveToString());
  EXPECT_EQ(bytesBack.List()[0], 7);
}

TEST(VectorLists, DamagedArchivesRaise) {
  const struct {
    std::string bytes;
    std::string message;
    int countAfter;  // -1: the list as it was
  } cases[] = {
      {Bytes({2, 1, 2, 0, 2, 12, 2, 0}), "TAffineVectorList : unknown archive version 1", -1},
      // An item size other than the class's would make the typed items overrun the block.
      {Bytes({2, 0, 2, 1, 2, 8, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0}),
       "TAffineVectorList, item size 8 in the archive, 12 expected", -1},
      {Bytes({2, 0, 2, -1, 2, 12, 2, 0}), "TAffineVectorList, invalid item count -1", -1},
      {Bytes({2, 0, 4, 0xFF, 0xFF, 0xFF, 0x0F, 2, 12, 0, 0}), "Stream read error", -1},
      {Bytes({2, 0, 2, 1, 2, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3}),
       "TAffineVectorList : unknown archive version 3", 0},
  };
  for (const auto& c : cases) {
    TAffineVectorList list;
    list.Add({1, 1, 1});
    EXPECT_TRUE(Raises<Exception>([&] { list.LoadFromString(c.bytes); }, c.message)) << c.message;
    EXPECT_EQ(list.Count(), c.countAfter < 0 ? 1 : c.countAfter) << c.message;
    EXPECT_EQ(list.ItemSize(), 12);
  }
}

TEST(QuickSortLists, KeysAscendWithTheirObjects) {
  const std::vector<std::vector<float>> cases = {
      {3, -1, 2, -5}, {2, 1}, {1, 2}, {5}, {4, 4, 1, 4, 0, 9, -3, 4, 2, 2, 7, -1, 0, 8}, {}};
  for (const auto& keysIn : cases) {
    TSingleList keys;
    TPersistentObjectList objects;
    std::vector<std::unique_ptr<TSingleList>> tags;  // each object remembers its key
    for (float k : keysIn) {
      keys.Add(k);
      tags.push_back(std::make_unique<TSingleList>());
      tags.back()->Add(k);
      objects.Add(tags.back().get());
    }
    QuickSortLists(0, keys.Count() - 1, &keys, &objects);
    std::vector<float> sorted(keysIn);
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < keys.Count(); ++i) {
      EXPECT_EQ(keys.List()[i], sorted[size_t(i)]);
      EXPECT_EQ(static_cast<TSingleList*>(objects.Get(i))->List()[0], keys.List()[i]);
    }
  }

  // Only the given range moves.
  TSingleList keys;
  TPersistentObjectList objects;
  for (float k : {9.0f, 3.0f, 1.0f, 2.0f, 0.0f}) {
    keys.Add(k);
    objects.Add(nullptr);
  }
  QuickSortLists(1, 3, &keys, &objects);
  EXPECT_EQ(std::vector<float>(keys.List(), keys.List() + 5), (std::vector<float>{9, 1, 2, 3, 0}));
}

}  // namespace

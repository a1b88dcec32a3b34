#include <gtest/gtest.h>

#include <algorithm>

#include "engine/GLUtils.h"
#include "platform/rtl/SysUtils.h"
#include "tests/engine/TempDir.h"

TEST(GLUtils, RoundUpToPowerOf2) {
  const struct {
    int32_t n, expected;
  } cases[] = {{INT32_MIN, 1},
               {-5, 1},
               {0, 1},
               {1, 1},
               {2, 2},
               {3, 4},
               {256, 256},
               {257, 512},
               {1000, 1024},
               {(1 << 29) + 1, 1 << 30},
               {1 << 30, 1 << 30}};
  for (const auto& c : cases) EXPECT_EQ(RoundUpToPowerOf2(c.n), c.expected) << c.n;
}

TEST(GLUtils, RoundUpToPowerOf2RefusesWhatNoIntegerHolds) {
  for (int32_t n : {(1 << 30) + 1, INT32_MAX}) EXPECT_THROW(RoundUpToPowerOf2(n), EAssertionFailed);
}

TEST(GLUtils, Sqrt255Table) {
  const TSqrt255Array& table = *GetSqrt255Array();
  const struct {
    int i, expected;
  } cases[] = {{0, 0}, {1, 15}, {2, 22}, {64, 127}, {128, 180}, {254, 254}, {255, 255}};
  for (const auto& c : cases) EXPECT_EQ(table[c.i], c.expected) << c.i;
  EXPECT_TRUE(std::is_sorted(table.begin(), table.end()));
  EXPECT_EQ(GetSqrt255Array(), &table);
}

using GLUtilsFileTest = TempDirTest;

TEST_F(GLUtilsFileTest, StringsRoundTripThroughFiles) {
  const std::string name = Path("data.bin");
  for (const std::string& data : {std::string("line\r\n\0tail", 11), std::string()}) {
    SaveStringToFile(name, data);
    EXPECT_EQ(LoadStringFromFile(name), data);
    EXPECT_EQ(SizeOfFile(name), int64_t(data.size()));
  }
}

TEST_F(GLUtilsFileTest, SavingReplacesTheWholeFile) {
  const std::string name = Write("a.txt", "a longer old content");
  SaveStringToFile(name, "new");
  EXPECT_EQ(LoadStringFromFile(name), "new");
}

TEST_F(GLUtilsFileTest, MissingFileReadsAsEmpty) {
  EXPECT_EQ(LoadStringFromFile(Path("missing")), "");
  EXPECT_EQ(SizeOfFile(Path("missing")), 0);
}

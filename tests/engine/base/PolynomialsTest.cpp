#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/base/Polynomials.h"

namespace {

void ExpectRoots(const TDoubleArray& actual, const TDoubleArray& expected, double tolerance) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_NEAR(actual[i], expected[i], tolerance) << "root " << i;
}

}  // namespace

TEST(Polynomials, IsZeroAndCubeRoot) {
  EXPECT_TRUE(IsZero(1e-40));
  EXPECT_TRUE(IsZero(-1e-41));
  EXPECT_FALSE(IsZero(1e-39));
  EXPECT_TRUE(IsZero(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_NEAR(CubeRoot(-8), -2, 2e-7);
  EXPECT_NEAR(CubeRoot(27), 3, 3e-7);
  EXPECT_EQ(CubeRoot(0), 0);
}

TEST(Polynomials, MinPositiveCoef) {
  double min = -1;
  EXPECT_TRUE(MinPositiveCoef({-2, 0, 5}, min));
  EXPECT_EQ(min, 0);
  EXPECT_TRUE(MinPositiveCoef({4, 1.5}, min));
  EXPECT_EQ(min, 1.5);
  min = 7;
  EXPECT_FALSE(MinPositiveCoef({-1, -3}, min));
  EXPECT_FALSE(MinPositiveCoef({}, min));
  EXPECT_EQ(min, 7);
}

TEST(Polynomials, SolveQuadric) {
  ExpectRoots(SolveQuadric({-1, 0, 1}), {1, -1}, 0);
  ExpectRoots(SolveQuadric({1, 2, 1}), {-1}, 0);
  ExpectRoots(SolveQuadric({1, 0, 1}), {}, 0);
  ExpectRoots(SolveQuadric({6, -5, 1}), {3, 2}, 1e-15);
}

TEST(Polynomials, SolveCubicGivesItsRootsInFormulaOrder) {
  struct Case {
    const char* name;
    std::array<double, 4> c;
    TDoubleArray roots;
  } cases[] = {
      {"three real roots", {-6, 11, -6, 1}, {3, 2, 1}},
      {"triple root at 0", {0, 0, 0, 1}, {0}},
      {"one real root", {-1, 0, 0, 1}, {1}},
      {"double root by the zero discriminant", {-4, 0, 3, 1}, {1, -2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectRoots(SolveCubic(c.c), c.roots, 1e-6);
  }
}

TEST(Polynomials, SolveCubicFallsBackToTheQuadric) {
  EXPECT_EQ(SolveCubic({-1, 0, 1, 0}), SolveQuadric({-1, 0, 1}));
}

TEST(Polynomials, DoubleRootsStayNumbers) {
  // Rounding puts the arccosine argument just past 1 for these; clamped, both roots are found.
  struct Case {
    std::array<double, 4> c;
    TDoubleArray sortedRoots;
  } cases[] = {
      {{62.5, 50, 12.5, 1}, {-5, -5, -2.5}},  // (x + 5)^2 (x + 2.5)
      {{-37.5, 10, 8.5, 1}, {-5, -5, 1.5}},   // (x + 5)^2 (x - 1.5)
  };
  for (const Case& c : cases) {
    TDoubleArray roots = SolveCubic(c.c);
    std::sort(roots.begin(), roots.end());
    ExpectRoots(roots, c.sortedRoots, 1e-3);
  }
}

TEST(Polynomials, SolveQuartic) {
  // The resolvent goes through the Single cube root, so roots carry about 1e-4 of error.
  struct Case {
    const char* name;
    std::array<double, 5> c;
    TDoubleArray roots;
  } cases[] = {
      {"x^4 = 1", {-1, 0, 0, 0, 1}, {1, -1}},
      {"x^4 + 1", {1, 0, 0, 0, 1}, {}},
      {"zero depressed constant", {0, -2, 5, -4, 1}, {2, 1, 0, 1}},
      {"four real roots", {24, -50, 35, -10, 1}, {2, 1, 4, 3}},
      {"cubic fallback", {-6, 11, -6, 1, 0}, {3, 2, 1}},
      // (x + 4)^2 (x + 3)^2: the resolvent takes the exact branch, with no square-root
      // estimate, so this holds on every processor: the double pairs' zero comes out a
      // rounding below zero, and must count as zero, not as no real root.
      {"biquadratic double pairs", {144, 168, 73, 14, 1}, {-4, -4, -3, -3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectRoots(SolveQuartic(c.c), c.roots, 2e-4);
  }
}

#include <gtest/gtest.h>

#include <cmath>

#include "engine/base/GeometryBB.h"
#include "tests/engine/base/MathsTestSupport.h"

namespace {

const TAABB UnitBox = {{-1, -1, -1}, {1, 1, 1}};

}  // namespace

TEST(GeometryBB, TransformByRotationGrowsTheBox) {
  TAABB bb = UnitBox;
  TMatrix m;
  CreateRotationMatrix(AffineVectorMake(0, 0, 1), DegToRad(45.0f), m);
  AABBTransform(bb, m);
  float r = std::sqrt(2.0f);
  ExpectNear(bb.Min, {-r, -r, -1});
  ExpectNear(bb.Max, {r, r, 1});
}

TEST(GeometryBB, TransformIncludesTheTranslation) {
  TAABB bb = {{0, 0, 0}, {1, 2, 3}};
  TMatrix m;
  CreateScaleAndTranslationMatrix({-2, 1, 1, 1}, {10, 20, 30, 1}, m);
  AABBTransform(bb, m);
  ExpectNear(bb.Min, {8, 20, 30});
  ExpectNear(bb.Max, {10, 22, 33});
}

TEST(GeometryBB, GrowAndInclude) {
  TAABB bb = UnitBox;
  AddAABB(bb, {{-3, 0, 0}, {0, 5, 0.5f}});
  ExpectNear(bb.Min, {-3, -1, -1});
  ExpectNear(bb.Max, {1, 5, 1});
  AABBInclude(bb, {4, -2, 0});
  ExpectNear(bb.Min, {-3, -2, -1});
  ExpectNear(bb.Max, {4, 5, 1});
}

TEST(GeometryBB, SetFromHalfExtentsAndScale) {
  TAABB bb;
  SetAABB(bb, {-2, 3, -0.5f, 9});
  ExpectNear(bb.Min, {-2, -3, -0.5f});
  ExpectNear(bb.Max, {2, 3, 0.5f});
  AABBScale(bb, {-1, 1, 2});
  EXPECT_GT(bb.Min[X], bb.Max[X]) << "a negative factor turns the box inside out";
  ExpectNear(bb.Max, {-2, 3, 1});
}

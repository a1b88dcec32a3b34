#pragma once
// Comparisons of vectors and matrices with a tolerance, shared by the maths tests.

#include <gtest/gtest.h>

#include <array>
#include <cstddef>

#include "engine/base/VectorGeometry.h"

template <std::size_t N>
void ExpectNear(const std::array<float, N>& actual, const std::array<float, N>& expected,
                float tolerance = 1e-6f) {
  for (std::size_t i = 0; i < N; ++i)
    EXPECT_NEAR(actual[i], expected[i], tolerance) << "component " << i;
}

inline void ExpectNear(const TMatrix& actual, const TMatrix& expected, float tolerance = 1e-6f) {
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(testing::Message() << "row " << i);
    ExpectNear(actual[i], expected[i], tolerance);
  }
}

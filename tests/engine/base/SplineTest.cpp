#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "engine/base/Spline.h"
#include "tests/engine/base/MathsTestSupport.h"

TEST(Spline, TwoKnotsMakeAStraightLine) {
  const float y[] = {0, 1};
  TCubicSplineMatrix m;
  BuildCubicSplineMatrix(y, 2, m);
  ASSERT_EQ(m.size(), 1u);
  ExpectNear(m[0], {0, 0, 1, 0});
  const std::pair<float, float> cases[] = {{0, 0}, {0.5f, 0.5f}, {1, 1}, {2, 2}, {-1, -1}};
  for (auto [t, expected] : cases)
    EXPECT_NEAR(EvaluateSplineCoefficients(m, 2, t), expected, 1e-6f) << "t = " << t;
}

TEST(Spline, ThreeKnotsGetNaturalDerivatives) {
  const float y[] = {0, 1, 0};
  TCubicSplineMatrix m;
  BuildCubicSplineMatrix(y, 3, m);
  ASSERT_EQ(m.size(), 2u);
  EXPECT_NEAR(m[0][2], 1.5f, 1e-6f);
  EXPECT_NEAR(m[1][2], 0, 1e-6f);
  EXPECT_NEAR(m[1][0] * 3 + m[1][1] * 2 + m[1][2], -1.5f, 1e-6f) << "slope at the last knot";
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(EvaluateSplineCoefficients(m, 3, float(i)), y[i], 1e-6f);
  EXPECT_NEAR(EvaluateSplineCoefficients(m, 3, 2.5f), -0.6875f, 1e-6f)
      << "beyond the end the last cubic goes on";
}

TEST(Spline, LongKnotListsStayOnTheirKnots) {
  const int n = 300;
  std::vector<float> y(n);
  for (int i = 0; i < n; ++i) y[i] = 100 * std::sin(i * 0.7f) + 0.5f * i;
  TCubicSplineMatrix m;
  BuildCubicSplineMatrix(y.data(), n, m);
  for (int i = 0; i < n; ++i) {
    EXPECT_NEAR(EvaluateSplineCoefficients(m, n, float(i)), y[i], 1e-4f) << "knot " << i;
    if (i > 0 && i < n - 1) {
      EXPECT_NEAR(EvaluateSplineCoefficients(m, n, i - 1e-3f),
                  EvaluateSplineCoefficients(m, n, i + 1e-3f), 0.5f)
          << "continuous at knot " << i;
    }
  }
}

TEST(Spline, AbsentOrSingleKnotCoordinatesEvaluateToZero) {
  const float x[] = {1, 2, 4}, y[] = {5, 5, 5};
  TCubicSpline spline(x, y, nullptr, nullptr, 3);
  TAffineVector v;
  spline.SplineAffineVector(2, v);
  ExpectNear(v, {4, 5, 0}, 1e-6f);
  float sx, sy, sz;
  spline.SplineXYZ(0.5f, sx, sy, sz);
  EXPECT_NEAR(sy, 5, 1e-6f);
  EXPECT_EQ(sz, 0);

  const float one[] = {3};
  TCubicSpline single(one, one, one, one, 1);
  single.SplineAffineVector(0, v);
  ExpectNear(v, {0, 0, 0}, 0);
}


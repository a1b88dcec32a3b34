#include "engine/base/Spline.h"

#include <bit>
#include <cmath>

#include "platform/rtl/SysUtils.h"

namespace {

// The first diagonal and sub-diagonal entries of the Cholesky factor, sqrt(2) and 1/sqrt(2).
constexpr float cSqrt2 = std::bit_cast<float>(0x3FB504F3u);
constexpr float cInvSqrt2 = std::bit_cast<float>(0x3F3504F4u);

// The knot derivatives of the natural spline: the tridiagonal system with diagonal 2, 4, ..., 4, 2
// and off-diagonals 1, solved by a Cholesky factorisation in Single.
std::vector<float> SolveTridiagonalForDerivatives(const std::vector<float>& d) {
  Assert(!d.empty());
  const int n = int(d.size());
  std::vector<float> l(n), e(n), z(n), x(n);
  l[0] = cSqrt2;
  e[0] = cInvSqrt2;
  for (int i = 1; i < n - 1; ++i) {
    l[i] = std::sqrt(4 - e[i - 1] * e[i - 1]);
    e[i] = 1 / l[i];
  }
  if (n > 1) l[n - 1] = std::sqrt(2 - e[n - 2] * e[n - 2]);
  z[0] = d[0] / l[0];
  for (int i = 1; i < n; ++i) z[i] = (d[i] - z[i - 1] * e[i - 1]) / l[i];
  x[n - 1] = z[n - 1] / l[n - 1];
  for (int i = n - 2; i >= 0; --i) x[i] = (z[i] - x[i + 1] * e[i]) / l[i];
  Assert(int(x.size()) == n);
  return x;
}

}  // namespace

void BuildCubicSplineMatrix(const float* values, int n, TCubicSplineMatrix& m) {
  m.clear();
  if (!values || n < 2) return;
  const float* y = values;
  std::vector<float> d(n);
  d[0] = 3 * (y[1] - y[0]);
  d[n - 1] = 3 * (y[n - 1] - y[n - 2]);
  for (int i = 1; i < n - 1; ++i) d[i] = 3 * (y[i + 1] - y[i - 1]);
  std::vector<float> x = SolveTridiagonalForDerivatives(d);
  m.resize(n - 1);
  using Ext = long double;
  for (int i = 0; i < n - 1; ++i) {
    Ext dy = Ext(y[i + 1]) - y[i];
    float e = float(3 * dy - 2 * Ext(x[i]) - x[i + 1]);
    float f = float(-2 * dy + x[i] + x[i + 1]);
    m[i] = {f, e, x[i], y[i]};
  }
}

float EvaluateSplineCoefficients(const TCubicSplineMatrix& m, int n, float t) {
  if (m.empty()) return 0;
  int segment;
  if (!(t > 0))
    segment = 0;
  else if (t > n - 1)
    segment = n - 1;
  else
    segment = Trunc(t);
  if (segment == n - 1) segment = n - 2;
  const TVector& c = m[segment];
  long double s = (long double)t - segment;
  return float(((c[0] * s + c[1]) * s + c[2]) * s + c[3]);
}

TCubicSpline::TCubicSpline(const float* X, const float* Y, const float* Z, const float* W, int nb)
    : FNb(nb) {
  BuildCubicSplineMatrix(X, nb, FMatX);
  BuildCubicSplineMatrix(Y, nb, FMatY);
  BuildCubicSplineMatrix(Z, nb, FMatZ);
  BuildCubicSplineMatrix(W, nb, FMatW);
}

void TCubicSpline::SplineXYZ(float t, float& x, float& y, float& z) const {
  x = EvaluateSplineCoefficients(FMatX, FNb, t);
  y = EvaluateSplineCoefficients(FMatY, FNb, t);
  z = EvaluateSplineCoefficients(FMatZ, FNb, t);
}

void TCubicSpline::SplineAffineVector(float t, TAffineVector& vector) const {
  SplineXYZ(t, vector[X], vector[Y], vector[Z]);
}

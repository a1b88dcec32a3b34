#pragma once
// Natural cubic splines through a sequence of knots, with the knot index as parameter: t = 0 is
// the first knot, t = 1 the second, and so on.

#include <vector>

#include "engine/base/VectorGeometry.h"

// Segment i holds (c3, c2, c1, c0) of c3*s^3 + c2*s^2 + c1*s + c0 in the local parameter
// s = t - i. Local coefficients keep the curve on its knots however many there are; expanded in t
// and rounded to Single they miss them by whole units on a few hundred knots.
using TCubicSplineMatrix = std::vector<TVector>;

void BuildCubicSplineMatrix(const float* values, int n, TCubicSplineMatrix& m);
// 0 for an empty matrix; outside [0, n - 1] the first or the last cubic is extrapolated.
float EvaluateSplineCoefficients(const TCubicSplineMatrix& m, int n, float t);

// Immutable once built: new knots need a new spline.
class TCubicSpline {
 public:
  // Each array holds nb values or is absent (nullptr); an absent one evaluates to 0.
  TCubicSpline(const float* X, const float* Y, const float* Z, const float* W, int nb);

  void SplineXYZ(float t, float& x, float& y, float& z) const;
  void SplineAffineVector(float t, TAffineVector& vector) const;

 private:
  TCubicSplineMatrix FMatX, FMatY, FMatZ, FMatW;
  int FNb;
};

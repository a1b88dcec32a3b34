#pragma once
// Real roots of polynomials of degree 2, 3 and 4 in closed form, in double precision. Coefficients
// come lowest degree first; roots come in the order the formulas give them, not sorted, and a
// double root may come once or twice.

#include <array>
#include <vector>

using TDoubleArray = std::vector<double>;

// True when abs(x) <= 1e-40, and for a NaN.
bool IsZero(double x);
// Sign-preserving, of Single precision.
double CubeRoot(double x);
// The smallest root that is >= 0; false when there is none.
bool MinPositiveCoef(const TDoubleArray& roots, double& min);
// c[2] must not be zero.
TDoubleArray SolveQuadric(const std::array<double, 3>& c);
// Falls back to the quadric when c[3] is zero.
TDoubleArray SolveCubic(const std::array<double, 4>& c);
// Falls back to the cubic when c[4] is zero.
TDoubleArray SolveQuartic(const std::array<double, 5>& c);

#include "engine/base/Polynomials.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/SysUtils.h"
#include "engine/base/VectorGeometry.h"

namespace {

constexpr double cZeroTolerance = 1e-40;
constexpr double cOneThird = 1.0 / 3;
constexpr double cOneHalf = 0.5;
constexpr long double cTwoDiv27 = 2.0L / 27;
constexpr long double cPIdiv3 = 1.047197551196597746154214461093167628L;

void Shift(TDoubleArray& roots, double by) {
  for (double& r : roots) r -= by;
}

}  // namespace

bool IsZero(double x) {
  return !(std::fabs(x) > cZeroTolerance);
}

double CubeRoot(double x) {
  if (x > 0) return Power(float(x), float(cOneThird));
  if (x < 0) return -Power(float(-x), float(cOneThird));
  return 0;
}

bool MinPositiveCoef(const TDoubleArray& roots, double& min) {
  bool found = false;
  for (double r : roots)
    if (r >= 0 && (!found || r < min)) {
      min = r;
      found = true;
    }
  return found;
}

TDoubleArray SolveQuadric(const std::array<double, 3>& c) {
  double p = c[1] / (2 * c[2]);
  double q = c[0] / c[2];
  double d = p * p - q;
  if (IsZero(d)) return {-p};
  if (d > 0) return {std::sqrt(d) - p, -std::sqrt(d) - p};
  return {};
}

TDoubleArray SolveCubic(const std::array<double, 4>& c) {
  if (IsZero(c[3])) return SolveQuadric({c[0], c[1], c[2]});
  double k = 1 / c[3];
  double a = c[2] * k, b = c[1] * k, e = c[0] * k;
  double a2 = a * a;
  // The depressed cubic y^3 + 3py + 2q = 0 with x = y - a/3.
  double p = cOneThird * (b - cOneThird * a2);
  double q = double(cOneHalf * (cTwoDiv27 * a * a2 - cOneThird * a * b + e));
  double p3 = p * p * p;
  double d = q * q + p3;
  TDoubleArray roots;
  if (IsZero(d)) {
    if (IsZero(q)) {
      roots = {0};
    } else {
      double u = CubeRoot(-q);
      roots = {2 * u, -u};
    }
  } else if (d > 0) {
    double s = std::sqrt(d);
    roots = {CubeRoot(s - q) - CubeRoot(s + q)};
  } else {
    // Near a double root the argument strays past 1 by rounding; clamped, it stays a number.
    long double cosine = std::clamp<long double>(-q * RSqrt(float(-p3)), -1, 1);
    long double phi = cOneThird * ArcCos(cosine);
    double t = 2 * std::sqrt(-p);
    roots = {double(t * std::cos(phi)), double(-t * std::cos(phi + cPIdiv3)),
             double(-t * std::cos(phi - cPIdiv3))};
  }
  Shift(roots, cOneThird * a);
  return roots;
}

TDoubleArray SolveQuartic(const std::array<double, 5>& c) {
  if (IsZero(c[4])) return SolveCubic({c[0], c[1], c[2], c[3]});
  double k = 1 / c[4];
  double a = c[3] * k, b = c[2] * k, e = c[1] * k, f = c[0] * k;
  double a2 = a * a;
  // The depressed quartic y^4 + py^2 + qy + r = 0 with x = y - a/4.
  double p = -3.0 / 8 * a2 + b;
  double q = 1.0 / 8 * a2 * a - 0.5 * a * b + e;
  double r = -3.0 / 256 * a2 * a2 + 1.0 / 16 * a2 * b - 0.25 * a * e + f;
  TDoubleArray roots;
  if (IsZero(r)) {
    roots = SolveCubic({q, p, 0, 1});
    roots.push_back(0);
  } else {
    TDoubleArray resolvent = SolveCubic({0.5 * r * p - 1.0 / 8 * q * q, -r, -0.5 * p, 1});
    Assert(!resolvent.empty());
    double z = resolvent[0];
    // Each of u and v becomes its square root; a negative one means there is no real root.
    // The resolvent's root carries the error of the Single cube root and square-root estimate,
    // so a u or v that is zero in exact arithmetic (a biquadratic's double pair) may come out a
    // hair below zero: within that error of its terms it counts as zero.
    auto root = [](double& x, double scale) {
      if (IsZero(x) || (x < 0 && -x <= 1e-6 * scale))
        x = 0;
      else if (x > 0)
        x = std::sqrt(x);
      else
        return false;
      return true;
    };
    double u = z * z - r, v = 2 * z - p;
    if (!root(u, z * z + std::fabs(r)) || !root(v, 2 * std::fabs(z) + std::fabs(p))) return {};
    double sv = q < 0 ? -v : v;
    roots = SolveQuadric({z - u, sv, 1});
    TDoubleArray second = SolveQuadric({z + u, -sv, 1});
    roots.insert(roots.end(), second.begin(), second.end());
  }
  Shift(roots, 0.25 * a);
  return roots;
}

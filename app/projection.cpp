#include "app/projection.h"

#include <array>
#include <cmath>
#include <limits>

namespace Stereonet {

namespace {
constexpr long double PiExtended = 3.141592653589793238462643383279502884L;
constexpr double Pi = static_cast<double>(PiExtended);

struct TCosSin {
  double Cos;
  double Sin;
};

// The cosine and sine of k half degrees, k = 0 to 360: every arc takes the same steps. The second
// quarter mirrors the first, so that 90 and 180 degrees come out exact.
const std::array<TCosSin, 361>& HalfDegreeSteps() {
  static const std::array<TCosSin, 361> steps = [] {
    std::array<TCosSin, 361> table;
    for (int k = 0; k <= 180; ++k) {
      // Of the cosine and the sine, the one of the angle below 45 degrees is the more exact.
      const double angle = (k <= 90 ? k : 180 - k) * Pi / 360;
      const double c = std::cos(angle), s = std::sin(angle);
      table[k] = k <= 90 ? TCosSin{c, s} : TCosSin{s, c};
      table[360 - k] = {-table[k].Cos, table[k].Sin};
    }
    return table;
  }();
  return steps;
}
}  // namespace

double DegToRad(double degrees) {
  return static_cast<double>(std::fmod(degrees, 360.0) * PiExtended / 180);
}

TNormal PlaneNormal(double beta, double psi) {
  return {std::sin(psi) * std::sin(beta), std::sin(psi) * std::cos(beta), std::cos(psi)};
}

TNormal UpwardNormal(double beta, double psi) {
  const TNormal n = PlaneNormal(beta, psi);
  return n.Z < 0 ? TNormal{-n.X, -n.Y, -n.Z} : n;
}

void NormalizeOrientation(double& beta, double& psi) {
  if (psi >= 0 && psi <= DegToRad(90)) return;
  const TNormal n = UpwardNormal(beta, psi);
  psi = std::acos(std::fmin(n.Z, 1.0));
  // A horizontal plane keeps its azimuth, which only says which half of the rim its arc takes.
  if (std::hypot(n.X, n.Y) > 1e-12) beta = std::atan2(n.X, n.Y);
}

double EqualAreaRadius(double q) {
  if (q > 1.0) q = 1.0;
  const double d = 1 - std::sqrt(1 - q);
  return std::sqrt((d * d + q) / 2);
}

TNetPoint PolePoint(double beta, double psi) {
  NormalizeOrientation(beta, psi);
  const double cz = std::cos(psi);
  const double r = EqualAreaRadius(1 - cz * cz);
  const double angle = 3 * Pi / 2 - beta;  // opposite the dip direction
  return {r * std::cos(angle), r * std::sin(angle)};
}

void GreatCirclePoints(double beta, double psi, bool closed, std::vector<TNetPoint>& points) {
  NormalizeOrientation(beta, psi);
  const TNormal n = PlaneNormal(beta, psi);
  const double nz = std::fabs(n.Z) < 1e-5 ? 1e-5 : n.Z;  // vertical planes
  const double a = n.X / nz, b = n.Y / nz;
  const double cosBeta = std::cos(beta), sinBeta = std::sin(beta);
  const auto& steps = HalfDegreeSteps();
  points.resize(closed ? 362 : 361);
  for (int k = 0; k <= 360; ++k) {
    // t = pi - (beta + k half degrees): from the strike end at pi - beta clockwise to -beta.
    const double cosT = -(steps[k].Cos * cosBeta - steps[k].Sin * sinBeta);
    const double sinT = steps[k].Sin * cosBeta + steps[k].Cos * sinBeta;
    // The unit line of the plane that trends t rises by a cos t + b sin t per horizontal unit,
    // so q is its squared horizontal length.
    const double rise = a * cosT + b * sinT;
    const double r = EqualAreaRadius(1 / (rise * rise + 1));
    points[k] = {r * cosT, r * sinT};
  }
  if (closed) points[361] = points[0];
}

void MeanOrientation(const TNormal& sum, int members, double& betaDegrees, double& psiDegrees) {
  const double length = std::sqrt(sum.X * sum.X + sum.Y * sum.Y + sum.Z * sum.Z);
  // Unit normals that cancel leave only rounding noise of about 1e-16 per member.
  if (!(length > 1e-9 * members)) {
    betaDegrees = psiDegrees = std::numeric_limits<double>::quiet_NaN();
    return;
  }
  const double sx = sum.X / length, sy = sum.Y / length, sz = sum.Z / length;
  if (sz > -1 && sz < 1)
    psiDegrees = std::acos(sz) * 180 / Pi;
  else
    psiDegrees = sz >= 1 ? 0 : 180;
  if (std::fabs(sy) > 1e-6) {
    betaDegrees = std::atan(sx / sy) * 180 / Pi;
    if (sy < 0) betaDegrees += 180;
    if (betaDegrees < 0) betaDegrees += 360;
    if (betaDegrees >= 360) betaDegrees -= 360;  // -1e-15 + 360 rounds to 360
  } else {
    betaDegrees = sx >= 0 ? 90 : 270;
  }
}

}  // namespace Stereonet

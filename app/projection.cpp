#include "app/projection.h"

#include <cmath>
#include <limits>

namespace {
constexpr long double PiExtended = 3.141592653589793238462643383279502884L;
constexpr double Pi = static_cast<double>(PiExtended);
}  // namespace

double DegToRad(double degrees) {
  return static_cast<double>(degrees * PiExtended / 180);
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
  const double a = n.X / nz, b = n.Y / nz, c = n.X * n.Y / (nz * nz);
  const double tStart = Pi - beta, tEnd = -beta;
  points.resize(closed ? 362 : 361);
  for (int k = 0; k <= 360; ++k) {
    const double t = tStart + k * (tEnd - tStart) / 360;
    const double cosT = std::cos(t), sinT = std::sin(t);
    const double q =
        1 / ((cosT * cosT) * (a * a) + (sinT * sinT) * (b * b) + std::sin(2 * t) * c + 1);
    const double r = EqualAreaRadius(q);
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

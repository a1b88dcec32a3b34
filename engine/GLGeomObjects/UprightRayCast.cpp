#include "engine/GLGeomObjects/UprightRayCast.h"

#include <algorithm>
#include <limits>

#include "engine/base/Polynomials.h"

namespace {
constexpr double cInfinity = std::numeric_limits<double>::infinity();
}

bool TUprightRayCast::Span(float Bottom, float Top) {
  if (FVector[Y] == 0) {
    FMin = -cInfinity;
    FMax = cInfinity;
    return FStart[Y] <= Top && FStart[Y] >= Bottom;
  }
  const double tTop = (double(Top) - FStart[Y]) / FVector[Y];
  const double tBottom = (double(Bottom) - FStart[Y]) / FVector[Y];
  FMin = std::min(tTop, tBottom);
  FMax = std::max(tTop, tBottom);
  return true;
}

void TUprightRayCast::Face(float Height, float NormalY, double Inner2, double Outer2) {
  if (FVector[Y] == 0) return;
  const double t = (double(Height) - FStart[Y]) / FVector[Y];
  if (!(t > 0 && t < FNearest)) return;
  const double x = FStart[X] + t * FVector[X], z = FStart[Z] + t * FVector[Z];
  const double d2 = x * x + z * z;
  if (!(Inner2 <= d2 && d2 <= Outer2)) return;
  FNearest = t;
  FPoint = {float(x), Height, float(z), 1};
  FNormal = {0, NormalY, 0, 0};
}

void TUprightRayCast::Wall(double Radius2, float Facing) {
  if (FVector[X] == 0 && FVector[Z] == 0) return;
  const TVector& s = FStart;
  const TVector& v = FVector;
  // Both roots are candidates, so that a wall is met from either side.
  for (double t : SolveQuadric({double(s[X]) * s[X] + double(s[Z]) * s[Z] - Radius2,
                                2 * (double(s[X]) * v[X] + double(s[Z]) * v[Z]),
                                double(v[X]) * v[X] + double(v[Z]) * v[Z]})) {
    if (!(t >= 0 && FMin <= t && t < FMax && t < FNearest)) continue;
    FNearest = t;
    FPoint = {float(s[X] + t * v[X]), float(s[Y] + t * v[Y]), float(s[Z] + t * v[Z]), 1};
    FNormal = {Facing * FPoint[X], 0, Facing * FPoint[Z], 0};
  }
}

bool TUprightRayCast::Hit() const {
  return FNearest != cInfinity;
}

#pragma once
// The ray casts of the solids that stand on the local Y axis between two end planes: rings or
// disks on the planes and round walls between them, each met only in front of the ray start and
// between the planes, the nearest kept.

#include <limits>

#include "engine/base/VectorGeometry.h"

class TUprightRayCast {
 public:
  // The ray's start and vector in the solid's local terms; the vector need not be of unit length.
  TUprightRayCast(const TVector& Start, const TVector& Vector) : FStart(Start), FVector(Vector) {}

  // The end planes; false when the ray runs parallel to them outside the body, so that nothing
  // can be met.
  bool Span(float Bottom, float Top);
  // The end face on the plane y = Height (Bottom or Top as given to Span) between the two
  // squared radii, facing up or down by NormalY.
  void Face(float Height, float NormalY, double Inner2, double Outer2);
  // A round wall of the squared radius between the planes; its normal is radial, away from the
  // axis for a Facing of 1, towards it for -1, and not normalised. A ray along the axis never
  // meets it.
  void Wall(double Radius2, float Facing);

  bool Hit() const;
  // The nearest hit and its normal, in local terms.
  const TVector& Point() const { return FPoint; }
  const TVector& Normal() const { return FNormal; }

 private:
  TVector FStart, FVector;
  // The ray's span between the end planes, and the distance of the nearest hit so far.
  double FMin = -std::numeric_limits<double>::infinity();
  double FMax = std::numeric_limits<double>::infinity();
  double FNearest = std::numeric_limits<double>::infinity();
  TVector FPoint{}, FNormal{};
};

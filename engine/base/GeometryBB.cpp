#include "engine/base/GeometryBB.h"

#include <cmath>

void AddAABB(TAABB& aabb, const TAABB& aabb1) {
  for (int i = 0; i < 3; ++i) {
    if (aabb1.Min[i] < aabb.Min[i]) aabb.Min[i] = aabb1.Min[i];
    if (aabb1.Max[i] > aabb.Max[i]) aabb.Max[i] = aabb1.Max[i];
  }
}

void SetAABB(TAABB& bb, const TVector& v) {
  for (int i = 0; i < 3; ++i) {
    bb.Max[i] = std::fabs(v[i]);
    bb.Min[i] = -bb.Max[i];
  }
}

void AABBTransform(TAABB& bb, const TMatrix& m) {
  const TAABB src = bb;
  VectorTransform(src.Min, m, bb.Min);
  bb.Max = bb.Min;
  for (int corner = 1; corner < 8; ++corner) {
    TAffineVector p, tp;
    for (int i = 0; i < 3; ++i) p[i] = (corner >> i) & 1 ? src.Max[i] : src.Min[i];
    VectorTransform(p, m, tp);
    AABBInclude(bb, tp);
  }
}

void AABBScale(TAABB& bb, const TAffineVector& v) {
  ScaleVector(bb.Min, v);
  ScaleVector(bb.Max, v);
}

void AABBInclude(TAABB& bb, const TAffineVector& p) {
  for (int i = 0; i < 3; ++i) {
    if (p[i] < bb.Min[i]) bb.Min[i] = p[i];
    if (p[i] > bb.Max[i]) bb.Max[i] = p[i];
  }
}

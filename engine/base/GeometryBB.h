#pragma once
// Axis-aligned bounding boxes. A box is well formed when Min <= Max on every axis; every routine
// keeps that, except AABBScale with a negative factor.

#include "engine/base/VectorGeometry.h"

struct TAABB {
  TAffineVector Min, Max;
};
static_assert(sizeof(TAABB) == 24);

void AddAABB(TAABB& aabb, const TAABB& aabb1);
void SetAABB(TAABB& bb, const TVector& v);
// The smallest box holding the eight corners transformed as points.
void AABBTransform(TAABB& bb, const TMatrix& m);
void AABBScale(TAABB& bb, const TAffineVector& v);
void AABBInclude(TAABB& bb, const TAffineVector& p);

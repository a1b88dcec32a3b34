#include "engine/GLGeomObjects/Disk.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/base/Polynomials.h"
#include "engine/base/VectorGeometry.h"

// ---- TGLDisk

TGLDisk::TGLDisk(TComponent* AOwner) : TGLQuadricObject(AOwner) {}

const TPropertyTable& TGLDisk::Published() {
  using D = TGLDisk;
  static const TPropertyTable table =
      TPropertyTable::Extend<D>(TGLQuadricObject::Published())
          .Float("StartAngle", &D::GetStartAngle, &D::SetStartAngle, NoDefault())
          .Float("SweepAngle", &D::GetSweepAngle, &D::SetSweepAngle, NoDefault())
          .Float("OuterRadius", &D::GetOuterRadius, &D::SetOuterRadius, NoDefault())
          .Float("InnerRadius", &D::GetInnerRadius, &D::SetInnerRadius, NoDefault())
          .Integer("Slices", &D::GetSlices, &D::SetSlices, Default(16))
          .Integer("Loops", &D::GetLoops, &D::SetLoops, Default(2));
  return table;
}

void TGLDisk::SetStartAngle(float AValue) {
  ChangeStructure(FStartAngle, AValue);
}

void TGLDisk::SetSweepAngle(float AValue) {
  ChangeStructure(FSweepAngle, AValue);
}

void TGLDisk::SetOuterRadius(float AValue) {
  ChangeStructure(FOuterRadius, AValue);
}

void TGLDisk::SetInnerRadius(float AValue) {
  ChangeStructure(FInnerRadius, AValue);
}

void TGLDisk::SetSlices(int32_t AValue) {
  ChangeStructure(FSlices, AValue);
}

void TGLDisk::SetLoops(int32_t AValue) {
  ChangeStructure(FLoops, AValue);
}

void TGLDisk::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TGLDisk*>(Source)) {
    FStartAngle = source->FStartAngle;
    FSweepAngle = source->FSweepAngle;
    FOuterRadius = source->FOuterRadius;
    FInnerRadius = source->FInnerRadius;
    FSlices = source->FSlices;
    FLoops = source->FLoops;
  }
  TGLQuadricObject::Assign(Source);
}

TVector TGLDisk::AxisAlignedDimensionsUnscaled() {
  const float r = std::fabs(FOuterRadius);
  return {r, r, 0, 0};
}

bool TGLDisk::RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                               TVector* IntersectPoint, TVector* IntersectNormal) {
  const TVector axis = AbsoluteDirection();
  TVector point;
  if (!RayCastPlaneIntersect(RayStart, RayVector, AbsolutePosition(), axis, &point)) return false;
  if (IntersectPoint) *IntersectPoint = point;
  const TVector local = AbsoluteToLocal(point);
  const double d2 =
      double(local[X]) * local[X] + double(local[Y]) * local[Y] + double(local[Z]) * local[Z];
  if (d2 < double(FInnerRadius) * FInnerRadius || d2 > double(FOuterRadius) * FOuterRadius)
    return false;
  if (IntersectNormal) *IntersectNormal = axis;
  return true;
}

void TGLDisk::BuildList(TRenderContextInfo&) {
  const TGLQuadricScope quadric(*this);
  gluPartialDisk(quadric, FInnerRadius, FOuterRadius, FSlices, FLoops, FStartAngle, FSweepAngle);
}

// ---- TGLAnnulus

TGLAnnulus::TGLAnnulus(TComponent* AOwner) : TGLCylinderBase(AOwner) {}

const TPropertyTable& TGLAnnulus::Published() {
  using A = TGLAnnulus;
  static const TPropertyTable table =
      TPropertyTable::Extend<A>(TGLCylinderBase::Published())
          .Set("Parts", &A::GetParts, &A::SetParts,
               {"anInnerSides", "anOuterSides", "anBottom", "anTop"}, Default(cAllAnnulusParts))
          .Float("BottomInnerRadius", &A::GetBottomInnerRadius, &A::SetBottomInnerRadius,
                 NoDefault())
          .Float("TopInnerRadius", &A::GetTopInnerRadius, &A::SetTopInnerRadius, NoDefault())
          .Float("TopRadius", &A::GetTopOuterRadius, &A::SetTopRadius, NoDefault());
  return table;
}

void TGLAnnulus::SetParts(TAnnulusParts AValue) {
  ChangeStructure(FParts, AValue);
}

void TGLAnnulus::SetBottomInnerRadius(float AValue) {
  ChangeStructure(FBottomInnerRadius, AValue);
}

void TGLAnnulus::SetTopInnerRadius(float AValue) {
  ChangeStructure(FTopInnerRadius, AValue);
}

void TGLAnnulus::SetTopRadius(float AValue) {
  ChangeStructure(FTopRadius, AValue);
}

void TGLAnnulus::Assign(TPersistent* Source) {
  // The bottom radius comes with the cylinder base's part.
  if (auto* source = dynamic_cast<TGLAnnulus*>(Source)) {
    FParts = source->FParts;
    FTopRadius = source->FTopRadius;
    FTopInnerRadius = source->FTopInnerRadius;
    FBottomInnerRadius = source->FBottomInnerRadius;
  }
  TGLCylinderBase::Assign(Source);
}

TVector TGLAnnulus::AxisAlignedDimensionsUnscaled() {
  const float r = std::max(std::fabs(GetBottomRadius()), std::fabs(FTopRadius));
  return {r, 0.5f * GetHeight(), r, 0};
}

bool TGLAnnulus::RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                                  TVector* IntersectPoint, TVector* IntersectNormal) {
  const TVector s = AbsoluteToLocal(RayStart);
  const TVector v = AbsoluteToLocal(RayVector);
  const float h = GetHeight() * 0.5f;
  const double outer2 = double(FTopRadius) * FTopRadius;
  const double inner2 = double(FTopInnerRadius) * FTopInnerRadius;
  constexpr double infinity = std::numeric_limits<double>::infinity();

  // The nearest hit so far in front of the ray start.
  double nearest = infinity;
  TVector point{}, normal{};

  // The span of the ray between the two end planes.
  double tmin = -infinity, tmax = infinity;
  if (v[Y] == 0) {
    if (s[Y] > h || s[Y] < -h) return false;
  } else {
    const auto capHit = [&](float height, TAnnulusPart part) {
      const double t = (double(height) - s[Y]) / v[Y];
      if (t > 0 && (FParts & part) && t < nearest) {
        const double x = s[X] + t * v[X], z = s[Z] + t * v[Z];
        const double d2 = x * x + z * z;
        if (inner2 <= d2 && d2 <= outer2) {
          nearest = t;
          point = {float(x), height, float(z), 1};
          normal = {0, height > 0 ? 1.0f : -1.0f, 0, 0};
        }
      }
      return t;
    };
    const double tTop = capHit(h, anTop);
    const double tBottom = capHit(-h, anBottom);
    tmin = std::min(tTop, tBottom);
    tmax = std::max(tTop, tBottom);
  }

  // A ray along the axis never meets a wall: its equation would have no leading term. Both
  // roots are candidates, so that a wall is met from either side.
  if (v[X] != 0 || v[Z] != 0) {
    const double c1 = 2 * (double(s[X]) * v[X] + double(s[Z]) * v[Z]);
    const double c2 = double(v[X]) * v[X] + double(v[Z]) * v[Z];
    const double d2 = double(s[X]) * s[X] + double(s[Z]) * s[Z];
    const auto wallHit = [&](double r2, TAnnulusPart part, float facing) {
      if (!(FParts & part)) return;
      for (double t : SolveQuadric({d2 - r2, c1, c2})) {
        if (!(t >= 0 && tmin <= t && t < tmax && t < nearest)) continue;
        nearest = t;
        point = {float(s[X] + t * v[X]), float(s[Y] + t * v[Y]), float(s[Z] + t * v[Z]), 1};
        normal = {facing * point[X], 0, facing * point[Z], 0};
      }
    };
    wallHit(outer2, anOuterSides, 1);
    wallHit(inner2, anInnerSides, -1);
  }

  if (nearest == infinity) return false;
  if (IntersectPoint) *IntersectPoint = LocalToAbsolute(point);
  if (IntersectNormal) *IntersectNormal = LocalToAbsolute(normal);
  return true;
}

void TGLAnnulus::BuildList(TRenderContextInfo&) {
  const float height = GetHeight();
  const TGLQuadricScope quadric(*this);
  glPushMatrix();
  glRotatef(-90, 1, 0, 0);
  glTranslatef(0, 0, -height * 0.5f);
  if (FParts & anOuterSides)
    gluCylinder(quadric, GetBottomRadius(), FTopRadius, height, GetSlices(), GetStacks());
  if (FParts & anTop) {
    glPushMatrix();
    glTranslatef(0, 0, height);
    gluDisk(quadric, FTopInnerRadius, FTopRadius, GetSlices(), GetLoops());
    glPopMatrix();
  }
  if (FParts & (anInnerSides | anBottom)) {
    SetInvertedQuadricOrientation(quadric);
    if (FParts & anBottom)
      gluDisk(quadric, FBottomInnerRadius, GetBottomRadius(), GetSlices(), GetLoops());
    if (FParts & anInnerSides)
      gluCylinder(quadric, FBottomInnerRadius, FTopInnerRadius, height, GetSlices(), GetStacks());
  }
  glPopMatrix();
}

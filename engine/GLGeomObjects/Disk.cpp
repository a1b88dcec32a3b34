#include "engine/GLGeomObjects/Disk.h"

#include <algorithm>
#include <cmath>

#include "engine/GLGeomObjects/UprightRayCast.h"
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
  if (!AssignSourceAccepted(Source)) return;
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
  if (!AssignSourceAccepted(Source)) return;
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
  TUprightRayCast ray(AbsoluteToLocal(RayStart), AbsoluteToLocal(RayVector));
  const float h = GetHeight() * 0.5f;
  if (!ray.Span(-h, h)) return false;
  const double outer2 = double(FTopRadius) * FTopRadius;
  const double inner2 = double(FTopInnerRadius) * FTopInnerRadius;
  if (FParts & anTop) ray.Face(h, 1, inner2, outer2);
  if (FParts & anBottom) ray.Face(-h, -1, inner2, outer2);
  if (FParts & anOuterSides) ray.Wall(outer2, 1);
  if (FParts & anInnerSides) ray.Wall(inner2, -1);
  if (!ray.Hit()) return false;
  if (IntersectPoint) *IntersectPoint = LocalToAbsolute(ray.Point());
  if (IntersectNormal) *IntersectNormal = LocalToAbsolute(ray.Normal());
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

#include "engine/GLGeomObjects/Cylinder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "engine/base/Polynomials.h"
#include "engine/base/VectorGeometry.h"

// ---- TGLCylinderBase

TGLCylinderBase::TGLCylinderBase(TComponent* AOwner) : TGLQuadricObject(AOwner) {}

const TPropertyTable& TGLCylinderBase::Published() {
  using C = TGLCylinderBase;
  static const TPropertyTable table =
      TPropertyTable::Extend<C>(TGLQuadricObject::Published())
          .Float("BottomRadius", &C::GetBottomRadius, &C::SetBottomRadius, NoDefault())
          .Integer("Slices", &C::GetSlices, &C::SetSlices, Default(16))
          .Integer("Stacks", &C::GetStacks, &C::SetStacks, Default(4))
          .Integer("Loops", &C::GetLoops, &C::SetLoops, Default(1))
          .Float("Height", &C::GetHeight, &C::SetHeight, NoDefault());
  return table;
}

void TGLCylinderBase::SetBottomRadius(float AValue) {
  ChangeStructure(FBottomRadius, AValue);
}

void TGLCylinderBase::SetHeight(float AValue) {
  ChangeStructure(FHeight, AValue);
}

void TGLCylinderBase::SetSlices(int32_t AValue) {
  ChangeStructure(FSlices, AValue);
}

void TGLCylinderBase::SetStacks(int32_t AValue) {
  ChangeStructure(FStacks, AValue);
}

void TGLCylinderBase::SetLoops(int32_t AValue) {
  if (AValue >= 1) ChangeStructure(FLoops, AValue);
}

void TGLCylinderBase::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLCylinderBase*>(Source)) {
    FBottomRadius = source->FBottomRadius;
    FSlices = source->FSlices;
    FStacks = source->FStacks;
    FLoops = source->FLoops;
    FHeight = source->FHeight;
  }
  TGLQuadricObject::Assign(Source);
}

std::unique_ptr<TGLSilhouette> TGLCylinderBase::GenerateSilhouette(
    const TSilhouetteRequest& Request) {
  TConnectivity connectivity(true);
  const int32_t n = FSlices;
  if (n > 0) {
    const float step = float(2 * std::numbers::pi_v<long double> / n);
    const float h = FHeight * 0.5f, rb = FBottomRadius, rt = GetTopRadius();
    const TAffineVector cb{0, -h, 0}, ct{0, h, 0};
    const auto ring = [](float r, float y, float a) {
      return TAffineVector{float(r * std::sin((long double)a)), y,
                           float(r * std::cos((long double)a))};
    };
    float a = 0;
    for (int32_t i = 0; i < n; ++i) {
      const float next = a + step;
      const TAffineVector p0 = ring(rb, -h, next), p1 = ring(rb, -h, a);
      const TAffineVector p2 = ring(rt, h, a), p3 = ring(rt, h, next);
      connectivity.AddFace(p2, p1, p0);
      connectivity.AddFace(p3, p2, p0);
      connectivity.AddFace(cb, p0, p1);
      connectivity.AddFace(p2, p3, ct);
      a = next;
    }
  }
  TGLSilhouette* silhouette = nullptr;
  connectivity.CreateSilhouette(Request, silhouette, false);
  return std::unique_ptr<TGLSilhouette>(silhouette);
}

// ---- TGLCone

const TPropertyTable& TGLCone::Published() {
  static const TPropertyTable table = TPropertyTable::Extend<TGLCone>(TGLCylinderBase::Published())
                                          .Set("Parts", &TGLCone::GetParts, &TGLCone::SetParts,
                                               {"coSides", "coBottom"}, Default(cAllConeParts));
  return table;
}

void TGLCone::SetParts(TConeParts AValue) {
  ChangeStructure(FParts, AValue);
}

void TGLCone::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLCone*>(Source)) FParts = source->FParts;
  TGLCylinderBase::Assign(Source);
}

TVector TGLCone::AxisAlignedDimensionsUnscaled() {
  const float r = std::fabs(GetBottomRadius());
  return {r, 0.5f * GetHeight(), r, 0};
}

void TGLCone::BuildList(TRenderContextInfo&) {
  const TGLQuadricScope quadric(*this);
  glPushMatrix();
  glRotatef(-90, 1, 0, 0);
  glTranslatef(0, 0, -GetHeight() * 0.5f);
  if (FParts & coSides)
    gluCylinder(quadric, GetBottomRadius(), 0, GetHeight(), GetSlices(), GetStacks());
  if (FParts & coBottom) {
    SetInvertedQuadricOrientation(quadric);
    gluDisk(quadric, 0, GetBottomRadius(), GetSlices(), GetLoops());
  }
  glPopMatrix();
}

// ---- TGLCylinder

const TPropertyTable& TGLCylinder::Published() {
  using C = TGLCylinder;
  static const TPropertyTable table =
      TPropertyTable::Extend<C>(TGLCylinderBase::Published())
          .Set("Parts", &C::GetParts, &C::SetParts, {"cySides", "cyBottom", "cyTop"},
               Default(cAllCylinderParts))
          .Float("TopRadius", &C::GetTopRadius, &C::SetTopRadius, NoDefault())
          .Enumeration("Alignment", &C::GetAlignment, &C::SetAlignment,
                       {"caCenter", "caTop", "caBottom"}, Default(caCenter));
  return table;
}

void TGLCylinder::SetParts(TCylinderParts AValue) {
  ChangeStructure(FParts, AValue);
}

void TGLCylinder::SetTopRadius(float AValue) {
  ChangeStructure(FTopRadius, AValue);
}

void TGLCylinder::SetAlignment(TCylinderAlignment AValue) {
  ChangeStructure(FAlignment, AValue);
}

void TGLCylinder::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLCylinder*>(Source)) {
    FParts = source->FParts;
    FTopRadius = source->FTopRadius;
  }
  TGLCylinderBase::Assign(Source);
}

TVector TGLCylinder::AxisAlignedDimensionsUnscaled() {
  const float r = std::max(std::fabs(GetBottomRadius()), std::fabs(FTopRadius));
  return {r, 0.5f * GetHeight(), r, 0};
}

bool TGLCylinder::RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                                   TVector* IntersectPoint, TVector* IntersectNormal) {
  const TVector s = AbsoluteToLocal(RayStart);
  const TVector v = AbsoluteToLocal(RayVector);
  const float height = GetHeight();
  const float top = FAlignment == caCenter ? height * 0.5f : FAlignment == caTop ? 0 : height;
  const float bottom = top - height;
  const double r2 = double(FTopRadius) * FTopRadius;

  // The nearest hit so far in front of the ray start: a part hit later along the ray lies
  // behind it and never replaces it.
  double nearest = std::numeric_limits<double>::infinity();
  TVector point{}, normal{};
  const auto capHit = [&](double t, float y, float normalY, TCylinderPart part) {
    if (!(t > 0) || !(FParts & part) || !(t < nearest)) return;
    const double x = s[X] + t * v[X], z = s[Z] + t * v[Z];
    if (x * x + z * z > r2) return;
    nearest = t;
    point = {float(x), y, float(z), 1};
    normal = {0, normalY, 0, 0};
  };

  // The span of the ray between the two end planes.
  double tmin = -std::numeric_limits<double>::infinity();
  double tmax = std::numeric_limits<double>::infinity();
  if (v[Y] == 0) {
    if (s[Y] > top || s[Y] < bottom) return false;
  } else {
    const double tTop = (double(top) - s[Y]) / v[Y];
    const double tBottom = (double(bottom) - s[Y]) / v[Y];
    capHit(tTop, top, 1, cyTop);
    capHit(tBottom, bottom, -1, cyBottom);
    tmin = std::min(tTop, tBottom);
    tmax = std::max(tTop, tBottom);
  }

  // A ray along the axis never meets the side; its equation would have no leading term. Both
  // roots are candidates, so that the inner face of an open end is met too.
  if ((FParts & cySides) && (v[X] != 0 || v[Z] != 0)) {
    const TDoubleArray roots = SolveQuadric({double(s[X]) * s[X] + double(s[Z]) * s[Z] - r2,
                                             2 * (double(s[X]) * v[X] + double(s[Z]) * v[Z]),
                                             double(v[X]) * v[X] + double(v[Z]) * v[Z]});
    for (double t : roots) {
      if (!(t >= 0 && tmin <= t && t < tmax && t < nearest)) continue;
      nearest = t;
      point = {float(s[X] + t * v[X]), float(s[Y] + t * v[Y]), float(s[Z] + t * v[Z]), 1};
      normal = {point[X], 0, point[Z], 0};
    }
  }

  if (nearest == std::numeric_limits<double>::infinity()) return false;
  if (IntersectPoint) *IntersectPoint = LocalToAbsolute(point);
  if (IntersectNormal) *IntersectNormal = LocalToAbsolute(normal);
  return true;
}

void TGLCylinder::BuildList(TRenderContextInfo&) {
  const float height = GetHeight();
  const TGLQuadricScope quadric(*this);
  glPushMatrix();
  glRotatef(-90, 1, 0, 0);
  if (FAlignment == caCenter)
    glTranslatef(0, 0, -height * 0.5f);
  else if (FAlignment == caTop)
    glTranslatef(0, 0, -height);
  if (FParts & cySides)
    gluCylinder(quadric, GetBottomRadius(), FTopRadius, height, GetSlices(), GetStacks());
  if (FParts & cyTop) {
    glPushMatrix();
    glTranslatef(0, 0, height);
    gluDisk(quadric, 0, FTopRadius, GetSlices(), GetLoops());
    glPopMatrix();
  }
  if (FParts & cyBottom) {
    SetInvertedQuadricOrientation(quadric);
    gluDisk(quadric, 0, GetBottomRadius(), GetSlices(), GetLoops());
  }
  glPopMatrix();
}

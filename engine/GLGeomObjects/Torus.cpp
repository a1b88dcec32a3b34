#include "engine/GLGeomObjects/Torus.h"

#include <array>
#include <cmath>
#include <numbers>

#include "engine/base/Polynomials.h"
#include "engine/base/VectorGeometry.h"
#include "engine/base/XOpenGL.h"
#include "platform/gl/OpenGL.h"

namespace {

// Stores a value that differs from the field, clamped to at least Least; whether it did.
bool StoreAtLeast(uint32_t& Field, uint32_t AValue, uint32_t Least) {
  if (Field == AValue) return false;
  Field = AValue < Least ? Least : AValue;
  return true;
}

}  // namespace

TGLTorus::TGLTorus(TComponent* AOwner) : TGLSceneObject(AOwner) {}

const TPropertyTable& TGLTorus::Published() {
  using T = TGLTorus;
  static const TPropertyTable table =
      TPropertyTable::Extend<T>(TGLSceneObject::Published())
          .Integer("Rings", &T::GetRings, &T::SetRings, Default(25))
          .Integer("Sides", &T::GetSides, &T::SetSides, Default(15))
          .Float("MinorRadius", &T::GetMinorRadius, &T::SetMinorRadius, NoDefault())
          .Float("MajorRadius", &T::GetMajorRadius, &T::SetMajorRadius, NoDefault());
  return table;
}

void TGLTorus::SetRings(uint32_t AValue) {
  if (StoreAtLeast(FRings, AValue, 2)) StructureChanged();
}

void TGLTorus::SetSides(uint32_t AValue) {
  if (StoreAtLeast(FSides, AValue, 3)) StructureChanged();
}

void TGLTorus::SetMinorRadius(float AValue) {
  if (FMinorRadius == AValue) return;
  FMinorRadius = AValue;
  StructureChanged();
}

void TGLTorus::SetMajorRadius(float AValue) {
  if (FMajorRadius == AValue) return;
  FMajorRadius = AValue;
  StructureChanged();
}

void TGLTorus::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLTorus*>(Source)) {
    FRings = source->FRings;
    FSides = source->FSides;
    FMinorRadius = source->FMinorRadius;
    FMajorRadius = source->FMajorRadius;
  }
  TGLSceneObject::Assign(Source);
}

TVector TGLTorus::AxisAlignedDimensionsUnscaled() {
  const float minor = std::fabs(FMinorRadius);
  const float across = std::fabs(FMajorRadius) + minor;
  return {across, across, minor, 0};
}

bool TGLTorus::RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                                TVector* IntersectPoint, TVector* IntersectNormal) {
  const TVector s = AbsoluteToLocal(RayStart);
  TVector v = AbsoluteToLocal(RayVector);
  v[W] = 0;
  NormalizeVector(v);
  const double major2 = double(FMajorRadius) * FMajorRadius;
  const double minor2 = double(FMinorRadius) * FMinorRadius;
  const double e = double(s[X]) * v[X] + double(s[Y]) * v[Y] + double(s[Z]) * v[Z];
  const double g =
      double(s[X]) * s[X] + double(s[Y]) * s[Y] + double(s[Z]) * s[Z] - (major2 + minor2);
  const std::array<double, 5> c = {g * g - 4 * major2 * (minor2 - double(s[Z]) * s[Z]),
                                   4 * e * g + 8 * major2 * v[Z] * s[Z],
                                   4 * e * e + 2 * g + 4 * major2 * v[Z] * v[Z], 4 * e, 1};
  double t = 1e20;
  for (double root : SolveQuartic(c))
    if (root > 0 && root < t) t = root;
  if (t == 1e20) return false;
  // The closed-form roots carry single-precision cube roots; a few Newton steps put the hit
  // back on the surface, each kept only while it brings the quartic closer to zero.
  const auto quartic = [&c](double x) {
    return (((c[4] * x + c[3]) * x + c[2]) * x + c[1]) * x + c[0];
  };
  for (int step = 0; step < 3; ++step) {
    const double slope = ((4 * c[4] * t + 3 * c[3]) * t + 2 * c[2]) * t + c[1];
    if (slope == 0) break;
    const double better = t - quartic(t) / slope;
    if (!(better > 0 && std::fabs(quartic(better)) < std::fabs(quartic(t)))) break;
    t = better;
  }

  const TVector p{float(s[X] + t * v[X]), float(s[Y] + t * v[Y]), float(s[Z] + t * v[Z]), 1};
  if (IntersectPoint) *IntersectPoint = LocalToAbsolute(p);
  if (IntersectNormal) {
    // From the nearest point of the tube's centre circle to the hit.
    const float scale = float(FMajorRadius / (std::hypot(double(p[X]), double(p[Y])) + 1e-6));
    const TVector n{p[X] - p[X] * scale, p[Y] - p[Y] * scale, p[Z], 0};
    *IntersectNormal = LocalToAbsolute(n);
  }
  return true;
}

void TGLTorus::BuildList(TRenderContextInfo&) {
  const float ringStep = float(2 * std::numbers::pi_v<long double> / FRings);
  const float sideStep = float(2 * std::numbers::pi_v<long double> / FSides);
  // The point and its normal at ring angle u (given by its cosine and sine) and tube angle w.
  const auto emit = [this](float s, float t, float cosU, float sinU, float w) {
    const float cosW = float(std::cos((long double)w)), sinW = float(std::sin((long double)w));
    const float d = FMajorRadius + FMinorRadius * cosW;
    vTexCoordDispatch.TexCoord2f(s, t);
    glNormal3f(cosU * cosW, -sinU * cosW, sinW);
    glVertex3f(cosU * d, -sinU * d, FMinorRadius * sinW);
  };
  float u0 = 0, cosU0 = 1, sinU0 = 0;
  for (int64_t i = int64_t(FRings) - 1; i >= 0; --i) {
    const float u1 = u0 + ringStep;
    const float cosU1 = float(std::cos((long double)u1)), sinU1 = float(std::sin((long double)u1));
    glBegin(GL_QUAD_STRIP);
    // The tube angle starts a step in and goes a full turn round, back to where the strip began.
    float w = 0;
    for (int64_t j = FSides; j >= 0; --j) {
      w += sideStep;
      const float t = float(j) / FSides;
      emit(float(i) / FRings, t, cosU1, sinU1, w);
      emit(float(i + 1) / FRings, t, cosU0, sinU0, w);
    }
    glEnd();
    u0 = u1;
    cosU0 = cosU1;
    sinU0 = sinU1;
  }
}

#include "engine/GLObjects/Sphere.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/GLState.h"
#include "engine/base/VectorGeometry.h"
#include "engine/base/XOpenGL.h"
#include "platform/rtl/SysUtils.h"

// ---- TGLQuadricObject

TGLQuadricObject::TGLQuadricObject(TComponent* AOwner) : TGLSceneObject(AOwner) {}

const TPropertyTable& TGLQuadricObject::Published() {
  using Q = TGLQuadricObject;
  static const TPropertyTable table =
      TPropertyTable::Extend<Q>(TGLSceneObject::Published())
          .Enumeration("Normals", &Q::GetNormals, &Q::SetNormals, {"nsFlat", "nsSmooth", "nsNone"},
                       Default(nsSmooth))
          .Enumeration("NormalDirection", &Q::GetNormalDirection, &Q::SetNormalDirection,
                       {"ndInside", "ndOutside"}, Default(ndOutside));
  return table;
}

void TGLQuadricObject::SetNormals(TNormalSmoothing AValue) {
  ChangeStructure(FNormals, AValue);
}

void TGLQuadricObject::SetNormalDirection(TNormalDirection AValue) {
  ChangeStructure(FNormalDirection, AValue);
}

void TGLQuadricObject::SetupQuadricParams(GLUquadric* Quadric) const {
  static constexpr GLenum normals[] = {GLU_FLAT, GLU_SMOOTH, GLU_NONE};
  gluQuadricDrawStyle(Quadric, GLU_FILL);
  gluQuadricNormals(Quadric, normals[FNormals]);
  SetNormalQuadricOrientation(Quadric);
  gluQuadricTexture(Quadric, GL_TRUE);
}

void TGLQuadricObject::SetNormalQuadricOrientation(GLUquadric* Quadric) const {
  gluQuadricOrientation(Quadric, FNormalDirection == ndOutside ? GLU_OUTSIDE : GLU_INSIDE);
}

void TGLQuadricObject::SetInvertedQuadricOrientation(GLUquadric* Quadric) const {
  gluQuadricOrientation(Quadric, FNormalDirection == ndOutside ? GLU_INSIDE : GLU_OUTSIDE);
}

void TGLQuadricObject::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLQuadricObject*>(Source)) {
    FNormals = source->FNormals;
    FNormalDirection = source->FNormalDirection;
  }
  TGLSceneObject::Assign(Source);
}

TGLQuadricScope::TGLQuadricScope(const TGLQuadricObject& Owner) : FQuadric(gluNewQuadric()) {
  try {
    Owner.SetupQuadricParams(FQuadric);
  } catch (...) {
    gluDeleteQuadric(FQuadric);
    throw;
  }
}

TGLQuadricScope::~TGLQuadricScope() {
  gluDeleteQuadric(FQuadric);
}

// ---- TGLSphere

TGLSphere::TGLSphere(TComponent* AOwner) : TGLQuadricObject(AOwner) {}

const TPropertyTable& TGLSphere::Published() {
  using S = TGLSphere;
  static const std::initializer_list<const char*> caps = {"ctNone", "ctCenter", "ctFlat"};
  static const TPropertyTable table =
      TPropertyTable::Extend<S>(TGLQuadricObject::Published())
          .Float("Radius", &S::GetRadius, &S::SetRadius, NoDefault())
          .Integer("Slices", &S::GetSlices, &S::SetSlices, Default(16))
          .Integer("Stacks", &S::GetStacks, &S::SetStacks, Default(16))
          .Integer("Top", &S::GetTop, &S::SetTop, Default(90))
          .Integer("Bottom", &S::GetBottom, &S::SetBottom, Default(-90))
          .Integer("Start", &S::GetStart, &S::SetStart, Default(0))
          .Integer("Stop", &S::GetStop, &S::SetStop, Default(360))
          .Enumeration("TopCap", &S::GetTopCap, &S::SetTopCap, caps, Default(ctNone))
          .Enumeration("BottomCap", &S::GetBottomCap, &S::SetBottomCap, caps, Default(ctNone));
  return table;
}

void TGLSphere::SetRadius(float AValue) {
  ChangeStructure(FRadius, AValue);
}

// A count of no segments would leave nothing to draw; the value as given decides whether it
// is a change.
void TGLSphere::SetSlices(int32_t AValue) {
  if (AValue == FSlices) return;
  FSlices = AValue <= 0 ? 1 : AValue;
  StructureChanged();
}

void TGLSphere::SetStacks(int32_t AValue) {
  if (AValue == FStacks) return;
  FStacks = AValue <= 0 ? 1 : AValue;
  StructureChanged();
}

void TGLSphere::SetTop(TAngleLimit1 AValue) {
  ChangeStructure(FTop, AValue);
}

void TGLSphere::SetBottom(TAngleLimit1 AValue) {
  ChangeStructure(FBottom, AValue);
}

void TGLSphere::SetStart(TAngleLimit2 AValue) {
  if (AValue == FStart) return;
  Assert(AValue <= FStop);
  FStart = AValue;
  StructureChanged();
}

void TGLSphere::SetStop(TAngleLimit2 AValue) {
  if (AValue == FStop) return;
  Assert(AValue >= FStart);
  FStop = AValue;
  StructureChanged();
}

void TGLSphere::SetTopCap(TCapType AValue) {
  ChangeStructure(FTopCap, AValue);
}

void TGLSphere::SetBottomCap(TCapType AValue) {
  ChangeStructure(FBottomCap, AValue);
}

void TGLSphere::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLSphere*>(Source)) {
    FRadius = source->FRadius;
    FSlices = source->FSlices;
    FStacks = source->FStacks;
    FBottom = source->FBottom;
    FTop = source->FTop;
    FStart = source->FStart;
    FStop = source->FStop;
  }
  TGLQuadricObject::Assign(Source);
}

TVector TGLSphere::AxisAlignedDimensionsUnscaled() {
  const float r = std::fabs(FRadius);
  return {r, r, r, 0};
}

bool TGLSphere::RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                                 TVector* IntersectPoint, TVector* IntersectNormal) {
  const TVector localStart = AbsoluteToLocal(RayStart);
  TVector localVector = AbsoluteToLocal(RayVector);
  NormalizeVector(localVector);
  TVector i1, i2;
  if (RayCastSphereIntersect(localStart, localVector, NullHmgPoint, FRadius, i1, i2) <= 0)
    return false;
  if (IntersectPoint) *IntersectPoint = LocalToAbsolute(i1);
  if (IntersectNormal) {
    i1[W] = 0;
    *IntersectNormal = LocalToAbsolute(i1);
  }
  return true;
}

std::unique_ptr<TGLSilhouette> TGLSphere::GenerateSilhouette(const TSilhouetteRequest& Request) {
  const int32_t n = std::max(FSlices, FStacks);
  TAffineVector a = VectorCrossProduct(Request.ViewPoint, TAffineVector{1, 0, 0});
  if (VectorLength(a) < 0.001f) a = VectorCrossProduct(Request.ViewPoint, TAffineVector{0, 1, 0});
  TAffineVector b = VectorCrossProduct(Request.ViewPoint, a);
  NormalizeVector(a);
  NormalizeVector(b);
  auto silhouette = std::make_unique<TGLSilhouette>();
  for (int32_t i = 0; i < n; ++i) {
    const long double g = i * 2 * std::numbers::pi_v<long double> / n;
    const float s = float(FRadius * std::sin(g)), c = float(FRadius * std::cos(g));
    silhouette->Vertices().AddPoint(s * a[X] + c * b[X], s * a[Y] + c * b[Y], s * a[Z] + c * b[Z]);
    silhouette->Indices().Add(i, (i + 1) % n);
    if (Request.WithCaps) silhouette->CapIndices().Add(n, i, (i + 1) % n);
  }
  if (Request.WithCaps) silhouette->Vertices().AddPoint(0, 0, 0);
  return silhouette;
}

namespace {

// What the sphere changes while it draws, given back afterwards, also when a call raises.
class TSphereState {
 public:
  TSphereState(TRenderContextInfo& rci, bool inside, float radius)
      : FCache(inside ? rci.stateCache : nullptr) {
    glPushAttrib(GL_POLYGON_BIT);
    if (FCache) FCache->InvertGLFrontFace();
    glPushMatrix();
    glScalef(radius, radius, radius);
  }
  ~TSphereState() {
    if (FCache) FCache->InvertGLFrontFace();
    glPopMatrix();
    glPopAttrib();
  }
  TSphereState(const TSphereState&) = delete;
  TSphereState& operator=(const TSphereState&) = delete;

 private:
  TGLStateCache* FCache;
};

// The sines and cosines of one ring's longitudes, from q by dq accumulated, and of a latitude:
// computed once for all the points that share them, since the trigonometry in extended
// precision is most of a build's time.
struct TLongitudes {
  TLongitudes(long double q, long double dq, int32_t slices) {
    Sin.reserve(size_t(slices) + 1);
    Cos.reserve(size_t(slices) + 1);
    for (int32_t i = 0; i <= slices; ++i) {
      Sin.push_back(std::sin(q));
      Cos.push_back(std::cos(q));
      q += dq;
    }
  }
  std::vector<long double> Sin, Cos;
};

struct TLatitude {
  explicit TLatitude(long double p) : Sin(std::sin(p)), Cos(std::cos(p)) {}
  long double Sin, Cos;
};

// The point of the unit sphere at a latitude and the ring's i-th longitude, longitudes from +Z
// towards +X.
TAffineVector RingPoint(const TLatitude& p, const TLongitudes& q, int32_t i) {
  return {float(p.Cos * q.Sin[i]), float(p.Sin), float(p.Cos * q.Cos[i])};
}

void Normal(const TAffineVector& n, float sign) {
  glNormal3f(sign * n[X], sign * n[Y], sign * n[Z]);
}

void Vertex(const TAffineVector& v) {
  glVertex3f(v[X], v[Y], v[Z]);
}

// A cap's fan at latitude p: centre, then Slices + 1 ring points from longitude q by dq. The
// flat cap's normal is the pole's, pole = (0, +1 or -1, 0); the centred cap's leans from the
// pole away from each ring point.
void CapFan(TCapType cap, float pole, long double p, long double q, long double dq, int32_t slices,
            float sign) {
  glBegin(GL_TRIANGLE_FAN);
  vTexCoordDispatch.TexCoord2f(0.5f, 0.5f);
  const TAffineVector poleNormal{0, pole, 0};
  const TLatitude latitude(p);
  const TLongitudes ring(q, dq, slices);
  Normal(poleNormal, sign);
  Vertex({0, cap == ctCenter ? 0.0f : float(latitude.Sin), 0});
  for (int32_t i = 0; i <= slices; ++i) {
    const TAffineVector v = RingPoint(latitude, ring, i);
    vTexCoordDispatch.TexCoord2f(float(0.5L + 0.5L * ring.Sin[i]),
                                 float(0.5L + 0.5L * ring.Cos[i]));
    if (cap == ctFlat) {
      Normal(poleNormal, sign);
    } else {
      const float d = pole * v[Y];
      Normal({-d * v[X], pole - d * v[Y], -d * v[Z]}, sign);
    }
    Vertex(v);
  }
  glEnd();
}

bool HasCap(TCapType cap) {
  return cap == ctCenter || cap == ctFlat;
}

}  // namespace

void TGLSphere::BuildList(TRenderContextInfo& rci) {
  const long double top = DegToRad((long double)FTop), bottom = DegToRad((long double)FBottom);
  const long double start = DegToRad((long double)FStart), stop = DegToRad((long double)FStop);
  const long double dTheta = (stop - start) / FSlices;
  const long double dPhi = (top - bottom) / FStacks;
  const bool inside = GetNormalDirection() == ndInside;
  const float sign = inside ? -1.0f : 1.0f;
  TSphereState state(rci, inside, FRadius);

  if (FTop < 90 && HasCap(FTopCap)) CapFan(FTopCap, 1, top, start, dTheta, FSlices, sign);

  const TLongitudes ring(start, dTheta, FSlices);
  long double p1 = top;
  TLatitude upperLatitude(p1);
  for (int32_t j = 0; j < FStacks; ++j) {
    const TLatitude lowerLatitude(p1 - dPhi);
    const float t1 = float(1 - (long double)j / FStacks);
    const float t2 = float(1 - (long double)(j + 1) / FStacks);
    glBegin(GL_TRIANGLE_STRIP);
    for (int32_t i = 0; i <= FSlices; ++i) {
      const float s = float((long double)i / FSlices);
      const TAffineVector upper = RingPoint(upperLatitude, ring, i);
      const TAffineVector lower = RingPoint(lowerLatitude, ring, i);
      vTexCoordDispatch.TexCoord2f(s, t1);
      Normal(upper, sign);
      Vertex(upper);
      vTexCoordDispatch.TexCoord2f(s, t2);
      Normal(lower, sign);
      Vertex(lower);
    }
    glEnd();
    // The next stack's upper latitude is this one's lower: the same value, p1 - dPhi.
    p1 -= dPhi;
    upperLatitude = lowerLatitude;
  }

  // The bottom ring runs backwards from Stop, so that its fan faces down.
  if (FBottom > -90 && HasCap(FBottomCap))
    CapFan(FBottomCap, -1, bottom, stop, -dTheta, FSlices, sign);
}

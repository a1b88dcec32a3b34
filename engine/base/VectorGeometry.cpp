#include "engine/base/VectorGeometry.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <utility>

#if defined(__SSE2__)
#include <cpuid.h>
#include <emmintrin.h>
#define VG_SSE 1
#endif

namespace {

using Ext = long double;

Ext Dot3(const float* a, const float* b) {
  return Ext(a[X]) * b[X] + Ext(a[Y]) * b[Y] + Ext(a[Z]) * b[Z];
}

Ext Dist2(const float* a, const float* b) {
  Ext dx = Ext(a[X]) - b[X], dy = Ext(a[Y]) - b[Y], dz = Ext(a[Z]) - b[Z];
  return dx * dx + dy * dy + dz * dz;
}

// Scales the first n components of v by 1 / |v.XYZ|.
void ScaleByInverseLength(const float* v, float* vr, int n) {
  Ext f = 1 / std::sqrt(Dot3(v, v));
  for (int i = 0; i < n; ++i) vr[i] = float(v[i] * f);
}

int InitializationCount = 0;

}  // namespace

std::uint8_t Vector3DNowAvailable = 0;

void InitializeVectorGeometry() {
  if (InitializationCount++ > 0) return;
  Vector3DNowAvailable = 0;
#if defined(VG_SSE)
  unsigned eax, ebx, ecx, edx;
  __cpuid(0x80000000u, eax, ebx, ecx, edx);
  if (eax > 0x80000000u) {
    __cpuid(0x80000001u, eax, ebx, ecx, edx);
    if (edx & 0x80000000u) Vector3DNowAvailable = 1;
  }
#endif
}

// Make and set.

TAffineVector AffineVectorMake(float x, float y, float z) {
  return {x, y, z};
}
TAffineVector AffineVectorMake(const TVector& v) {
  return {v[X], v[Y], v[Z]};
}
void SetVector(TAffineVector& v, float x, float y, float z) {
  v = {x, y, z};
}
void SetVector(TAffineVector& v, const TAffineVector& vSrc) {
  v = vSrc;
}
void SetVector(TAffineDblVector& v, const TAffineVector& vSrc) {
  v = {vSrc[X], vSrc[Y], vSrc[Z]};
}
TVector VectorMake(const TAffineVector& v, float w) {
  return {v[X], v[Y], v[Z], w};
}
TVector VectorMake(float x, float y, float z, float w) {
  return {x, y, z, w};
}
TVector PointMake(float x, float y, float z) {
  return {x, y, z, 1};
}
TVector PointMake(const TAffineVector& v) {
  return {v[X], v[Y], v[Z], 1};
}
void SetVector(TVector& v, float x, float y, float z, float w) {
  v = {x, y, z, w};
}
void SetVector(TVector& v, const TAffineVector& av, float w) {
  v = {av[X], av[Y], av[Z], w};
}
void SetVector(TVector& v, const TVector& vSrc) {
  v = vSrc;
}
void MakePoint(TVector& v, float x, float y, float z) {
  v = {x, y, z, 1};
}
void MakePoint(TVector& v, const TAffineVector& av) {
  v = {av[X], av[Y], av[Z], 1};
}
void MakeVector(TAffineVector& v, float x, float y, float z) {
  v = {x, y, z};
}
void MakeVector(TVector& v, const TAffineVector& av) {
  v = {av[X], av[Y], av[Z], 0};
}
void VectorClear(TVector& v) {
  v = {0, 0, 0, 0};
}

// Sums, differences and combinations. A single sum or product of Singles rounds the same way in
// extended precision and in Single, so those are written in Single.

void VectorAdd(const TAffineVector& v1, const TAffineVector& v2, TAffineVector& vr) {
  for (int i = 0; i < 3; ++i) vr[i] = v1[i] + v2[i];
}
void VectorAdd(const TVector& v1, const TVector& v2, TVector& vr) {
  for (int i = 0; i < 4; ++i) vr[i] = v1[i] + v2[i];
}
void AddVector(TAffineVector& v1, const TAffineVector& v2) {
  VectorAdd(v1, v2, v1);
}
void AddVector(TVector& v1, const TVector& v2) {
  VectorAdd(v1, v2, v1);
}

void VectorSubtract(const TAffineVector& v1, const TAffineVector& v2, TAffineVector& vr) {
  for (int i = 0; i < 3; ++i) vr[i] = v1[i] - v2[i];
}
void VectorSubtract(const TVector& v1, const TVector& v2, TVector& vr) {
  for (int i = 0; i < 4; ++i) vr[i] = v1[i] - v2[i];
}
TVector VectorSubtract(const TVector& v1, const TVector& v2) {
  TVector r;
  VectorSubtract(v1, v2, r);
  return r;
}
void SubtractVector(TAffineVector& v1, const TAffineVector& v2) {
  VectorSubtract(v1, v2, v1);
}
void SubtractVector(TVector& v1, const TVector& v2) {
  VectorSubtract(v1, v2, v1);
}

void CombineVector(TAffineVector& vr, const TAffineVector& v, float f) {
  for (int i = 0; i < 3; ++i) vr[i] = float(vr[i] + Ext(v[i]) * f);
}
void VectorCombine(const TAffineVector& v1, const TAffineVector& v2, float f1, float f2,
                   TAffineVector& vr) {
  for (int i = 0; i < 3; ++i) vr[i] = float(Ext(f1) * v1[i] + Ext(f2) * v2[i]);
}
void VectorCombine(const TVector& v1, const TVector& v2, float f1, float f2, TVector& vr) {
  for (int i = 0; i < 4; ++i) vr[i] = float(Ext(f1) * v1[i] + Ext(f2) * v2[i]);
}
void VectorCombine(const TVector& v1, const TVector& v2, float f2, TVector& vr) {
  for (int i = 0; i < 4; ++i) vr[i] = float(v1[i] + Ext(f2) * v2[i]);
}

// Products and projections.

float VectorDotProduct(const TAffineVector& v1, const TAffineVector& v2) {
  return float(Dot3(v1.data(), v2.data()));
}
float VectorDotProduct(const TVector& v1, const TVector& v2) {
  return float(Dot3(v1.data(), v2.data()) + Ext(v1[W]) * v2[W]);
}

float PointProject(const TAffineVector& p, const TAffineVector& origin,
                   const TAffineVector& direction) {
  return PointProject(VectorMake(p, 0), VectorMake(origin, 0), VectorMake(direction, 0));
}
float PointProject(const TVector& p, const TVector& origin, const TVector& direction) {
  Ext r = 0;
  for (int i = 0; i < 3; ++i) r += (Ext(p[i]) - origin[i]) * direction[i];
  return float(r);
}

void VectorCrossProduct(const TAffineVector& v1, const TAffineVector& v2, TAffineVector& vr) {
  vr[X] = float(Ext(v1[Y]) * v2[Z] - Ext(v1[Z]) * v2[Y]);
  vr[Y] = float(Ext(v1[Z]) * v2[X] - Ext(v1[X]) * v2[Z]);
  vr[Z] = float(Ext(v1[X]) * v2[Y] - Ext(v1[Y]) * v2[X]);
}
void VectorCrossProduct(const TVector& v1, const TVector& v2, TVector& vr) {
  TAffineVector r;
  VectorCrossProduct(AffineVectorMake(v1), AffineVectorMake(v2), r);
  vr = VectorMake(r, 0);
}
TAffineVector VectorCrossProduct(const TAffineVector& v1, const TAffineVector& v2) {
  TAffineVector r;
  VectorCrossProduct(v1, v2, r);
  return r;
}

// Interpolation.

float Lerp(float start, float stop, float t) {
  return float(start + (Ext(stop) - start) * t);
}
void VectorLerp(const TAffineVector& v1, const TAffineVector& v2, float t, TAffineVector& vr) {
  for (int i = 0; i < 3; ++i) vr[i] = Lerp(v1[i], v2[i], t);
}
void VectorLerp(const TVector& v1, const TVector& v2, float t, TVector& vr) {
  for (int i = 0; i < 4; ++i) vr[i] = Lerp(v1[i], v2[i], t);
}

// Lengths, normalisation, angles.

float VectorLength(float x, float y) {
  return float(std::sqrt(Ext(x) * x + Ext(y) * y));
}
float VectorLength(const TAffineVector& v) {
  return float(std::sqrt(Dot3(v.data(), v.data())));
}
float VectorLength(const TVector& v) {
  return float(std::sqrt(Dot3(v.data(), v.data())));
}
float VectorNorm(float x, float y) {
  return float(Ext(x) * x + Ext(y) * y);
}
float VectorNorm(const TAffineVector& v) {
  return float(Dot3(v.data(), v.data()));
}

float VectorAngleCosine(const TAffineVector& v1, const TAffineVector& v2) {
  const float *a = v1.data(), *b = v2.data();
  return float(Dot3(a, b) / std::sqrt(Dot3(a, a) * Dot3(b, b)));
}

// Negation, scaling, absolute value, maximum.

void VectorNegate(const TAffineVector& v, TAffineVector& vr) {
  for (int i = 0; i < 3; ++i) vr[i] = -v[i];
}
void VectorNegate(const TVector& v, TVector& vr) {
  for (int i = 0; i < 4; ++i) vr[i] = -v[i];
}
void NegateVector(TAffineVector& v) {
  VectorNegate(v, v);
}
void VectorScale(const TAffineVector& v, float factor, TAffineVector& vr) {
  for (int i = 0; i < 3; ++i) vr[i] = v[i] * factor;
}
void VectorScale(const TVector& v, float factor, TVector& vr) {
  for (int i = 0; i < 4; ++i) vr[i] = v[i] * factor;
}
void ScaleVector(TAffineVector& v, float factor) {
  VectorScale(v, factor, v);
}
void ScaleVector(TVector& v, float factor) {
  VectorScale(v, factor, v);
}
void ScaleVector(TAffineVector& v, const TAffineVector& factor) {
  for (int i = 0; i < 3; ++i) v[i] *= factor[i];
}
void ScaleVector(TVector& v, const TVector& factor) {
  for (int i = 0; i < 4; ++i) v[i] *= factor[i];
}
void VectorAbs(const TVector& v, TVector& vr) {
  for (int i = 0; i < 4; ++i) vr[i] = std::fabs(v[i]);
}
void MaxVector(TVector& v, const TVector& v1) {
  for (int i = 0; i < 4; ++i)
    if (v1[i] > v[i]) v[i] = v1[i];
}
int MaxInteger(int a, int b) {
  return a > b ? a : b;
}

// Comparison and distance.

bool VectorEquals(const TVector& v1, const TVector& v2) {
  return std::memcmp(v1.data(), v2.data(), sizeof(TVector)) == 0;
}
bool VectorEquals(const TAffineVector& v1, const TAffineVector& v2) {
  return std::memcmp(v1.data(), v2.data(), sizeof(TAffineVector)) == 0;
}
bool AffineVectorEquals(const TVector& v1, const TVector& v2) {
  return std::memcmp(v1.data(), v2.data(), sizeof(TAffineVector)) == 0;
}
bool VectorIsNull(const TAffineVector& v) {
  return v[X] == 0 && v[Y] == 0 && v[Z] == 0;
}
bool VectorIsNull(const TVector& v) {
  return v[X] == 0 && v[Y] == 0 && v[Z] == 0;
}

float VectorSpacing(const TAffineVector& v1, const TAffineVector& v2) {
  Ext r = 0;
  for (int i = 0; i < 3; ++i) r += std::fabs(Ext(v2[i]) - v1[i]);
  return float(r);
}
float VectorDistance(const TAffineVector& v1, const TAffineVector& v2) {
  return float(std::sqrt(Dist2(v1.data(), v2.data())));
}
float VectorDistance2(const TAffineVector& v1, const TAffineVector& v2) {
  return float(Dist2(v1.data(), v2.data()));
}
void VectorPerpendicular(const TAffineVector& v, const TAffineVector& n, TAffineVector& vr) {
  Ext dot = Dot3(v.data(), n.data());
  for (int i = 0; i < 3; ++i) vr[i] = float(v[i] - dot * n[i]);
}

// Matrix construction.

void CreateScaleAndTranslationMatrix(const TVector& scale, const TVector& offset, TMatrix& m) {
  m = IdentityHmgMatrix;
  for (int i = 0; i < 3; ++i) {
    m[i][i] = scale[i];
    m[W][i] = offset[i];
  }
}

void CreateRotationMatrix(const TAffineVector& anAxis, float angle, TMatrix& m) {
  Ext s, c;
  SinCos(Ext(angle), s, c);
  Ext t = 1 - c;
  TAffineVector axis;
  VectorNormalize(anAxis, axis);
  Ext x = axis[X], y = axis[Y], z = axis[Z];
  m[X] = {float(t * x * x + c), float(t * x * y - z * s), float(t * z * x + y * s), 0};
  m[Y] = {float(t * x * y + z * s), float(t * y * y + c), float(t * y * z - x * s), 0};
  m[Z] = {float(t * z * x - y * s), float(t * y * z + x * s), float(t * z * z + c), 0};
  m[W] = NullHmgPoint;
}
void CreateRotationMatrix(const TVector& anAxis, float angle, TMatrix& m) {
  CreateRotationMatrix(AffineVectorMake(anAxis), angle, m);
}

void RotateVector(TVector& vector, const TAffineVector& axis, float angle) {
  TMatrix m;
  CreateRotationMatrix(axis, angle, m);
  TVector r;
  VectorTransform(vector, m, r);
  vector = r;
}

// Matrix algebra.

TMatrix MatrixMultiply(const TMatrix& m1, const TMatrix& m2) {
  TMatrix r;
  MatrixMultiply(m1, m2, r);
  return r;
}

void VectorTransform(const TAffineVector& v, const TMatrix& m, TAffineVector& vr) {
  for (int j = 0; j < 3; ++j)
    vr[j] = float(Ext(v[X]) * m[X][j] + Ext(v[Y]) * m[Y][j] + Ext(v[Z]) * m[Z][j] + m[W][j]);
}

float Determinant3x3(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2,
                     float c3) {
  return float(a1 * (Ext(b2) * c3 - Ext(b3) * c2) - b1 * (Ext(a2) * c3 - Ext(a3) * c2) +
               c1 * (Ext(a2) * b3 - Ext(a3) * b2));
}

namespace {

// The 3x3 minor of m without the given row and column.
float Minor(const TMatrix& m, int row, int col) {
  int r[3], c[3];
  for (int i = 0, k = 0; i < 4; ++i)
    if (i != row) r[k++] = i;
  for (int j = 0, k = 0; j < 4; ++j)
    if (j != col) c[k++] = j;
  return Determinant3x3(m[r[0]][c[0]], m[r[1]][c[0]], m[r[2]][c[0]], m[r[0]][c[1]], m[r[1]][c[1]],
                        m[r[2]][c[1]], m[r[0]][c[2]], m[r[1]][c[2]], m[r[2]][c[2]]);
}

float CofactorSign(int i, int j) {
  return (i + j) % 2 == 0 ? 1.0f : -1.0f;
}

// The factor is kept in extended precision: the reciprocal of a denormal determinant or scale
// does not fit a Single, although the scaled elements do.
void TransposeScaleM33Ext(const TMatrix& m, TMatrix& mr, Ext factor) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) mr[i][j] = float(factor * m[j][i]);
}

}  // namespace

float MatrixDeterminant(const TMatrix& m) {
  Ext r = 0;
  for (int j = 0; j < 4; ++j) r += CofactorSign(0, j) * Ext(m[0][j]) * Minor(m, 0, j);
  return float(r);
}

void AdjointMatrix(TMatrix& m) {
  TMatrix a;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) a[i][j] = CofactorSign(i, j) * Minor(m, j, i);
  m = a;
}

void ScaleMatrix(TMatrix& m, float factor) {
  for (auto& row : m) ScaleVector(row, factor);
}

void TransposeScaleM33(const TMatrix& m, TMatrix& mr, float factor) {
  TransposeScaleM33Ext(m, mr, factor);
}

void AnglePreservingMatrixInvert(const TMatrix& mat, TMatrix& result) {
  float scale = VectorNorm(AffineVectorMake(mat[X]));
  if (!(std::fabs(scale) >= EPSILON)) {
    result = IdentityHmgMatrix;
    return;
  }
  result[X][W] = result[Y][W] = result[Z][W] = 0;
  result[W][W] = 1;
  TransposeScaleM33Ext(mat, result, 1 / Ext(scale));
  for (int j = 0; j < 3; ++j)
    result[W][j] = float(-(Ext(result[X][j]) * mat[W][X] + Ext(result[Y][j]) * mat[W][Y] +
                           Ext(result[Z][j]) * mat[W][Z]));
}

void NormalizeMatrix(TMatrix& m) {
  m[X][W] = 0;
  NormalizeVector(m[X]);
  m[Y][W] = 0;
  NormalizeVector(m[Y]);
  VectorCrossProduct(m[X], m[Y], m[Z]);
  VectorCrossProduct(m[Y], m[Z], m[X]);
  m[W] = NullHmgPoint;
}

void TransposeMatrix(TMatrix& m) {
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j) std::swap(m[i][j], m[j][i]);
}

// Angles and scalars.

long double DegToRad(long double degrees) {
  return degrees * cPIdiv180Ext;
}
float DegToRad(float degrees) {
  return degrees * cPIdiv180;
}
long double RadToDeg(long double radians) {
  return radians * c180divPIExt;
}
float RadToDeg(float radians) {
  return radians * c180divPI;
}

float NormalizeDegAngle(float angle) {
  float r = float(angle - Int(Ext(angle) * cInv360) * c360);
  if (r > c180) return r - c360;
  if (r < -c180) return r + c360;
  return r;
}

void SinCos(long double theta, long double& sine, long double& cosine) {
  sine = std::sin(theta);
  cosine = std::cos(theta);
}
void SinCos(float theta, float& sine, float& cosine) {
  SinCos(theta, 1.0f, sine, cosine);
}
void SinCos(float theta, float radius, float& sine, float& cosine) {
  Ext s, c;
  SinCos(Ext(theta), s, c);
  sine = float(radius * s);
  cosine = float(radius * c);
}

long double ArcCos(long double x) {
  return ArcTan2(std::sqrt(1 - x * x), x);
}
float ArcCos(float x) {
  return float(ArcCos(Ext(x)));
}
long double ArcTan2(long double y, long double x) {
  return std::atan2(y, x);
}
float ArcTan2(float y, float x) {
  return float(ArcTan2(Ext(y), Ext(x)));
}
long double Tan(long double x) {
  return std::tan(x);
}

float Power(float base, float exponent) {
  if (exponent == 0) return 1;
  if (base == 0 && exponent > 0) return 0;
  if (RoundSingle(exponent) == exponent) {
    // A whole exponent beyond 32 bits (infinity included) would not survive the integer.
    if (std::fabs(exponent) < 2147483648.0f) return IntPower(base, Round(exponent));
    return float(std::pow(Ext(base), Ext(exponent)));
  }
  return float(std::exp(exponent * std::log(Ext(base))));
}

float IntPower(float base, int exponent) {
  // The magnitude is taken unsigned so that the most negative exponent does not overflow.
  unsigned n = exponent < 0 ? 0u - unsigned(exponent) : unsigned(exponent);
  Ext result = 1, square = base;
  for (; n != 0; n >>= 1) {
    if (n & 1) result *= square;
    square *= square;
  }
  return float(exponent < 0 ? 1 / result : result);
}

float RoundSingle(float v) {
  return std::nearbyint(v);
}

int Trunc(float v) {
#if defined(VG_SSE)
  return _mm_cvttss_si32(_mm_set_ss(v));
#else
  return v >= -2147483648.0f && v < 2147483648.0f ? int(v) : INT_MIN;
#endif
}

long double Int(long double v) {
  return std::trunc(v);
}

int Round(float v) {
#if defined(VG_SSE)
  return _mm_cvtss_si32(_mm_set_ss(v));
#else
  float r = std::nearbyint(v);
  return r >= -2147483648.0f && r < 2147483648.0f ? int(r) : INT_MIN;
#endif
}

float ClampValue(float aValue, float aMin, float aMax) {
  if (aValue < aMin) return aMin;
  if (aValue > aMax) return aMax;
  return aValue;
}

// Planes, rays and the view frustum.

void CalcPlaneNormal(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3,
                     TAffineVector& vr) {
  TAffineVector v1, v2;
  VectorSubtract(p2, p1, v1);
  VectorSubtract(p3, p1, v2);
  VectorCrossProduct(v1, v2, vr);
  NormalizeVector(vr);
}
void CalcPlaneNormal(const TVector& p1, const TVector& p2, const TVector& p3, TAffineVector& vr) {
  CalcPlaneNormal(AffineVectorMake(p1), AffineVectorMake(p2), AffineVectorMake(p3), vr);
}

void NormalizePlane(TVector& plane) {
  ScaleVector(plane, RSqrt(VectorNorm(AffineVectorMake(plane))));
}

float PlaneEvaluatePoint(const TVector& plane, const TAffineVector& point) {
  return float(Dot3(plane.data(), point.data()) + plane[W]);
}

bool RayCastPlaneIntersect(const TVector& rayStart, const TVector& rayVector,
                           const TVector& planePoint, const TVector& planeNormal,
                           TVector* intersectPoint) {
  float d = VectorDotProduct(rayVector, planeNormal);
  if (d >= -EPSILON2 && d <= EPSILON2) return false;
  if (!intersectPoint) return true;
  float t =
      float(VectorDotProduct(VectorSubtract(planePoint, rayStart), planeNormal) * (1 / Ext(d)));
  if (!(t > 0)) return false;
  VectorCombine(rayStart, rayVector, t, *intersectPoint);
  return true;
}

int RayCastSphereIntersect(const TVector& rayStart, const TVector& rayVector,
                           const TVector& sphereCenter, float sphereRadius, TVector& i1,
                           TVector& i2) {
  float proj = PointProject(sphereCenter, rayStart, rayVector);
  TVector p;
  VectorCombine(rayStart, rayVector, proj, p);
  float d2 = float(Ext(sphereRadius) * sphereRadius - Dist2(sphereCenter.data(), p.data()));
  if (std::signbit(d2)) return 0;
  if (d2 == 0) {
    if (!(proj > 0)) return 0;
    i1 = p;
    return 1;
  }
  if (!(d2 > 0)) return 0;
  float d = std::sqrt(d2);
  if (proj >= d) {
    VectorCombine(rayStart, rayVector, proj - d, i1);
    VectorCombine(rayStart, rayVector, proj + d, i2);
    return 2;
  }
  if (!(proj + d >= 0)) return 0;
  VectorCombine(rayStart, rayVector, proj + d, i1);
  return 1;
}

float SphereVisibleRadius(float distance, float radius) {
  float d2 = distance * distance;
  float r2 = radius * radius;
  float tp = std::sqrt(d2 - r2);
  float tr = float((Ext(d2) + r2 - Ext(tp) * tp) / (2 * Ext(tp)));
  return float(std::sqrt(Ext(tr) * tr + r2));
}

void ExtractFrustumFromModelViewProjection(const TMatrix& modelViewProj, TFrustum& result) {
  const TMatrix& m = modelViewProj;
  // Each plane is column 3 plus or minus one of the columns 0..2.
  auto plane = [&m](TVector& p, int column, float sign) {
    for (int k = 0; k < 4; ++k) p[k] = m[k][3] + sign * m[k][column];
    NormalizePlane(p);
  };
  plane(result.Left, 0, 1);
  plane(result.Top, 1, -1);
  plane(result.Right, 0, -1);
  plane(result.Bottom, 1, 1);
  plane(result.Near, 2, 1);
  plane(result.Far, 2, -1);
}

bool IsVolumeClipped(const TAffineVector& objPos, float objRadius, const TGLClippingInfo& rcci) {
  float negRadius = -objRadius;
  const TFrustum& f = rcci.frustum;
  for (const TVector* plane : {&f.Left, &f.Top, &f.Right, &f.Bottom, &f.Near, &f.Far})
    if (PlaneEvaluatePoint(*plane, objPos) < negRadius) return true;
  return false;
}
bool IsVolumeClipped(const TVector& objPos, float objRadius, const TGLClippingInfo& rcci) {
  return IsVolumeClipped(AffineVectorMake(objPos), objRadius, rcci);
}
bool IsVolumeClipped(const TAffineVector& min, const TAffineVector& max,
                     const TGLClippingInfo& rcci) {
  TAffineVector center;
  VectorCombine(min, max, 0.5f, 0.5f, center);
  return IsVolumeClipped(center, VectorDistance(min, max) * 0.5f, rcci);
}

// The routines below have a plain scalar form and, with SSE, a packed-single one.

namespace PlainPath {

void VectorArrayAdd(const TAffineVector* src, const TAffineVector& delta, int nb,
                    TAffineVector* dest) {
  for (int i = 0; i < nb; ++i) ::VectorAdd(src[i], delta, dest[i]);
}
void VectorArrayLerp(const TVector* src1, const TVector* src2, float t, int n, TVector* dest) {
  for (int i = 0; i < n; ++i) ::VectorLerp(src1[i], src2[i], t, dest[i]);
}
void VectorArrayLerp(const TAffineVector* src1, const TAffineVector* src2, float t, int n,
                     TAffineVector* dest) {
  for (int i = 0; i < n; ++i) ::VectorLerp(src1[i], src2[i], t, dest[i]);
}
void NormalizeVector(TAffineVector& v) {
  ScaleByInverseLength(v.data(), v.data(), 3);
}
void VectorNormalize(const TAffineVector& v, TAffineVector& vr) {
  ScaleByInverseLength(v.data(), vr.data(), 3);
}
void NormalizeVectorArray(TAffineVector* list, int n) {
  for (int i = 0; i < n; ++i) NormalizeVector(list[i]);
}
void NormalizeVector(TVector& v) {
  ScaleByInverseLength(v.data(), v.data(), 3);
  v[W] = 0;
}
void VectorNormalize(const TVector& v, TVector& vr) {
  ScaleByInverseLength(v.data(), vr.data(), 3);
  vr[W] = 0;
}
void MatrixMultiply(const TMatrix& m1, const TMatrix& m2, TMatrix& mr) {
  for (int i = 0; i < 4; ++i) VectorTransform(m1[i], m2, mr[i]);
}
void VectorTransform(const TVector& v, const TMatrix& m, TVector& vr) {
  for (int j = 0; j < 4; ++j)
    vr[j] = float(Ext(v[X]) * m[X][j] + Ext(v[Y]) * m[Y][j] + Ext(v[Z]) * m[Z][j] +
                  Ext(v[W]) * m[W][j]);
}
float RSqrt(float v) {
  return float(1 / std::sqrt(Ext(v)));
}
void InvertMatrix(TMatrix& m) {
  float det = MatrixDeterminant(m);
  if (!(std::fabs(det) >= EPSILON)) {
    m = IdentityHmgMatrix;
    return;
  }
  AdjointMatrix(m);
  Ext factor = 1 / Ext(det);
  for (auto& row : m)
    for (float& e : row) e = float(e * factor);
}

}  // namespace PlainPath

#if defined(VG_SSE)

namespace {

bool IsNormalFloat(float x) {
  return x >= std::numeric_limits<float>::min() && x <= std::numeric_limits<float>::max();
}

// 1 / sqrt(x) for a normal x in the low lane: the processor's estimate refined by one Newton step.
__m128 RefinedRSqrtEstimate(__m128 x) {
  __m128 y = _mm_rsqrt_ss(x);
  // y * (1.5 - 0.5 * x * y * y)
  return _mm_mul_ss(y, _mm_sub_ss(_mm_set_ss(1.5f),
                                  _mm_mul_ss(_mm_mul_ss(_mm_set_ss(0.5f), x), _mm_mul_ss(y, y))));
}

// Scales X, Y, Z of v into vr by the reciprocal of their length, summed in Single. Returns false
// and writes nothing when that sum is zero, denormal, infinite or NaN: the estimate cannot be
// refined there and the Single sum has lost the length, so the caller takes the plain path. The
// work stays in the low lanes, loaded and stored one Single at a time, so that no lane is moved.
bool NormalizedBySingleEstimate(const float* v, float* vr) {
  __m128 x = _mm_load_ss(v + X), y = _mm_load_ss(v + Y), z = _mm_load_ss(v + Z);
  __m128 norm = _mm_add_ss(_mm_add_ss(_mm_mul_ss(x, x), _mm_mul_ss(y, y)), _mm_mul_ss(z, z));
  if (!IsNormalFloat(_mm_cvtss_f32(norm))) return false;
  __m128 f = RefinedRSqrtEstimate(norm);
  _mm_store_ss(vr + X, _mm_mul_ss(x, f));
  _mm_store_ss(vr + Y, _mm_mul_ss(y, f));
  _mm_store_ss(vr + Z, _mm_mul_ss(z, f));
  return true;
}

// The inverse works in double precision, which holds a product of two Singles exactly, two
// lanes at a time; every minor is rounded to Single as in the plain form.

__m128d LowPair(__m128 v) {
  return _mm_cvtps_pd(v);
}
__m128d HighPair(__m128 v) {
  return _mm_cvtps_pd(_mm_movehl_ps(v, v));
}
__m128d Swapped(__m128d v) {
  return _mm_shuffle_pd(v, v, 1);
}
__m128d Low(__m128d v) {
  return _mm_unpacklo_pd(v, v);
}
__m128d High(__m128d v) {
  return _mm_unpackhi_pd(v, v);
}

// a[i] * b[j] - a[j] * b[i] of two rows for the column pairs (0, 1) and (2, 3), (0, 2) and
// (1, 3), (0, 3) and (1, 2).
struct TPairDeterminants {
  __m128d d01_23, d02_13, d03_12;
};

TPairDeterminants PairDeterminants(__m128d aLo, __m128d aHi, __m128d bLo, __m128d bHi) {
  return {_mm_sub_pd(_mm_mul_pd(_mm_unpacklo_pd(aLo, aHi), _mm_unpackhi_pd(bLo, bHi)),
                     _mm_mul_pd(_mm_unpackhi_pd(aLo, aHi), _mm_unpacklo_pd(bLo, bHi))),
          _mm_sub_pd(_mm_mul_pd(aLo, bHi), _mm_mul_pd(aHi, bLo)),
          _mm_sub_pd(_mm_mul_pd(aLo, Swapped(bHi)), _mm_mul_pd(Swapped(aHi), bLo))};
}

// The unsigned minors of rows a and b (a pair 0, 1 or 2, 3) for each column, lane 0 for a and
// lane 1 for b. The other pair of rows gives the 2x2 determinants d, and each minor is expanded
// along the remaining row of its own pair: b for the minor of a, a for that of b.
struct TRowPairMinors {
  __m128d col[4];
};

// Inlined by force: two calls of this size are not inlined otherwise, and the call spills every
// register.
[[gnu::always_inline]] inline TRowPairMinors RowPairMinors(__m128d aLo, __m128d aHi, __m128d bLo,
                                                           __m128d bHi,
                                                           const TPairDeterminants& d) {
  __m128d r0 = _mm_unpacklo_pd(bLo, aLo), r1 = _mm_unpackhi_pd(bLo, aLo);
  __m128d r2 = _mm_unpacklo_pd(bHi, aHi), r3 = _mm_unpackhi_pd(bHi, aHi);
  __m128d d01 = Low(d.d01_23), d23 = High(d.d01_23), d02 = Low(d.d02_13), d13 = High(d.d02_13);
  __m128d d03 = Low(d.d03_12), d12 = High(d.d03_12);
  auto expand = [](__m128d ra, __m128d da, __m128d rb, __m128d db, __m128d rc, __m128d dc) {
    return _mm_add_pd(_mm_sub_pd(_mm_mul_pd(ra, da), _mm_mul_pd(rb, db)), _mm_mul_pd(rc, dc));
  };
  return {{expand(r1, d23, r2, d13, r3, d12), expand(r0, d23, r2, d03, r3, d02),
           expand(r0, d13, r1, d03, r3, d01), expand(r0, d12, r1, d02, r2, d01)}};
}

// Four affine vectors lie in three registers; these are the repeating lane patterns of one
// affine vector over such a block.
struct TAffineBlockPattern {
  __m128 p0, p1, p2;
  explicit TAffineBlockPattern(const TAffineVector& v)
      : p0(_mm_setr_ps(v[X], v[Y], v[Z], v[X])),
        p1(_mm_setr_ps(v[Y], v[Z], v[X], v[Y])),
        p2(_mm_setr_ps(v[Z], v[X], v[Y], v[Z])) {}
};

}  // namespace

void VectorArrayAdd(const TAffineVector* src, const TAffineVector& delta, int nb,
                    TAffineVector* dest) {
  TAffineBlockPattern d(delta);
  int i = 0;
  for (; i + 4 <= nb; i += 4) {
    const float* s = src[i].data();
    float* r = dest[i].data();
    _mm_storeu_ps(r, _mm_add_ps(_mm_loadu_ps(s), d.p0));
    _mm_storeu_ps(r + 4, _mm_add_ps(_mm_loadu_ps(s + 4), d.p1));
    _mm_storeu_ps(r + 8, _mm_add_ps(_mm_loadu_ps(s + 8), d.p2));
  }
  for (; i < nb; ++i) VectorAdd(src[i], delta, dest[i]);
}

void VectorArrayLerp(const TVector* src1, const TVector* src2, float t, int n, TVector* dest) {
  __m128 vt = _mm_set1_ps(t);
  for (int i = 0; i < n; ++i) {
    __m128 a = _mm_loadu_ps(src1[i].data());
    __m128 b = _mm_loadu_ps(src2[i].data());
    _mm_storeu_ps(dest[i].data(), _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), vt)));
  }
}

void VectorArrayLerp(const TAffineVector* src1, const TAffineVector* src2, float t, int n,
                     TAffineVector* dest) {
  __m128 vt = _mm_set1_ps(t);
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const float *a = src1[i].data(), *b = src2[i].data();
    float* r = dest[i].data();
    for (int k = 0; k < 12; k += 4) {
      __m128 va = _mm_loadu_ps(a + k);
      __m128 vb = _mm_loadu_ps(b + k);
      _mm_storeu_ps(r + k, _mm_add_ps(va, _mm_mul_ps(_mm_sub_ps(vb, va), vt)));
    }
  }
  for (; i < n; ++i) VectorLerp(src1[i], src2[i], t, dest[i]);
}

void NormalizeVector(TAffineVector& v) {
  VectorNormalize(v, v);
}
void VectorNormalize(const TAffineVector& v, TAffineVector& vr) {
  if (!NormalizedBySingleEstimate(v.data(), vr.data())) PlainPath::VectorNormalize(v, vr);
}
void NormalizeVectorArray(TAffineVector* list, int n) {
  for (int i = 0; i < n; ++i) NormalizeVector(list[i]);
}
void NormalizeVector(TVector& v) {
  VectorNormalize(v, v);
}
void VectorNormalize(const TVector& v, TVector& vr) {
  if (NormalizedBySingleEstimate(v.data(), vr.data()))
    vr[W] = 0;
  else
    PlainPath::VectorNormalize(v, vr);
}

float RSqrt(float v) {
  return IsNormalFloat(v) ? _mm_cvtss_f32(RefinedRSqrtEstimate(_mm_set_ss(v)))
                          : 1.0f / std::sqrt(v);
}

void InvertMatrix(TMatrix& m) {
  __m128d lo[4], hi[4];
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) {
    __m128 row = _mm_loadu_ps(m[i].data());
    lo[i] = LowPair(row);
    hi[i] = HighPair(row);
  }
  TRowPairMinors top =
      RowPairMinors(lo[0], hi[0], lo[1], hi[1], PairDeterminants(lo[2], hi[2], lo[3], hi[3]));
  TRowPairMinors bottom =
      RowPairMinors(lo[2], hi[2], lo[3], hi[3], PairDeterminants(lo[0], hi[0], lo[1], hi[1]));
  // Element (i, j) of the adjugate is the minor without row j and column i, signed.
  const __m128 evenSigns = _mm_setr_ps(1, -1, 1, -1), oddSigns = _mm_setr_ps(-1, 1, -1, 1);
  __m128 adj[4];
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i)
    adj[i] = _mm_mul_ps(i % 2 == 0 ? evenSigns : oddSigns,
                        _mm_movelh_ps(_mm_cvtpd_ps(top.col[i]), _mm_cvtpd_ps(bottom.col[i])));
  // Expanded along row 0, whose signed minors are column 0 of the adjugate.
  float det =
      float(double(m[0][0]) * _mm_cvtss_f32(adj[0]) + double(m[0][1]) * _mm_cvtss_f32(adj[1]) +
            double(m[0][2]) * _mm_cvtss_f32(adj[2]) + double(m[0][3]) * _mm_cvtss_f32(adj[3]));
  if (!(std::fabs(det) >= EPSILON)) {
    m = IdentityHmgMatrix;
    return;
  }
  __m128d factor = _mm_set1_pd(1 / double(det));
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i)
    _mm_storeu_ps(m[i].data(), _mm_movelh_ps(_mm_cvtpd_ps(_mm_mul_pd(LowPair(adj[i]), factor)),
                                             _mm_cvtpd_ps(_mm_mul_pd(HighPair(adj[i]), factor))));
}

#else

void VectorArrayAdd(const TAffineVector* src, const TAffineVector& delta, int nb,
                    TAffineVector* dest) {
  PlainPath::VectorArrayAdd(src, delta, nb, dest);
}
void VectorArrayLerp(const TVector* src1, const TVector* src2, float t, int n, TVector* dest) {
  PlainPath::VectorArrayLerp(src1, src2, t, n, dest);
}
void VectorArrayLerp(const TAffineVector* src1, const TAffineVector* src2, float t, int n,
                     TAffineVector* dest) {
  PlainPath::VectorArrayLerp(src1, src2, t, n, dest);
}
void NormalizeVector(TAffineVector& v) {
  PlainPath::NormalizeVector(v);
}
void VectorNormalize(const TAffineVector& v, TAffineVector& vr) {
  PlainPath::VectorNormalize(v, vr);
}
void NormalizeVectorArray(TAffineVector* list, int n) {
  PlainPath::NormalizeVectorArray(list, n);
}
void NormalizeVector(TVector& v) {
  PlainPath::NormalizeVector(v);
}
void VectorNormalize(const TVector& v, TVector& vr) {
  PlainPath::VectorNormalize(v, vr);
}
void MatrixMultiply(const TMatrix& m1, const TMatrix& m2, TMatrix& mr) {
  PlainPath::MatrixMultiply(m1, m2, mr);
}
void VectorTransform(const TVector& v, const TMatrix& m, TVector& vr) {
  PlainPath::VectorTransform(v, m, vr);
}
float RSqrt(float v) {
  return PlainPath::RSqrt(v);
}
void InvertMatrix(TMatrix& m) {
  PlainPath::InvertMatrix(m);
}

#endif

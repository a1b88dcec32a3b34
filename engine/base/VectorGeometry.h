#pragma once
// The engine's value types for points, directions, colours, planes and transforms, and the free
// routines on them. Matrices use the row-vector convention: p' = p * M, rows 0..2 are the scaled
// axes, row 3 is the translation, and in A * B the transform A is applied first. The memory order
// of a TMatrix is the one glLoadMatrixf expects.
//
// Forms: a function form returns a new value, an out-parameter form writes its last argument
// (which may be one of the inputs for component-wise routines), and the in-place form, named with
// the verb first, changes its first argument. Component arithmetic is done in extended precision
// and rounded to Single when stored, except in the routines of the packed-single path, which
// compute in Single and say so where they are declared. No routine checks its arguments or raises.

#include <array>
#include <bit>
#include <cstdint>

using TAffineVector = std::array<float, 3>;
using TVector4f = std::array<float, 4>;
using TVector = TVector4f;
struct TTexPoint {
  float S, T;
};
using TAffineDblVector = std::array<double, 3>;
using TMatrix = std::array<TVector, 4>;

static_assert(sizeof(TAffineVector) == 12);
static_assert(sizeof(TVector) == 16);
static_assert(sizeof(TTexPoint) == 8);
static_assert(sizeof(TAffineDblVector) == 24);
static_assert(sizeof(TMatrix) == 64);

// Component indices: V[X], M[W][Y].
constexpr int X = 0;
constexpr int Y = 1;
constexpr int Z = 2;
constexpr int W = 3;

constexpr TMatrix IdentityHmgMatrix = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
constexpr TVector NullHmgPoint = {0, 0, 0, 1};
constexpr float cZero = 0.0f;
constexpr float cOne = 1.0f;
// A denormal: matrices whose determinant is smaller than this count as singular.
constexpr float EPSILON = 1e-40f;
constexpr float EPSILON2 = 1e-30f;
constexpr float cPIdiv180 = 0.017453292519943295f;
constexpr float c180divPI = 57.29577951308232f;
constexpr float cInv360 = 1.0f / 360;
constexpr float c180 = 180;
constexpr float c360 = 360;
constexpr long double cPIdiv180Ext = 0.017453292519943295L;
constexpr long double c180divPIExt = 57.29577951308232L;
// The x87 control word that truncates: Trunc and Int get the same effect from the truncating
// conversions, so nothing loads it.
constexpr std::uint16_t cwChop = 0x1F3F;

static_assert(std::bit_cast<std::uint32_t>(EPSILON) == 0x000116C2);
static_assert(std::bit_cast<std::uint32_t>(EPSILON2) == 0x0DA24260);
static_assert(std::bit_cast<std::uint32_t>(cPIdiv180) == 0x3C8EFA35);
static_assert(std::bit_cast<std::uint32_t>(c180divPI) == 0x42652EE1);
static_assert(std::bit_cast<std::uint32_t>(cInv360) == 0x3B360B61);
static_assert(std::bit_cast<std::uint32_t>(c180) == 0x43340000);
static_assert(std::bit_cast<std::uint32_t>(c360) == 0x43B40000);

// 1 when the processor reports 3DNow!; set by InitializeVectorGeometry. The packed-single path
// below is SSE, which every x86-64 processor has, so the flag selects nothing.
extern std::uint8_t Vector3DNowAvailable;
void InitializeVectorGeometry();

// Make and set.
TAffineVector AffineVectorMake(float x, float y, float z);
TAffineVector AffineVectorMake(const TVector& v);
void SetVector(TAffineVector& v, float x, float y, float z);
void SetVector(TAffineVector& v, const TAffineVector& vSrc);
void SetVector(TAffineDblVector& v, const TAffineVector& vSrc);
TVector VectorMake(const TAffineVector& v, float w);
TVector VectorMake(float x, float y, float z, float w);
TVector PointMake(float x, float y, float z);
TVector PointMake(const TAffineVector& v);
void SetVector(TVector& v, float x, float y, float z, float w);
void SetVector(TVector& v, const TAffineVector& av, float w);
void SetVector(TVector& v, const TVector& vSrc);
void MakePoint(TVector& v, float x, float y, float z);
void MakePoint(TVector& v, const TAffineVector& av);
void MakeVector(TAffineVector& v, float x, float y, float z);
void MakeVector(TVector& v, const TAffineVector& av);
void VectorClear(TVector& v);

// Sums, differences and combinations.
void VectorAdd(const TAffineVector& v1, const TAffineVector& v2, TAffineVector& vr);
void VectorAdd(const TVector& v1, const TVector& v2, TVector& vr);
void AddVector(TAffineVector& v1, const TAffineVector& v2);
void AddVector(TVector& v1, const TVector& v2);
void VectorArrayAdd(const TAffineVector* src, const TAffineVector& delta, int nb,
                    TAffineVector* dest);
void VectorSubtract(const TAffineVector& v1, const TAffineVector& v2, TAffineVector& vr);
TVector VectorSubtract(const TVector& v1, const TVector& v2);
void VectorSubtract(const TVector& v1, const TVector& v2, TVector& vr);
void SubtractVector(TAffineVector& v1, const TAffineVector& v2);
void SubtractVector(TVector& v1, const TVector& v2);
void CombineVector(TAffineVector& vr, const TAffineVector& v, float f);
void VectorCombine(const TAffineVector& v1, const TAffineVector& v2, float f1, float f2,
                   TAffineVector& vr);
void VectorCombine(const TVector& v1, const TVector& v2, float f1, float f2, TVector& vr);
void VectorCombine(const TVector& v1, const TVector& v2, float f2, TVector& vr);

// Products and projections.
float VectorDotProduct(const TAffineVector& v1, const TAffineVector& v2);
float VectorDotProduct(const TVector& v1, const TVector& v2);
float PointProject(const TAffineVector& p, const TAffineVector& origin,
                   const TAffineVector& direction);
float PointProject(const TVector& p, const TVector& origin, const TVector& direction);
// The out forms of the cross product must not write into one of their inputs.
void VectorCrossProduct(const TAffineVector& v1, const TAffineVector& v2, TAffineVector& vr);
void VectorCrossProduct(const TVector& v1, const TVector& v2, TVector& vr);
TAffineVector VectorCrossProduct(const TAffineVector& v1, const TAffineVector& v2);

// Interpolation.
float Lerp(float start, float stop, float t);
void VectorLerp(const TAffineVector& v1, const TAffineVector& v2, float t, TAffineVector& vr);
void VectorLerp(const TVector& v1, const TVector& v2, float t, TVector& vr);
// The array forms compute in Single on the packed-single path.
void VectorArrayLerp(const TVector* src1, const TVector* src2, float t, int n, TVector* dest);
void VectorArrayLerp(const TAffineVector* src1, const TAffineVector* src2, float t, int n,
                     TAffineVector* dest);

// Lengths, normalisation, angles. Normalising a zero vector gives non-finite components. The
// normalising routines work in Single on the packed-single path (a refined reciprocal square-root
// estimate of a Single sum of squares).
float VectorLength(float x, float y);
float VectorLength(const TAffineVector& v);
float VectorLength(const TVector& v);
float VectorNorm(float x, float y);
float VectorNorm(const TAffineVector& v);
void NormalizeVector(TAffineVector& v);
void VectorNormalize(const TAffineVector& v, TAffineVector& vr);
void NormalizeVectorArray(TAffineVector* list, int n);
// The homogeneous forms normalise X, Y, Z and return a direction (W = 0).
void NormalizeVector(TVector& v);
void VectorNormalize(const TVector& v, TVector& vr);
float VectorAngleCosine(const TAffineVector& v1, const TAffineVector& v2);

// Negation, scaling, absolute value, maximum.
void VectorNegate(const TAffineVector& v, TAffineVector& vr);
void VectorNegate(const TVector& v, TVector& vr);
void NegateVector(TAffineVector& v);
void ScaleVector(TAffineVector& v, float factor);
void ScaleVector(TVector& v, float factor);
void ScaleVector(TAffineVector& v, const TAffineVector& factor);
void ScaleVector(TVector& v, const TVector& factor);
void VectorScale(const TAffineVector& v, float factor, TAffineVector& vr);
void VectorScale(const TVector& v, float factor, TVector& vr);
void VectorAbs(const TVector& v, TVector& vr);
void MaxVector(TVector& v, const TVector& v1);
int MaxInteger(int a, int b);

// Comparison and distance. VectorEquals and AffineVectorEquals compare bits; VectorIsNull compares
// values, so -0.0 counts as zero there.
bool VectorEquals(const TVector& v1, const TVector& v2);
bool VectorEquals(const TAffineVector& v1, const TAffineVector& v2);
bool AffineVectorEquals(const TVector& v1, const TVector& v2);
bool VectorIsNull(const TAffineVector& v);
bool VectorIsNull(const TVector& v);
float VectorSpacing(const TAffineVector& v1, const TAffineVector& v2);
float VectorDistance(const TAffineVector& v1, const TAffineVector& v2);
float VectorDistance2(const TAffineVector& v1, const TAffineVector& v2);
void VectorPerpendicular(const TAffineVector& v, const TAffineVector& n, TAffineVector& vr);

// Matrix construction. Angles are in radians.
void CreateScaleAndTranslationMatrix(const TVector& scale, const TVector& offset, TMatrix& m);
// A positive angle about +Z takes the X axis to (cos, -sin, 0).
void CreateRotationMatrix(const TAffineVector& anAxis, float angle, TMatrix& m);
void CreateRotationMatrix(const TVector& anAxis, float angle, TMatrix& m);
void RotateVector(TVector& vector, const TAffineVector& axis, float angle);

// Matrix algebra. The out forms of MatrixMultiply and VectorTransform must not write into one of
// their inputs. On the packed-single path, MatrixMultiply and VectorTransform of a TVector sum
// their four products in Single, not in extended precision, so a sum that cancels may differ
// from the extended one in more than the last place.
void MatrixMultiply(const TMatrix& m1, const TMatrix& m2, TMatrix& mr);
TMatrix MatrixMultiply(const TMatrix& m1, const TMatrix& m2);
void VectorTransform(const TVector& v, const TMatrix& m, TVector& vr);
// V is taken as a point: the translation row is added, column 3 is ignored.
void VectorTransform(const TAffineVector& v, const TMatrix& m, TAffineVector& vr);
float Determinant3x3(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2,
                     float c3);
float MatrixDeterminant(const TMatrix& m);
void AdjointMatrix(TMatrix& m);
void ScaleMatrix(TMatrix& m, float factor);
// A singular matrix (|det| < EPSILON, or det not a number) becomes the identity.
void InvertMatrix(TMatrix& m);
void TransposeScaleM33(const TMatrix& m, TMatrix& mr, float factor);
// Exact only for a rotation times a uniform scale plus a translation; M is not checked.
void AnglePreservingMatrixInvert(const TMatrix& mat, TMatrix& result);
void NormalizeMatrix(TMatrix& m);
void TransposeMatrix(TMatrix& m);

// Angles and scalars.
long double DegToRad(long double degrees);
float DegToRad(float degrees);
long double RadToDeg(long double radians);
float RadToDeg(float radians);
// The same direction in [-180, 180]; both ends are kept as they are.
float NormalizeDegAngle(float angle);
void SinCos(long double theta, long double& sine, long double& cosine);
void SinCos(float theta, float& sine, float& cosine);
void SinCos(float theta, float radius, float& sine, float& cosine);
long double ArcCos(long double x);
float ArcCos(float x);
long double ArcTan2(long double y, long double x);
float ArcTan2(float y, float x);
long double Tan(long double x);
float Power(float base, float exponent);
float IntPower(float base, int exponent);
// On the packed-single path, the processor's estimate refined in Single.
float RSqrt(float v);
// Round and RoundSingle follow the current rounding mode; Trunc and Int always round toward zero.
// The integer conversions give 0x80000000 for a NaN or a value out of range.
float RoundSingle(float v);
int Trunc(float v);
long double Int(long double v);
int Round(float v);
float ClampValue(float aValue, float aMin, float aMax);

// Planes, rays and the view frustum. A plane (A, B, C, D) holds the points where
// A*x + B*y + C*z + D = 0; once normalised, that expression is the signed distance.
struct TFrustum {
  TVector Left, Top, Right, Bottom, Near, Far;
};
static_assert(sizeof(TFrustum) == 96);

// The clipping part of the render-context record; the culling tests read only the frustum.
struct TGLClippingInfo {
  TVector origin;
  TVector clippingDirection;
  float viewportRadius;
  float farClippingDistance;
  TFrustum frustum;
};
static_assert(sizeof(TGLClippingInfo) == 136);

void CalcPlaneNormal(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3,
                     TAffineVector& vr);
void CalcPlaneNormal(const TVector& p1, const TVector& p2, const TVector& p3, TAffineVector& vr);
void NormalizePlane(TVector& plane);
float PlaneEvaluatePoint(const TVector& plane, const TAffineVector& point);
// Without an intersectPoint the answer only says that the ray is not parallel to the plane.
bool RayCastPlaneIntersect(const TVector& rayStart, const TVector& rayVector,
                           const TVector& planePoint, const TVector& planeNormal,
                           TVector* intersectPoint = nullptr);
// rayVector must be of unit length; outputs beyond the returned count are not written.
int RayCastSphereIntersect(const TVector& rayStart, const TVector& rayVector,
                           const TVector& sphereCenter, float sphereRadius, TVector& i1,
                           TVector& i2);
float SphereVisibleRadius(float distance, float radius);
// M is modelview * projection; every plane of the result faces into the visible volume.
void ExtractFrustumFromModelViewProjection(const TMatrix& modelViewProj, TFrustum& result);
// True when the sphere (or the box's bounding sphere) lies wholly outside one frustum plane.
bool IsVolumeClipped(const TAffineVector& objPos, float objRadius, const TGLClippingInfo& rcci);
bool IsVolumeClipped(const TVector& objPos, float objRadius, const TGLClippingInfo& rcci);
bool IsVolumeClipped(const TAffineVector& min, const TAffineVector& max,
                     const TGLClippingInfo& rcci);

// The plain scalar forms of the routines that take the packed-single path, so that the two can
// be held against each other.
namespace PlainPath {
void VectorArrayAdd(const TAffineVector* src, const TAffineVector& delta, int nb,
                    TAffineVector* dest);
void VectorArrayLerp(const TVector* src1, const TVector* src2, float t, int n, TVector* dest);
void VectorArrayLerp(const TAffineVector* src1, const TAffineVector* src2, float t, int n,
                     TAffineVector* dest);
void NormalizeVector(TAffineVector& v);
void VectorNormalize(const TAffineVector& v, TAffineVector& vr);
void NormalizeVectorArray(TAffineVector* list, int n);
void NormalizeVector(TVector& v);
void VectorNormalize(const TVector& v, TVector& vr);
void MatrixMultiply(const TMatrix& m1, const TMatrix& m2, TMatrix& mr);
void VectorTransform(const TVector& v, const TMatrix& m, TVector& vr);
float RSqrt(float v);
void InvertMatrix(TMatrix& m);
}  // namespace PlainPath

#if defined(__SSE2__)
#include <xmmintrin.h>

// Inline, so that a loop over many vectors keeps the matrix in registers.
inline void VectorTransform(const TVector& v, const TMatrix& m, TVector& vr) {
  __m128 r = _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(v[X]), _mm_loadu_ps(m[X].data())),
                                   _mm_mul_ps(_mm_set1_ps(v[Y]), _mm_loadu_ps(m[Y].data()))),
                        _mm_add_ps(_mm_mul_ps(_mm_set1_ps(v[Z]), _mm_loadu_ps(m[Z].data())),
                                   _mm_mul_ps(_mm_set1_ps(v[W]), _mm_loadu_ps(m[W].data()))));
  _mm_storeu_ps(vr.data(), r);
}

// Row i of the product is row i of m1 transformed by m2.
inline void MatrixMultiply(const TMatrix& m1, const TMatrix& m2, TMatrix& mr) {
  for (int i = 0; i < 4; ++i) VectorTransform(m1[i], m2, mr[i]);
}
#endif

#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cmath>
#include <limits>

#include "engine/base/VectorGeometry.h"
#include "tests/engine/base/MathsTestSupport.h"

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();

TMatrix Translation(float x, float y, float z) {
  TMatrix m;
  CreateScaleAndTranslationMatrix({1, 1, 1, 1}, {x, y, z, 1}, m);
  return m;
}

TMatrix RotationZ(float degrees) {
  TMatrix m;
  CreateRotationMatrix(AffineVectorMake(0, 0, 1), DegToRad(degrees), m);
  return m;
}

TMatrix Diagonal(float a, float b, float c, float d) {
  return {{{a, 0, 0, 0}, {0, b, 0, 0}, {0, 0, c, 0}, {0, 0, 0, d}}};
}

// A well conditioned matrix with no zero entries.
const TMatrix General = {{{2, 1, 0.5f, 0.25f}, {-1, 3, 1, 0.5f}, {0.5f, -2, 4, 1}, {1, 2, 3, 5}}};

// Runs a body under a rounding mode and restores the caller's mode.
template <typename F>
void UnderRoundingMode(int mode, F body) {
  int saved = std::fegetround();
  std::fesetround(mode);
  body();
  std::fesetround(saved);
}

}  // namespace

TEST(VectorGeometry, DotProductOfHomogeneousVectorsIncludesW) {
  EXPECT_EQ(VectorDotProduct(PointMake(1, 2, 3), PointMake(4, 5, 6)), 33);
  EXPECT_EQ(VectorDotProduct(AffineVectorMake(1, 2, 3), AffineVectorMake(4, 5, 6)), 32);
  EXPECT_EQ(PointProject(PointMake(1, 2, 3), PointMake(1, 1, 1), PointMake(0, 2, 0)), 2)
      << "the projection ignores W";
}

TEST(VectorGeometry, CrossProductFollowsTheRightHandAndClearsW) {
  TAffineVector r;
  VectorCrossProduct(AffineVectorMake(1, 0, 0), AffineVectorMake(0, 1, 0), r);
  ExpectNear(r, {0, 0, 1});
  ExpectNear(VectorCrossProduct(AffineVectorMake(1, 2, 3), AffineVectorMake(4, 5, 6)), {-3, 6, -3});
  TVector h;
  VectorCrossProduct(PointMake(0, 1, 0), PointMake(0, 0, 1), h);
  ExpectNear(h, {1, 0, 0, 0});
}

TEST(VectorGeometry, ComponentWiseOutputMayBeAnInput) {
  TVector a = {1, 2, 3, 4};
  VectorAdd(a, a, a);
  ExpectNear(a, {2, 4, 6, 8});
  TAffineVector v = {1, 2, 3};
  VectorCombine(v, AffineVectorMake(1, 1, 1), 2, 3, v);
  ExpectNear(v, {5, 7, 9});
  TVector p = {1, 1, 1, 1};
  VectorCombine(p, TVector{1, 2, 3, 0}, 2, p);
  ExpectNear(p, {3, 5, 7, 1});
  CombineVector(v, AffineVectorMake(1, 0, -1), 0.5f);
  ExpectNear(v, {5.5f, 7, 8.5f});
}

TEST(VectorGeometry, LerpRunsFromStartToStop) {
  EXPECT_EQ(Lerp(2, 6, 0.25f), 3);
  EXPECT_EQ(Lerp(2, 6, 1.5f), 8) << "extrapolates";
  TVector r;
  VectorLerp(TVector{0, 0, 0, 1}, TVector{4, 8, -4, 0}, 0.5f, r);
  ExpectNear(r, {2, 4, -2, 0.5f});
}

TEST(VectorGeometry, LengthsAndAngles) {
  EXPECT_EQ(VectorLength(3, 4), 5);
  EXPECT_EQ(VectorNorm(3, 4), 25);
  EXPECT_EQ(VectorLength(TVector{2, 3, 6, 100}), 7) << "W is ignored";
  EXPECT_EQ(VectorDistance(AffineVectorMake(1, 1, 1), AffineVectorMake(3, 4, 7)), 7);
  EXPECT_EQ(VectorDistance2(AffineVectorMake(1, 1, 1), AffineVectorMake(3, 4, 7)), 49);
  EXPECT_EQ(VectorSpacing(AffineVectorMake(1, 1, 1), AffineVectorMake(3, -4, 7)), 13);
  EXPECT_NEAR(VectorAngleCosine(AffineVectorMake(1, 0, 0), AffineVectorMake(1, 1, 0)),
              std::sqrt(0.5f), 1e-7f);
}

TEST(VectorGeometry, NormalizingAPointGivesADirection) {
  TVector p = PointMake(0, 3, 4);
  NormalizeVector(p);
  ExpectNear(p, {0, 0.6f, 0.8f, 0});
  TVector r;
  VectorNormalize(PointMake(2, 0, 0), r);
  ExpectNear(r, {1, 0, 0, 0});
  TAffineVector a = {0, 0, -5};
  NormalizeVector(a);
  ExpectNear(a, {0, 0, -1});
}

TEST(VectorGeometry, NormalizingAZeroVectorGivesNonFiniteComponents) {
  TAffineVector zero = {0, 0, 0};
  NormalizeVector(zero);
  EXPECT_FALSE(std::isfinite(zero[X]));
  // The homogeneous forms still return a direction.
  for (const TVector& p : {PointMake(0, 0, 0), PointMake(NaN, 1, 2)}) {
    TVector inPlace = p, out;
    NormalizeVector(inPlace);
    VectorNormalize(p, out);
    for (const TVector& r : {inPlace, out}) {
      EXPECT_FALSE(std::isfinite(r[X]));
      EXPECT_EQ(r[W], 0);
    }
  }
}

TEST(VectorGeometry, EqualityIsBitwiseButNullnessIsAFloatCompare) {
  EXPECT_FALSE(VectorEquals(TVector{0, 0, 0, 0}, TVector{-0.0f, 0, 0, 0}));
  EXPECT_TRUE(VectorEquals(TVector{NaN, 1, 2, 3}, TVector{NaN, 1, 2, 3}));
  EXPECT_FALSE(VectorEquals(AffineVectorMake(1, 2, 3), AffineVectorMake(1, 2, 3.0000002f)));
  EXPECT_TRUE(AffineVectorEquals(TVector{1, 2, 3, 0}, TVector{1, 2, 3, 1}));
  EXPECT_TRUE(VectorIsNull(AffineVectorMake(-0.0f, 0, -0.0f)));
  EXPECT_TRUE(VectorIsNull(TVector{0, 0, 0, 1}));
  EXPECT_FALSE(VectorIsNull(AffineVectorMake(0, 1e-30f, 0)));
}

TEST(VectorGeometry, MaxVectorKeepsTheFirstOnTiesAndNaNs) {
  TVector v = {1, NaN, 3, 4};
  MaxVector(v, TVector{2, 5, NaN, 4});
  EXPECT_EQ(v[X], 2);
  EXPECT_TRUE(std::isnan(v[Y]));
  EXPECT_EQ(v[Z], 3);
  EXPECT_EQ(v[W], 4);
}

TEST(VectorGeometry, NegateScaleAbsAndPerpendicular) {
  TVector v;
  VectorNegate(TVector{1, -2, 3, 1}, v);
  ExpectNear(v, {-1, 2, -3, -1});
  VectorAbs(v, v);
  ExpectNear(v, {1, 2, 3, 1});
  ScaleVector(v, TVector{2, 3, 4, 5});
  ExpectNear(v, {2, 6, 12, 5});
  TAffineVector p;
  VectorPerpendicular(AffineVectorMake(3, 4, 5), AffineVectorMake(0, 0, 1), p);
  ExpectNear(p, {3, 4, 0});
  EXPECT_EQ(MaxInteger(-3, 2), 2);
}

TEST(VectorGeometry, ArrayRoutinesTouchExactlyTheFirstN) {
  for (int n : {0, 1, 5}) {
    SCOPED_TRACE(testing::Message() << "n = " << n);
    std::array<TAffineVector, 6> src, dst, unit;
    for (int i = 0; i < 6; ++i) {
      src[i] = {float(i), 2.0f * i, 1};
      unit[i] = {3, 0, 4};
      dst[i] = {-7, -7, -7};
    }
    VectorArrayAdd(src.data(), {10, 20, 30}, n, dst.data());
    NormalizeVectorArray(unit.data(), n);
    for (int i = 0; i < 6; ++i) {
      bool touched = i < n;
      EXPECT_EQ(dst[i][Z], touched ? 31 : -7) << i;
      EXPECT_NEAR(unit[i][X], touched ? 0.6f : 3, 1e-6f) << i;
    }
    std::array<TVector, 6> a{}, b, out;
    b.fill({4, 4, 4, 4});
    out.fill({-1, -1, -1, -1});
    VectorArrayLerp(a.data(), b.data(), 0.25f, n, out.data());
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i][W], i < n ? 1 : -1) << i;
  }
}

TEST(VectorGeometry, MakeAndSetForms) {
  ExpectNear(VectorMake(AffineVectorMake(1, 2, 3), 7), {1, 2, 3, 7});
  TVector v;
  MakePoint(v, AffineVectorMake(1, 2, 3));
  ExpectNear(v, {1, 2, 3, 1});
  MakeVector(v, AffineVectorMake(4, 5, 6));
  ExpectNear(v, {4, 5, 6, 0});
  SetVector(v, AffineVectorMake(1, 1, 1), 0.5f);
  ExpectNear(v, {1, 1, 1, 0.5f});
  TAffineDblVector d;
  SetVector(d, AffineVectorMake(0.1f, 2, 3));
  EXPECT_EQ(d[X], double(0.1f));
}

// Matrices.

TEST(VectorGeometry, RotationSenseAboutZ) {
  TVector r;
  VectorTransform(TVector{1, 0, 0, 1}, RotationZ(90), r);
  ExpectNear(r, {0, -1, 0, 1});
  TVector y = {0, 1, 0, 0};
  RotateVector(y, AffineVectorMake(0, 0, 2), DegToRad(90.0f));
  ExpectNear(y, {1, 0, 0, 0});
}

TEST(VectorGeometry, ZeroAngleRotationIsTheIdentity) {
  for (const TAffineVector& axis :
       {AffineVectorMake(1, 0, 0), AffineVectorMake(0, 5, 0), AffineVectorMake(1, -2, 3)}) {
    TMatrix m;
    CreateRotationMatrix(axis, 0, m);
    ExpectNear(m, IdentityHmgMatrix);
  }
}

TEST(VectorGeometry, TheLeftFactorOfAProductIsAppliedFirst) {
  TMatrix rotateThenMove = MatrixMultiply(RotationZ(90), Translation(5, 0, 0));
  TMatrix moveThenRotate = MatrixMultiply(Translation(5, 0, 0), RotationZ(90));
  TVector r;
  VectorTransform(TVector{1, 0, 0, 1}, rotateThenMove, r);
  ExpectNear(r, {5, -1, 0, 1});
  VectorTransform(TVector{1, 0, 0, 1}, moveThenRotate, r);
  ExpectNear(r, {0, -6, 0, 1}, 1e-5f);
  TAffineVector a;
  VectorTransform(AffineVectorMake(1, 0, 0), rotateThenMove, a);
  ExpectNear(a, {5, -1, 0});
}

TEST(VectorGeometry, FunctionFormOfTheProductMayReplaceAnOperand) {
  TMatrix m = Translation(1, 2, 3);
  m = MatrixMultiply(m, m);
  ExpectNear(m, Translation(2, 4, 6));
}

TEST(VectorGeometry, DeterminantAndAdjugate) {
  EXPECT_EQ(MatrixDeterminant(Diagonal(2, 3, 4, 5)), 120);
  EXPECT_EQ(Determinant3x3(1, 0, 0, 0, 2, 0, 0, 0, 3), 6);
  TMatrix adj = General;
  AdjointMatrix(adj);
  TMatrix scaled = IdentityHmgMatrix;
  ScaleMatrix(scaled, MatrixDeterminant(General));
  ExpectNear(MatrixMultiply(adj, General), scaled, 1e-3f);
}

TEST(VectorGeometry, InvertMatrix) {
  struct Case {
    const char* name;
    TMatrix m;
    TMatrix inverse;
  } cases[] = {
      {"zero", {}, IdentityHmgMatrix},
      {"determinant 1e-41", Diagonal(1e-41f, 1, 1, 1), IdentityHmgMatrix},
      {"not a number", Diagonal(NaN, 1, 1, 1), IdentityHmgMatrix},
      {"translation", Translation(1, 2, 3), Translation(-1, -2, -3)},
      {"scale", Diagonal(2, 4, 0.5f, 1), Diagonal(0.5f, 0.25f, 2, 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMatrix m = c.m;
    InvertMatrix(m);
    ExpectNear(m, c.inverse);
  }
  TMatrix m = General;
  InvertMatrix(m);
  ExpectNear(MatrixMultiply(General, m), IdentityHmgMatrix, 1e-6f);
}

TEST(VectorGeometry, DenormalDeterminantStillInvertsToFiniteValues) {
  // det = 1.6e-39: its reciprocal does not fit a Single, the inverse's elements do.
  TMatrix m = Diagonal(4e-20f, 4e-20f, 1, 1);
  InvertMatrix(m);
  EXPECT_NEAR(m[X][X], 2.5e19f, 2.5e13f);
  EXPECT_NEAR(m[Y][Y], 2.5e19f, 2.5e13f);
  EXPECT_NEAR(m[Z][Z], 1, 1e-5f);
  EXPECT_EQ(m[X][Y], 0);
  EXPECT_EQ(m[W][X], 0);
}

TEST(VectorGeometry, AnglePreservingInverse) {
  TMatrix m = Diagonal(2, 2, 2, 1);
  m[W] = {2, 0, 0, 1};
  TMatrix r;
  AnglePreservingMatrixInvert(m, r);
  TMatrix expected = Diagonal(0.5f, 0.5f, 0.5f, 1);
  expected[W] = {-1, 0, 0, 1};
  ExpectNear(r, expected);

  TMatrix rigid = MatrixMultiply(RotationZ(30), Translation(1, -2, 3));
  AnglePreservingMatrixInvert(rigid, r);
  ExpectNear(MatrixMultiply(rigid, r), IdentityHmgMatrix, 1e-6f);

  AnglePreservingMatrixInvert(Diagonal(0, 1, 1, 1), r);
  ExpectNear(r, IdentityHmgMatrix);
}

TEST(VectorGeometry, NormalizeMatrixStripsScaleAndTranslation) {
  TMatrix rotation = RotationZ(30);
  TMatrix m = MatrixMultiply(Diagonal(2, 3, 4, 1), rotation);
  m[W] = {5, 6, 7, 1};
  NormalizeMatrix(m);
  ExpectNear(m, rotation);
}

TEST(VectorGeometry, NormalizeMatrixRebuildsRowsZeroAndTwoAroundRowOne) {
  TMatrix m = {{{2, 0.1f, 0, 7}, {0, 3, 0.2f, 7}, {5, 5, 5, 7}, {1, 2, 3, 4}}};
  NormalizeMatrix(m);
  ExpectNear(AffineVectorMake(m[Y]),
             AffineVectorMake(0, 3 / std::sqrt(9.04f), 0.2f / std::sqrt(9.04f)));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(m[i][W], 0) << i;
    EXPECT_NEAR(VectorDotProduct(m[i], m[(i + 1) % 3]), 0, 1e-6f) << i;
  }
  ExpectNear(m[W], NullHmgPoint);
}

TEST(VectorGeometry, TransposeAndScaleRoutines) {
  TMatrix m = General;
  TransposeMatrix(m);
  EXPECT_EQ(m[0][3], General[3][0]);
  EXPECT_EQ(m[2][1], General[1][2]);
  TMatrix r = Translation(9, 9, 9);
  TransposeScaleM33(General, r, 2);
  EXPECT_EQ(r[0][1], 2 * General[1][0]);
  EXPECT_EQ(r[W][X], 9) << "the rest is untouched";
  EXPECT_EQ(r[X][W], 0);
}

// Angles and scalars.

TEST(VectorGeometry, NormalizeDegAngle) {
  const std::pair<float, float> cases[] = {{190, -170}, {-190, 170}, {540, 180},   {-540, -180},
                                           {720, 0},    {180, 180},  {-180, -180}, {45, 45}};
  for (auto [angle, expected] : cases) EXPECT_EQ(NormalizeDegAngle(angle), expected) << angle;
}

TEST(VectorGeometry, Power) {
  struct Case {
    float base, exponent, expected;
  } cases[] = {{0, 2, 0},   {0, 0, 1},    {2, -2, 0.25f}, {8, 1.0f / 3, 2},
               {-2, 3, -8}, {9, 0.5f, 3}, {-0.5f, -1, -2}};
  for (const Case& c : cases)
    EXPECT_NEAR(Power(c.base, c.exponent), c.expected, 2e-7f) << c.base << "^" << c.exponent;
  EXPECT_TRUE(std::isnan(Power(-8, 1.0f / 3)));
  EXPECT_EQ(Power(0, -1), INFINITY);
  // Whole exponents beyond 32 bits keep their size and sign (all of them are even).
  const Case huge[] = {
      {2, 1e10f, INFINITY},  {0.5f, 1e10f, 0}, {2, -1e10f, 0}, {0.5f, -1e10f, INFINITY},
      {-2, 1e10f, INFINITY}, {-1, -1e10f, 1},  {1, 3e9f, 1},   {2, INFINITY, INFINITY},
      {0.5f, INFINITY, 0}};
  for (const Case& c : huge)
    EXPECT_EQ(Power(c.base, c.exponent), c.expected) << c.base << "^" << c.exponent;
}

TEST(VectorGeometry, IntPower) {
  EXPECT_EQ(IntPower(3, 0), 1);
  EXPECT_EQ(IntPower(3, 5), 243);
  EXPECT_EQ(IntPower(-2, 3), -8);
  EXPECT_EQ(IntPower(2, -3), 0.125f);
  EXPECT_EQ(IntPower(1, INT_MIN), 1);
  EXPECT_EQ(IntPower(2, INT_MIN), 0);
}

TEST(VectorGeometry, TruncRoundsTowardZeroUnderEveryMode) {
  for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    UnderRoundingMode(mode, [] {
      EXPECT_EQ(Trunc(-1.7f), -1);
      EXPECT_EQ(Trunc(1.7f), 1);
      EXPECT_EQ(Int(-2.9L), -2);
    });
  }
}

TEST(VectorGeometry, RoundFollowsTheCurrentMode) {
  EXPECT_EQ(Round(2.5f), 2);
  EXPECT_EQ(Round(3.5f), 4);
  EXPECT_EQ(Round(-2.5f), -2);
  EXPECT_EQ(RoundSingle(2.5f), 2);
  UnderRoundingMode(FE_UPWARD, [] {
    EXPECT_EQ(Round(2.2f), 3);
    EXPECT_EQ(RoundSingle(2.2f), 3);
  });
  UnderRoundingMode(FE_DOWNWARD, [] { EXPECT_EQ(Round(-2.2f), -3); });
}

TEST(VectorGeometry, IntegerConversionsOfNaNAndOutOfRange) {
  for (float v : {NaN, 3e9f, -3e9f, INFINITY}) {
    EXPECT_EQ(Trunc(v), INT_MIN) << v;
    EXPECT_EQ(Round(v), INT_MIN) << v;
  }
}

TEST(VectorGeometry, ClampValue) {
  EXPECT_EQ(ClampValue(0.5f, 0, 1), 0.5f);
  EXPECT_EQ(ClampValue(-1, 0, 1), 0);
  EXPECT_EQ(ClampValue(2, 0, 1), 1);
  EXPECT_EQ(ClampValue(-1, 5, 2), 5) << "Min wins when the bounds cross";
}

TEST(VectorGeometry, AngleRoutines) {
  EXPECT_NEAR(ArcCos(0.5f), M_PI / 3, 1e-7);
  EXPECT_NEAR(double(ArcCos(-1.0L)), M_PI, 1e-15);
  EXPECT_TRUE(std::isnan(ArcCos(1.5f)));
  EXPECT_NEAR(ArcTan2(-1.0f, -1.0f), -3 * M_PI / 4, 1e-6);
  EXPECT_NEAR(double(ArcTan2(1.0L, -1.0L)), 3 * M_PI / 4, 1e-15);
  float s, c;
  SinCos(float(M_PI / 6), 2, s, c);
  EXPECT_NEAR(s, 1, 1e-6f);
  EXPECT_NEAR(c, std::sqrt(3.0f), 1e-6f);
  EXPECT_NEAR(double(Tan(DegToRad(45.0L))), 1, 1e-15);
  EXPECT_EQ(RadToDeg(DegToRad(90.0f)), 90);
}

TEST(VectorGeometry, InitialisationRunsOnceAndReadsTheProcessorFlag) {
  InitializeVectorGeometry();
  std::uint8_t first = Vector3DNowAvailable;
  Vector3DNowAvailable = 7;
  InitializeVectorGeometry();
  EXPECT_EQ(Vector3DNowAvailable, 7) << "a second run changes nothing";
  Vector3DNowAvailable = first;
  EXPECT_LE(first, 1);
}

// The packed-single path against the plain one.

namespace {

float RandomIn(unsigned& state, float lo, float hi) {
  state = state * 1664525u + 1013904223u;
  return lo + (hi - lo) * float(state >> 8) / float(1u << 24);
}

template <std::size_t N>
void Randomize(std::array<float, N>& v, unsigned& state) {
  for (float& e : v) e = RandomIn(state, -10, 10);
}

// Both paths agree to a few units in the last place of the largest magnitude involved.
template <std::size_t N>
void ExpectSinglePrecisionEqual(const std::array<float, N>& fast, const std::array<float, N>& plain,
                                float scale) {
  ExpectNear(fast, plain, scale * 4e-7f);
}

}  // namespace

TEST(VectorGeometryFastPath, MatchesThePlainPath) {
  unsigned state = 12345;
  for (int round = 0; round < 200; ++round) {
    TMatrix a, b, fast, plain;
    for (auto& row : a) Randomize(row, state);
    for (auto& row : b) Randomize(row, state);
    MatrixMultiply(a, b, fast);
    PlainPath::MatrixMultiply(a, b, plain);
    for (int i = 0; i < 4; ++i) ExpectSinglePrecisionEqual(fast[i], plain[i], 400);

    // Diagonally dominant, so that the inverse is well conditioned.
    for (int i = 0; i < 4; ++i) a[i][i] += 40;
    fast = plain = a;
    InvertMatrix(fast);
    PlainPath::InvertMatrix(plain);
    for (int i = 0; i < 4; ++i) ExpectSinglePrecisionEqual(fast[i], plain[i], 0.1f);

    TVector v, vf, vp;
    Randomize(v, state);
    VectorTransform(v, a, vf);
    PlainPath::VectorTransform(v, a, vp);
    ExpectSinglePrecisionEqual(vf, vp, 400);

    VectorNormalize(v, vf);
    PlainPath::VectorNormalize(v, vp);
    ExpectSinglePrecisionEqual(vf, vp, 1);
    TVector inPlace = v, inPlacePlain = v;
    NormalizeVector(inPlace);
    PlainPath::NormalizeVector(inPlacePlain);
    ExpectSinglePrecisionEqual(inPlace, inPlacePlain, 1);

    TAffineVector av = AffineVectorMake(v), af, ap;
    VectorNormalize(av, af);
    PlainPath::VectorNormalize(av, ap);
    ExpectSinglePrecisionEqual(af, ap, 1);
    NormalizeVector(av);
    ExpectSinglePrecisionEqual(av, ap, 1);

    float x = RandomIn(state, 1e-3f, 1e3f);
    EXPECT_NEAR(RSqrt(x), PlainPath::RSqrt(x), PlainPath::RSqrt(x) * 4e-7f) << x;
  }
}

// The squared lengths of these leave the normal range of a Single, where the packed path has
// lost the length.
TEST(VectorGeometryFastPath, TinyAndHugeVectorsNormalizeLikeThePlainPath) {
  struct Case {
    const char* name;
    TAffineVector v, unit;
  } cases[] = {
      {"square underflows", {1e-23f, 0, 0}, {1, 0, 0}},
      {"square is denormal", {3e-22f, 4e-22f, 0}, {0.6f, 0.8f, 0}},
      {"square overflows", {0, 3e19f, -4e19f}, {0, 0.6f, -0.8f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TAffineVector inPlace = c.v, out;
    NormalizeVector(inPlace);
    VectorNormalize(c.v, out);
    std::array<TAffineVector, 2> list = {c.v, c.v};
    NormalizeVectorArray(list.data(), 2);
    for (const TAffineVector& r : {inPlace, out, list[0], list[1]}) ExpectNear(r, c.unit);
    TVector h = PointMake(c.v), hOut;
    VectorNormalize(h, hOut);
    NormalizeVector(h);
    for (const TVector& r : {h, hOut}) ExpectNear(r, VectorMake(c.unit, 0));
  }
}

TEST(VectorGeometryFastPath, ReciprocalSquareRootAtTheEdges) {
  for (float x : {0.0f, 1e-40f, INFINITY}) EXPECT_EQ(RSqrt(x), PlainPath::RSqrt(x)) << x;
  EXPECT_TRUE(std::isnan(RSqrt(-1)));
  EXPECT_TRUE(std::isnan(RSqrt(NaN)));
  // The processor's estimate differs between makers; refined once it is within a few ulps.
  EXPECT_FLOAT_EQ(RSqrt(0.25f), 2);
}

TEST(VectorGeometryFastPath, ArrayRoutinesMatchThePlainPathForEveryRemainder) {
  unsigned state = 777;
  for (int n = 0; n <= 9; ++n) {
    SCOPED_TRACE(testing::Message() << "n = " << n);
    std::array<TAffineVector, 10> s1, s2, fast, plain;
    std::array<TVector, 10> h1, h2, hf, hp;
    for (int i = 0; i < 10; ++i) {
      Randomize(s1[i], state);
      Randomize(s2[i], state);
      Randomize(h1[i], state);
      Randomize(h2[i], state);
    }
    fast = plain = s1;
    VectorArrayAdd(s1.data(), s2[0], n, fast.data());
    PlainPath::VectorArrayAdd(s1.data(), s2[0], n, plain.data());
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(VectorEquals(fast[i], plain[i])) << i;

    VectorArrayLerp(s1.data(), s2.data(), 0.3f, n, fast.data());
    PlainPath::VectorArrayLerp(s1.data(), s2.data(), 0.3f, n, plain.data());
    for (int i = 0; i < 10; ++i) ExpectSinglePrecisionEqual(fast[i], plain[i], 20);

    hf = hp = h1;
    VectorArrayLerp(h1.data(), h2.data(), 0.7f, n, hf.data());
    PlainPath::VectorArrayLerp(h1.data(), h2.data(), 0.7f, n, hp.data());
    for (int i = 0; i < 10; ++i) ExpectSinglePrecisionEqual(hf[i], hp[i], 20);

    fast = plain = s2;
    NormalizeVectorArray(fast.data(), n);
    PlainPath::NormalizeVectorArray(plain.data(), n);
    for (int i = 0; i < 10; ++i) ExpectSinglePrecisionEqual(fast[i], plain[i], 1);
  }
}

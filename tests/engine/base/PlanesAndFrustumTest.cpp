#include <gtest/gtest.h>

#include <cmath>

#include "engine/base/VectorGeometry.h"
#include "tests/engine/base/MathsTestSupport.h"

namespace {

const TVector Untouched = {-9, -9, -9, -9};

TGLClippingInfo ClippingFor(const TMatrix& modelViewProj) {
  TGLClippingInfo info{};
  ExtractFrustumFromModelViewProjection(modelViewProj, info.frustum);
  return info;
}

// The projection that gluPerspective makes, in the row-vector convention.
TMatrix Perspective(float fovyDegrees, float zNear, float zFar) {
  float f = 1 / std::tan(DegToRad(fovyDegrees) / 2);
  return {{{f, 0, 0, 0},
           {0, f, 0, 0},
           {0, 0, (zFar + zNear) / (zNear - zFar), -1},
           {0, 0, 2 * zFar * zNear / (zNear - zFar), 0}}};
}

// A camera at eye looking down -Z with +Y up.
TMatrix LookDownMinusZFrom(float x, float y, float z) {
  TMatrix m;
  CreateScaleAndTranslationMatrix({1, 1, 1, 1}, {-x, -y, -z, 1}, m);
  return m;
}

}  // namespace

TEST(Planes, NormalAndEvaluation) {
  TAffineVector n;
  CalcPlaneNormal(AffineVectorMake(0, 0, 1), AffineVectorMake(2, 0, 1), AffineVectorMake(0, 3, 1),
                  n);
  ExpectNear(n, {0, 0, 1});
  CalcPlaneNormal(PointMake(0, 0, 0), PointMake(0, 3, 0), PointMake(2, 0, 0), n);
  ExpectNear(n, {0, 0, -1});
  TVector plane = {0, 0, 2, -4};
  NormalizePlane(plane);
  EXPECT_NEAR(PlaneEvaluatePoint(plane, AffineVectorMake(7, 7, 5)), 3, 1e-6f)
      << "a normalised plane evaluates to the signed distance";
}

TEST(Planes, RayAgainstPlane) {
  const TVector start = PointMake(0, 0, 0), alongZ = {0, 0, 1, 0};
  struct Case {
    const char* name;
    TVector planePoint, planeNormal;
    bool hit;
  } cases[] = {
      {"plane ahead", PointMake(0, 0, 5), {0, 0, 1, 0}, true},
      {"normal facing the ray", PointMake(0, 0, 5), {0, 0, -1, 0}, true},
      {"plane behind", PointMake(0, 0, -5), {0, 0, 1, 0}, false},
      {"parallel", PointMake(0, 0, 5), {1, 0, 0, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TVector hit = Untouched;
    EXPECT_EQ(RayCastPlaneIntersect(start, alongZ, c.planePoint, c.planeNormal, &hit), c.hit);
    ExpectNear(hit, c.hit ? PointMake(0, 0, 5) : Untouched);
  }
  EXPECT_TRUE(RayCastPlaneIntersect(start, alongZ, PointMake(0, 0, -5), {0, 0, 1, 0}))
      << "without an output only parallelism counts";
  EXPECT_FALSE(
      RayCastPlaneIntersect(start, {1e-31f, 0, 1e-31f, 0}, PointMake(0, 0, 5), {0, 0, 1, 0}));
}

TEST(Planes, RayAgainstSphere) {
  const TVector alongZ = {0, 0, 1, 0}, center = PointMake(0, 0, 0);
  struct Case {
    const char* name;
    TVector start;
    int count;
    TVector i1, i2;
  } cases[] = {
      {"from outside", PointMake(0, 0, -5), 2, PointMake(0, 0, -1), PointMake(0, 0, 1)},
      {"from the centre", PointMake(0, 0, 0), 1, PointMake(0, 0, 1), Untouched},
      {"sphere behind", PointMake(0, 0, 5), 0, Untouched, Untouched},
      {"tangent ahead", PointMake(1, 0, -5), 1, PointMake(1, 0, 0), Untouched},
      {"tangent behind", PointMake(1, 0, 5), 0, Untouched, Untouched},
      {"missing", PointMake(2, 0, -5), 0, Untouched, Untouched},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TVector i1 = Untouched, i2 = Untouched;
    EXPECT_EQ(RayCastSphereIntersect(c.start, alongZ, center, 1, i1, i2), c.count);
    ExpectNear(i1, c.i1);
    ExpectNear(i2, c.i2);
  }
}

TEST(Planes, SphereVisibleRadius) {
  EXPECT_NEAR(SphereVisibleRadius(2, 1), 2 / std::sqrt(3.0f), 1e-6f);
  EXPECT_FALSE(std::isfinite(SphereVisibleRadius(1, 2))) << "inside the sphere";
}

TEST(Frustum, FromIdentityIsTheUnitCube) {
  TGLClippingInfo info = ClippingFor(IdentityHmgMatrix);
  const TFrustum& f = info.frustum;
  ExpectNear(f.Left, {1, 0, 0, 1});
  ExpectNear(f.Top, {0, -1, 0, 1});
  ExpectNear(f.Right, {-1, 0, 0, 1});
  ExpectNear(f.Bottom, {0, 1, 0, 1});
  ExpectNear(f.Near, {0, 0, 1, 1});
  ExpectNear(f.Far, {0, 0, -1, 1});
  for (float radius : {0.0f, 0.5f, 100.0f})
    EXPECT_FALSE(IsVolumeClipped(AffineVectorMake(0, 0, 0), radius, info)) << radius;
  EXPECT_TRUE(IsVolumeClipped(AffineVectorMake(2, 0, 0), 0.5f, info));
  EXPECT_FALSE(IsVolumeClipped(PointMake(1.4f, 0, 0), 0.5f, info)) << "straddles the plane";
  EXPECT_TRUE(IsVolumeClipped(AffineVectorMake(0, 0, 3), AffineVectorMake(1, 1, 4), info));
  EXPECT_FALSE(
      IsVolumeClipped(AffineVectorMake(0.5f, 0.5f, 0.5f), AffineVectorMake(2, 2, 2), info));
}

TEST(Frustum, FromPerspectiveTimesLookAt) {
  // Eye at z = 10 looking at the origin, 90 degrees of view, near 1, far 100.
  TMatrix m = MatrixMultiply(LookDownMinusZFrom(0, 0, 10), Perspective(90, 1, 100));
  TGLClippingInfo info = ClippingFor(m);
  for (const TVector* p : {&info.frustum.Left, &info.frustum.Top, &info.frustum.Right,
                           &info.frustum.Bottom, &info.frustum.Near, &info.frustum.Far})
    EXPECT_NEAR(VectorLength(*p), 1, 1e-5f);
  EXPECT_NEAR(PlaneEvaluatePoint(info.frustum.Near, AffineVectorMake(0, 0, 9)), 0, 1e-4f);
  EXPECT_NEAR(PlaneEvaluatePoint(info.frustum.Far, AffineVectorMake(0, 0, -90)), 0, 1e-3f);
  // 12 to the right at 10 ahead lies sqrt(2) outside the 45-degree side plane.
  EXPECT_NEAR(PlaneEvaluatePoint(info.frustum.Right, AffineVectorMake(12, 0, 0)), -std::sqrt(2.0f),
              1e-5f);
  struct Case {
    TAffineVector position;
    float radius;
    bool clipped;
  } cases[] = {
      {{0, 0, 0}, 0.1f, false}, {{12, 0, 0}, 1, true},      {{12, 0, 0}, 1.5f, false},
      {{0, -12, 0}, 1, true},   {{0, 0, 9.5f}, 0.1f, true}, {{0, 0, 20}, 1, true},
      {{0, 0, -85}, 1, false},  {{0, 0, -92}, 1, true},     {{0, 0, -92}, 4, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsVolumeClipped(c.position, c.radius, info), c.clipped)
        << c.position[X] << ", " << c.position[Y] << ", " << c.position[Z] << " r " << c.radius;
}

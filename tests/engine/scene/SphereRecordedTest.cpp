// What a sphere sends to OpenGL: the 3D window's bowls strip by strip, facing out or in with the
// front face given back, the cap fans and their normals, and the section's longitudes.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>
#include <vector>

#include "engine/GLObjects/Sphere.h"
#include "engine/GLState.h"
#include "engine/base/XOpenGL.h"
#include "platform/gl/GLRecorder.h"

namespace {

const auto Call = [](auto... args) { return TGLCall(args...); };

// A vertex with the normal and texture coordinate in force when it was sent.
struct Vertex {
  TAffineVector position, normal;
  float s, t;
};

struct Primitive {
  GLenum mode;
  std::vector<Vertex> vertices;
};

float Number(const TGLCall& call, int index) {
  return float(std::get<double>(call.Args[index]));
}

std::vector<Primitive> Primitives(const TGLCalls& calls) {
  std::vector<Primitive> primitives;
  TAffineVector normal{-9, -9, -9};
  float s = -9, t = -9;
  for (const TGLCall& call : calls) {
    if (call.Name == "glBegin") {
      primitives.push_back({GLenum(std::get<int64_t>(call.Args[0])), {}});
    } else if (call.Name == "glNormal3f") {
      normal = {Number(call, 0), Number(call, 1), Number(call, 2)};
    } else if (call.Name == "glTexCoord2f") {
      s = Number(call, 0);
      t = Number(call, 1);
    } else if (call.Name == "glVertex3f") {
      primitives.back().vertices.push_back(
          {{Number(call, 0), Number(call, 1), Number(call, 2)}, normal, s, t});
    }
  }
  return primitives;
}

void ExpectNear(const TAffineVector& actual, const TAffineVector& expected, const char* what) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-5) << what << " [" << i << "]";
}

double Rad(double degrees) {
  return degrees * std::numbers::pi / 180;
}

// The unit-sphere point at latitude and longitude in degrees.
TAffineVector At(double latitude, double longitude) {
  const double p = Rad(latitude), q = Rad(longitude);
  return {float(std::cos(p) * std::sin(q)), float(std::sin(p)), float(std::cos(p) * std::cos(q))};
}

TAffineVector Negated(const TAffineVector& v) {
  return {-v[X], -v[Y], -v[Z]};
}

class SphereDrawing : public testing::Test {
 protected:
  void SetUp() override {
    MapTexCoordToMain();
    rci.stateCache = &cache;
  }
  void TearDown() override { MapTexCoordToNull(); }

  TGLCalls Draw(TGLSphere& sphere) {
    TGLRecorder gl;
    sphere.BuildList(rci);
    return gl.Take();
  }

  TGLStateCache cache;
  TRenderContextInfo rci;
};

// The 3D window's two bowls: radius 1, the half below the equator, 32 by 32, the outer one
// without normals of its own kind, the inner one facing inwards.
TEST_F(SphereDrawing, TheBowlsAreThirtyTwoStripsFromTheEquatorDown) {
  for (TNormalDirection direction : {ndOutside, ndInside}) {
    const bool inside = direction == ndInside;
    SCOPED_TRACE(inside ? "inner bowl" : "outer bowl");
    TGLSphere sphere(nullptr);
    sphere.SetRadius(1);
    sphere.SetSlices(32);
    sphere.SetStacks(32);
    sphere.SetTop(0);
    sphere.SetNormals(nsNone);
    sphere.SetNormalDirection(direction);
    const TGLCalls calls = Draw(sphere);

    TGLCalls setUp = {Call("glPushAttrib", GL_POLYGON_BIT)};
    if (inside) setUp.push_back(Call("glFrontFace", GL_CW));
    setUp.push_back(Call("glPushMatrix"));
    setUp.push_back(Call("glScalef", 1.0f, 1.0f, 1.0f));
    ASSERT_GT(calls.size(), setUp.size());
    EXPECT_EQ(TGLCalls(calls.begin(), calls.begin() + setUp.size()), setUp);
    TGLCalls tearDown = {Call("glPopMatrix"), Call("glPopAttrib")};
    if (inside) tearDown.insert(tearDown.begin(), Call("glFrontFace", GL_CCW));
    EXPECT_EQ(TGLCalls(calls.end() - tearDown.size(), calls.end()), tearDown);
    EXPECT_TRUE(cache.GetFrontFaceCCW()) << "the cache agrees with OpenGL afterwards";

    const std::vector<Primitive> strips = Primitives(calls);
    ASSERT_EQ(strips.size(), 32u) << "no caps";
    for (int j = 0; j < 32; ++j) {
      SCOPED_TRACE(j);
      const Primitive& strip = strips[j];
      EXPECT_EQ(strip.mode, GLenum(GL_TRIANGLE_STRIP));
      ASSERT_EQ(strip.vertices.size(), 66u);
      for (int i = 0; i <= 32; i += 8) {
        const Vertex& upper = strip.vertices[2 * i];
        const Vertex& lower = strip.vertices[2 * i + 1];
        const double longitude = i * 360.0 / 32;
        ExpectNear(upper.position, At(-2.8125 * j, longitude), "upper");
        ExpectNear(lower.position, At(-2.8125 * (j + 1), longitude), "lower");
        ExpectNear(upper.normal, inside ? Negated(upper.position) : upper.position, "normal");
        ExpectNear(lower.normal, inside ? Negated(lower.position) : lower.position, "normal");
        EXPECT_NEAR(upper.s, i / 32.0, 1e-6);
        EXPECT_NEAR(upper.t, 1 - j / 32.0, 1e-6);
        EXPECT_NEAR(lower.s, i / 32.0, 1e-6);
        EXPECT_NEAR(lower.t, 1 - (j + 1) / 32.0, 1e-6);
      }
    }
    ExpectNear(strips.back().vertices.back().position, {0, -1, 0}, "the south pole");
  }
}

TEST_F(SphereDrawing, RadiusScalesTheUnitSphere) {
  TGLSphere sphere(nullptr);
  sphere.SetRadius(-2);
  sphere.SetSlices(3);
  sphere.SetStacks(2);
  const TGLCalls calls = Draw(sphere);
  EXPECT_EQ(calls[2], Call("glScalef", -2.0f, -2.0f, -2.0f));
  const std::vector<Primitive> strips = Primitives(calls);
  ASSERT_EQ(strips.size(), 2u);
  ExpectNear(strips[0].vertices[0].position, {0, 1, 0}, "from the north pole");
  EXPECT_EQ(strips[0].vertices.size(), 8u);
}

TEST_F(SphereDrawing, CapsCloseACutSectionWithTheirOwnNormals) {
  const float cos30 = float(std::cos(Rad(30))), sin30 = 0.5f;
  struct Case {
    const char* name;
    int top, bottom;
    TCapType topCap, bottomCap;
    TNormalDirection direction;
    int fans;
  } cases[] = {
      {"no cap at the pole", 90, -90, ctFlat, ctCenter, ndOutside, 0},
      {"a flat top at 30", 30, -90, ctFlat, ctFlat, ndOutside, 1},
      {"a centred top at 30", 30, -90, ctCenter, ctNone, ndOutside, 1},
      {"a flat bottom at -30, inside", 90, -30, ctNone, ctFlat, ndInside, 1},
      {"a centred bottom at -30", 90, -30, ctNone, ctCenter, ndOutside, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLSphere sphere(nullptr);
    sphere.SetSlices(4);
    sphere.SetStacks(2);
    sphere.SetTop(int8_t(c.top));
    sphere.SetBottom(int8_t(c.bottom));
    sphere.SetTopCap(c.topCap);
    sphere.SetBottomCap(c.bottomCap);
    sphere.SetNormalDirection(c.direction);
    const std::vector<Primitive> primitives = Primitives(Draw(sphere));
    ASSERT_EQ(primitives.size(), size_t(2 + c.fans));
    if (c.fans == 0) continue;
    const bool top = c.top < 90;
    const Primitive& fan = top ? primitives.front() : primitives.back();
    ASSERT_EQ(fan.mode, GLenum(GL_TRIANGLE_FAN));
    ASSERT_EQ(fan.vertices.size(), 1u + 5u);
    const float pole = top ? 1.0f : -1.0f;
    const float sign = c.direction == ndInside ? -1.0f : 1.0f;
    const TCapType cap = top ? c.topCap : c.bottomCap;
    const Vertex& centre = fan.vertices[0];
    ExpectNear(centre.position, {0, cap == ctFlat ? pole * sin30 : 0, 0}, "centre");
    ExpectNear(centre.normal, {0, sign * pole, 0}, "centre normal");
    EXPECT_EQ(centre.s, 0.5f);
    EXPECT_EQ(centre.t, 0.5f);
    for (int i = 0; i <= 4; ++i) {
      SCOPED_TRACE(i);
      // The top ring runs forwards from Start, the bottom ring backwards from Stop.
      const double longitude = top ? 90.0 * i : 360 - 90.0 * i;
      const Vertex& v = fan.vertices[1 + i];
      const TAffineVector expected = At(top ? c.top : c.bottom, longitude);
      ExpectNear(v.position, expected, "ring");
      EXPECT_NEAR(v.s, 0.5 + 0.5 * std::sin(Rad(longitude)), 1e-6);
      EXPECT_NEAR(v.t, 0.5 + 0.5 * std::cos(Rad(longitude)), 1e-6);
      TAffineVector normal{0, pole, 0};
      if (cap == ctCenter) {
        // The pole direction less its part along the ring point, at 30 degrees from the
        // equator: cos 30 of it remains, leaning outwards.
        const float d = pole * expected[Y];
        normal = {-d * expected[X], pole - d * expected[Y], -d * expected[Z]};
        EXPECT_NEAR(VectorLength(normal), cos30, 1e-5) << "not normalised";
      }
      ExpectNear(v.normal, {sign * normal[X], sign * normal[Y], sign * normal[Z]}, "normal");
    }
  }
}

TEST_F(SphereDrawing, ASectionSpansItsLongitudes) {
  TGLSphere sphere(nullptr);
  sphere.SetSlices(3);
  sphere.SetStacks(1);
  sphere.SetStart(90);
  sphere.SetStop(180);
  std::vector<Primitive> strips = Primitives(Draw(sphere));
  ASSERT_EQ(strips.size(), 1u);
  ASSERT_EQ(strips[0].vertices.size(), 8u);
  ExpectNear(strips[0].vertices[0].position, {0, 1, 0}, "the pole");
  ExpectNear(strips[0].vertices[1].position, At(-90, 90), "the other pole");
  for (int i = 0; i <= 3; ++i) EXPECT_NEAR(strips[0].vertices[2 * i].s, i / 3.0, 1e-6);

  // Start = Stop: every strip collapses onto one meridian, and nothing fails.
  sphere.SetStacks(2);
  sphere.SetStop(90);
  strips = Primitives(Draw(sphere));
  ASSERT_EQ(strips.size(), 2u);
  for (const Vertex& v : strips[1].vertices) EXPECT_NEAR(v.position[Z], 0, 1e-6);
  ExpectNear(strips[1].vertices[1].position, At(-90, 90), "equator to pole");
  ExpectNear(strips[1].vertices[6].position, At(0, 90), "the same meridian");
}

TEST_F(SphereDrawing, TextureCoordinatesFollowTheMapping) {
  TGLSphere sphere(nullptr);
  sphere.SetSlices(2);
  sphere.SetStacks(1);
  MapTexCoordToNull();
  const TGLCalls calls = Draw(sphere);
  for (const TGLCall& call : calls) EXPECT_NE(call.Name, "glTexCoord2f");
  EXPECT_EQ(Primitives(calls)[0].vertices.size(), 6u);
}

}  // namespace

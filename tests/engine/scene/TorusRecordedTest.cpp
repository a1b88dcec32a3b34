// What a torus sends to OpenGL: one closed quad strip per ring segment, every vertex on the tube
// with its outward normal, the faces turned outwards, the strips joined edge to edge and the
// texture laid once round both ways.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/GLGeomObjects/Torus.h"
#include "engine/base/XOpenGL.h"
#include "tests/engine/scene/BuildListCalls.h"
#include "tests/engine/scene/VertexCalls.h"

namespace {

using namespace vertex_calls;

class TorusDrawing : public testing::Test {
 protected:
  void SetUp() override { MapTexCoordToMain(); }
  void TearDown() override { MapTexCoordToNull(); }
};

void ExpectNear(const TVector& actual, const TVector& expected, const char* what) {
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-5) << what << " [" << i << "]";
}

TEST_F(TorusDrawing, EachRingSegmentIsOneClosedStripOnTheTube) {
  const struct Case {
    const char* name;
    uint32_t rings, sides;
    float major, minor;
  } cases[] = {
      {"a new torus", 25, 15, 0.4f, 0.1f},
      {"the fewest segments", 1, 0, 1, 0.25f},
      {"a spindle torus", 8, 6, 0.1f, 0.3f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLTorus torus(nullptr);
    torus.SetRings(c.rings);
    torus.SetSides(c.sides);
    torus.SetMajorRadius(c.major);
    torus.SetMinorRadius(c.minor);
    const uint32_t rings = torus.GetRings(), sides = torus.GetSides();
    const TGLCalls calls = BuildListCalls(torus);
    for (const TGLCall& call : calls)
      EXPECT_TRUE(call.Name.rfind("glBegin", 0) == 0 || call.Name == "glEnd" ||
                  call.Name == "glNormal3f" || call.Name == "glVertex3f" ||
                  call.Name == "glTexCoord2f")
          << "no matrix or attribute: " << call;
    const std::vector<TPrimitive> strips = Primitives(calls);
    ASSERT_EQ(strips.size(), rings);
    for (const TPrimitive& strip : strips) {
      EXPECT_EQ(strip.Mode, GLenum(GL_QUAD_STRIP));
      ASSERT_EQ(strip.Vertices.size(), 2 * (sides + 1));
      for (const TSentVertex& v : strip.Vertices) {
        // On the tube: the normal is of unit length and leads back to the centre circle.
        EXPECT_NEAR(Length(v.Normal), 1, 1e-5);
        const TAffineVector centre{v.Position[X] - c.minor * v.Normal[X],
                                   v.Position[Y] - c.minor * v.Normal[Y],
                                   v.Position[Z] - c.minor * v.Normal[Z]};
        EXPECT_NEAR(std::hypot(centre[X], centre[Y]), c.major, 1e-5) << v;
        EXPECT_NEAR(centre[Z], 0, 1e-6) << v;
      }
      // The strip closes round the tube: its last pair lies on its first.
      ExpectNear(strip.Vertices.back().Position, strip.Vertices[1].Position, "closing pair");
    }
    // Each strip starts where the one before it ended round the axis, and the last meets the
    // first.
    for (size_t k = 0; k < strips.size(); ++k) {
      const TPrimitive& next = strips[(k + 1) % strips.size()];
      ExpectNear(next.Vertices[1].Position, strips[k].Vertices[0].Position, "shared edge");
    }
  }
}

TEST_F(TorusDrawing, FacesTurnOutwardsAndTheTextureRunsOnceRoundBothWays) {
  TGLTorus torus(nullptr);
  torus.SetRings(4);
  torus.SetSides(4);
  const std::vector<TPrimitive> strips = Primitives(BuildListCalls(torus));
  ASSERT_EQ(strips.size(), 4u);
  for (size_t k = 0; k < strips.size(); ++k) {
    SCOPED_TRACE(k);
    const std::vector<TSentVertex>& v = strips[k].Vertices;
    // The first quad of the strip, v0 v1 v3 v2, counter-clockwise seen from outside.
    const TAffineVector a{v[1].Position[X] - v[0].Position[X], v[1].Position[Y] - v[0].Position[Y],
                          v[1].Position[Z] - v[0].Position[Z]};
    const TAffineVector b{v[3].Position[X] - v[0].Position[X], v[3].Position[Y] - v[0].Position[Y],
                          v[3].Position[Z] - v[0].Position[Z]};
    const TAffineVector facing{a[Y] * b[Z] - a[Z] * b[Y], a[Z] * b[X] - a[X] * b[Z],
                               a[X] * b[Y] - a[Y] * b[X]};
    EXPECT_GT(facing[X] * v[0].Normal[X] + facing[Y] * v[0].Normal[Y] + facing[Z] * v[0].Normal[Z],
              0);
    // The strips come last segment first; each pair spans one segment's width in s, and t
    // runs from 1 down to 0 round the tube.
    const float s = float(strips.size() - 1 - k) / 4;
    EXPECT_FLOAT_EQ(v.front().Tex.S, s);
    EXPECT_FLOAT_EQ(v[1].Tex.S, s + 0.25f);
    EXPECT_FLOAT_EQ(v.front().Tex.T, 1);
    EXPECT_FLOAT_EQ(v.back().Tex.T, 0);
  }
}

}  // namespace

// What a plane sends to OpenGL: one quad or rows of tile strips, their texture coordinates by
// style, tiles, offsets and scopes, the depth writes it switches off, and the texture units its
// coordinates reach.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

#include "engine/GLObjects/Plane.h"
#include "engine/base/XOpenGL.h"
#include "platform/gl/GLRecorder.h"
#include "tests/engine/scene/BuildListCalls.h"

namespace {

const auto Call = [](auto... args) { return TGLCall(args...); };

// A vertex as the plane emits it: its texture coordinate, then its position.
struct TexVertex {
  double s, t, x, y;
  bool operator==(const TexVertex&) const = default;
};
std::ostream& operator<<(std::ostream& out, const TexVertex& v) {
  return out << "(s " << v.s << ", t " << v.t << " | " << v.x << ", " << v.y << ")";
}

struct Primitive {
  GLenum mode;
  std::vector<TexVertex> vertices;
  bool operator==(const Primitive&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Primitive& p) {
  out << "mode " << p.mode << ":";
  for (const TexVertex& v : p.vertices) out << " " << v;
  return out;
}

double Number(const TGLCall& call, int index) {
  return std::get<double>(call.Args[index]);
}

// The primitives of a call log, each vertex with the texture coordinate sent just before it.
std::vector<Primitive> Primitives(const TGLCalls& calls) {
  std::vector<Primitive> primitives;
  double s = -99, t = -99;
  for (const TGLCall& call : calls) {
    if (call.Name == "glBegin") {
      primitives.push_back({GLenum(std::get<int64_t>(call.Args[0])), {}});
    } else if (call.Name == "glTexCoord2f") {
      s = Number(call, 0);
      t = Number(call, 1);
    } else if (call.Name == "glVertex2f") {
      primitives.back().vertices.push_back({s, t, Number(call, 0), Number(call, 1)});
    }
  }
  return primitives;
}

class PlaneDrawing : public testing::Test {
 protected:
  void SetUp() override { MapTexCoordToMain(); }
  void TearDown() override { MapTexCoordToNull(); }
};

TEST_F(PlaneDrawing, StylesTilesOffsetsAndScopes) {
  const struct Case {
    const char* name;
    std::function<void(TGLPlane&)> setUp;
    std::vector<Primitive> expected;
  } cases[] = {
      {"a new plane: the unit square with the texture once",
       [](TGLPlane&) {},
       {{GL_QUADS, {{1, 1, 0.5, 0.5}, {0, 1, -0.5, 0.5}, {0, 0, -0.5, -0.5}, {1, 0, 0.5, -0.5}}}}},
      {"the template plane: tiles only widen the texture range of its one quad",
       [](TGLPlane& p) {
         p.SetWidth(4);
         p.SetHeight(2);
         p.SetXTiles(8);
         p.SetYTiles(8);
       },
       {{GL_QUADS, {{8, 8, 2, 1}, {0, 8, -2, 1}, {0, 0, -2, -1}, {8, 0, 2, -1}}}}},
      {"one quad with offsets and scopes",
       [](TGLPlane& p) {
         p.SetXTiles(2);
         p.SetXOffset(0.25f);
         p.SetYOffset(-1);
         p.SetXScope(0.5f);
         p.SetYScope(0.75f);
       },
       {{GL_QUADS,
         {{1.25, -0.25, 0.5, 0.5},
          {0.25, -0.25, -0.5, 0.5},
          {0.25, -1, -0.5, -0.5},
          {1.25, -1, 0.5, -0.5}}}}},
      {"one quad without tiled texture: the scopes alone, no offsets, no tiles",
       [](TGLPlane& p) {
         p.SetStyle(psSingleQuad);
         p.SetXTiles(8);
         p.SetXOffset(0.25f);
         p.SetXScope(0.5f);
       },
       {{GL_QUADS,
         {{0.5, 1, 0.5, 0.5}, {0, 1, -0.5, 0.5}, {0, 0, -0.5, -0.5}, {0.5, 0, 0.5, -0.5}}}}},
      {"one quad of no tiles: its texture range closes on the offset",
       [](TGLPlane& p) {
         p.SetXTiles(0);
         p.SetXOffset(0.25f);
       },
       {{GL_QUADS,
         {{0.25, 1, 0.5, 0.5},
          {0.25, 1, -0.5, 0.5},
          {0.25, 0, -0.5, -0.5},
          {0.25, 0, 0.5, -0.5}}}}},
      {"tiles: rows from the bottom, each a strip of columns from the left",
       [](TGLPlane& p) {
         p.SetStyle(psTileTexture);
         p.SetHeight(1.5f);
         p.SetXTiles(2);
         p.SetYTiles(3);
         p.SetXOffset(0.25f);
       },
       {{GL_TRIANGLE_STRIP,
         {{0.25, 1, -0.5, -0.25},
          {0.25, 0, -0.5, -0.75},
          {1.25, 1, 0, -0.25},
          {1.25, 0, 0, -0.75},
          {2.25, 1, 0.5, -0.25},
          {2.25, 0, 0.5, -0.75}}},
        {GL_TRIANGLE_STRIP,
         {{0.25, 2, -0.5, 0.25},
          {0.25, 1, -0.5, -0.25},
          {1.25, 2, 0, 0.25},
          {1.25, 1, 0, -0.25},
          {2.25, 2, 0.5, 0.25},
          {2.25, 1, 0.5, -0.25}}},
        {GL_TRIANGLE_STRIP,
         {{0.25, 3, -0.5, 0.75},
          {0.25, 2, -0.5, 0.25},
          {1.25, 3, 0, 0.75},
          {1.25, 2, 0, 0.25},
          {2.25, 3, 0.5, 0.75},
          {2.25, 2, 0.5, 0.25}}}}},
      {"tiles without tiled texture: the scope spread over the whole rectangle",
       [](TGLPlane& p) {
         p.SetStyle(0);
         p.SetXTiles(2);
         p.SetXOffset(0.25f);
         p.SetXScope(0.5f);
       },
       {{GL_TRIANGLE_STRIP,
         {{0, 1, -0.5, 0.5},
          {0, 0, -0.5, -0.5},
          {0.25, 1, 0, 0.5},
          {0.25, 0, 0, -0.5},
          {0.5, 1, 0.5, 0.5},
          {0.5, 0, 0.5, -0.5}}}}},
      {"tiles with a negative scope run the texture backwards",
       [](TGLPlane& p) {
         p.SetStyle(psTileTexture);
         p.SetYScope(-0.5f);
         p.SetYOffset(1);
       },
       {{GL_TRIANGLE_STRIP,
         {{0, 0.5, -0.5, 0.5}, {0, 1, -0.5, -0.5}, {1, 0.5, 0.5, 0.5}, {1, 1, 0.5, -0.5}}}}},
      {"no tiles across draws nothing",
       [](TGLPlane& p) {
         p.SetStyle(psTileTexture);
         p.SetXTiles(0);
       },
       {}},
      {"no rows draws nothing",
       [](TGLPlane& p) {
         p.SetStyle(0);
         p.SetYTiles(0);
       },
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLPlane plane(nullptr);
    c.setUp(plane);
    const TGLCalls calls = BuildListCalls(plane);
    EXPECT_EQ(Primitives(calls), c.expected);
    if (c.expected.empty()) {
      EXPECT_TRUE(calls.empty()) << "no normal and no depth-mask change either";
      continue;
    }
    // One normal, before any vertex; every primitive closed.
    EXPECT_EQ(calls.front(), Call("glNormal3f", 0.0f, 0.0f, 1.0f));
    int normals = 0, begins = 0, ends = 0;
    for (const TGLCall& call : calls) {
      normals += call.Name == "glNormal3f";
      begins += call.Name == "glBegin";
      ends += call.Name == "glEnd";
    }
    EXPECT_EQ(normals, 1);
    EXPECT_EQ(ends, begins);
    EXPECT_EQ(calls.back(), Call("glEnd"));
  }
}

TEST_F(PlaneDrawing, WithoutDepthWritesTheyAreOnAgainAfterwards) {
  for (TPlaneStyles style : {cDefaultPlaneStyles, TPlaneStyles(psTileTexture)}) {
    SCOPED_TRACE(int(style));
    TGLPlane plane(nullptr);
    plane.SetStyle(style);
    plane.SetNoZWrite(true);
    const TGLCalls calls = BuildListCalls(plane);
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[1], Call("glDepthMask", GL_FALSE));
    EXPECT_EQ(calls[2].Name, "glBegin");
    EXPECT_EQ(calls.back(), Call("glDepthMask", GL_TRUE));
  }
  TGLPlane plane(nullptr);
  for (const TGLCall& call : BuildListCalls(plane)) EXPECT_NE(call.Name, "glDepthMask");
}

TEST_F(PlaneDrawing, TextureCoordinatesGoWhereTheMappingSendsThem) {
  TGLPlane plane(nullptr);
  {
    TGLRecorder gl;
    gl.SetImplementation("1.3", "GL_ARB_multitexture");
    MapTexCoordToSecond();
    TRenderContextInfo rci;
    plane.BuildList(rci);
    EXPECT_TRUE(gl.CallsOf("glTexCoord2f").empty());
    EXPECT_EQ(gl.CallsOf("glMultiTexCoord2fARB").front(),
              Call("glMultiTexCoord2fARB", GL_TEXTURE1_ARB, 1.0f, 1.0f));
    EXPECT_EQ(gl.CallsOf("glMultiTexCoord2fARB").size(), 4u);
  }
  MapTexCoordToNull();
  TGLCalls calls = BuildListCalls(plane);
  EXPECT_EQ(Primitives(calls).front().vertices.size(), 4u);
  for (const TGLCall& call : calls) EXPECT_NE(call.Name, "glTexCoord2f");
}

}  // namespace

// What a cube sends to OpenGL: one batch of quads, one per face drawn, each with its normal and
// its corners with their texture coordinates, by faces, sizes and normal direction.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <vector>

#include "engine/GLObjects/Cube.h"
#include "engine/base/XOpenGL.h"
#include "platform/gl/GLRecorder.h"

namespace {

// A corner as the cube emits it: its texture coordinate, then its position.
struct TCorner {
  double s, t, x, y, z;
  bool operator==(const TCorner&) const = default;
};
std::ostream& operator<<(std::ostream& out, const TCorner& c) {
  return out << "(s " << c.s << ", t " << c.t << " | " << c.x << ", " << c.y << ", " << c.z << ")";
}

// A quad with the normal in force when its first corner was sent.
struct TQuad {
  double nx, ny, nz;
  std::vector<TCorner> corners;
  bool operator==(const TQuad&) const = default;
};
std::ostream& operator<<(std::ostream& out, const TQuad& q) {
  out << "normal (" << q.nx << ", " << q.ny << ", " << q.nz << "):";
  for (const TCorner& c : q.corners) out << " " << c;
  return out;
}

double Number(const TGLArg& arg) {
  return std::get<double>(arg);
}

// The quads of one GL_QUADS batch; a log with anything else between glBegin and glEnd, or more
// than one batch, fails.
std::vector<TQuad> Quads(const TGLCalls& calls) {
  std::vector<TQuad> quads;
  double normal[3] = {-9, -9, -9}, s = -9, t = -9;
  int batches = 0;
  for (const TGLCall& call : calls) {
    if (call.Name == "glBegin") {
      ++batches;
      EXPECT_EQ(std::get<int64_t>(call.Args[0]), GL_QUADS);
    } else if (call.Name == "glNormal3f") {
      for (int k = 0; k < 3; ++k) normal[k] = Number(call.Args[k]);
    } else if (call.Name == "glTexCoord2fv") {
      const TGLArray& st = std::get<TGLArray>(call.Args[0]);
      s = st[0];
      t = st[1];
    } else if (call.Name == "glVertex3f") {
      if (quads.empty() || quads.back().corners.size() == 4)
        quads.push_back({normal[0], normal[1], normal[2], {}});
      quads.back().corners.push_back(
          {s, t, Number(call.Args[0]), Number(call.Args[1]), Number(call.Args[2])});
    } else if (call.Name != "glEnd") {
      ADD_FAILURE() << "unexpected " << call;
    }
  }
  EXPECT_EQ(batches, 1);
  return quads;
}

std::vector<TQuad> Draw(TGLCube& cube) {
  TGLRecorder gl;
  TRenderContextInfo rci;
  cube.BuildList(rci);
  return Quads(gl.Take());
}

class CubeDrawing : public testing::Test {
 protected:
  void SetUp() override { MapTexCoordToMain(); }
  void TearDown() override { MapTexCoordToNull(); }
};

// Width 2, height 4, depth 6: half sizes 1, 2, 3.
TEST_F(CubeDrawing, EachFaceAloneWithItsNormalCornersAndTextureCoordinates) {
  const struct Case {
    TCubePart part;
    TQuad expected;
  } cases[] = {
      {cpFront,
       {0, 0, 1, {{1, 1, 1, 2, 3}, {0, 1, -1, 2, 3}, {0, 0, -1, -2, 3}, {1, 0, 1, -2, 3}}}},
      {cpBack,
       {0, 0, -1, {{0, 1, 1, 2, -3}, {0, 0, 1, -2, -3}, {1, 0, -1, -2, -3}, {1, 1, -1, 2, -3}}}},
      {cpLeft,
       {-1, 0, 0, {{1, 1, -1, 2, 3}, {0, 1, -1, 2, -3}, {0, 0, -1, -2, -3}, {1, 0, -1, -2, 3}}}},
      {cpRight,
       {1, 0, 0, {{0, 1, 1, 2, 3}, {0, 0, 1, -2, 3}, {1, 0, 1, -2, -3}, {1, 1, 1, 2, -3}}}},
      {cpTop, {0, 1, 0, {{0, 1, -1, 2, -3}, {0, 0, -1, 2, 3}, {1, 0, 1, 2, 3}, {1, 1, 1, 2, -3}}}},
      {cpBottom,
       {0, -1, 0, {{0, 0, -1, -2, -3}, {1, 0, 1, -2, -3}, {1, 1, 1, -2, 3}, {0, 1, -1, -2, 3}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.part);
    for (TNormalDirection direction : {ndOutside, ndInside}) {
      SCOPED_TRACE(direction == ndInside ? "inside" : "outside");
      TGLCube cube(nullptr);
      cube.SetCubeWidth(2);
      cube.SetCubeHeight(4);
      cube.SetCubeDepth(6);
      cube.SetParts(c.part);
      cube.SetNormalDirection(direction);
      TQuad expected = c.expected;
      // Inside only turns the normal round; the corners keep their order.
      if (direction == ndInside) {
        expected.nx = -expected.nx;
        expected.ny = -expected.ny;
        expected.nz = -expected.nz;
      }
      EXPECT_EQ(Draw(cube), std::vector<TQuad>{expected});
    }
  }
}

// Seen from outside, the first three corners of every face turn counter-clockwise: their cross
// product points the way of the outward normal.
TEST_F(CubeDrawing, AllSixFacesInTheirOrderWoundCounterClockwiseFromOutside) {
  TGLCube cube(nullptr);
  const std::vector<TQuad> quads = Draw(cube);
  ASSERT_EQ(quads.size(), 6u);
  const double order[6][3] = {{0, 0, 1}, {0, 0, -1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
  for (int f = 0; f < 6; ++f) {
    SCOPED_TRACE(f);
    const TQuad& q = quads[size_t(f)];
    EXPECT_EQ(q.nx, order[f][0]);
    EXPECT_EQ(q.ny, order[f][1]);
    EXPECT_EQ(q.nz, order[f][2]);
    const TCorner &a = q.corners[0], &b = q.corners[1], &c = q.corners[2];
    const double u[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
    const double v[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
    const double cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
    EXPECT_GT(cross[0] * q.nx + cross[1] * q.ny + cross[2] * q.nz, 0);
    for (const TCorner& corner : q.corners)
      EXPECT_EQ(std::abs(corner.x) + std::abs(corner.y) + std::abs(corner.z), 1.5);
  }
}

TEST_F(CubeDrawing, PartsChooseTheFacesAndNoneLeavesAnEmptyBatch) {
  TGLCube cube(nullptr);
  cube.SetParts(cpTop | cpRight);
  std::vector<TQuad> quads = Draw(cube);
  ASSERT_EQ(quads.size(), 2u);
  EXPECT_EQ(quads[0].nx, 1) << "right comes before top";
  EXPECT_EQ(quads[1].ny, 1);
  for (const TCorner& corner : quads[1].corners) EXPECT_EQ(corner.y, 0.5);

  cube.SetParts(0);
  EXPECT_TRUE(Draw(cube).empty());
}

}  // namespace

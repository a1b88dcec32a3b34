// What a frustrum sends to OpenGL: one batch of quads, each face's corners counter-clockwise
// from outside with a normal square to the face, slanted sides that meet at the apex, texture
// coordinates by corner, and the faces left out by parts, by a top up at the apex or by an apex
// on or below the base.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "engine/GLGeomObjects/Frustrum.h"
#include "engine/base/XOpenGL.h"
#include "platform/rtl/Classes.h"
#include "tests/engine/scene/BuildListCalls.h"
#include "tests/engine/scene/VertexCalls.h"

namespace {

using namespace vertex_calls;

// One face: its normal and its corners as sent.
struct TFace {
  TAffineVector normal;
  std::vector<TSentVertex> corners;
};

// The quads of the build; a build that draws anything draws one batch of quads.
std::vector<TFace> Faces(TGLFrustrum& frustrum) {
  const std::vector<TPrimitive> primitives = Primitives(BuildListCalls(frustrum));
  std::vector<TFace> faces;
  if (primitives.empty()) return faces;
  EXPECT_EQ(primitives.size(), 1u);
  EXPECT_EQ(primitives[0].Mode, GLenum(GL_QUADS));
  const std::vector<TSentVertex>& v = primitives[0].Vertices;
  EXPECT_EQ(v.size() % 4, 0u);
  for (size_t i = 0; i + 3 < v.size(); i += 4) {
    faces.push_back({v[i].Normal, {v[i], v[i + 1], v[i + 2], v[i + 3]}});
    for (int k = 1; k < 4; ++k) EXPECT_EQ(v[i + k].Normal, v[i].Normal) << "one normal a face";
  }
  return faces;
}

TAffineVector Sub(const TVector& a, const TVector& b) {
  return {a[X] - b[X], a[Y] - b[Y], a[Z] - b[Z]};
}
TAffineVector Cross(const TAffineVector& a, const TAffineVector& b) {
  return {a[Y] * b[Z] - a[Z] * b[Y], a[Z] * b[X] - a[X] * b[Z], a[X] * b[Y] - a[Y] * b[X]};
}
float Dot(const TAffineVector& a, const TAffineVector& b) {
  return a[X] * b[X] + a[Y] * b[Y] + a[Z] * b[Z];
}

class FrustrumDrawing : public testing::Test {
 protected:
  void SetUp() override { MapTexCoordToMain(); }
  void TearDown() override { MapTexCoordToNull(); }
};

// Each face of frustrums of several shapes: a unit normal square to the face, pointing away
// from the body (towards it inside), corners counter-clockwise from outside whichever way the
// normals point, and side edges that run to the apex on the axis.
TEST_F(FrustrumDrawing, FacesAreClosedAroundTheBodyAndTheSidesRunToTheApex) {
  const struct Case {
    const char* name;
    float width, depth, height, apex;
    TNormalDirection direction;
  } cases[] = {
      {"a new frustrum", 1, 1, 0.5f, 1, ndOutside},
      {"wide, shallow and low", 4, 1, 0.25f, 3, ndOutside},
      {"facing in", 2, 3, 1, 2, ndInside},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLFrustrum frustrum(nullptr);
    frustrum.SetApexHeight(c.apex);
    frustrum.SetHeight(c.height);
    frustrum.SetBaseWidth(c.width);
    frustrum.SetBaseDepth(c.depth);
    frustrum.SetNormalDirection(c.direction);
    const std::vector<TFace> faces = Faces(frustrum);
    ASSERT_EQ(faces.size(), 6u);
    const TVector inside{0, c.height / 2, 0, 1};
    const float sign = c.direction == ndInside ? -1 : 1;
    for (const TFace& face : faces) {
      SCOPED_TRACE(testing::Message() << face.corners[0]);
      EXPECT_NEAR(Length(face.normal), 1, 1e-6);
      for (int k = 0; k < 4; ++k) {
        const TAffineVector edge =
            Sub(face.corners[(k + 1) % 4].Position, face.corners[k].Position);
        EXPECT_NEAR(Dot(edge, face.normal), 0, 1e-6) << "square to edge " << k;
      }
      EXPECT_GT(sign * Dot(Sub(face.corners[0].Position, inside), face.normal), 0) << "facing";
      const TAffineVector turn = Cross(Sub(face.corners[1].Position, face.corners[0].Position),
                                       Sub(face.corners[2].Position, face.corners[1].Position));
      EXPECT_GT(sign * Dot(turn, face.normal), 0) << "counter-clockwise from outside";
      // A side's edge from a base corner through the top corner beside it reaches the apex.
      for (int k = 0; k < 4; ++k) {
        const TVector& base = face.corners[k].Position;
        const TVector& top = face.corners[(k + 1) % 4].Position;
        if (base[Y] != 0 || top[Y] != c.height) continue;
        const float along = c.apex / c.height;
        EXPECT_NEAR(base[X] + (top[X] - base[X]) * along, 0, 1e-5);
        EXPECT_NEAR(base[Z] + (top[Z] - base[Z]) * along, 0, 1e-5);
      }
    }
  }
}

TEST_F(FrustrumDrawing, ANewFrustrumsFacesInOrderWithTheirTextureCorners) {
  TGLFrustrum frustrum(nullptr);
  const std::vector<TFace> faces = Faces(frustrum);
  ASSERT_EQ(faces.size(), 6u);
  const float c = float(1 / std::sqrt(5.0)), s = float(2 / std::sqrt(5.0));
  // Front, back, left, right, top, bottom; on each side the texture's (0, 0) is the base corner
  // on the left seen from outside.
  const struct Expected {
    TAffineVector normal;
    float s[4], t[4];
  } expected[] = {
      {{0, c, s}, {1, 0, 0, 1}, {1, 1, 0, 0}},  {{0, c, -s}, {0, 0, 1, 1}, {1, 0, 0, 1}},
      {{-s, c, 0}, {1, 0, 0, 1}, {1, 1, 0, 0}}, {{s, c, 0}, {0, 0, 1, 1}, {1, 0, 0, 1}},
      {{0, 1, 0}, {0, 0, 1, 1}, {1, 0, 0, 1}},  {{0, -1, 0}, {0, 1, 1, 0}, {0, 0, 1, 1}},
  };
  for (size_t f = 0; f < faces.size(); ++f) {
    SCOPED_TRACE(f);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(faces[f].normal[k], expected[f].normal[k], 1e-6);
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(faces[f].corners[k].Tex.S, expected[f].s[k]) << k;
      EXPECT_EQ(faces[f].corners[k].Tex.T, expected[f].t[k]) << k;
    }
  }
  // The top is half the base, as the cut is halfway to the apex.
  for (const TSentVertex& corner : faces[4].corners) {
    EXPECT_EQ(std::fabs(corner.Position[X]), 0.25f);
    EXPECT_EQ(corner.Position[Y], 0.5f);
    EXPECT_EQ(std::fabs(corner.Position[Z]), 0.25f);
  }
}

TEST_F(FrustrumDrawing, FacesLeftOutByPartsByAPyramidOrByAnApexOnTheBase) {
  const struct Case {
    const char* name;
    std::function<void(TGLFrustrum&)> setUp;
    std::vector<float> normalYs;  // the faces drawn, told apart by their normals' y
  } cases[] = {
      {"sides only",
       [](TGLFrustrum& f) {
         f.SetParts(fpFront | fpBack | fpLeft | fpRight);
         f.SetHeight(0.25f);
       },
       {}},
      {"top and bottom", [](TGLFrustrum& f) { f.SetParts(fpTop | fpBottom); }, {1, -1}},
      {"a pyramid has no top",
       [](TGLFrustrum& f) {
         f.SetParts(fpTop | fpBottom);
         f.SetHeight(1);
       },
       {-1}},
      // The top's sizes would be 0/0: the base alone.
      {"an apex on the base", [](TGLFrustrum& f) { f.SetApexHeight(0); }, {-1}},
      {"an apex on the base, inside",
       [](TGLFrustrum& f) {
         f.SetApexHeight(0);
         f.SetNormalDirection(ndInside);
       },
       {1}},
      {"nothing", [](TGLFrustrum& f) { f.SetParts(0); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLFrustrum frustrum(nullptr);
    c.setUp(frustrum);
    std::vector<float> normalYs;
    for (const TFace& face : Faces(frustrum))
      if (face.normal[X] == 0 && face.normal[Z] == 0) normalYs.push_back(face.normal[Y]);
    EXPECT_EQ(normalYs, c.normalYs);
  }
  TGLFrustrum sides(nullptr);
  sides.SetParts(fpFront | fpBack | fpLeft | fpRight);
  EXPECT_EQ(Faces(sides).size(), 4u);
}

// Sizes the setters would refuse, read from a layout as they stand.
TEST_F(FrustrumDrawing, SizesReadFromALayoutDrawAsTheyStand) {
  RegisterClasses({TGLFrustrum::StaticClass()});
  const auto read = [](const std::string& sizes) {
    auto form = std::make_unique<TComponent>(nullptr);
    TStringStream stream(
        "object Form: TComponent\n  object Pyramid: TGLFrustrum\n"
        "    FrustrumSize = {" +
        sizes + "}\n  end\nend\n");
    stream.ReadComponent(form.get());
    return form;
  };
  {
    // Apex 1, height 2: the top is skipped, the sides cross over.
    auto form = read("0000803F0000803F0000803F00000040");
    auto& frustrum = dynamic_cast<TGLFrustrum&>(*form->FindComponent("Pyramid"));
    const std::vector<TFace> faces = Faces(frustrum);
    EXPECT_EQ(faces.size(), 5u);
    for (const TFace& face : faces) EXPECT_NE(face.normal[Y], 1) << "no top";
  }
  {
    // An apex below the base: nothing at all.
    auto form = read("000080BF0000803F0000803F00000000");
    auto& frustrum = dynamic_cast<TGLFrustrum&>(*form->FindComponent("Pyramid"));
    EXPECT_TRUE(BuildListCalls(frustrum).empty());
  }
}

}  // namespace

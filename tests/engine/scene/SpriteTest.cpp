// The sprite without OpenGL: its setters and the notices they send, its copy and extents, the
// quad it builds from a modelview (corners facing the viewer, texture coordinates by mirroring,
// the axis its rotation turns about), its layout and the unit's registration.
#include "tests/support/Raises.h"
//
#include <cmath>
#include <functional>
#include <string>

#include "engine/GLObjects.h"
#include "engine/GLObjects/Points.h"
#include "engine/GLObjects/Sprite.h"
#include "platform/rtl/Classes.h"
#include "tests/engine/scene/CameraLightChecks.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

// A sprite that counts the repaint notices it sends.
using TCountingSprite = camera_light_test::TCounting<TGLSprite>;

TEST(Sprite, NewSpriteIsAnOpaqueUnitSquareBuiltAtEveryFrameAndNeverCulled) {
  TGLSprite sprite(nullptr);
  EXPECT_EQ(sprite.GetWidth(), 1);
  EXPECT_EQ(sprite.GetHeight(), 1);
  EXPECT_EQ(sprite.GetRotation(), 0);
  EXPECT_EQ(sprite.GetAlphaChannel(), 1);
  EXPECT_FALSE(sprite.GetNoZWrite());
  EXPECT_FALSE(sprite.GetMirrorU());
  EXPECT_FALSE(sprite.GetMirrorV());
  EXPECT_EQ(sprite.GetStyleFlags() & (osBuildEveryFrame | osNeverCulled),
            osBuildEveryFrame | osNeverCulled);
}

TEST(Sprite, SettersClampTheAlphaAndRepaintWithoutRebuilding) {
  struct Case {
    const char* name;
    std::function<void(TGLSprite&)> set;
    std::function<double(const TGLSprite&)> get;
    double expected;
    size_t notices;
  } cases[] = {
      {"width", [](TGLSprite& s) { s.SetWidth(2); }, &TGLSprite::GetWidth, 2, 1},
      {"width unchanged", [](TGLSprite& s) { s.SetWidth(1); }, &TGLSprite::GetWidth, 1, 0},
      {"negative height", [](TGLSprite& s) { s.SetHeight(-3); }, &TGLSprite::GetHeight, -3, 1},
      {"rotation", [](TGLSprite& s) { s.SetRotation(90); }, &TGLSprite::GetRotation, 90, 1},
      {"rotation unchanged", [](TGLSprite& s) { s.SetRotation(0); }, &TGLSprite::GetRotation, 0, 0},
      {"alpha", [](TGLSprite& s) { s.SetAlphaChannel(0.25f); }, &TGLSprite::GetAlphaChannel, 0.25,
       1},
      // The value as given is compared, then clamped: 1.7 over a stored 1 still signals.
      {"alpha above 1", [](TGLSprite& s) { s.SetAlphaChannel(1.7f); }, &TGLSprite::GetAlphaChannel,
       1, 1},
      {"alpha below 0", [](TGLSprite& s) { s.SetAlphaChannel(-0.2f); }, &TGLSprite::GetAlphaChannel,
       0, 1},
      {"alpha unchanged", [](TGLSprite& s) { s.SetAlphaChannel(1); }, &TGLSprite::GetAlphaChannel,
       1, 0},
      // The flags signal at every write.
      {"no z write as it was", [](TGLSprite& s) { s.SetNoZWrite(false); }, &TGLSprite::GetNoZWrite,
       0, 1},
      {"no z write", [](TGLSprite& s) { s.SetNoZWrite(true); }, &TGLSprite::GetNoZWrite, 1, 1},
      {"mirror u", [](TGLSprite& s) { s.SetMirrorU(true); }, &TGLSprite::GetMirrorU, 1, 1},
      {"mirror v as it was", [](TGLSprite& s) { s.SetMirrorV(false); }, &TGLSprite::GetMirrorV, 0,
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TCountingSprite sprite(nullptr);
    sprite.ClearListDirty();
    c.set(sprite);
    EXPECT_EQ(c.get(sprite), c.expected);
    EXPECT_EQ(sprite.Notices, c.notices);
    EXPECT_FALSE(ListDirty(sprite)) << "nothing is compiled";
  }
}

TEST(Sprite, AssignCopiesSizeRotationAlphaAndDepthWritesButNotTheMirrors) {
  TGLSprite source(nullptr), target(nullptr);
  source.SetWidth(2);
  source.SetHeight(3);
  source.SetRotation(45);
  source.SetAlphaChannel(0.5f);
  source.SetNoZWrite(true);
  source.SetMirrorU(true);
  source.SetMirrorV(true);
  source.GetPosition()->SetPoint(1, 2, 3);
  TCountingSprite counted(nullptr);
  counted.Assign(&source);
  EXPECT_EQ(counted.GetWidth(), 2);
  EXPECT_EQ(counted.GetHeight(), 3);
  EXPECT_EQ(counted.GetRotation(), 45);
  EXPECT_EQ(counted.GetAlphaChannel(), 0.5f);
  EXPECT_TRUE(counted.GetNoZWrite());
  EXPECT_FALSE(counted.GetMirrorU());
  EXPECT_FALSE(counted.GetMirrorV());
  EXPECT_EQ(counted.GetPosition()->GetAsVector(), (TVector{1, 2, 3, 1})) << "the node's own state";

  // From another scene object only the scene object's state.
  TGLSceneObject other(nullptr);
  other.GetPosition()->SetPoint(5, 0, 0);
  target.Assign(&source);
  target.Assign(&other);
  EXPECT_EQ(target.GetWidth(), 2);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{5, 0, 0, 1}));
}

TEST(Sprite, DimensionsAreHalfTheAbsoluteExtentsAsDeepAsWide) {
  TGLSprite sprite(nullptr);
  sprite.SetWidth(-2);
  sprite.SetHeight(3);
  EXPECT_EQ(sprite.AxisAlignedDimensionsUnscaled(), (TVector{1, 1.5f, 1, 0}));
}

// ---- The quad

// Matrices in OpenGL's order: M[0][0..3] is the first column.
TMatrix Identity() {
  return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
}

TMatrix Multiply(const TMatrix& a, const TMatrix& b) {
  TMatrix m{};
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += double(a[k][row]) * b[col][k];
      m[col][row] = float(sum);
    }
  return m;
}

// The matrix glRotatef(angle, x, y, z) multiplies by.
TMatrix Rotation(double degrees, TAffineVector axis) {
  const double len =
      std::sqrt(double(axis[0]) * axis[0] + double(axis[1]) * axis[1] + double(axis[2]) * axis[2]);
  const double x = axis[0] / len, y = axis[1] / len, z = axis[2] / len;
  const double a = degrees * 3.14159265358979323846 / 180, c = std::cos(a), s = std::sin(a);
  TMatrix m = Identity();
  const double r[3][3] = {{x * x * (1 - c) + c, x * y * (1 - c) - z * s, x * z * (1 - c) + y * s},
                          {y * x * (1 - c) + z * s, y * y * (1 - c) + c, y * z * (1 - c) - x * s},
                          {x * z * (1 - c) - y * s, y * z * (1 - c) + x * s, z * z * (1 - c) + c}};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) m[col][row] = float(r[row][col]);
  return m;
}

TMatrix Scaling(float f) {
  TMatrix m = Identity();
  for (int i = 0; i < 3; ++i) m[i][i] = f;
  return m;
}

TMatrix Translation(float x, float y, float z) {
  TMatrix m = Identity();
  m[3] = {x, y, z, 1};
  return m;
}

// Where the modelview takes a point of the node's coordinates, in eye coordinates.
TAffineVector Eye(const TMatrix& m, const TAffineVector& p) {
  TAffineVector e;
  for (int row = 0; row < 3; ++row)
    e[row] = float(double(m[0][row]) * p[0] + double(m[1][row]) * p[1] + double(m[2][row]) * p[2] +
                   m[3][row]);
  return e;
}

void ExpectNear3(const TAffineVector& actual, const TAffineVector& expected, const char* what,
                 int index) {
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(actual[i], expected[i], 1e-5) << what << " " << index << " [" << i << "]";
}

TEST(SpriteQuad, ADefaultSpriteSeenStraightOnIsTheUnitSquareWithTheWholeTexture) {
  TGLSprite sprite(nullptr);
  const TSpriteQuad quad = sprite.Quad(Identity());
  const TAffineVector corners[] = {
      {0.5f, 0.5f, 0}, {-0.5f, 0.5f, 0}, {-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}};
  const TTexPoint tex[] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(quad.Corners[size_t(i)], corners[i]) << i;
    EXPECT_EQ(quad.Tex[size_t(i)].S, tex[i].S) << i;
    EXPECT_EQ(quad.Tex[size_t(i)].T, tex[i].T) << i;
  }
  EXPECT_EQ(quad.Axis, (TAffineVector{0, 0, 1}));
}

TEST(SpriteQuad, MirroringSwapsTheTextureCoordinatesOfItsDirectionOnly) {
  const struct Case {
    bool mirrorU, mirrorV;
    float s[4], t[4];
  } cases[] = {
      {false, false, {1, 0, 0, 1}, {1, 1, 0, 0}},
      {true, false, {0, 1, 1, 0}, {1, 1, 0, 0}},
      {false, true, {1, 0, 0, 1}, {0, 0, 1, 1}},
      {true, true, {0, 1, 1, 0}, {0, 0, 1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("mirror u ") + (c.mirrorU ? "on" : "off") + ", v " +
                 (c.mirrorV ? "on" : "off"));
    TGLSprite sprite(nullptr);
    sprite.SetMirrorU(c.mirrorU);
    sprite.SetMirrorV(c.mirrorV);
    const TSpriteQuad quad = sprite.Quad(Identity());
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(quad.Tex[size_t(i)].S, c.s[i]) << i;
      EXPECT_EQ(quad.Tex[size_t(i)].T, c.t[i]) << i;
    }
    EXPECT_EQ(quad.Corners[0], (TAffineVector{0.5f, 0.5f, 0})) << "the corners stay";
  }
}

// Whatever the node's placement, the quad keeps its size in the node's units and lies parallel
// to the screen, right-top first, centred on the node's origin.
TEST(SpriteQuad, TheQuadFacesTheViewerUnderAnyPlacementAndUniformScale) {
  const struct Case {
    const char* name;
    TMatrix modelView;
    float scale;  // of the node, as the eye sees its units
  } cases[] = {
      {"moved away", Translation(1, -2, -10), 1},
      {"seen from the side", Multiply(Translation(0, 0, -5), Rotation(90, {0, 1, 0})), 1},
      {"turned every way", Multiply(Translation(0.5f, 0, -8), Rotation(37, {1, 2, -0.5f})), 1},
      {"scaled by 2", Multiply(Translation(0, 0, -5), Scaling(2)), 2},
      {"turned and scaled by 0.5",
       Multiply(Multiply(Translation(0, 1, -3), Rotation(-120, {0.3f, -1, 0.2f})), Scaling(0.5f)),
       0.5f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLSprite sprite(nullptr);
    sprite.SetWidth(2);
    sprite.SetHeight(0.5f);
    const TSpriteQuad quad = sprite.Quad(c.modelView);
    const TAffineVector centre = Eye(c.modelView, {0, 0, 0});
    const float hw = c.scale * 1, hh = c.scale * 0.25f;
    const TAffineVector onScreen[] = {{hw, hh, 0}, {-hw, hh, 0}, {-hw, -hh, 0}, {hw, -hh, 0}};
    for (int i = 0; i < 4; ++i) {
      const TAffineVector e = Eye(c.modelView, quad.Corners[size_t(i)]);
      ExpectNear3({e[0] - centre[0], e[1] - centre[1], e[2] - centre[2]}, onScreen[i], "corner", i);
    }
    // The rotation axis is the line of sight through the node's origin.
    const TAffineVector axisEnd = Eye(c.modelView, quad.Axis);
    ExpectNear3({axisEnd[0] - centre[0], axisEnd[1] - centre[1], axisEnd[2] - centre[2]},
                {0, 0, c.scale * c.scale}, "axis", 0);
  }
}

TEST(SpriteQuad, RotationTurnsTheQuadInTheScreenPlane) {
  const TMatrix modelView = Multiply(Translation(0.5f, 0, -8), Rotation(37, {1, 2, -0.5f}));
  TGLSprite sprite(nullptr);
  sprite.SetWidth(2);
  sprite.SetHeight(0.5f);
  const TSpriteQuad quad = sprite.Quad(modelView);
  // What the drawing does: the modelview turned about the axis, then the corners.
  const TMatrix turned = Multiply(modelView, Rotation(90, quad.Axis));
  const TAffineVector centre = Eye(turned, {0, 0, 0});
  // A quarter turn anticlockwise on screen: the right-top corner goes to the left.
  const TAffineVector onScreen[] = {{-0.25f, 1, 0}, {-0.25f, -1, 0}, {0.25f, -1, 0}, {0.25f, 1, 0}};
  for (int i = 0; i < 4; ++i) {
    const TAffineVector e = Eye(turned, quad.Corners[size_t(i)]);
    ExpectNear3({e[0] - centre[0], e[1] - centre[1], e[2] - centre[2]}, onScreen[i], "corner", i);
  }
}

// ---- Layout and registration

TEST(Sprite, LayoutStoresTheSizesAndFlagsAlwaysAndAlphaWhenNotOne) {
  RegisterGLObjects();
  TComponent form(nullptr);
  auto* sprite = new TGLSprite(&form);
  sprite->SetName("Star");
  std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Width = 1.0\n"
                        "    Height = 1.0\n"
                        "    NoZWrite = False\n"
                        "    MirrorU = False\n"
                        "    MirrorV = False\n"
                        "  end\n"),
            std::string::npos)
      << layout;
  for (const char* left : {"Rotation", "AlphaChannel"})
    EXPECT_EQ(layout.find(left), std::string::npos) << "a default is left out: " << left;

  sprite->SetWidth(0);
  sprite->SetHeight(0.25f);
  sprite->SetRotation(30);
  sprite->SetAlphaChannel(0.5f);
  sprite->SetNoZWrite(true);
  sprite->SetMirrorV(true);
  layout = WriteLayout(&form);
  // A width of 0 is written, or it would read back as a new sprite's 1.
  EXPECT_NE(layout.find("    Width = 0.0\n"
                        "    Height = 0.25\n"
                        "    Rotation = 30.0\n"
                        "    AlphaChannel = 0.5\n"
                        "    NoZWrite = True\n"
                        "    MirrorU = False\n"
                        "    MirrorV = True\n"),
            std::string::npos)
      << layout;

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readSprite = dynamic_cast<TGLSprite*>(read.FindComponent("Star"));
  ASSERT_NE(readSprite, nullptr);
  EXPECT_EQ(readSprite->GetWidth(), 0);
  EXPECT_EQ(readSprite->GetHeight(), 0.25f);
  EXPECT_EQ(readSprite->GetRotation(), 30);
  EXPECT_EQ(readSprite->GetAlphaChannel(), 0.5f);
  EXPECT_TRUE(readSprite->GetNoZWrite());
  EXPECT_TRUE(readSprite->GetMirrorV());
  EXPECT_EQ(readSprite->GetStyleFlags() & osBuildEveryFrame, osBuildEveryFrame);
  EXPECT_EQ(WriteLayout(&read), layout);
}

TEST(Sprite, TheUnitRegistersTheSpriteAndThePointsButNotTheirParameters) {
  RegisterGLObjects();
  EXPECT_EQ(GetClass("TGLSprite"), TGLSprite::StaticClass());
  EXPECT_EQ(GetClass("TGLPoints"), TGLPoints::StaticClass());
  EXPECT_EQ(GetClass("TGLPointParameters"), nullptr);
}

}  // namespace

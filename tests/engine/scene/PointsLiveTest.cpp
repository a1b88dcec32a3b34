// Point clouds on a real Mesa driver: the states each style changes are as they were afterwards,
// the point parameters are touched only when enabled and supported, the points land where and in
// the colour they should, and a static cloud shows what was compiled until it is rebuilt.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "engine/GLObjects/Points.h"
#include "engine/GLState.h"
#include "tests/engine/scene/TopViewFrame.h"

namespace {

class PointsInContext : public SceneGLTest {
 protected:
  void SetUp() override {
    SceneGLTest::SetUp();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  void Draw(TGLPoints& points) {
    TGLStateCache cache;
    TRenderContextInfo rci;
    rci.stateCache = &cache;
    points.BuildList(rci);
  }
};

bool Enabled(GLenum capability) {
  return glIsEnabled(capability) == GL_TRUE;
}

float Float(GLenum pname) {
  float value = -1;
  glGetFloatv(pname, &value);
  return value;
}

int Integer(GLenum pname) {
  GLint value = -1;
  glGetIntegerv(pname, &value);
  return value;
}

TEST_F(PointsInContext, EachStyleLeavesTheEnablesArraysAndDepthWritesAsTheyWere) {
  const GLenum capabilities[] = {GL_POINT_SMOOTH, GL_ALPHA_TEST, GL_BLEND, GL_LIGHTING};
  for (TGLPointStyle style : {psSquare, psRound, psSmooth, psSmoothAdditive, psSquareAdditive,
                              static_cast<TGLPointStyle>(9)}) {
    for (bool on : {false, true}) {
      SCOPED_TRACE("style " + std::to_string(int(style)) + (on ? ", all on" : ", all off"));
      TGLPoints points(nullptr);
      points.SetStyle(style);
      points.SetNoZWrite(true);
      // Enough points for the arrays to be locked, each of its colour.
      for (int i = 0; i < 100; ++i) {
        points.GetPositions()->Add({i / 100.0f, 0, 0});
        points.GetColors()->Add(TVector{1, i / 100.0f, 0, 1});
      }
      for (GLenum capability : capabilities) on ? glEnable(capability) : glDisable(capability);
      glAlphaFunc(GL_LESS, 0.75f);
      const int attribDepth = Integer(GL_ATTRIB_STACK_DEPTH);

      Draw(points);

      for (GLenum capability : capabilities)
        EXPECT_EQ(Enabled(capability), on) << "capability 0x" << std::hex << capability;
      EXPECT_EQ(Integer(GL_ALPHA_TEST_FUNC), GL_GREATER);
      EXPECT_EQ(Float(GL_ALPHA_TEST_REF), 0);
      EXPECT_FALSE(Enabled(GL_VERTEX_ARRAY));
      EXPECT_FALSE(Enabled(GL_COLOR_ARRAY));
      EXPECT_EQ(Integer(GL_ATTRIB_STACK_DEPTH), attribDepth);
      EXPECT_EQ(Integer(GL_DEPTH_WRITEMASK), GL_TRUE);
      EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
  }
}

struct TParameterValues {
  float min, max, fade;
  std::array<float, 3> attenuation;
};

TParameterValues ParameterValues() {
  TParameterValues v{};
  v.min = Float(GL_POINT_SIZE_MIN_ARB);
  v.max = Float(GL_POINT_SIZE_MAX_ARB);
  v.fade = Float(GL_POINT_FADE_THRESHOLD_SIZE_ARB);
  glGetFloatv(GL_POINT_DISTANCE_ATTENUATION_ARB, v.attenuation.data());
  return v;
}

void ExpectValues(const TParameterValues& actual, const TParameterValues& expected) {
  EXPECT_EQ(actual.min, expected.min);
  EXPECT_EQ(actual.max, expected.max);
  EXPECT_EQ(actual.fade, expected.fade);
  EXPECT_EQ(actual.attenuation, expected.attenuation);
}

TEST_F(PointsInContext, ParametersAreLeftAloneWhenDisabledOrUnsupportedAndResetAfterUse) {
  ASSERT_TRUE(GLSupport.ARB_point_parameters) << "Mesa has the extension";
  const TParameterValues set{2, 50, 3, {0, 1, 0}};
  const TParameterValues defaults{0, 128, 1, {1, 0, 0}};
  const struct Case {
    const char* name;
    bool enabled, supported;
    TParameterValues after;
  } cases[] = {
      {"disabled", false, true, set},
      {"without the extension", true, false, set},
      {"enabled and supported: set back afterwards, 128 the largest size", true, true, defaults},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    glPointParameterfARB(GL_POINT_SIZE_MIN_ARB, set.min);
    glPointParameterfARB(GL_POINT_SIZE_MAX_ARB, set.max);
    glPointParameterfARB(GL_POINT_FADE_THRESHOLD_SIZE_ARB, set.fade);
    glPointParameterfvARB(GL_POINT_DISTANCE_ATTENUATION_ARB, set.attenuation.data());
    TGLPoints points(nullptr);
    points.GetPointParameters()->SetEnabled(c.enabled);
    points.GetPointParameters()->SetMinSize(7);
    points.GetPointParameters()->SetMaxSize(9);
    const bool supported = GLSupport.ARB_point_parameters;
    GLSupport.ARB_point_parameters = c.supported;
    Draw(points);
    GLSupport.ARB_point_parameters = supported;
    ExpectValues(ParameterValues(), c.after);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }
}

// A pixel's colour as an RGBA byte quadruple.
TRGBA Colour(float r, float g, float b) {
  return {int(r * 255), int(g * 255), int(b * 255), 255};
}

// Clip coordinates of the middle of pixel (x, y) of the 64 x 64 view.
TAffineVector PixelCentre(int x, int y) {
  return {(x + 0.5f) / 32 - 1, (y + 0.5f) / 32 - 1, 0};
}

TEST_F(PointsInContext, PointsLandWhereAndInTheColourTheyShould) {
  const TRGBA black{0, 0, 0, 255}, white{255, 255, 255, 255};
  const TRGBA red = Colour(1, 0, 0), green = Colour(0, 1, 0), blue = Colour(0, 0, 1);
  {
    SCOPED_TRACE("an empty cloud: one white point at the origin");
    TGLPoints points(nullptr);
    points.SetSize(2);  // the origin lies between four pixels, each half covered
    Draw(points);
    for (const auto& [x, y] : {std::pair{31, 31}, {32, 31}, {31, 32}, {32, 32}})
      EXPECT_EQ(PixelAt(x, y), white) << x << ", " << y;
    EXPECT_EQ(PixelAt(34, 34), black);
  }
  {
    SCOPED_TRACE("three positions and two colours: two points");
    glClear(GL_COLOR_BUFFER_BIT);
    TGLPoints points(nullptr);
    for (const auto& [x, y] : {std::pair{10, 10}, {20, 40}, {50, 50}})
      points.GetPositions()->Add(PixelCentre(x, y));
    points.GetColors()->Add(TVector{1, 0, 0, 1});
    points.GetColors()->Add(TVector{0, 1, 0, 1});
    Draw(points);
    EXPECT_EQ(PixelAt(10, 10), red);
    EXPECT_EQ(PixelAt(20, 40), green);
    EXPECT_EQ(PixelAt(50, 50), black) << "no colour, no point";
  }
  {
    SCOPED_TRACE("three positions and one colour: three points in it");
    glClear(GL_COLOR_BUFFER_BIT);
    TGLPoints points(nullptr);
    for (const auto& [x, y] : {std::pair{10, 10}, {20, 40}, {50, 50}})
      points.GetPositions()->Add(PixelCentre(x, y));
    points.GetColors()->Add(TVector{0, 0, 1, 1});
    Draw(points);
    for (const auto& [x, y] : {std::pair{10, 10}, {20, 40}, {50, 50}})
      EXPECT_EQ(PixelAt(x, y), blue) << x << ", " << y;
    EXPECT_EQ(PixelAt(11, 10), black) << "one pixel each";
  }
}

TEST_F(PointsInContext, EnabledParametersSizeThePointsWhileTheyDraw) {
  TGLPoints points(nullptr);
  points.GetPositions()->Add(PixelCentre(32, 32));
  points.GetPointParameters()->SetMinSize(5);
  Draw(points);
  EXPECT_EQ(PixelAt(34, 32), (TRGBA{0, 0, 0, 255})) << "not enabled: one pixel";
  points.GetPointParameters()->SetEnabled(true);
  Draw(points);
  EXPECT_EQ(PixelAt(34, 32), (TRGBA{255, 255, 255, 255})) << "at least 5 pixels wide";
  EXPECT_EQ(PixelAt(35, 32), (TRGBA{0, 0, 0, 255}));
}

// ---- In whole frames

class PointsLive : public TopViewFrameTest {
 protected:
  void SetUp() override {
    TopViewFrameTest::SetUp();
    StartFrames(64, 1);
  }
};

TEST_F(PointsLive, AStaticCloudShowsWhatWasCompiledUntilItIsRebuilt) {
  const QColor white(255, 255, 255), red(255, 0, 0);
  for (bool isStatic : {true, false}) {
    SCOPED_TRACE(isStatic ? "static" : "sent every frame");
    auto* points = TGLBaseSceneObject::CreateAsChild<TGLPoints>(Scene.GetObjects());
    points->SetStatic(isStatic);
    points->SetSize(4);
    points->GetColors()->Add(TVector{1, 0, 0, 1});
    points->GetPositions()->Add({0, 0, 0});
    // The image's rows run from the top: (0.5, 0.5) is near pixel (48, 16).
    QImage frame = Frame();
    EXPECT_EQ(frame.pixelColor(32, 32), red);
    EXPECT_EQ(frame.pixelColor(48, 16), white);

    points->GetPositions()->Add({0.5f, 0.5f, 0});
    EXPECT_EQ(Frame().pixelColor(48, 16), isStatic ? white : red);
    points->StructureChanged();
    EXPECT_EQ(Frame().pixelColor(48, 16), red);
    WithActiveContext(*Buffer->GetRenderingContext(), [&] { delete points; });
  }
}

}  // namespace

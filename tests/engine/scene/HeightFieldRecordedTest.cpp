// What a height field sends to OpenGL: one triangle strip per pair of sample rows, the lattice's
// extent with its slack and its bounds, the surface's normals, colours and texture points by
// mode and option, the states set and given back, and empty ranges that draw and count nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "engine/GLGraph.h"
#include "engine/GLState.h"
#include "engine/base/XOpenGL.h"
#include "tests/engine/scene/VertexCalls.h"

namespace {

using namespace vertex_calls;

const auto Call = [](auto... args) { return TGLCall(args...); };

// Min, Max, Origin, Step.
void SetScale(TGLSamplingScale& scale, float min, float max, float origin, float step) {
  scale.SetMax(max);
  scale.SetMin(min);
  scale.SetOrigin(origin);
  scale.SetStep(step);
}

// The strips of an inclined plane; its normal everywhere is (-a, -b, 1) normalised.
float Plane(float x, float y) {
  return 0.5f * x - 0.25f * y;
}

class HeightFieldDrawing : public testing::Test {
 protected:
  void SetUp() override {
    MapTexCoordToMain();
    rci.stateCache = &cache;
  }
  void TearDown() override { MapTexCoordToNull(); }

  TGLCalls Draw() {
    TGLRecorder gl;
    field.BuildList(rci);
    return gl.Take();
  }
  // A square lattice from -extent to extent both ways.
  void Square(float extent, float step) {
    SetScale(*field.GetXSamplingScale(), -extent, extent, 0, step);
    SetScale(*field.GetYSamplingScale(), -extent, extent, 0, step);
  }

  TGLHeightField field{nullptr};
  TGLStateCache cache;
  TRenderContextInfo rci;
};

TEST_F(HeightFieldDrawing, FiveByFiveSamplesAreFourStripsOfTenVerticesAndThirtyTwoTriangles) {
  Square(1, 0.5f);
  const std::vector<TPrimitive> strips = Primitives(Draw());
  EXPECT_EQ(field.GetTriangleCount(), 32);
  ASSERT_EQ(strips.size(), 4u);
  for (size_t r = 0; r < strips.size(); ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(strips[r].Mode, GLenum(GL_TRIANGLE_STRIP));
    ASSERT_EQ(strips[r].Vertices.size(), 10u);
    // The later row first in each pair, so that the triangles face up.
    for (int k = 0; k < 5; ++k) {
      const TVector& later = strips[r].Vertices[2 * k].Position;
      const TVector& earlier = strips[r].Vertices[2 * k + 1].Position;
      EXPECT_EQ(later[X], -1 + 0.5f * k);
      EXPECT_EQ(earlier[X], later[X]);
      EXPECT_EQ(earlier[Y], -1 + 0.5f * r);
      EXPECT_EQ(later[Y], earlier[Y] + 0.5f);
      EXPECT_EQ(later[W], 1);
    }
  }
  // The ripple round the origin: half high in its middle, in light grey.
  field.SetColorMode(hfcmDiffuse);
  for (const TPrimitive& strip : Primitives(Draw()))
    for (const TSentVertex& v : strip.Vertices)
      if (v.Position[X] == 0 && v.Position[Y] == 0) {
        EXPECT_EQ(v.Position[Z], 0.5f);
        EXPECT_EQ(v.Color, (TVector{0.8f, 0.8f, 0.8f, 1}));
      }
}

// The surface's own normal at every sample, the border included.
TEST_F(HeightFieldDrawing, AnInclinedPlaneHasItsOwnNormalEverywhere) {
  Square(1, 0.25f);
  field.SetOnGetHeight([](float x, float y, float& z, TVector4f&, TTexPoint&) { z = Plane(x, y); });
  TAffineVector expected{-0.5f, 0.25f, 1};
  NormalizeVector(expected);
  int vertices = 0;
  for (const TPrimitive& strip : Primitives(Draw()))
    for (const TSentVertex& v : strip.Vertices) {
      SCOPED_TRACE(testing::Message() << v);
      EXPECT_NEAR(v.Position[Z], Plane(v.Position[X], v.Position[Y]), 1e-6);
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(v.Normal[k], expected[k], 1e-5);
      ++vertices;
    }
  EXPECT_EQ(vertices, 8 * 2 * 9);
}

TEST_F(HeightFieldDrawing, TheLatticeKeepsItsLastSampleAndNoMoreThanTheRowsHold) {
  const struct Case {
    const char* name;
    float min, max, origin, step;
    int samples;
  } cases[] = {
      // The slack keeps the sample at 1.1 that accumulated steps would lose.
      {"the 3D window's grid", -1.1f, 1.1f, 0, 0.1f, 23},
      {"an origin off the range's ends", 0, 1, 0.25f, 0.5f, 2},
      {"an odd number of steps", 0, 3, 0, 1, 4},
      // The slack grows as the step shrinks: here it reaches a hundred steps past Max, but the
      // rows hold MaxStepCount + 1 samples.
      {"a step much finer than the slack", 0, 0.01f, 0, 1e-5f, 1001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLSamplingScale scale(nullptr);
    SetScale(scale, c.min, c.max, c.origin, c.step);
    // Along x with two rows, then along y with two columns.
    SetScale(*field.GetXSamplingScale(), c.min, c.max, c.origin, c.step);
    SetScale(*field.GetYSamplingScale(), 0, 1, 0, 1);
    std::vector<TPrimitive> strips = Primitives(Draw());
    ASSERT_EQ(strips.size(), 1u);
    EXPECT_EQ(strips[0].Vertices.size(), 2u * c.samples);
    EXPECT_EQ(field.GetTriangleCount(), 2 * (c.samples - 1));
    EXPECT_LE(c.samples, scale.MaxStepCount() + 1);
    float last = strips[0].Vertices.back().Position[X];
    EXPECT_LE(last, c.max + c.step * 1e-3);

    SetScale(*field.GetXSamplingScale(), 0, 1, 0, 1);
    SetScale(*field.GetYSamplingScale(), c.min, c.max, c.origin, c.step);
    strips = Primitives(Draw());
    EXPECT_EQ(int(strips.size()), c.samples - 1);
    EXPECT_EQ(field.GetTriangleCount(), 2 * (c.samples - 1));
  }
}

// A range without a row or a column, or a scale without a range, draws nothing and counts no
// triangles, whatever an earlier build counted.
TEST_F(HeightFieldDrawing, EmptyRangesDrawNothingAndCountNoTriangles) {
  const struct Case {
    const char* name;
    std::function<void(TGLHeightField&)> setUp;
  } cases[] = {
      {"no column: the first sample beyond Max",
       [](TGLHeightField& f) { SetScale(*f.GetXSamplingScale(), 0, 0.05f, 0.07f, 0.1f); }},
      {"no row",
       [](TGLHeightField& f) { SetScale(*f.GetYSamplingScale(), 0, 0.05f, 0.07f, 0.1f); }},
      {"no range in x", [](TGLHeightField& f) { SetScale(*f.GetXSamplingScale(), 1, 1, 1, 0.1f); }},
      {"no range in y", [](TGLHeightField& f) { f.GetYSamplingScale()->SetMax(-1); }},
      {"a step too fine to advance",
       [](TGLHeightField& f) { SetScale(*f.GetXSamplingScale(), 1e8f, 1e8f + 16, 1e8f, 1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Square(1, 0.5f);
    Draw();
    ASSERT_EQ(field.GetTriangleCount(), 32);
    c.setUp(field);
    EXPECT_TRUE(Draw().empty());
    EXPECT_EQ(field.GetTriangleCount(), 0);
  }
  // One row: no strip, no triangle.
  Square(1, 0.5f);
  SetScale(*field.GetYSamplingScale(), 0, 0.05f, 0, 0.1f);
  EXPECT_TRUE(Primitives(Draw()).empty());
  EXPECT_EQ(field.GetTriangleCount(), 0);
}

// The calls before the first strip and after the last.
struct TStates {
  TGLCalls before, after;
};
TStates States(const TGLCalls& calls) {
  const auto first = std::find_if(calls.begin(), calls.end(),
                                  [](const TGLCall& c) { return c.Name == "glBegin"; });
  const auto last = std::find_if(calls.rbegin(), calls.rend(),
                                 [](const TGLCall& c) { return c.Name == "glEnd"; });
  return {TGLCalls(calls.begin(), first), TGLCalls(last.base(), calls.end())};
}

TEST_F(HeightFieldDrawing, TwoSidedAndColouredFieldsSetTheirStatesAndGiveThemBack) {
  const TGLCalls resetColors = {
      Call("glMaterialfv", GL_FRONT_AND_BACK, GL_AMBIENT, TGLArray{0.2f, 0.2f, 0.2f, 1}),
      Call("glMaterialfv", GL_FRONT_AND_BACK, GL_DIFFUSE, TGLArray{0.8f, 0.8f, 0.8f, 1}),
      Call("glMaterialfv", GL_FRONT_AND_BACK, GL_SPECULAR, TGLArray{0, 0, 0, 1}),
      Call("glMaterialfv", GL_FRONT_AND_BACK, GL_EMISSION, TGLArray{0, 0, 0, 1}),
      Call("glMateriali", GL_FRONT_AND_BACK, GL_SHININESS, 0)};
  const auto colored = [&](GLenum tracked) {
    TGLCalls calls = {Call("glEnable", GL_COLOR_MATERIAL),
                      Call("glColorMaterial", GL_FRONT_AND_BACK, tracked)};
    calls.insert(calls.end(), resetColors.begin(), resetColors.end());
    return calls;
  };
  const auto join = [](TGLCalls a, const TGLCalls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const TGLCall pop = Call("glPopAttrib");
  const TGLCalls twoSided = {Call("glPushAttrib", GL_ENABLE_BIT | GL_POLYGON_BIT),
                             Call("glDisable", GL_CULL_FACE)};
  const struct Case {
    const char* name;
    THeightFieldOptions options;
    THeightFieldColorMode colorMode;
    TPolygonMode polygonMode;
    TStates expected;
  } cases[] = {
      {"one-sided, uncoloured: nothing", 0, hfcmNone, pmFill, {{}, {}}},
      {"two-sided, filled",
       hfoTwoSided,
       hfcmNone,
       pmFill,
       {join(twoSided, {Call("glPolygonMode", GL_FRONT_AND_BACK, GL_FILL)}), {pop}}},
      {"two-sided in lines: the mode is given back too",
       hfoTwoSided,
       hfcmNone,
       pmLines,
       {join(twoSided, {Call("glPolygonMode", GL_FRONT_AND_BACK, GL_LINE)}), {pop}}},
      {"two-sided in points",
       hfoTwoSided | hfoTextureCoordinates,
       hfcmNone,
       pmPoints,
       {join(twoSided, {Call("glPolygonMode", GL_FRONT_AND_BACK, GL_POINT)}), {pop}}},
      {"coloured emission, one-sided",
       0,
       hfcmEmission,
       pmFill,
       {join({Call("glPushAttrib", GL_ENABLE_BIT)}, colored(GL_EMISSION)), {pop}}},
      {"coloured ambient",
       0,
       hfcmAmbient,
       pmFill,
       {join({Call("glPushAttrib", GL_ENABLE_BIT)}, colored(GL_AMBIENT)), {pop}}},
      {"coloured diffuse",
       0,
       hfcmDiffuse,
       pmFill,
       {join({Call("glPushAttrib", GL_ENABLE_BIT)}, colored(GL_DIFFUSE)), {pop}}},
      {"two-sided, coloured ambient and diffuse",
       hfoTwoSided,
       hfcmAmbientAndDiffuse,
       pmFill,
       {join(join(twoSided, {Call("glPolygonMode", GL_FRONT_AND_BACK, GL_FILL)}),
             colored(GL_AMBIENT_AND_DIFFUSE)),
        {pop}}},
  };
  Square(1, 0.5f);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    field.SetOptions(c.options);
    field.SetColorMode(c.colorMode);
    field.GetMaterial()->GetFrontProperties()->SetPolygonMode(c.polygonMode);
    const TGLCalls calls = Draw();
    const TStates states = States(calls);
    EXPECT_EQ(states.before, c.expected.before);
    EXPECT_EQ(states.after, c.expected.after);
    // Colours with every vertex when coloured, texture points when asked for.
    for (const TPrimitive& strip : Primitives(calls))
      for (const TSentVertex& v : strip.Vertices) {
        EXPECT_EQ(v.Color[0] != Unset, c.colorMode != hfcmNone);
        EXPECT_EQ(v.Tex.S != Unset, (c.options & hfoTextureCoordinates) != 0);
      }
  }
}

// OnGetHeight before OnGetHeight2, which hears from the field; each starts from the texture
// point at the sample and sets what it likes of height, colour and texture point.
TEST_F(HeightFieldDrawing, SamplesComeFromTheFirstEventAssigned) {
  Square(1, 1);
  field.SetOptions(hfoTextureCoordinates);
  field.SetColorMode(hfcmAmbient);
  TObject* sender = nullptr;
  field.SetOnGetHeight2(
      [&](TObject* Sender, float x, float y, float& z, TVector4f& color, TTexPoint& tex) {
        sender = Sender;
        EXPECT_EQ(tex.S, x);
        EXPECT_EQ(tex.T, y);
        z = 2;
        color = {0, 1, 0, 1};
        tex.S *= 10;
      });
  std::vector<TPrimitive> strips = Primitives(Draw());
  EXPECT_EQ(sender, &field);
  ASSERT_FALSE(strips.empty());
  for (const TSentVertex& v : strips[0].Vertices) {
    EXPECT_EQ(v.Position[Z], 2);
    EXPECT_EQ(v.Color, (TVector{0, 1, 0, 1}));
    EXPECT_EQ(v.Tex.S, v.Position[X] * 10);
    EXPECT_EQ(v.Tex.T, v.Position[Y]);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(v.Normal[k], k == Z, 1e-6) << "a level surface";
  }

  field.SetOnGetHeight([](float x, float, float& z, TVector4f&, TTexPoint&) { z = x; });
  sender = nullptr;
  strips = Primitives(Draw());
  EXPECT_EQ(sender, nullptr) << "the second event is not asked";
  for (const TSentVertex& v : strips[0].Vertices) {
    EXPECT_EQ(v.Position[Z], v.Position[X]);
    EXPECT_EQ(v.Tex.S, v.Position[X]) << "the texture point as the sample's place";
  }
}

}  // namespace

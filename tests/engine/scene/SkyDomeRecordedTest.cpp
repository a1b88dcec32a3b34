// What the sky domes send to OpenGL: band strips and fans, star sizes by magnitude, and the
// earth sky's bands under the state it saves and restores.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/GLSkydome.h"
#include "platform/gl/GLRecorder.h"

namespace {

const auto Call = [](auto... args) { return TGLCall(args...); };

int CountOf(const TGLCalls& calls, const std::string& name) {
  return int(
      std::count_if(calls.begin(), calls.end(), [&](const TGLCall& c) { return c.Name == name; }));
}

TEST(SkyDomeBandDrawing, StripsAndPoleFans) {
  struct Case {
    const char* name;
    float start, stop;
    int stacks;
    GLenum primitive;
    int vertices;  // of each primitive
    TGLArray firstVertex;
  } cases[] = {
      {"strip", 0, 15, 1, GL_TRIANGLE_STRIP, 2 * 5, {1, 0, 0}},
      {"two stacks", 0, 40, 2, GL_TRIANGLE_STRIP, 2 * 5, {1, 0, 0}},
      {"fan from the nadir", -90, 0, 1, GL_TRIANGLE_FAN, 1 + 5, {0, 0, -1}},
      {"fan to the zenith", 60, 90, 1, GL_TRIANGLE_FAN, 1 + 5, {0, 0, 1}},
      {"flat band", 20, 20, 3, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLSkyDome dome(nullptr);
    dome.GetBands()->Clear();
    TSkyDomeBand* band = dome.GetBands()->Add();
    band->SetStopAngle(c.stop);
    band->SetStartAngle(c.start);
    band->SetSlices(4);
    band->SetStacks(c.stacks);
    TGLRecorder gl;
    TRenderContextInfo rci;
    band->BuildList(rci);
    TGLCalls begins = gl.CallsOf("glBegin");
    if (c.primitive == 0) {
      EXPECT_TRUE(gl.Calls().empty());
      continue;
    }
    ASSERT_EQ(begins.size(), size_t(c.stacks));
    EXPECT_EQ(begins[0], Call("glBegin", c.primitive));
    TGLCalls vertices = gl.CallsOf("glVertex3fv");
    ASSERT_EQ(vertices.size(), size_t(c.stacks * c.vertices));
    ASSERT_EQ(vertices[0].Args.size(), 1u);
    const auto& first = std::get<TGLArray>(vertices[0].Args[0]);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(first[i], c.firstVertex[i], 1e-6) << i;
    EXPECT_EQ(gl.CallsOf("glColor4fv").size(), vertices.size());
  }
}

TEST(SkyDomeStarDrawing, PointSizeFollowsMagnitude) {
  TGLSkyDome dome(nullptr);
  for (float magnitude : {4.5f, 3.0f, 2.9f, 0.0f, 4.0f}) {
    TSkyDomeStar* star = dome.GetStars()->Add();
    star->SetMagnitude(magnitude);
    star->SetColor(0xFFFFFF);
  }
  TGLRecorder gl;
  TRenderContextInfo rci;
  dome.GetStars()->BuildList(rci, false);
  // Magnitudes down to 3.0 share the smallest size; 2.9 and 0 get their own; 1 restores it.
  EXPECT_EQ(
      gl.CallsOf("glPointSize"),
      (TGLCalls{Call("glPointSize", 1.5f), Call("glPointSize", 1.6f), Call("glPointSize", 4.5f),
                Call("glPointSize", 1.5f), Call("glPointSize", 1.0f)}));
  EXPECT_EQ(gl.CallsOf("glVertex3fv").size(), 5u);
  EXPECT_EQ(gl.CallsOf("glColor4fv").size(), 1u);  // one colour for the five stars
  EXPECT_EQ(gl.CallsOf("glPushAttrib"), (TGLCalls{Call("glPushAttrib", GL_ENABLE_BIT)}));
  EXPECT_EQ(gl.Calls().back(), Call("glAlphaFunc", GL_GREATER, 0.0f));
}

TEST(SkyDomeStarDrawing, TwinklingScalesEachStarByARepeatableFactor) {
  TGLSkyDome dome(nullptr);
  for (int i = 0; i < 3; ++i) dome.GetStars()->Add()->SetColor(0xFFFFFF);
  auto draw = [&] {
    TGLRecorder gl;
    TRenderContextInfo rci;
    RandSeed = 42;
    dome.GetStars()->BuildList(rci, true);
    return gl.CallsOf("glColor4f");
  };
  TGLCalls first = draw();
  ASSERT_EQ(first.size(), 3u);
  for (const TGLCall& c : first) {
    double red = std::get<double>(c.Args[0]);
    EXPECT_GE(red, 0.4);
    EXPECT_LT(red, 1.0);
  }
  EXPECT_EQ(draw(), first);
}

TEST(EarthSkyDomeDrawing, BandsUnderSavedState) {
  TGLEarthSkyDome dome(nullptr);
  dome.SetSunElevation(85);
  dome.SetSlices(32);
  dome.SetStacks(16);
  TGLRecorder gl;
  TRenderContextInfo rci;
  rci.clipping.farClippingDistance = 10;
  dome.BuildList(rci);
  const TGLCalls& calls = gl.Calls();
  TGLCalls begins = gl.CallsOf("glBegin");
  // 15 strips, the fan to the zenith, the deep fan from the nadir.
  ASSERT_EQ(begins.size(), 17u);
  EXPECT_EQ(CountOf(calls, "glEnd"), 17);
  EXPECT_EQ(begins[15], Call("glBegin", GL_TRIANGLE_FAN));
  EXPECT_EQ(begins[16], Call("glBegin", GL_TRIANGLE_FAN));
  EXPECT_EQ(CountOf(calls, "glVertex3fv"), 15 * 2 * 33 + 2 * (1 + 33));
  const TGLCalls setUp = {Call("glPushMatrix"),
                          Call("glPushAttrib", GL_ENABLE_BIT),
                          Call("glDisable", GL_LIGHTING),
                          Call("glDisable", GL_DEPTH_TEST),
                          Call("glDisable", GL_FOG),
                          Call("glDisable", GL_CULL_FACE),
                          Call("glDisable", GL_ALPHA_TEST),
                          Call("glDepthMask", GL_FALSE),
                          Call("glScalef", 9.5f, 9.5f, 9.5f)};
  EXPECT_EQ(TGLCalls(calls.begin(), calls.begin() + setUp.size()), setUp);
  const TGLCalls tearDown = {Call("glDepthMask", GL_TRUE), Call("glPopAttrib"),
                             Call("glPopMatrix")};
  EXPECT_EQ(TGLCalls(calls.end() - 3, calls.end()), tearDown);
}

}  // namespace

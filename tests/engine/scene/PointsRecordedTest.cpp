// What a point cloud sends to OpenGL: its arrays and colour, the enable group it works in, the
// states of each style, the array lock and the point parameters behind their extensions, and
// everything it switches on undone afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/GLObjects/Points.h"
#include "platform/gl/GLRecorder.h"
#include "tests/engine/scene/BuildListCalls.h"

namespace {

const auto Call = [](auto... args) { return TGLCall(args...); };

// The calls of one name and their count, so that every switch can be matched with its undoing.
size_t Count(const TGLCalls& calls, const std::string& name) {
  size_t n = 0;
  for (const TGLCall& call : calls) n += call.Name == name;
  return n;
}

size_t Count(const TGLCalls& calls, const TGLCall& wanted) {
  size_t n = 0;
  for (const TGLCall& call : calls) n += call == wanted;
  return n;
}

// The calls from the first of one name to the first of another, both left out.
TGLCalls Between(const TGLCalls& calls, const std::string& from, const std::string& to) {
  TGLCalls part;
  bool inside = false;
  for (const TGLCall& call : calls) {
    if (inside && call.Name == to) break;
    if (inside) part.push_back(call);
    if (call.Name == from) inside = true;
  }
  return part;
}

TEST(PointsDrawing, APlainCloudFromItsArraysInsideAnEnableGroup) {
  TGLPoints points(nullptr);
  points.GetPositions()->Add({1, 2, 3});
  points.GetPositions()->Add({4, 5, 6});
  const TGLCalls expected = {
      Call("glColor4fv", TGLArray{1, 1, 1, 1}),
      Call("glPushAttrib", GL_ENABLE_BIT),
      Call("glDisable", GL_LIGHTING),
      Call("glVertexPointer", 3, GL_FLOAT, 0,
           static_cast<const void*>(points.GetPositions()->List())),
      Call("glEnableClientState", GL_VERTEX_ARRAY),
      Call("glPointSize", 1.0f),
      Call("glDisable", GL_BLEND),
      Call("glDrawArrays", GL_POINTS, 0, 2),
      Call("glDisableClientState", GL_VERTEX_ARRAY),
      Call("glPopAttrib"),
      Call("glAlphaFunc", GL_GREATER, 0.0f),
  };
  EXPECT_EQ(BuildListCalls(points), expected);
}

TEST(PointsDrawing, ColoursComeOneForAllOrAsAnArrayThatLimitsThePoints) {
  const TVector red{1, 0, 0, 1}, green{0, 1, 0, 0.5f};
  struct Case {
    const char* name;
    int positions;
    std::vector<TVector> colors;
    TGLCalls colourCalls;  // before the enable group
    int drawn;
  };
  TGLPoints points(nullptr);
  const auto colourArray = [&] {
    return TGLCalls{Call("glColorPointer", 4, GL_FLOAT, 0,
                         static_cast<const void*>(points.GetColors()->List())),
                    Call("glEnableClientState", GL_COLOR_ARRAY)};
  };
  const Case cases[] = {
      {"none: one white point at the origin", 0, {}, {Call("glColor4fv", TGLArray{1, 1, 1, 1})}, 1},
      {"one colour for three points", 3, {green}, {Call("glColor4fv", TGLArray{0, 1, 0, 0.5})}, 3},
      {"two colours for three points: two points", 3, {red, green}, {}, 2},
      {"two colours and no position: one point", 0, {red, green}, {}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    points.GetPositions()->Clear();
    points.GetColors()->Clear();
    for (int i = 0; i < c.positions; ++i) points.GetPositions()->Add({float(i), 0, 0});
    for (const TVector& colour : c.colors) points.GetColors()->Add(colour);
    const bool array = c.colors.size() > 1;
    const TGLCalls calls = BuildListCalls(points);
    const TGLCalls colourCalls = array ? colourArray() : c.colourCalls;
    ASSERT_GE(calls.size(), colourCalls.size() + 1);
    EXPECT_EQ(TGLCalls(calls.begin(), calls.begin() + long(colourCalls.size())), colourCalls);
    EXPECT_EQ(calls[colourCalls.size()], Call("glPushAttrib", GL_ENABLE_BIT));
    EXPECT_EQ(Count(calls, Call("glDrawArrays", GL_POINTS, 0, c.drawn)), 1u);
    EXPECT_EQ(Count(calls, Call("glDisableClientState", GL_COLOR_ARRAY)), array ? 1u : 0u);
    if (c.positions == 0) {
      const TGLCall& pointer = calls[colourCalls.size() + 2];
      ASSERT_EQ(pointer.Name, "glVertexPointer");
      const auto* origin = static_cast<const float*>(std::get<TGLAddress>(pointer.Args[3]).Value);
      EXPECT_EQ((TAffineVector{origin[0], origin[1], origin[2]}), (TAffineVector{0, 0, 0}));
    }
  }
}

TEST(PointsDrawing, EachStyleSetsItsStatesAndLeavesNothingBehind) {
  const struct Case {
    const char* name;
    TGLPointStyle style;
    TGLCalls states;
  } cases[] = {
      {"square", psSquare, {Call("glDisable", GL_BLEND)}},
      {"round",
       psRound,
       {Call("glEnable", GL_POINT_SMOOTH), Call("glEnable", GL_ALPHA_TEST),
        Call("glAlphaFunc", GL_GREATER, 0.5f), Call("glDisable", GL_BLEND)}},
      {"smooth",
       psSmooth,
       {Call("glEnable", GL_POINT_SMOOTH), Call("glEnable", GL_ALPHA_TEST),
        Call("glAlphaFunc", GL_NOTEQUAL, 0.0f), Call("glEnable", GL_BLEND),
        Call("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)}},
      {"smooth additive",
       psSmoothAdditive,
       {Call("glEnable", GL_POINT_SMOOTH), Call("glEnable", GL_ALPHA_TEST),
        Call("glAlphaFunc", GL_NOTEQUAL, 0.0f), Call("glEnable", GL_BLEND),
        Call("glBlendFunc", GL_SRC_ALPHA, GL_ONE)}},
      {"square additive",
       psSquareAdditive,
       {Call("glEnable", GL_BLEND), Call("glBlendFunc", GL_SRC_ALPHA, GL_ONE)}},
      // Not a style: drawn as square points.
      {"out of range", static_cast<TGLPointStyle>(7), {Call("glDisable", GL_BLEND)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int positions : {2, 100}) {
      SCOPED_TRACE(std::to_string(positions) + " points");
      TGLPoints points(nullptr);
      points.SetStyle(c.style);
      points.SetNoZWrite(true);
      for (int i = 0; i < positions; ++i) {
        points.GetPositions()->Add({float(i), 0, 0});
        points.GetColors()->Add(TVector{1, 0, 0, 1});
      }
      TGLRecorder gl;
      gl.SetImplementation("1.5", "GL_EXT_compiled_vertex_array");
      TRenderContextInfo rci;
      points.BuildList(rci);
      const TGLCalls& calls = gl.Calls();
      const TGLCalls states =
          Between(calls, positions > 64 ? "glLockArraysEXT" : "glPointSize", "glDrawArrays");
      EXPECT_EQ(states, c.states);
      EXPECT_EQ(Count(calls, "glPushAttrib"), 1u);
      EXPECT_EQ(Count(calls, "glPopAttrib"), 1u);
      EXPECT_EQ(Count(calls, "glEnableClientState"), 2u);
      EXPECT_EQ(Count(calls, "glDisableClientState"), 2u);
      EXPECT_EQ(Count(calls, "glLockArraysEXT"), positions > 64 ? 1u : 0u);
      EXPECT_EQ(Count(calls, "glUnlockArraysEXT"), positions > 64 ? 1u : 0u);
      EXPECT_EQ(Count(calls, Call("glDepthMask", GL_FALSE)), 1u);
      EXPECT_EQ(Count(calls, Call("glDepthMask", GL_TRUE)), 1u);
      EXPECT_EQ(calls.back(), Call("glAlphaFunc", GL_GREATER, 0.0f));
      EXPECT_EQ(calls[calls.size() - 2], Call("glPopAttrib"));
    }
  }
}

// Locking the arrays pays only for clouds of more than 64 points, and only where the
// implementation can.
TEST(PointsDrawing, ArraysAreLockedAroundTheDrawingOfLargerClouds) {
  const struct Case {
    const char* name;
    const char* extensions;
    int positions;
    bool locked;
  } cases[] = {
      {"65 points", "GL_EXT_compiled_vertex_array", 65, true},
      {"64 points", "GL_EXT_compiled_vertex_array", 64, false},
      {"without the extension", "GL_ARB_point_parameters", 1000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLPoints points(nullptr);
    for (int i = 0; i < c.positions; ++i) points.GetPositions()->Add({float(i), 0, 0});
    TGLRecorder gl;
    gl.SetImplementation("1.5", c.extensions);
    TRenderContextInfo rci;
    points.BuildList(rci);
    const TGLCalls& calls = gl.Calls();
    if (!c.locked) {
      EXPECT_EQ(Count(calls, "glLockArraysEXT") + Count(calls, "glUnlockArraysEXT"), 0u);
      continue;
    }
    // Locked after the size is set, unlocked right after the drawing.
    const TGLCalls lockToDraw = Between(calls, "glPointSize", "glDisable");
    ASSERT_EQ(lockToDraw.size(), 1u);
    EXPECT_EQ(lockToDraw[0], Call("glLockArraysEXT", 0, c.positions));
    const TGLCalls afterDraw = Between(calls, "glDrawArrays", "glDisableClientState");
    EXPECT_EQ(afterDraw, TGLCalls{Call("glUnlockArraysEXT")});
  }
}

TEST(PointsDrawing, PointParametersAreSentOnlyWhenEnabledAndSupported) {
  const TGLCalls applied = {
      Call("glPointParameterfARB", GL_POINT_SIZE_MIN_ARB, 2.0f),
      Call("glPointParameterfARB", GL_POINT_SIZE_MAX_ARB, 64.0f),
      Call("glPointParameterfARB", GL_POINT_FADE_THRESHOLD_SIZE_ARB, 0.5f),
      Call("glPointParameterfvARB", GL_POINT_DISTANCE_ATTENUATION_ARB, TGLArray{0, 0.25, 1}),
  };
  // Set back afterwards: 128 for the largest size whatever the implementation's limit.
  const TGLCalls defaults = {
      Call("glPointParameterfARB", GL_POINT_SIZE_MIN_ARB, 0.0f),
      Call("glPointParameterfARB", GL_POINT_SIZE_MAX_ARB, 128.0f),
      Call("glPointParameterfARB", GL_POINT_FADE_THRESHOLD_SIZE_ARB, 1.0f),
      Call("glPointParameterfvARB", GL_POINT_DISTANCE_ATTENUATION_ARB, TGLArray{1, 0, 0}),
  };
  const struct Case {
    const char* name;
    bool enabled;
    const char* extensions;
    bool sent;
  } cases[] = {
      {"enabled and supported", true, "GL_ARB_point_parameters", true},
      {"enabled without the extension", true, "GL_EXT_point_parameters", false},
      {"supported but not enabled", false, "GL_ARB_point_parameters", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLPoints points(nullptr);
    points.SetSize(3);
    TGLPointParameters& parameters = *points.GetPointParameters();
    parameters.SetEnabled(c.enabled);
    parameters.SetMinSize(2);
    parameters.SetMaxSize(64);
    parameters.SetFadeTresholdSize(0.5f);
    parameters.GetDistanceAttenuation()->SetVector(0, 0.25f, 1);
    TGLRecorder gl;
    gl.SetImplementation("1.5", c.extensions);
    TRenderContextInfo rci;
    points.BuildList(rci);
    const TGLCalls& calls = gl.Calls();
    // Sent after the point size and before the style, the defaults right after the drawing.
    EXPECT_EQ(Between(calls, "glPointSize", "glDisable"), c.sent ? applied : TGLCalls{});
    EXPECT_EQ(Between(calls, "glDrawArrays", "glDisableClientState"),
              c.sent ? defaults : TGLCalls{});
    EXPECT_EQ(Count(calls, Call("glPointSize", 3.0f)), 1u);
  }
}

// Depth writes go off after the arrays are set up and on again once the parameters are undone.
TEST(PointsDrawing, WithoutDepthWritesTheyAreOnAgainAfterTheDrawing) {
  TGLPoints points(nullptr);
  points.SetNoZWrite(true);
  points.GetPointParameters()->SetEnabled(true);
  TGLRecorder gl;
  gl.SetImplementation("1.5", "GL_ARB_point_parameters");
  TRenderContextInfo rci;
  points.BuildList(rci);
  const TGLCalls& calls = gl.Calls();
  EXPECT_EQ(Between(calls, "glEnableClientState", "glPointSize"),
            TGLCalls{Call("glDepthMask", GL_FALSE)});
  const TGLCalls tail = Between(calls, "glDrawArrays", "glPopAttrib");
  ASSERT_EQ(tail.size(), 6u);
  EXPECT_EQ(tail[3].Name, "glPointParameterfvARB") << "the parameters undone first";
  EXPECT_EQ(tail[4], Call("glDepthMask", GL_TRUE));
  EXPECT_EQ(tail[5], Call("glDisableClientState", GL_VERTEX_ARRAY));
  TGLPoints writing(nullptr);
  for (const TGLCall& call : BuildListCalls(writing)) EXPECT_NE(call.Name, "glDepthMask");
}

}  // namespace

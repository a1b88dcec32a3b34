// What the line style sends to OpenGL around a descendant's lines: state saved, lighting off,
// stipple, smoothing and blending as the style asks, the width and the colour, then one pop.
#include <gtest/gtest.h>

#include "engine/GLObjects/LineBase.h"
#include "platform/gl/GLRecorder.h"

namespace {

const auto Call = [](auto... args) { return TGLCall(args...); };

TEST(LineStyle, SetUpByPatternSmoothingAndAlpha) {
  const TGLCall push =
      Call("glPushAttrib", GL_CURRENT_BIT | GL_LINE_BIT | GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT);
  const TGLCall noLighting = Call("glDisable", GL_LIGHTING);
  const TGLCall blend = Call("glEnable", GL_BLEND);
  const TGLCall blendFunc = Call("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  const TGLCall rough = Call("glDisable", GL_LINE_SMOOTH);
  const TGLCall smooth = Call("glEnable", GL_LINE_SMOOTH);
  const struct Case {
    const char* name;
    uint16_t pattern;
    bool antiAliased;
    float alpha;
    TGLCalls expected;
  } cases[] = {
      {"solid, rough and opaque: blending and stipple left as they were",
       0xFFFF,
       false,
       1,
       {push, noLighting, rough, Call("glLineWidth", 2.0f), Call("glColor3f", 0.25f, 0.5f, 1.0f)}},
      {"a pattern",
       0x00FF,
       false,
       1,
       {push, noLighting, Call("glEnable", GL_LINE_STIPPLE), blend, blendFunc,
        Call("glLineStipple", 1, 0x00FF), rough, Call("glLineWidth", 2.0f),
        Call("glColor3f", 0.25f, 0.5f, 1.0f)}},
      {"translucent",
       0xFFFF,
       false,
       0.5f,
       {push, noLighting, rough, Call("glLineWidth", 2.0f), blend, blendFunc,
        Call("glColor4f", 0.25f, 0.5f, 1.0f, 0.5f)}},
      {"smoothed",
       0xFFFF,
       true,
       1,
       {push, noLighting, smooth, blend, blendFunc, Call("glLineWidth", 2.0f),
        Call("glColor3f", 0.25f, 0.5f, 1.0f)}},
      {"smoothed and translucent: blending already on",
       0xFFFF,
       true,
       0.5f,
       {push, noLighting, smooth, blend, blendFunc, Call("glLineWidth", 2.0f),
        Call("glColor4f", 0.25f, 0.5f, 1.0f, 0.5f)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLLineBase line(nullptr);
    line.SetLinePattern(c.pattern);
    line.SetAntiAliased(c.antiAliased);
    line.SetLineWidth(2);
    line.GetLineColor()->SetRGBA(0.25f, 0.5f, 1, c.alpha);
    TGLRecorder gl;
    line.SetupLineStyle();
    EXPECT_EQ(gl.Take(), c.expected);
    line.RestoreLineStyle();
    EXPECT_EQ(gl.Take(), (TGLCalls{Call("glPopAttrib")}));
  }
}

}  // namespace

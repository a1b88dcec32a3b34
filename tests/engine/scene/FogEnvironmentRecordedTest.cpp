// The fog environment's OpenGL calls against the recorder, in its buffer's context.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/GLSceneGraph/FogEnvironment.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "platform/gl/GLRecorder.h"
#include "tests/engine/scene/SceneBufferFakes.h"

namespace {

using namespace scene_test;
using Strings = std::vector<std::string>;

const auto Call = [](auto... args) { return TGLCall(args...); };

class FogEnvironmentRecorded : public testing::Test {
 protected:
  void SetUp() override {
    DefaultFogDistanceMode = -1;
    gl.SetImplementation("1.5", "GL_NV_fog_distance");
    buffer.SetViewPort(0, 0, 8, 8);
    buffer.CreateRC(nullptr, true);
    gl.Take();
    ContextLog.clear();
  }
  void TearDown() override { DefaultFogDistanceMode = -1; }
  TGLFogEnvironment& Fog() { return *buffer.GetFogEnvironment(); }

  TFakeContextUnit unit;
  TGLRecorder gl;
  TGLSceneBuffer buffer{nullptr};
};

TEST_F(FogEnvironmentRecorded, EachModeSendsItsParameters) {
  const TGLCall colour = Call("glFogfv", GL_FOG_COLOR, TGLArray{0.25f, 0.5f, 0.75f, 0.5f});
  const TGLCall range[] = {Call("glFogf", GL_FOG_START, 2.0f), Call("glFogf", GL_FOG_END, 40.0f)};
  const struct {
    TFogMode mode;
    TFogDistance distance;
    TGLCalls head, tail;
  } cases[] = {
      {fmLinear,
       fdEyeRadial,
       {Call("glFogi", GL_FOG_MODE, GL_LINEAR)},
       {Call("glFogi", GL_FOG_DISTANCE_MODE_NV, GL_EYE_RADIAL_NV)}},
      {fmExp,
       fdEyePlane,
       {Call("glFogi", GL_FOG_MODE, GL_EXP), Call("glFogf", GL_FOG_DENSITY, 0.5f)},
       {Call("glFogi", GL_FOG_DISTANCE_MODE_NV, GL_EYE_PLANE_ABSOLUTE_NV)}},
      {fmExp2,
       fdEyeRadial,
       {Call("glFogi", GL_FOG_MODE, GL_EXP2), Call("glFogf", GL_FOG_DENSITY, 0.5f)},
       {Call("glFogi", GL_FOG_DISTANCE_MODE_NV, GL_EYE_RADIAL_NV)}},
  };
  Fog().GetFogColor()->SetColor({0.25f, 0.5f, 0.75f, 0.5f});
  Fog().SetFogStart(2);
  Fog().SetFogEnd(40);
  for (const auto& c : cases) {
    Fog().SetFogMode(c.mode);
    Fog().SetFogDistance(c.distance);
    gl.Take();
    Fog().ApplyFog();
    TGLCalls expected = c.head;
    expected.push_back(colour);
    expected.insert(expected.end(), std::begin(range), std::end(range));
    expected.insert(expected.end(), c.tail.begin(), c.tail.end());
    EXPECT_EQ(gl.Take(), expected) << int(c.mode);
  }
}

TEST_F(FogEnvironmentRecorded, TheDriversOwnDistanceModeIsReadFirstAndSentAfterwards) {
  gl.SetValues(GL_FOG_DISTANCE_MODE_NV, {GL_EYE_PLANE_ABSOLUTE_NV});
  Fog().ApplyFog();
  EXPECT_EQ(gl.Take().back(), Call("glGetIntegerv", GL_FOG_DISTANCE_MODE_NV));
  EXPECT_EQ(DefaultFogDistanceMode, GL_EYE_PLANE_ABSOLUTE_NV);
  Fog().ApplyFog();
  EXPECT_EQ(gl.Take().back(), Call("glFogi", GL_FOG_DISTANCE_MODE_NV, GL_EYE_PLANE_ABSOLUTE_NV));
}

TEST_F(FogEnvironmentRecorded, WithoutTheDistanceExtensionTheRangeIsTheLastCall) {
  gl.SetImplementation("1.5", "");
  Fog().SetFogDistance(fdEyeRadial);
  Fog().ApplyFog();
  EXPECT_EQ(gl.Take().back(), Call("glFogf", GL_FOG_END, 1000.0f));
}

TEST_F(FogEnvironmentRecorded, TheBuffersContextIsActivatedForTheTimeOfIt) {
  Fog().ApplyFog();
  EXPECT_EQ(ContextLog, (Strings{"on", "off"}));
  ContextLog.clear();
  buffer.GetRenderingContext()->Activate();
  Fog().ApplyFog();
  EXPECT_EQ(buffer.GetRenderingContext()->GetActivationCount(), 1);
  buffer.GetRenderingContext()->Deactivate();
  EXPECT_EQ(ContextLog, (Strings{"on", "off"})) << "nested in the active context";

  buffer.DestroyRC();
  gl.Take();
  Fog().ApplyFog();
  EXPECT_TRUE(gl.Calls().empty()) << "nothing without a context";
}

}  // namespace

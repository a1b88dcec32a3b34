// The scene buffer's OpenGL calls against the recorder, on a context whose platform half only
// logs: context creation, the frame's default state, the clears, a frame's steps, errors and
// counters, the lights of the camera's scene, sharing between buffers, and the copy into a
// texture.
#include <gtest/gtest.h>

// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <algorithm>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/GLMaterial.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/FogEnvironment.h"
#include "engine/GLSceneGraph/LightSource.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "platform/gl/GLRecorder.h"
#include "platform/rtl/SysUtils.h"
#include "tests/engine/scene/SceneBufferFakes.h"

namespace {

using namespace scene_test;
using Strings = std::vector<std::string>;

const auto Call = [](auto... args) { return TGLCall(args...); };

TGLCalls Only(const TGLCalls& calls, std::initializer_list<const char*> names) {
  TGLCalls kept;
  for (const TGLCall& call : calls)
    if (std::find(names.begin(), names.end(), call.Name) != names.end()) kept.push_back(call);
  return kept;
}

// The default frame state that PrepareGLContext sets, each state in the cache and in OpenGL.
TGLCalls DefaultPreparation() {
  return {Call("glLightModelfv", GL_LIGHT_MODEL_AMBIENT, TGLArray{0.2f, 0.2f, 0.2f, 1}),
          Call("glLightModeli", GL_LIGHT_MODEL_TWO_SIDE, 0),
          Call("glEnable", GL_NORMALIZE),
          Call("glEnable", GL_NORMALIZE),
          Call("glEnable", GL_DEPTH_TEST),
          Call("glEnable", GL_DEPTH_TEST),
          Call("glEnable", GL_CULL_FACE),
          Call("glEnable", GL_CULL_FACE),
          Call("glEnable", GL_LIGHTING),
          Call("glEnable", GL_LIGHTING),
          Call("glDisable", GL_FOG),
          Call("glGetIntegerv", GL_BLUE_BITS),
          Call("glDisable", GL_DITHER),
          Call("glDepthFunc", GL_LESS),
          Call("glHint", GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST),
          Call("glShadeModel", GL_SMOOTH)};
}

class SceneBufferRecorded : public testing::Test {
 protected:
  void SetUp() override {
    gl.SetImplementation("1.5", "");
    gl.SetValues(GL_BLUE_BITS, {8});
    gl.SetValues(GL_MAX_LIGHTS, {8});
    gl.SetValues(GL_MAX_TEXTURE_SIZE, {64});
    buffer.SetViewPort(0, 0, 64, 48);
  }
  // A context made and its creation's calls forgotten.
  void Create() {
    buffer.CreateRC(nullptr, true);
    gl.Take();
    ContextLog.clear();
  }

  TFakeContextUnit unit;
  TGLRecorder gl;
  TBufferHolder holder;
  TClockedBuffer& buffer = *holder.Buffer;
};

TEST_F(SceneBufferRecorded,
       CreateRCSetsTheViewportTheFrameStateAndTheBackgroundInsideOneActivation) {
  buffer.SetBackgroundColor(clRed);
  buffer.SetBackgroundAlpha(0.5f);
  buffer.CreateRC(nullptr, true);
  TGLCalls expected = {Call("glViewport", 0, 0, 64, 48)};
  for (const TGLCall& call : DefaultPreparation()) expected.push_back(call);
  expected.push_back(Call("glClearColor", 1.0f, 0.0f, 0.0f, 1.0f));
  EXPECT_EQ(gl.Calls(), expected);
  EXPECT_EQ(ContextLog, (Strings{"memory 64x48", "on", "off"}));
  EXPECT_TRUE(buffer.RCInstantiated());
  EXPECT_FALSE(buffer.GetRendering());
  EXPECT_EQ(CurrentGLContext(), nullptr);
}

TEST_F(SceneBufferRecorded, WithoutOpenGL11TheContextStaysCreatedAndInactive) {
  gl.SetImplementation("1.0", "");
  EXPECT_TRUE(Raises<EOpenGLError>([&] { buffer.CreateRC(nullptr, false); },
                                   "Need at least OpenGL version 1.1"));
  ASSERT_TRUE(buffer.RCInstantiated());
  EXPECT_TRUE(buffer.GetRenderingContext()->IsValid());
  EXPECT_FALSE(buffer.GetRenderingContext()->GetActive());
  EXPECT_FALSE(buffer.GetRendering());
  EXPECT_EQ(ContextLog, (Strings{"create", "on", "off"}));
}

TEST_F(SceneBufferRecorded, ANewContextStartsWithAFreshStateCache) {
  Create();
  buffer.Render();
  buffer.GetRenderingContext()->Activate();
  buffer.GetStateCache()->Enable(gsBlend);
  buffer.GetRenderingContext()->Deactivate();

  buffer.CreateRC(nullptr, true);
  gl.Take();
  buffer.GetRenderingContext()->Activate();
  buffer.GetStateCache()->Enable(gsBlend);
  buffer.GetStateCache()->Enable(gsLighting);
  buffer.GetRenderingContext()->Deactivate();
  EXPECT_EQ(gl.Calls(), (TGLCalls{Call("glEnable", GL_BLEND)}))
      << "blending is off in the new context, lighting already on";
}

TEST_F(SceneBufferRecorded, ThePreparedStateFollowsTheSettings) {
  const struct {
    const char* what;
    std::function<void(TGLSceneBuffer&)> set;
    int blueBits;
    TGLCalls expected;
  } cases[] = {
      {"everything off that can be, fog on",
       [](auto& b) {
         b.SetDepthTest(false);
         b.SetFaceCulling(false);
         b.SetLighting(false);
         b.SetFogEnable(true);
       },
       8,
       {Call("glLightModeli", GL_LIGHT_MODEL_TWO_SIDE, 0), Call("glEnable", GL_NORMALIZE),
        Call("glEnable", GL_NORMALIZE), Call("glDisable", GL_DEPTH_TEST),
        Call("glDisable", GL_CULL_FACE), Call("glDisable", GL_LIGHTING), Call("glEnable", GL_FOG),
        Call("glEnable", GL_FOG), Call("glDisable", GL_DITHER), Call("glShadeModel", GL_SMOOTH)}},
      {"few blue bits, flat shading, two-sided lighting",
       [](auto& b) {
         b.SetShadeModel(smFlat);
         b.SetContextOptions(ContextOptions({roDoubleBuffer, roTwoSideLighting}));
       },
       5,
       {Call("glLightModeli", GL_LIGHT_MODEL_TWO_SIDE, 1), Call("glEnable", GL_NORMALIZE),
        Call("glEnable", GL_NORMALIZE), Call("glEnable", GL_DEPTH_TEST),
        Call("glEnable", GL_DEPTH_TEST), Call("glEnable", GL_CULL_FACE),
        Call("glEnable", GL_CULL_FACE), Call("glEnable", GL_LIGHTING),
        Call("glEnable", GL_LIGHTING), Call("glDisable", GL_FOG), Call("glEnable", GL_DITHER),
        Call("glEnable", GL_DITHER), Call("glShadeModel", GL_FLAT)}},
  };
  for (const auto& c : cases) {
    TGLSceneBuffer fresh(nullptr);
    c.set(fresh);
    gl.SetValues(GL_BLUE_BITS, {double(c.blueBits)});
    gl.Take();
    fresh.PrepareGLContext();
    const auto kept = {"glEnable", "glDisable", "glShadeModel", "glLightModeli"};
    EXPECT_EQ(Only(gl.Take(), kept), c.expected) << c.what;
  }
}

TEST_F(SceneBufferRecorded, ClearBuffersClearsWhatTheOptionsLeave) {
  const struct {
    std::initializer_list<TContextOption> options;
    GLbitfield mask;
  } cases[] = {
      {{roDoubleBuffer, roRenderToWindow}, GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT},
      {{roStencilBuffer}, GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT},
      {{roNoColorBuffer, roStencilBuffer}, GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT},
      {{roNoColorBufferClear}, GL_DEPTH_BUFFER_BIT},
  };
  for (const auto& c : cases) {
    buffer.SetContextOptions(ContextOptions(c.options));
    gl.Take();
    buffer.ClearBuffers();
    EXPECT_EQ(gl.Take(), (TGLCalls{Call("glClear", c.mask)})) << c.mask;
  }
}

TEST_F(SceneBufferRecorded, AFrameWithoutACameraClearsTheBackgroundAndSwaps) {
  Create();
  buffer.SetBackgroundColor(clBlue);
  buffer.SetBackgroundAlpha(0.5f);
  buffer.Render();
  const TGLCalls calls = gl.Take();
  EXPECT_EQ(Only(calls, {"glClearColor", "glClear", "glMatrixMode", "glLoadIdentity"}),
            (TGLCalls{Call("glClearColor", 0.0f, 0.0f, 1.0f, 0.5f),
                      Call("glClear", GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT),
                      Call("glMatrixMode", GL_PROJECTION), Call("glLoadIdentity"),
                      Call("glMatrixMode", GL_MODELVIEW), Call("glLoadIdentity")}));
  EXPECT_TRUE(Only(calls, {"glLightfv", "glGetIntegerv"}) ==
              (TGLCalls{Call("glGetIntegerv", GL_BLUE_BITS)}))
      << "no scene: no lights";
  EXPECT_EQ(ContextLog, (Strings{"on", "swap", "off"}));
  EXPECT_EQ(buffer.GetRenderDPI(), 96);

  buffer.SetContextOptions(ContextOptions({roNoSwapBuffers}));
  buffer.Render();
  EXPECT_EQ(ContextLog, (Strings{"on", "swap", "off", "on", "off"}));
}

TEST_F(SceneBufferRecorded, NothingRendersWithoutAContext) {
  buffer.Render();
  EXPECT_TRUE(gl.Calls().empty());
  EXPECT_EQ(buffer.GetFrameCount(), 0);
}

TEST_F(SceneBufferRecorded, FramesAreCountedFromTheStartOfTheFirst) {
  Create();
  holder.Buffer->BeforeRender = [&](TObject*) { buffer.Now += 250; };
  buffer.Now = 1000;
  buffer.Render();
  EXPECT_EQ(buffer.GetFrameCount(), 1);
  EXPECT_FLOAT_EQ(buffer.GetLastFrameTime(), 0.25f);
  EXPECT_FLOAT_EQ(buffer.GetFramesPerSecond(), 4) << "one frame in a quarter of a second";
  buffer.Now = 2000;
  buffer.Render();
  EXPECT_EQ(buffer.GetFrameCount(), 2);
  EXPECT_FLOAT_EQ(buffer.GetFramesPerSecond(), 2 / 1.25f);

  holder.Buffer->BeforeRender = nullptr;
  buffer.ResetPerformanceMonitor();
  EXPECT_EQ(buffer.GetFrameCount(), 0);
  EXPECT_EQ(buffer.GetFramesPerSecond(), 0);
  buffer.Now = 5000;
  buffer.Render();
  EXPECT_EQ(buffer.GetFramesPerSecond(), 0) << "no time since the first frame began";
  buffer.Now = 6000;
  buffer.Render();
  EXPECT_FLOAT_EQ(buffer.GetFramesPerSecond(), 2) << "two frames one second apart";
}

TEST_F(SceneBufferRecorded, AnOpenGLErrorDeactivatesTheContextAndSkipsAfterRender) {
  Create();
  Strings events;
  buffer.BeforeRender = [&](TObject*) {
    events.push_back("before");
    gl.PushError(GL_INVALID_OPERATION);
  };
  buffer.AfterRender = [&](TObject*) { events.push_back("after"); };
  EXPECT_TRUE(Raises<EOpenGLError>([&] { buffer.Render(); }, "invalid operation"));
  EXPECT_EQ(events, (Strings{"before"}));
  EXPECT_EQ(ContextLog, (Strings{"on", "off"})) << "deactivated, not swapped";
  EXPECT_EQ(CurrentGLContext(), nullptr);
  EXPECT_FALSE(buffer.GetRendering());
  EXPECT_EQ(buffer.GetFrameCount(), 0);

  buffer.BeforeRender = nullptr;
  buffer.Render();
  EXPECT_EQ(events, (Strings{"before", "after"}));
  EXPECT_EQ(buffer.GetFrameCount(), 1);
}

TEST_F(SceneBufferRecorded, DuringAFrameNoticesAndRendersAreIgnored) {
  Create();
  int changes = 0;
  buffer.OnChange = [&](TObject*) { ++changes; };
  buffer.BeforeRender = [&](TObject*) {
    buffer.SetBackgroundColor(clRed);
    buffer.Render();
  };
  buffer.Render();
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(buffer.GetBackgroundColor(), clRed) << "stored all the same";
  EXPECT_EQ(buffer.GetFrameCount(), 1);
  EXPECT_EQ(ContextLog, (Strings{"on", "swap", "off"}));
  buffer.SetBackgroundColor(clBlue);
  EXPECT_EQ(changes, 1);
}

TEST_F(SceneBufferRecorded, TheFrameEventsComeInOrderAndTheRenderOnesOnlyForAComponentOwner) {
  Create();
  Strings events;
  const auto log = [&](const char* what, TGLSceneBuffer& from) {
    return [&events, &from, what](TObject* sender) {
      EXPECT_EQ(sender, &from);
      events.push_back(what);
    };
  };
  buffer.OnSetupVSync = log("vsync", buffer);
  buffer.BeforeRender = log("before", buffer);
  buffer.PostRender = log("post", buffer);
  buffer.AfterRender = log("after", buffer);
  buffer.Render();
  EXPECT_EQ(events, (Strings{"vsync", "before", "post", "after"}));

  events.clear();
  TGLSceneBuffer orphan(nullptr);
  orphan.SetViewPort(0, 0, 8, 8);
  orphan.CreateRC(nullptr, true);
  orphan.OnSetupVSync = log("vsync", orphan);
  orphan.BeforeRender = log("before", orphan);
  orphan.PostRender = log("post", orphan);
  orphan.AfterRender = log("after", orphan);
  orphan.Render();
  EXPECT_EQ(events, (Strings{"vsync"}));
}

// ---- With a scene

class SceneBufferInScene : public SceneBufferRecorded {
 protected:
  TGLSceneGraph scene{nullptr};
  TGLCamera* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(scene.GetCameras());
};

TEST_F(SceneBufferInScene, ACameraOutsideAnySceneIsRefused) {
  TGLCamera loose(nullptr);
  int changes = 0;
  buffer.OnChange = [&](TObject*) { ++changes; };
  buffer.SetCamera(&loose);
  EXPECT_EQ(buffer.GetCamera(), nullptr);
  buffer.SetCamera(camera);
  EXPECT_EQ(buffer.GetCamera(), camera);
  EXPECT_EQ(changes, 2);
}

TEST_F(SceneBufferInScene, EachShiningLightIsLoadedAndTheOtherNumbersAreDisabled) {
  Create();
  buffer.SetCamera(camera);
  std::vector<TGLLightSource*> lights;
  for (int i = 0; i < 4; ++i)
    lights.push_back(TGLBaseSceneObject::CreateAsChild<TGLLightSource>(scene.GetObjects()));
  delete lights[2];
  lights[1]->SetSpotCutOff(30);
  gl.Take();
  buffer.Render();
  const TGLCalls calls = gl.Take();
  TGLCalls lightSwitches;
  for (const TGLCall& call : Only(calls, {"glEnable", "glDisable"})) {
    const auto capability = std::get<int64_t>(call.Args[0]);
    if (capability >= GL_LIGHT0 && capability <= GL_LIGHT7) lightSwitches.push_back(call);
  }
  EXPECT_EQ(lightSwitches, (TGLCalls{Call("glEnable", GL_LIGHT0), Call("glEnable", GL_LIGHT1),
                                     Call("glDisable", GL_LIGHT2), Call("glEnable", GL_LIGHT3),
                                     Call("glDisable", GL_LIGHT4), Call("glDisable", GL_LIGHT5),
                                     Call("glDisable", GL_LIGHT6), Call("glDisable", GL_LIGHT7)}));
  const auto spotCalls = [&](GLenum light) {
    TGLCalls spot;
    for (const TGLCall& call : Only(calls, {"glLightf", "glLightfv"})) {
      const auto pname = std::get<int64_t>(call.Args[1]);
      if (std::get<int64_t>(call.Args[0]) == light &&
          (pname == GL_SPOT_DIRECTION || pname == GL_SPOT_EXPONENT || pname == GL_SPOT_CUTOFF))
        spot.push_back(call);
    }
    return spot;
  };
  EXPECT_EQ(spotCalls(GL_LIGHT0), (TGLCalls{Call("glLightf", GL_LIGHT0, GL_SPOT_CUTOFF, 180.0f)}))
      << "a cut-off of 180 is no cone";
  EXPECT_EQ(spotCalls(GL_LIGHT1).size(), 3u);
  EXPECT_EQ(Only(calls, {"glGetIntegerv"}).back(), Call("glGetIntegerv", GL_MAX_LIGHTS));
}

TEST_F(SceneBufferInScene, FogIsSwitchedAndAppliedWithinTheFrame) {
  Create();
  buffer.SetCamera(camera);
  buffer.Render();
  EXPECT_TRUE(Only(gl.Take(), {"glFogi", "glFogf", "glFogfv"}).empty());
  buffer.SetFogEnable(true);
  buffer.GetFogEnvironment()->SetFogMode(fmExp);
  buffer.Render();
  const TGLCalls calls = gl.Take();
  const TGLCalls fog = Only(calls, {"glFogi"});
  ASSERT_EQ(fog.size(), 1u);
  EXPECT_EQ(fog[0], Call("glFogi", GL_FOG_MODE, GL_EXP));
  EXPECT_EQ(ContextLog, (Strings{"on", "swap", "off", "on", "swap", "off"}))
      << "the fog nests in the frame's activation";
}

TEST_F(SceneBufferInScene, BuffersShareTheBaseContextAndHandItOn) {
  TBufferHolder second;
  for (TGLSceneBuffer* b : {&buffer, second.Buffer.get()}) {
    b->SetViewPort(0, 0, 8, 8);
    b->CreateRC(nullptr, true);
    b->SetCamera(camera);
    b->Render();
  }
  TGLContext* first = buffer.GetRenderingContext();
  TGLContext* other = second.Buffer->GetRenderingContext();
  EXPECT_EQ(scene.GetBaseContext(), first);
  ASSERT_NE(scene.GetBuffers(), nullptr);
  EXPECT_EQ(scene.GetBuffers()->Count(), 2);
  EXPECT_EQ(other->GetSharedContexts(), (std::vector<TGLContext*>{first, other}));
  EXPECT_EQ(first->GetSharedContexts(), other->GetSharedContexts());

  buffer.DestroyRC();
  EXPECT_EQ(scene.GetBaseContext(), other) << "handed on";
  EXPECT_EQ(scene.GetBuffers()->Count(), 1);
  second.Buffer->SetCamera(nullptr);
  EXPECT_EQ(scene.GetBuffers(), nullptr) << "the last buffer left";
  EXPECT_EQ(scene.GetBaseContext(), nullptr);
}

TEST_F(SceneBufferInScene, ABufferLeavesTheSceneItShowedAlsoWhenItsCameraLeftItFirst) {
  Create();
  buffer.SetCamera(camera);
  buffer.Render();
  ASSERT_NE(scene.GetBuffers(), nullptr);
  camera->MoveTo(nullptr);
  ASSERT_EQ(camera->GetScene(), nullptr);
  buffer.SetCamera(nullptr);
  EXPECT_EQ(scene.GetBuffers(), nullptr)
      << "else the scene would keep telling a buffer that may go";
}

TEST_F(SceneBufferInScene, AFreedBufferLeavesItsScene) {
  {
    TBufferHolder leaving;
    leaving.Buffer->SetViewPort(0, 0, 8, 8);
    leaving.Buffer->CreateRC(nullptr, true);
    leaving.Buffer->SetCamera(camera);
    leaving.Buffer->Render();
    ASSERT_NE(scene.GetBuffers(), nullptr);
  }
  EXPECT_EQ(scene.GetBuffers(), nullptr);
  EXPECT_EQ(scene.GetBaseContext(), nullptr);
}

// ---- Copying the frame into a texture

TEST_F(SceneBufferRecorded, CopyToTextureMakesTheTextureByItsFilterAndTarget) {
  const struct {
    const char* what;
    GLenum nativeTarget, target;
    TGLMinFilter minFilter;
    const char* extensions;
    TGLCalls upload;
  } cases[] = {
      {"plain",
       GL_TEXTURE_2D,
       0,
       miLinear,
       "",
       {Call("glTexImage2D", GL_TEXTURE_2D, 0, GL_RGBA8, 16, 8, 0, GL_RGBA, GL_UNSIGNED_BYTE)}},
      {"mipmaps generated",
       GL_TEXTURE_2D,
       0,
       miLinearMipmapLinear,
       "GL_SGIS_generate_mipmap",
       {Call("glTexParameteri", GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 1),
        Call("glTexImage2D", GL_TEXTURE_2D, 0, GL_RGBA8, 16, 8, 0, GL_RGBA, GL_UNSIGNED_BYTE)}},
      {"mipmaps built",
       GL_TEXTURE_2D,
       0,
       miNearestMipmapNearest,
       "",
       {Call("gluBuild2DMipmaps", GL_TEXTURE_2D, GL_RGBA8, 16, 8, GL_RGBA, GL_UNSIGNED_BYTE)}},
      {"a cube face",
       GL_TEXTURE_CUBE_MAP,
       GL_TEXTURE_CUBE_MAP_NEGATIVE_Y,
       miLinear,
       "",
       {Call("glTexImage2D", GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, 0, GL_RGBA8, 16, 8, 0, GL_RGBA,
             GL_UNSIGNED_BYTE)}},
  };
  Create();
  for (const auto& c : cases) {
    gl.SetImplementation("1.5", c.extensions);
    TCopyTarget texture(c.nativeTarget, c.minFilter);
    gl.Take();
    buffer.CopyToTexture(&texture, 2, 3, 16, 8, 0, 0, c.target, false);
    const TGLCalls calls = gl.Take();
    const GLenum bound =
        c.nativeTarget == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
    // The new texture binds itself to send its parameters, and the buffer binds it through the
    // state cache.
    const TGLCalls binds = Only(calls, {"glBindTexture"});
    EXPECT_FALSE(binds.empty()) << c.what;
    for (const TGLCall& bind : binds)
      EXPECT_EQ(bind, Call("glBindTexture", bound, texture.GetTextureHandle()->GetHandle()))
          << c.what;
    const TGLCalls reads = Only(calls, {"glReadPixels"});
    ASSERT_EQ(reads.size(), 1u) << c.what;
    EXPECT_EQ(std::vector<TGLArg>(reads[0].Args.begin(), reads[0].Args.begin() + 6),
              (TGLCall("", 2, 3, 16, 8, GL_RGBA, GL_UNSIGNED_BYTE).Args))
        << c.what << ": read from the source corner";
    TGLCalls uploads;
    for (TGLCall call : Only(calls, {"glTexImage2D", "gluBuild2DMipmaps", "glTexParameteri"})) {
      if (call.Name != "glTexParameteri")
        call.Args.pop_back();  // the pixels' address
      else if (call.Args[1] != TGLCall::Arg(GL_GENERATE_MIPMAP_SGIS))
        continue;  // the texture's own wrap and filters
      uploads.push_back(call);
    }
    EXPECT_EQ(uploads, c.upload) << c.what;
    EXPECT_TRUE(Only(calls, {"glCopyTexSubImage2D"}).empty()) << c.what;
  }
}

// The texture grows to reach the region's far corner, up to the largest texture (64 here) and
// no further: beyond it the copy is refused before a name or a pixel block is taken.
TEST_F(SceneBufferRecorded, CopyToTextureRefusesACornerBeyondTheLargestTexture) {
  const struct {
    const char* what;
    int xDest, yDest;
    bool madeBefore;
    const char* refusal;  // nullptr: copied
  } cases[] = {
      {"a corner on the largest", 48, 56, false, nullptr},
      {"one column beyond", 49, 0, false,
       "Cannot copy into a texture of 65 x 8: the largest is 64 x 64"},
      {"one row beyond, into a texture made before", 0, 57, true,
       "Cannot copy into a texture of 16 x 65: the largest is 64 x 64"},
      {"an offset at the end of the integers", std::numeric_limits<int>::max(), 0, true,
       "Cannot copy into a texture of 2147483663 x 8: the largest is 64 x 64"},
  };
  Create();
  for (const auto& c : cases) {
    TCopyTarget texture(GL_TEXTURE_2D);
    if (c.madeBefore) buffer.CopyToTexture(&texture, 0, 0, 4, 4, 0, 0, 0, false);
    const GLuint name = texture.IsHandleAllocated() ? texture.GetTextureHandle()->GetHandle() : 0;
    gl.Take();
    ContextLog.clear();
    const auto copy = [&] {
      buffer.CopyToTexture(&texture, 0, 0, 16, 8, c.xDest, c.yDest, 0, false);
    };
    if (!c.refusal) {
      copy();
      const TGLCalls uploads = gl.CallsOf("glTexImage2D");
      ASSERT_EQ(uploads.size(), 1u) << c.what;
      EXPECT_EQ(std::vector<TGLArg>(uploads[0].Args.begin() + 3, uploads[0].Args.begin() + 5),
                (TGLCall("", 64, 64).Args))
          << c.what;
      continue;
    }
    EXPECT_TRUE(Raises<ETexture>(copy, c.refusal)) << c.what;
    EXPECT_EQ(Only(gl.Take(), {"glGenTextures", "glGetTexImage", "glReadPixels", "glTexImage2D",
                               "glCopyTexSubImage2D", "gluBuild2DMipmaps"}),
              TGLCalls{})
        << c.what;
    EXPECT_EQ(texture.IsHandleAllocated() ? texture.GetTextureHandle()->GetHandle() : 0, name)
        << c.what;
    // The context is let go of also when the copy is refused.
    EXPECT_EQ(ContextLog, (Strings{"on", "off"})) << c.what;
  }
}

TEST_F(SceneBufferRecorded, CopyToTextureDoesNothingWithoutAContext) {
  TCopyTarget texture(GL_TEXTURE_2D);
  buffer.CopyToTexture(&texture, 0, 0, 4, 4, 0, 0, 0, false);
  EXPECT_TRUE(gl.Calls().empty());
  EXPECT_FALSE(texture.IsHandleAllocated());
}

}  // namespace

// A render pass of the scene against the recorder: the record it fills, the order of the pass,
// the colour mask of picking and colourless passes, and the light numbers it switches.
#include <gtest/gtest.h>

// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <string>
#include <vector>

#include "engine/GLSceneGraph/Behaviours.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "engine/GLSceneGraph/SceneObjects.h"
#include "platform/gl/GLRecorder.h"
#include "tests/engine/scene/SceneTreeFakes.h"

namespace {

using namespace scene_tree_test;
const auto Call = [](auto... args) { return TGLCall(args...); };

std::vector<std::string> Log;

class TLoggingEffect : public TGLObjectEffect {
  RTL_CLASS(TLoggingEffect, TGLObjectEffect)
  explicit TLoggingEffect(TXCollection* AOwner, std::string name = "effect")
      : TGLObjectEffect(AOwner, XCollectionItemClass<TLoggingEffect>()), FLogName(name) {}
  static std::string FriendlyName() { return "Logging effect"; }
  void Render(TGLSceneBuffer*, TRenderContextInfo&) override { Log.push_back(FLogName); }

 private:
  std::string FLogName;
};

TGLCalls Only(const TGLCalls& calls, const std::vector<std::string>& names) {
  TGLCalls result;
  for (const TGLCall& call : calls)
    if (std::find(names.begin(), names.end(), call.Name) != names.end()) result.push_back(call);
  return result;
}

std::vector<double> Values(const TMatrix& m) {
  std::vector<double> values;
  for (const TVector& row : m) values.insert(values.end(), row.begin(), row.end());
  return values;
}

class SceneGraphRecordedTest : public testing::Test {
 protected:
  void SetUp() override {
    Log.clear();
    camera->GetPosition()->SetPoint(0, 0, 5);
    camera->Apply();
    buffer.SetCamera(camera);
    direct->OnRender = [this](TObject*, TRenderContextInfo& rci) {
      Log.push_back("object");
      Seen = rci;
      // What a post-render effect of the after-render kind does.
      rci.buffer->GetAfterRenderEffects().push_back(&after);
    };
    buffer.InitiateRendering = [](TObject*, TRenderContextInfo&) { Log.push_back("initiate"); };
    buffer.WrapUpRendering = [](TObject*, TRenderContextInfo&) { Log.push_back("wrap up"); };
    gl.Take();
  }
  TGLRecorder gl;
  TGLSceneBuffer buffer{nullptr};
  TTestForm form;
  TGLSceneGraph* scene = new TGLSceneGraph(&form);
  TGLCamera* camera = form.Make<TGLCamera>("camera", scene->GetCameras());
  TGLDirectOpenGL* direct = form.Make<TGLDirectOpenGL>("direct", scene->GetObjects());
  TLoggingEffect after{nullptr};
  TRenderContextInfo Seen;
};

TEST_F(SceneGraphRecordedTest, APassFillsTheRecordAndRendersTheObjectsBetweenItsEvents) {
  // Matrices that do not commute, so the order of the product shows.
  TMatrix modelView = IdentityHmgMatrix, projection = IdentityHmgMatrix;
  modelView[W] = {0, 0, -5, 1};
  projection[X][X] = 2;
  projection[Z] = {0, 0, -1.2f, -1};
  projection[W] = {0, 0, -2.2f, 0};
  gl.SetValues(GL_MODELVIEW_MATRIX, Values(modelView));
  gl.SetValues(GL_PROJECTION_MATRIX, Values(projection));
  scene->SetVisibilityCulling(vcObjectBased);
  buffer.SetFaceCulling(false);
  buffer.GetAmbientColor()->SetColor({0.1f, 0.2f, 0.3f, 1});
  TLoggingEffect stale(nullptr, "stale");
  buffer.GetAfterRenderEffects().push_back(&stale);

  scene->RenderScene(&buffer, 320, 200, dsRendering, nullptr);
  EXPECT_EQ(Log, (std::vector<std::string>{"initiate", "object", "effect", "wrap up"}));
  EXPECT_EQ(scene->GetCurrentBuffer(), &buffer);
  EXPECT_EQ(Seen.scene, scene);
  EXPECT_EQ(Seen.buffer, &buffer);
  EXPECT_EQ(Seen.viewportSize[0], 320);
  EXPECT_EQ(Seen.viewportSize[1], 200);
  EXPECT_EQ(Seen.renderDPI, buffer.GetRenderDPI());
  EXPECT_EQ(Seen.drawState, dsRendering);
  EXPECT_EQ(Seen.objectsSorting, osRenderBlendedLast);
  EXPECT_EQ(Seen.visibilityCulling, vcObjectBased);
  EXPECT_FALSE(Seen.bufferFaceCull);
  EXPECT_EQ(Seen.sceneAmbientColor, (TVector{0.1f, 0.2f, 0.3f, 1}));
  EXPECT_EQ(Seen.modelViewMatrix, &buffer.GetModelViewMatrix());
  EXPECT_EQ(Seen.stateCache, buffer.GetStateCache());
  EXPECT_FALSE(Seen.ignoreMaterials);
  EXPECT_FALSE(Seen.proxySubObject);
  EXPECT_EQ(Seen.cameraPosition, buffer.GetCameraAbsolutePosition());
  // The camera looks down -Z with Up +Y.
  EXPECT_TRUE(Near(Seen.cameraDirection, {0, 0, -1, 0}));
  EXPECT_TRUE(Near(Seen.cameraUp, {0, 1, 0, 0}));
  EXPECT_EQ(Seen.clipping.clippingDirection, Seen.cameraDirection);
  EXPECT_EQ(Seen.clipping.origin, Seen.cameraPosition);
  EXPECT_FLOAT_EQ(Seen.clipping.farClippingDistance,
                  camera->GetNearPlane() + camera->GetDepthOfView());
  TFrustum frustum;
  ExtractFrustumFromModelViewProjection(MatrixMultiply(modelView, projection), frustum);
  EXPECT_EQ(Seen.clipping.frustum.Near, frustum.Near);
  EXPECT_EQ(Seen.clipping.frustum.Far, frustum.Far);
  EXPECT_EQ(Seen.clipping.frustum.Left, frustum.Left);

  // The pass ends with blending and textures off and alpha testing on, through the cache.
  const TGLCalls calls = gl.Take();
  const TGLCalls ending = {Call("glColorMask", 1, 1, 1, 1), Call("glEnable", GL_ALPHA_TEST),
                           Call("glAlphaFunc", GL_GREATER, 0.0f)};
  ASSERT_GE(calls.size(), ending.size());
  EXPECT_EQ(TGLCalls(calls.end() - 3, calls.end()), ending);
  EXPECT_EQ(buffer.GetStateCache()->GetStates() & (1u << gsBlend), 0u);
}

TEST_F(SceneGraphRecordedTest, PickingAndColourlessPassesWriteNoColourAndIgnoreMaterials) {
  const struct {
    TGLDrawState drawState;
    TContextOptions options;
    bool ignoreMaterials;
  } cases[] = {
      {dsRendering, cDefaultContextOptions, false},
      {dsPicking, cDefaultContextOptions, true},
      {dsRendering, ContextOptions({roNoColorBuffer}), true},
  };
  for (const auto& c : cases) {
    buffer.SetContextOptions(c.options);
    scene->RenderScene(&buffer, 8, 8, c.drawState, nullptr);
    const GLboolean write = c.ignoreMaterials ? GL_FALSE : GL_TRUE;
    EXPECT_EQ(Only(gl.Take(), {"glColorMask"}),
              (TGLCalls{Call("glColorMask", write, write, write, write),
                        Call("glColorMask", 1, 1, 1, 1)}));
    EXPECT_EQ(Seen.ignoreMaterials, c.ignoreMaterials);
    EXPECT_EQ(Seen.drawState, c.drawState);
  }
}

TEST_F(SceneGraphRecordedTest, ABaseObjectLimitsThePassToItsSubtree) {
  auto* other = form.Make<TGLDirectOpenGL>("other", scene->GetObjects());
  other->OnRender = [](TObject*, TRenderContextInfo&) { Log.push_back("other"); };
  scene->RenderScene(&buffer, 8, 8, dsRendering, other);
  EXPECT_EQ(Log, (std::vector<std::string>{"initiate", "other", "wrap up"}));
}

TEST_F(SceneGraphRecordedTest, OnlyTheSlotsBelowTheImplementationsLimitAreSwitched) {
  for (int i = 0; i < 5; ++i) {
    auto* light = form.Make<TGLLightSource>("L" + std::to_string(i), scene->GetObjects());
    light->SetShining(i != 1);
  }
  const struct {
    int maxLights;
    TGLCalls switches;
  } cases[] = {
      {3, {Call("glEnable", GL_LIGHT0), Call("glDisable", GL_LIGHT1), Call("glEnable", GL_LIGHT2)}},
      {10,
       {Call("glEnable", GL_LIGHT0), Call("glDisable", GL_LIGHT1), Call("glEnable", GL_LIGHT2),
        Call("glEnable", GL_LIGHT3), Call("glEnable", GL_LIGHT4), Call("glDisable", GL_LIGHT5),
        Call("glDisable", GL_LIGHT6), Call("glDisable", GL_LIGHT7),
        Call("glDisable", GL_LIGHT0 + 8), Call("glDisable", GL_LIGHT0 + 9)}},
  };
  for (const auto& c : cases) {
    gl.Take();
    scene->SetupLights(c.maxLights);
    const TGLCalls calls = gl.Take();
    EXPECT_EQ(Only(calls, {"glEnable", "glDisable"}), c.switches) << c.maxLights;
    // Each shining light starts from the camera's modelview, which is left as it was.
    const TGLCalls stack = Only(calls, {"glPushMatrix", "glPopMatrix"});
    ASSERT_FALSE(stack.empty());
    EXPECT_EQ(stack.front(), Call("glPushMatrix"));
    EXPECT_EQ(stack.back(), Call("glPopMatrix"));
    EXPECT_EQ(std::count(stack.begin(), stack.end(), Call("glPushMatrix")),
              std::count(stack.begin(), stack.end(), Call("glPopMatrix")));
  }
}

// A root stands for the identity when drawing, as it does in its children's absolute matrices:
// a moved root moves neither the objects nor the lights under it.
TEST_F(SceneGraphRecordedTest, AMovedRootMovesNothingUnderIt) {
  TGLSceneRootObject* root = scene->GetObjects();
  root->GetPosition()->SetPoint(3, 0, 0);
  direct->GetPosition()->SetPoint(0.5f, 0, 0);
  auto* light = form.Make<TGLLightSource>("light", root);
  light->GetPosition()->SetPoint(1, 2, 3);
  ASSERT_EQ(direct->AbsoluteMatrix(), direct->RebuildMatrix());
  scene->SetupLights(8);
  scene->RenderScene(&buffer, 8, 8, dsRendering, nullptr);
  const TGLCalls calls = gl.Take();
  const TGLCall rootMatrix = Call("glMultMatrixf", Values(root->RebuildMatrix()));
  EXPECT_EQ(std::count(calls.begin(), calls.end(), rootMatrix), 0);
  EXPECT_EQ(std::count(calls.begin(), calls.end(),
                       Call("glMultMatrixf", Values(direct->AbsoluteMatrix()))),
            1);
}

}  // namespace

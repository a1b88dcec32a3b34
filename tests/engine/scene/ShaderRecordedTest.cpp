// The shader's passes: balance, enabling, the repeated draws a multipass shader asks for through
// a library material, a set-up or a drawing that throws, its finalisation when it is deleted,
// and the library materials it leaves when it goes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/GLMaterialLibrary.h"
#include "engine/GLSceneGraph/SceneObjects.h"
#include "engine/base/XOpenGL.h"
#include "platform/gl/GLRecorder.h"
#include "tests/engine/scene/SceneBufferFakes.h"
#include "tests/support/Raises.h"

namespace {
using testing::StartsWith;

const auto Unbalanced = StartsWith("Unbalanced shader application. (GLShader.cpp, line ");

// What the shaders and the scene objects did, in order; it outlives a deleted shader.
std::vector<std::string> Log;

// Logs its passes; asks for as many extra passes as told, and throws from its set-up on demand.
class TLoggingShader : public TGLShader {
  RTL_CLASS(TLoggingShader, TGLShader)
  using TGLShader::TGLShader;
  int ExtraPasses = 0;
  bool ThrowOnApply = false;

 protected:
  void DoApply(TRenderContextInfo&, TObject*) override {
    Log.push_back("apply");
    if (ThrowOnApply) throw Exception("no program");
  }
  bool DoUnApply(TRenderContextInfo&) override {
    Log.push_back("unapply");
    return ExtraPasses-- > 0;
  }
  void DoInitialize() override { Log.push_back("initialize"); }
  void DoFinalize() override { Log.push_back("finalize"); }
};

// A current context for the shader's handle, made by the context manager, over the recording
// OpenGL (releasing the handle checks OpenGL's error state).
class ShaderTest : public ::testing::Test {
 protected:
  ShaderTest() {
    Log.clear();
    Context->CreateContext(nullptr);
    Context->Activate();
  }
  ~ShaderTest() override { Context->Deactivate(); }

  TGLRecorder Gl;
  scene_test::TFakeContextUnit Unit;
  std::unique_ptr<TGLContext> Context = GLContextManager->CreateContext();
  TGLStateCache Cache;
  TRenderContextInfo Rci;
};

TEST_F(ShaderTest, PassesMustPairUp) {
  TLoggingShader shader(nullptr);
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { shader.UnApply(Rci); }, Unbalanced));
  shader.Apply(Rci, nullptr);
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { shader.Apply(Rci, nullptr); }, Unbalanced));
  EXPECT_TRUE(
      Raises<EAssertionFailed>([&] { shader.SetEnabled(false); }, StartsWith("Shader is active.")));
  EXPECT_TRUE(shader.GetEnabled());
  EXPECT_TRUE(shader.GetShaderActive());
  EXPECT_FALSE(shader.UnApply(Rci));
  EXPECT_FALSE(shader.GetShaderActive());
  EXPECT_EQ(Log, (std::vector<std::string>{"initialize", "apply", "unapply"}));
}

TEST_F(ShaderTest, ADisabledShaderOnlyMarksItsPass) {
  TLoggingShader shader(nullptr);
  shader.SetEnabled(false);
  shader.ExtraPasses = 2;
  shader.Apply(Rci, nullptr);
  EXPECT_TRUE(shader.GetShaderActive());
  EXPECT_FALSE(shader.UnApply(Rci));
  EXPECT_FALSE(shader.GetShaderActive());
  EXPECT_TRUE(Log.empty());
  EXPECT_FALSE(shader.GetShaderInitialized());
}

TEST_F(ShaderTest, AChangeReleasesItsResourcesForTheNextApply) {
  TLoggingShader shader(nullptr);
  shader.Apply(Rci, nullptr);
  shader.UnApply(Rci);
  shader.SetEnabled(false);
  shader.SetEnabled(true);
  shader.Apply(Rci, nullptr);
  shader.UnApply(Rci);
  EXPECT_EQ(Log, (std::vector<std::string>{"initialize", "apply", "unapply", "finalize",
                                           "initialize", "apply", "unapply"}));
}

TEST_F(ShaderTest, AMultipassShaderDrawsTheObjectOnceMorePerPassItAsksFor) {
  TGLMaterialLibrary library(nullptr);
  TLoggingShader shader(nullptr);
  shader.SetShaderStyle(ssReplaceMaterial);
  shader.ExtraPasses = 2;
  library.GetMaterials()->Add()->SetShader(&shader);
  TGLMaterial material(nullptr);
  material.SetMaterialLibrary(&library);
  material.SetLibMaterialName("LibMaterial");

  int draws = 0;
  material.Apply(Rci);
  do ++draws;
  while (material.UnApply(Rci));
  EXPECT_EQ(draws, 3);
  EXPECT_FALSE(shader.GetShaderActive());
}

TEST_F(ShaderTest, ASetUpThatThrowsLeavesNeitherShaderNorCoordinateDispatchMidPass) {
  TGLMaterialLibrary library(nullptr);
  TLoggingShader shader(nullptr);
  shader.SetShaderStyle(ssBeforeMaterial);
  shader.ThrowOnApply = true;
  TGLLibMaterial* libMaterial = library.GetMaterials()->Add();
  libMaterial->SetShader(&shader);
  EXPECT_TRUE(Raises<Exception>([&] { libMaterial->Apply(Rci); }, "no program"));
  EXPECT_FALSE(shader.GetShaderActive());
  // The apply's update of the dispatch was ended: one more end is unbalanced.
  EXPECT_THROW(EndUpdate(), EAssertionFailed);
  shader.ThrowOnApply = false;
  shader.SetShaderStyle(ssReplaceMaterial);
  libMaterial->Apply(Rci);
  EXPECT_FALSE(libMaterial->UnApply(Rci));
}

// A scene object drawn at every frame (no display list) that logs its drawing and raises from
// it on demand.
class TFaultyObject : public TGLSceneObject {
  RTL_CLASS(TFaultyObject, TGLSceneObject)
  explicit TFaultyObject(TComponent* AOwner) : TGLSceneObject(AOwner) {
    SetStyleFlags(osBuildEveryFrame);
  }
  void BuildList(TRenderContextInfo&) override {
    Log.push_back("draw");
    if (Throws) throw Exception("bad geometry");
  }
  bool Throws = false;
};

TEST_F(ShaderTest, AFrameThatRaisesEndsTheShadersPassesAndTheNextFrameDraws) {
  enum TFault { fDraw, fMaterial };
  const struct {
    const char* what;
    TGLShaderStyle style;
    int extraPasses;
    TFault fault;
    int unapplies;  // logged after the apply, and after the draw when the draw raises
  } cases[] = {
      {"after the material, the draw raises", ssAfterMaterial, 0, fDraw, 1},
      {"before the material, the draw raises", ssBeforeMaterial, 0, fDraw, 1},
      {"in place of the material, the draw raises", ssReplaceMaterial, 0, fDraw, 1},
      // The passes it still asks for end without drawing.
      {"multipass, the first draw raises", ssAfterMaterial, 2, fDraw, 3},
      {"before the material, the material's apply raises", ssBeforeMaterial, 0, fMaterial, 1},
  };
  Rci.stateCache = &Cache;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TGLMaterialLibrary library(nullptr);
    TLoggingShader shader(nullptr);
    shader.SetShaderStyle(c.style);
    shader.ExtraPasses = c.extraPasses;
    TGLLibMaterial* libMaterial = library.GetMaterials()->Add();
    libMaterial->SetShader(&shader);
    TGLMaterial& own = *libMaterial->GetMaterial();
    TFaultyObject object(nullptr);
    object.GetMaterial()->SetMaterialLibrary(&library);
    object.GetMaterial()->SetLibMaterialName(libMaterial->GetName());
    if (c.fault == fDraw) object.Throws = true;
    if (c.fault == fMaterial) own.SetBlendingMode(TBlendingMode(bmModulate + 1));
    Log.clear();
    EXPECT_THROW(object.Render(Rci), Exception);
    std::vector<std::string> failing = {"initialize", "apply"};
    if (c.fault == fDraw) failing.push_back("draw");
    failing.insert(failing.end(), size_t(c.unapplies), "unapply");
    EXPECT_EQ(Log, failing);
    EXPECT_FALSE(shader.GetShaderActive());

    object.Throws = false;
    own.SetBlendingMode(bmOpaque);
    Log.clear();
    EXPECT_NO_THROW(object.Render(Rci));
    EXPECT_EQ(Log, (std::vector<std::string>{"apply", "draw", "unapply"}));
  }
}

TEST_F(ShaderTest, ADeletedShaderFinalisesAsItsOwnClassWhoeverDeletesIt) {
  for (bool owned : {true, false}) {
    SCOPED_TRACE(owned ? "freed by its owner" : "deleted directly");
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* shader = new TLoggingShader(owned ? owner.get() : nullptr);
    shader->Apply(Rci, nullptr);
    shader->UnApply(Rci);
    Log.clear();
    if (owned)
      owner.reset();
    else
      delete shader;
    EXPECT_EQ(Log, std::vector<std::string>{"finalize"});
  }
}

TEST_F(ShaderTest, DestroyingTheShaderClearsItFromEveryLibraryMaterial) {
  TGLMaterialLibrary library(nullptr);
  TGLLibMaterial* first = library.GetMaterials()->Add();
  TGLLibMaterial* second = library.GetMaterials()->Add();
  {
    TLoggingShader shader(nullptr);
    first->SetShader(&shader);
    second->SetShader(&shader);
    first->SetShader(&shader);
    EXPECT_EQ(shader.Users().size(), 2u);
  }
  EXPECT_EQ(first->GetShader(), nullptr);
  EXPECT_EQ(second->GetShader(), nullptr);
}

}  // namespace

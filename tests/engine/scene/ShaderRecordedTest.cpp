// The shader's passes: balance, enabling, the repeated draws a multipass shader asks for through
// a library material, a set-up that throws, and the library materials it leaves when it goes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/GLMaterialLibrary.h"
#include "engine/base/XOpenGL.h"
#include "platform/gl/GLRecorder.h"
#include "tests/engine/scene/SceneBufferFakes.h"
#include "tests/support/Raises.h"

namespace {
using testing::StartsWith;

const auto Unbalanced = StartsWith("Unbalanced shader application. (GLShader.cpp, line ");

// Logs its passes; asks for as many extra passes as told, and throws from its set-up on demand.
class TLoggingShader : public TGLShader {
  RTL_CLASS(TLoggingShader, TGLShader)
  using TGLShader::TGLShader;
  std::vector<std::string> Log;
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
    Context->CreateContext(nullptr);
    Context->Activate();
  }
  ~ShaderTest() override { Context->Deactivate(); }

  TGLRecorder Gl;
  scene_test::TFakeContextUnit Unit;
  std::unique_ptr<TGLContext> Context = GLContextManager->CreateContext();
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
  EXPECT_EQ(shader.Log, (std::vector<std::string>{"initialize", "apply", "unapply"}));
}

TEST_F(ShaderTest, ADisabledShaderOnlyMarksItsPass) {
  TLoggingShader shader(nullptr);
  shader.SetEnabled(false);
  shader.ExtraPasses = 2;
  shader.Apply(Rci, nullptr);
  EXPECT_TRUE(shader.GetShaderActive());
  EXPECT_FALSE(shader.UnApply(Rci));
  EXPECT_FALSE(shader.GetShaderActive());
  EXPECT_TRUE(shader.Log.empty());
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
  EXPECT_EQ(shader.Log, (std::vector<std::string>{"initialize", "apply", "unapply", "finalize",
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

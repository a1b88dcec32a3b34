// Library materials drawing through OpenGL: where each shader style runs against the material's
// own settings, and the second texture on unit 1 with the texture matrix on unit 0, all given
// back at unapply so that the state cache still tells OpenGL's state.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "engine/GLMaterialLibrary.h"
#include "engine/GLState.h"
#include "engine/base/XOpenGL.h"
#include "tests/support/SceneGL.h"

namespace {

// Records whether texturing was on when it applied: on only after the material's own apply.
class TProbeShader : public TGLShader {
  RTL_CLASS(TProbeShader, TGLShader)
  using TGLShader::TGLShader;
  std::vector<std::string> Seen;

 protected:
  void DoApply(TRenderContextInfo&, TObject*) override {
    Seen.push_back(glIsEnabled(GL_TEXTURE_2D) ? "texture on" : "texture off");
  }
  bool DoUnApply(TRenderContextInfo&) override { return false; }
};

std::array<float, 16> TextureMatrixOfUnit(GLenum unit) {
  std::array<float, 16> matrix{};
  glActiveTextureARB(unit);
  glGetFloatv(GL_TEXTURE_MATRIX, matrix.data());
  glActiveTextureARB(GL_TEXTURE0_ARB);
  return matrix;
}

const std::array<float, 16> Identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

class ShaderLive : public SceneGLTest {
 protected:
  void SetUp() override {
    SceneGLTest::SetUp();
    rci.stateCache = &cache;
    rci.modelViewMatrix = &modelView;
    MapTexCoordToMain();
    // The cache starts believing in switches that a new context has on (dithering).
    for (int state = gsAlphaTest; state <= gsTextureRectangle; ++state)
      if (glIsEnabled(GLCachedStateCapability(TGLCachedState(state))))
        cache.Enable(TGLCachedState(state));
    base = library.GetMaterials()->Add();
    detail = library.GetMaterials()->Add();
    detail->SetName("Detail");
    for (TGLLibMaterial* m : {base, detail}) {
      TGLTexture* texture = m->GetMaterial()->GetTexture();
      texture->SetImageClassName("TGLBlankImage");
      texture->SetDisabled(false);
    }
  }
  void TearDown() override {
    for (TGLLibMaterial* m : {base, detail}) m->GetMaterial()->DestroyHandles();
    SceneGLTest::TearDown();
  }

  // Every cached switch as OpenGL has it, and the texture matrix the cache believes in.
  void ExpectCacheIsOpenGLsState() {
    for (int state = gsAlphaTest; state <= gsTextureRectangle; ++state) {
      const bool cached = cache.GetStates() & (TGLStates(1) << state);
      EXPECT_EQ(bool(glIsEnabled(GLCachedStateCapability(TGLCachedState(state)))), cached)
          << "state " << state;
    }
    EXPECT_EQ(TextureMatrixOfUnit(GL_TEXTURE0_ARB) == Identity, cache.GetTextureMatrixIsIdentity());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }

  TGLMaterialLibrary library{nullptr};
  TGLLibMaterial* base = nullptr;
  TGLLibMaterial* detail = nullptr;
  TGLStateCache cache;
  TMatrix modelView = IdentityHmgMatrix;
  TRenderContextInfo rci;
};

TEST_F(ShaderLive, EachStyleRunsBeforeAfterOrInPlaceOfTheMaterial) {
  const struct {
    TGLShaderStyle style;
    const char* seen;
    bool textureDuringDraw;
  } cases[] = {
      {ssBeforeMaterial, "texture off", true},
      {ssAfterMaterial, "texture on", true},
      {ssReplaceMaterial, "texture off", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.style));
    TProbeShader shader(nullptr);
    shader.SetShaderStyle(c.style);
    base->SetShader(&shader);
    base->Apply(rci);
    EXPECT_EQ(bool(glIsEnabled(GL_TEXTURE_2D)), c.textureDuringDraw);
    EXPECT_FALSE(base->UnApply(rci));
    EXPECT_EQ(shader.Seen, std::vector<std::string>{c.seen});
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    ExpectCacheIsOpenGLsState();
    base->SetShader(nullptr);
  }
}

TEST_F(ShaderLive, TheSecondTextureAndTheTextureMatrixAreGivenBackAtUnapply) {
  if (!GLSupport.ARB_multitexture) GTEST_SKIP() << "no multitexturing";
  base->SetTexture2Name("Detail");
  base->GetTextureOffset()->SetVector(0.5f, 0, 0);
  for (bool ownTexture : {true, false}) {
    SCOPED_TRACE(ownTexture);
    base->GetMaterial()->GetTexture()->SetDisabled(!ownTexture);
    base->Apply(rci);
    EXPECT_EQ(base->GetLibMatTexture2(), detail);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTextureARB(GL_TEXTURE0_ARB);
    EXPECT_NE(TextureMatrixOfUnit(GL_TEXTURE0_ARB), Identity);
    EXPECT_FALSE(base->UnApply(rci));
    glActiveTextureARB(GL_TEXTURE1_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTextureARB(GL_TEXTURE0_ARB);
    EXPECT_EQ(TextureMatrixOfUnit(GL_TEXTURE0_ARB), Identity);
    EXPECT_EQ(TextureMatrixOfUnit(GL_TEXTURE1_ARB), Identity);
    ExpectCacheIsOpenGLsState();
  }
}

TEST_F(ShaderLive, ASecondTextureNamingNoMaterialIsForgottenAtTheFirstApply) {
  base->SetTexture2Name("Nowhere");
  base->Apply(rci);
  base->UnApply(rci);
  EXPECT_EQ(base->GetTexture2Name(), GLSupport.ARB_multitexture ? "" : "Nowhere");
  ExpectCacheIsOpenGLsState();
}

}  // namespace

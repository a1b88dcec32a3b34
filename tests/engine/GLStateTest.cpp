#include <gtest/gtest.h>

#include <functional>

#include "engine/GLState.h"
#include "platform/gl/GLRecorder.h"
#include "platform/rtl/SysUtils.h"

namespace {
const auto Call = [](auto... args) { return TGLCall(args...); };
TGLCall Material(GLenum face, GLenum pname, const TVector& c) {
  return Call("glMaterialfv", face, pname, TGLArray{c[0], c[1], c[2], c[3]});
}

const TVector Red = {1, 0, 0, 1};
const TVector Grey = {0.5f, 0.5f, 0.5f, 1};
const TVector HalfGrey = {0.5f, 0.5f, 0.5f, 0.5f};
const TGLCalls ResetColors = {Material(GL_FRONT_AND_BACK, GL_AMBIENT, {0.2f, 0.2f, 0.2f, 1}),
                              Material(GL_FRONT_AND_BACK, GL_DIFFUSE, {0.8f, 0.8f, 0.8f, 1}),
                              Material(GL_FRONT_AND_BACK, GL_SPECULAR, {0, 0, 0, 1}),
                              Material(GL_FRONT_AND_BACK, GL_EMISSION, {0, 0, 0, 1}),
                              Call("glMateriali", GL_FRONT_AND_BACK, GL_SHININESS, 0)};

TGLCalls Join(TGLCalls a, const TGLCalls& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Case {
  const char* name;
  std::function<void(TGLStateCache&)> act;
  TGLCalls expected;
};
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

class GLStateCacheTest : public testing::TestWithParam<Case> {
 protected:
  TGLRecorder gl;
  TGLStateCache cache;
};

TEST_P(GLStateCacheTest, SendsOnlyWhatChanged) {
  GetParam().act(cache);
  EXPECT_EQ(gl.Calls(), GetParam().expected);
}

TMatrix Scale2() {
  TMatrix m = IdentityHmgMatrix;
  m[0][0] = m[1][1] = 2;
  return m;
}

const std::vector<Case> Cases = {
        Case{"EnableTwiceSendsOnce",
             [](auto& c) {
               c.Enable(gsBlend);
               c.Enable(gsBlend);
             },
             {Call("glEnable", GL_BLEND)}},
        Case{"DisableThenEnableSendsBoth",
             [](auto& c) {
               c.Disable(gsFog);
               c.Enable(gsFog);
               c.Disable(gsFog);
               c.Enable(gsFog);
             },
             {Call("glEnable", GL_FOG), Call("glDisable", GL_FOG), Call("glEnable", GL_FOG)}},
        Case{"CapabilitiesByTheirNumbers",
             [](auto& c) {
               c.Enable(gsLogicOp);
               c.Enable(gsTextureCubeMap);
               c.Enable(gsTextureRectangle);
             },
             {Call("glEnable", 0x0BF1), Call("glEnable", 0x8513), Call("glEnable", 0x84F5)}},
        Case{"PolygonModeBothFacesAfterDifferentOnes",
             [](auto& c) {
               c.SetGLPolygonMode(GL_FRONT, GL_LINE);
               c.SetGLPolygonMode(GL_BACK, GL_FILL);
               c.SetGLPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
               c.SetGLPolygonMode(GL_FRONT, GL_LINE);
               c.SetGLPolygonMode(GL_BACK, GL_LINE);
               c.SetGLPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
             },
             {Call("glPolygonMode", GL_FRONT, GL_LINE), Call("glPolygonMode", GL_BACK, GL_FILL),
              Call("glPolygonMode", GL_FRONT_AND_BACK, GL_LINE)}},
        Case{"PolygonModeResetResendsAndOtherFacesAreIgnored",
             [](auto& c) {
               c.SetGLPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
               c.SetGLPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
               c.ResetGLPolygonMode();
               c.SetGLPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
               c.SetGLPolygonMode(GL_LEFT, GL_POINT);
             },
             {Call("glPolygonMode", GL_FRONT_AND_BACK, GL_FILL),
              Call("glPolygonMode", GL_FRONT_AND_BACK, GL_FILL)}},
        Case{"AfterColorResetEveryItemIsSent",
             [](auto& c) {
               c.ResetGLMaterialColors();
               c.SetGLMaterialColors(GL_BACK, Red, Grey, Red, Grey, 10);
             },
             Join(ResetColors,
                  {Call("glMateriali", GL_BACK, GL_SHININESS, 10), Material(GL_BACK, GL_EMISSION, Red),
                   Material(GL_BACK, GL_AMBIENT, Grey), Material(GL_BACK, GL_DIFFUSE, Red),
                   Material(GL_BACK, GL_SPECULAR, Grey)})},
        Case{"AlphaCountsForTheDiffuseColourOnly",
             [](auto& c) {
               c.SetGLMaterialColors(GL_FRONT, Grey, Grey, Grey, Grey, 0);
               c.SetGLMaterialColors(GL_FRONT, HalfGrey, HalfGrey, HalfGrey, HalfGrey, 0);
               c.SetGLMaterialColors(GL_BACK, Grey, Grey, Grey, Grey, 0);
             },
             {Material(GL_FRONT, GL_EMISSION, Grey), Material(GL_FRONT, GL_AMBIENT, Grey),
              Material(GL_FRONT, GL_DIFFUSE, Grey), Material(GL_FRONT, GL_SPECULAR, Grey),
              Material(GL_FRONT, GL_DIFFUSE, HalfGrey), Material(GL_BACK, GL_EMISSION, Grey),
              Material(GL_BACK, GL_AMBIENT, Grey), Material(GL_BACK, GL_DIFFUSE, Grey),
              Material(GL_BACK, GL_SPECULAR, Grey)}},
        Case{"AlphaChannelResendsTheCachedDiffuse",
             [](auto& c) {
               c.SetGLMaterialColors(GL_FRONT, Red, Red, Grey, Red, 0);
               c.SetGLMaterialAlphaChannel(GL_FRONT, 1);
               c.SetGLMaterialAlphaChannel(GL_FRONT, 0.5f);
             },
             {Material(GL_FRONT, GL_EMISSION, Red), Material(GL_FRONT, GL_AMBIENT, Red),
              Material(GL_FRONT, GL_DIFFUSE, Grey), Material(GL_FRONT, GL_SPECULAR, Red),
              Material(GL_FRONT, GL_DIFFUSE, HalfGrey)}},
        // After a reset the cache does not trust its colours, but the one it resends is the
        // diffuse the reset put in place, never a placeholder.
        Case{"AlphaChannelAfterResetSendsTheResetDiffuse",
             [](auto& c) {
               c.ResetGLMaterialColors();
               c.SetGLMaterialAlphaChannel(GL_FRONT, 1);
               c.SetGLMaterialAlphaChannel(GL_FRONT, 0.25f);
               c.SetGLMaterialColors(GL_FRONT, Red, Red, {0.8f, 0.8f, 0.8f, 0.25f}, Red, 0);
             },
             Join(ResetColors, {Material(GL_FRONT, GL_DIFFUSE, {0.8f, 0.8f, 0.8f, 1}),
                                Material(GL_FRONT, GL_DIFFUSE, {0.8f, 0.8f, 0.8f, 0.25f}),
                                Material(GL_FRONT, GL_EMISSION, Red),
                                Material(GL_FRONT, GL_AMBIENT, Red),
                                Material(GL_FRONT, GL_SPECULAR, Red)})},
        Case{"TextureBindAfterResetAlsoForNameZero",
             [](auto& c) {
               c.SetGLCurrentTexture(0, GL_TEXTURE_2D, 0);
               c.ResetGLCurrentTexture();
               c.SetGLCurrentTexture(0, GL_TEXTURE_2D, 0);
               c.SetGLCurrentTexture(0, GL_TEXTURE_2D, 0);
               c.SetGLCurrentTexture(7, GL_TEXTURE_CUBE_MAP, 5);
               c.SetGLCurrentTexture(7, GL_TEXTURE_CUBE_MAP, 5);
             },
             {Call("glBindTexture", GL_TEXTURE_2D, 0),
              Call("glBindTexture", GL_TEXTURE_CUBE_MAP, 5)}},
        Case{"TextureMatrix",
             [](auto& c) {
               c.ResetGLTextureMatrix();
               c.SetGLTextureMatrix(Scale2());
               c.ResetGLTextureMatrix();
               c.ResetGLTextureMatrix();
             },
             {Call("glMatrixMode", GL_TEXTURE),
              Call("glLoadMatrixf", TGLArray{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}),
              Call("glMatrixMode", GL_MODELVIEW), Call("glMatrixMode", GL_TEXTURE),
              Call("glLoadIdentity"), Call("glMatrixMode", GL_MODELVIEW)}},
        Case{"FrontFace",
             [](auto& c) {
               c.InvertGLFrontFace();
               c.InvertGLFrontFace();
               c.InvertGLFrontFace();
               c.ResetGLFrontFace();
             },
             {Call("glFrontFace", GL_CW), Call("glFrontFace", GL_CCW), Call("glFrontFace", GL_CW),
              Call("glFrontFace", GL_CCW)}},
        Case{"ResetAllLeavesEnableFlagsAndTextureMatrix",
             [](auto& c) {
               c.Enable(gsLighting);
               c.SetGLTextureMatrix(IdentityHmgMatrix);
               c.SetGLPolygonMode(GL_FRONT, GL_LINE);
               c.SetGLCurrentTexture(1, GL_TEXTURE_2D, 3);
               c.InvertGLFrontFace();
               TGLRecorder::Current()->Take();
               c.ResetAll();
               c.Enable(gsLighting);
               c.SetGLPolygonMode(GL_FRONT, GL_LINE);
               c.SetGLCurrentTexture(1, GL_TEXTURE_2D, 3);
               EXPECT_FALSE(c.GetTextureMatrixIsIdentity());
               EXPECT_TRUE(c.GetFrontFaceCCW());
             },
             Join(ResetColors, {Call("glFrontFace", GL_CCW),
                                Call("glPolygonMode", GL_FRONT, GL_LINE),
                                Call("glBindTexture", GL_TEXTURE_2D, 3)})}};

INSTANTIATE_TEST_SUITE_P(Calls, GLStateCacheTest, testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GLStateCacheErrors, FacesAndUnitsOutsideTheCacheAssertAndSendNothing) {
  TGLRecorder gl;
  TGLStateCache cache;
  EXPECT_THROW(cache.SetGLMaterialColors(GL_FRONT_AND_BACK, Red, Red, Red, Red, 3),
               EAssertionFailed);
  EXPECT_THROW(cache.SetGLMaterialAlphaChannel(GL_FRONT_AND_BACK, 0.5f), EAssertionFailed);
  EXPECT_THROW(cache.SetGLCurrentTexture(8, GL_TEXTURE_2D, 1), EAssertionFailed);
  EXPECT_THROW(cache.SetGLCurrentTexture(-1, GL_TEXTURE_2D, 1), EAssertionFailed);
  EXPECT_EQ(gl.Calls(), TGLCalls{});
}

TEST(GLStateCacheErrors, ANewCacheHasNothingEnabled) {
  TGLStateCache cache;
  EXPECT_EQ(cache.GetStates(), 0u);
  EXPECT_TRUE(cache.GetFrontFaceCCW());
  EXPECT_TRUE(cache.GetTextureMatrixIsIdentity());
}
}  // namespace

// Textures on a real Mesa context: uploads after changes, the parameters and pixels OpenGL
// keeps, what a disabled texture switches off, errors that are not the texture's and uploads
// that fail, extra units beyond the implementation's or failing, cube maps, and a textured plane
// in whole frames.
#include <gtest/gtest.h>

#include <QColor>
#include <array>
#include <functional>
#include <vector>

#include "engine/GLObjects/Plane.h"
#include "engine/base/XOpenGL.h"
#include "tests/engine/graphics/TextureTestSupport.h"
#include "tests/engine/scene/TopViewFrame.h"

namespace {
using namespace texture_test;

using TTexel = std::array<int, 4>;

// Level 0 of the texture bound to GL_TEXTURE_2D, lowest row first.
std::vector<TTexel> Texels() {
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  std::vector<std::array<GLubyte, 4>> bytes(size_t(width) * size_t(height));
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
  std::vector<TTexel> texels;
  for (const auto& b : bytes) texels.push_back({b[0], b[1], b[2], b[3]});
  return texels;
}

GLint TexParameter(GLenum pname) {
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, pname, &value);
  return value;
}

// A picture of the pixels in one row, 32 bits with their alpha.
void PaintRow(TGLTexture& texture, const std::vector<TGLPixel32>& row) {
  TGLBitmap32 pixels;
  Fill(pixels, {row});
  texture.SetImageClassName("TGLPersistentImage");
  texture.GetImage()->Assign(&pixels);
}

class TextureLive : public SceneGLTest {
 protected:
  void SetUp() override {
    SceneGLTest::SetUp();
    texture.SetDisabled(false);
    rci.stateCache = &cache;
    rci.modelViewMatrix = &modelView;
    // As every frame of a scene buffer starts.
    MapTexCoordToMain();
  }
  void TearDown() override {
    texture.DestroyHandles();
    SceneGLTest::TearDown();
  }
  GLuint Bind() {
    const GLuint name = texture.GetHandle();
    glBindTexture(GL_TEXTURE_2D, name);
    return name;
  }

  TGLTexture texture{nullptr};
  TGLStateCache cache;
  TMatrix modelView = IdentityHmgMatrix;
  TRenderContextInfo rci;
};

const TGLPixel32 Red = {255, 0, 0, 255}, Blue = {0, 0, 255, 255};

TEST_F(TextureLive, AMinFilterChangeUploadsTheImageAgain) {
  texture.SetMinFilter(miLinear);
  PaintRow(texture, {Red, Red, Red, Red});
  Bind();
  EXPECT_EQ(Texels()[0], (TTexel{255, 0, 0, 255}));

  // The picture changes behind the texture's back: only a change of the texture uploads it.
  TPicture& picture = *ImageAs<TGLPersistentImage>(texture).GetPicture();
  {
    TChangeDetached<TPicture> detached(picture);
    const auto blue = MakeBitmap(pf24bit, {{Blue, Blue, Blue, Blue}});
    picture.SetGraphic(blue.get());
  }
  Bind();
  EXPECT_EQ(Texels()[0], (TTexel{255, 0, 0, 255})) << "nothing changed for the texture";
  texture.SetMinFilter(miNearest);
  Bind();
  EXPECT_EQ(Texels()[0], (TTexel{0, 0, 255, 255}));
  EXPECT_EQ(TexParameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureLive, WrapAndFiltersAsOpenGLKeepsThem) {
  const struct {
    TGLTextureWrap wrap;
    TGLMinFilter min;
    TGLMagFilter mag;
    GLint s, t, minFilter, magFilter;
  } cases[] = {
      {twBoth, miLinearMipmapLinear, maLinear, GL_REPEAT, GL_REPEAT, GL_LINEAR_MIPMAP_LINEAR,
       GL_LINEAR},
      {twNone, miNearest, maNearest, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_NEAREST, GL_NEAREST},
      {twVertical, miLinearMipmapNearest, maLinear, GL_CLAMP_TO_EDGE, GL_REPEAT,
       GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR},
      {twHorizontal, miNearestMipmapLinear, maNearest, GL_REPEAT, GL_CLAMP_TO_EDGE,
       GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST},
  };
  PaintRow(texture, {Red, Red, Red, Red});
  for (const auto& c : cases) {
    texture.SetTextureWrap(c.wrap);
    texture.SetMinFilter(c.min);
    texture.SetMagFilter(c.mag);
    Bind();
    EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_S), c.s) << int(c.wrap);
    EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_T), c.t) << int(c.wrap);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MIN_FILTER), c.minFilter) << int(c.min);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MAG_FILTER), c.magFilter) << int(c.mag);
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureLive, TheImageSettingsWorkOnTheUploadedPixels) {
  const TGLPixel32 black = {0, 0, 0, 10}, grey = {30, 60, 90, 10}, white = {255, 255, 255, 10};
  const struct {
    const char* what;
    std::function<void(TGLTexture&)> set;
    std::vector<TTexel> expected;
  } cases[] = {
      {"as it is",
       [](TGLTexture&) {},
       {{0, 0, 0, 10}, {30, 60, 90, 10}, {255, 255, 255, 10}, {30, 60, 90, 10}}},
      {"opaque",
       [](TGLTexture& t) { t.SetImageAlpha(tiaOpaque); },
       {{0, 0, 0, 255}, {30, 60, 90, 255}, {255, 255, 255, 255}, {30, 60, 90, 255}}},
      {"alpha from intensity",
       [](TGLTexture& t) { t.SetImageAlpha(tiaAlphaFromIntensity); },
       {{0, 0, 0, 0}, {30, 60, 90, 60}, {255, 255, 255, 255}, {30, 60, 90, 60}}},
      {"inverse luminance",
       [](TGLTexture& t) { t.SetImageAlpha(tiaInverseLuminance); },
       {{0, 0, 0, 255}, {30, 60, 90, 195}, {255, 255, 255, 0}, {30, 60, 90, 195}}},
      {"black transparent",
       [](TGLTexture& t) { t.SetImageAlpha(tiaSuperBlackTransparent); },
       {{0, 0, 0, 0}, {30, 60, 90, 255}, {255, 255, 255, 255}, {30, 60, 90, 255}}},
      {"the first pixel's colour transparent",
       [](TGLTexture& t) { t.SetImageAlpha(tiaTopLeftPointColorTransparent); },
       {{0, 0, 0, 0}, {30, 60, 90, 255}, {255, 255, 255, 255}, {30, 60, 90, 255}}},
      {"twice as bright",
       [](TGLTexture& t) { t.SetImageBrightness(2); },
       {{0, 0, 0, 10}, {60, 120, 180, 10}, {255, 255, 255, 10}, {60, 120, 180, 10}}},
      {"a flat normal map",
       [](TGLTexture& t) {
         t.SetTextureFormat(tfNormalMap);
         t.SetImageAlpha(tiaOpaque);
       },
       {{128, 128, 255, 255}, {128, 128, 255, 255}, {128, 128, 255, 255}, {128, 128, 255, 255}}},
  };
  for (const auto& c : cases) {
    TGLTexture texture(nullptr);
    texture.SetMinFilter(miNearest);
    PaintRow(texture, c.what == std::string("a flat normal map")
                          ? std::vector<TGLPixel32>(4, grey)
                          : std::vector<TGLPixel32>{black, grey, white, grey});
    c.set(texture);
    glBindTexture(GL_TEXTURE_2D, texture.GetHandle());
    EXPECT_EQ(Texels(), c.expected) << c.what;
    EXPECT_EQ(texture.GetImage()->GetBitmap32(GL_TEXTURE_2D)->GetData()[0].A, 10)
        << c.what << ": the next upload starts from the image's own pixels";
    texture.GetImage()->ReleaseBitmap32();
    texture.DestroyHandles();
  }
}

TEST_F(TextureLive, ADisabledTextureSwitchesOnlyPlainAndRectangleTexturingOff) {
  for (TGLCachedState state : {gsTexture2D, gsTextureRectangle, gsTextureCubeMap})
    cache.Enable(state);
  texture.SetDisabled(true);
  texture.Apply(rci);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_RECTANGLE_NV));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureLive, AnErrorLeftPendingByOthersIsNotTheTextures) {
  PaintRow(texture, {Red, Red, Red, Red});
  glEnable(0xFFFF);  // leaves GL_INVALID_ENUM pending
  EXPECT_NO_THROW(Bind());
  EXPECT_EQ(Texels().size(), 4u);
}

TEST_F(TextureLive, AnUploadThatFailsIsTriedAgainOnlyAfterAChange) {
  PaintRow(texture, {Red, Red, Red, Red});
  texture.SetTextureFormat(tfRGBAFloat32);  // needs the rectangle target
  EXPECT_THROW(texture.Apply(rci), EAssertionFailed);
  EXPECT_NO_THROW(texture.Apply(rci)) << "not tried again";
  texture.SetImageClassName("TGLFloatDataImage");
  ImageAs<TGLFloatDataImage>(texture).SetWidth(8);
  ImageAs<TGLFloatDataImage>(texture).SetHeight(4);
  EXPECT_NO_THROW(texture.Apply(rci));
  GLint width = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE_NV, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 8);
  texture.UnApply(rci);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureLive, ACubeMapUploadsSixSquareFacesOrNothing) {
  texture.SetImageClassName("TGLCubeMapImage");
  auto& cube = ImageAs<TGLCubeMapImage>(texture);
  for (int i = 0; i < 6; ++i) {
    const auto face =
        MakeBitmap(pf24bit, TPixelRows(4, std::vector<TGLPixel32>(4, i % 2 ? Red : Blue)));
    cube.GetPicture(i)->SetGraphic(face.get());
  }
  const auto faceWidth = [&](GLenum face) {
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture.GetHandle());
    GLint width = 0;
    glGetTexLevelParameteriv(face, 0, GL_TEXTURE_WIDTH, &width);
    return width;
  };
  EXPECT_EQ(faceWidth(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z), 4);
  texture.DestroyHandles();
  const auto oblong = MakeBitmap(pf24bit, TPixelRows(2, std::vector<TGLPixel32>(4, Red)));
  cube.GetPicture(5)->SetGraphic(oblong.get());
  EXPECT_EQ(faceWidth(GL_TEXTURE_CUBE_MAP_POSITIVE_X), 0) << "one face not square";
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureLive, UnitsAtOrAboveTheImplementationsAreSkipped) {
  GLint maximum = 0;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &maximum);
  ASSERT_GE(maximum, 2);
  const int cached = std::min(maximum, 8);
  TGLTextureEx units(nullptr);
  TGLTextureExItem* last = units.Add();
  last->SetTextureIndex(cached - 1);
  TGLTextureExItem* beyond = units.Add();
  beyond->SetTextureIndex(cached);
  for (TGLTextureExItem* item : {last, beyond}) {
    PaintRow(*item->GetTexture(), {Red, Red, Red, Red});
    item->GetTexture()->SetDisabled(false);
  }
  units.Apply(rci);
  EXPECT_TRUE(last->GetApplied());
  EXPECT_FALSE(beyond->GetApplied());
  glActiveTexture(GLenum(GL_TEXTURE0 + cached - 1));
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(GLuint(bound), last->GetTexture()->GetTextureHandle()->GetHandle());
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  glActiveTexture(GL_TEXTURE0);
  units.UnApply(rci);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  for (TGLTextureExItem* item : {last, beyond}) item->GetTexture()->DestroyHandles();
}

TEST_F(TextureLive, AnExtraUnitThatCannotUploadLeavesItsStackAndUnitZeroSelected) {
  TGLTextureEx units(nullptr);
  TGLTextureExItem* item = units.Add();
  item->SetTextureIndex(1);
  TGLTexture& failing = *item->GetTexture();
  PaintRow(failing, {Red, Red, Red, Red});
  failing.SetTextureFormat(tfRGBAFloat32);  // needs the rectangle target
  failing.SetDisabled(false);
  const auto expectUnitOneAsBefore = [] {
    GLint active = 0, depth = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    glActiveTexture(GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTexture(GL_TEXTURE0);
  };
  EXPECT_THROW(units.Apply(rci), EAssertionFailed);
  expectUnitOneAsBefore();
  units.Apply(rci);
  EXPECT_TRUE(item->GetApplied()) << "the next frame";
  units.UnApply(rci);
  expectUnitOneAsBefore();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  failing.DestroyHandles();
}

// ---- A textured plane in a frame

// A plane of side 1, white and unlit, with a disabled texture of a green picture that replaces
// the plane's colour, seen in frames of 32 x 32 pixels that span -1..1.
class TexturedPlaneLive : public TopViewFrameTest {
 protected:
  TGLTexture& AddPlane() {
    StartFrames(32, 1);
    auto* plane = TGLBaseSceneObject::CreateAsChild<TGLPlane>(Scene.GetObjects());
    plane->SetWidth(1);
    plane->SetHeight(1);
    TGLMaterial& material = *plane->GetMaterial();
    material.SetMaterialOptions(moNoLighting);
    material.GetFrontProperties()->GetDiffuse()->SetRGBA(1, 1, 1, 1);
    TGLTexture& texture = *material.GetTexture();
    texture.SetTextureMode(tmReplace);
    ImageAs<TGLPersistentImage>(texture).GetPicture()->SetGraphic(Picture.get());
    return texture;
  }

  const std::unique_ptr<TBitmap> Picture =
      MakeBitmap(pf24bit, TPixelRows(8, std::vector<TGLPixel32>(8, {0, 200, 0, 255})));
};

TEST_F(TexturedPlaneLive, APlaneShowsItsTexturesColourAtItsCentre) {
  TGLTexture& texture = AddPlane();
  EXPECT_EQ(Frame().pixelColor(16, 16), QColor(255, 255, 255)) << "the texture is disabled";
  texture.SetDisabled(false);
  EXPECT_EQ(Frame().pixelColor(16, 16), QColor(0, 200, 0));
  EXPECT_EQ(Frame().pixelColor(1, 1), QColor(255, 255, 255)) << "the background";
}

// In the program every exception of a paint opens a box: one for a texture that cannot upload,
// not one at every frame.
TEST_F(TexturedPlaneLive, ATextureThatCannotUploadRaisesInOneFrameOnly) {
  TGLTexture& texture = AddPlane();
  texture.SetTextureFormat(tfRGBAFloat32);  // needs the rectangle target
  texture.SetDisabled(false);
  EXPECT_THROW(Frame(), EAssertionFailed);
  EXPECT_EQ(Frame().pixelColor(16, 16), QColor(255, 255, 255)) << "drawn without its texture";
  texture.SetTextureFormat(tfDefault);
  EXPECT_EQ(Frame().pixelColor(16, 16), QColor(0, 200, 0)) << "uploaded after the change";
}

}  // namespace

// The scene buffer on a real Mesa driver, through the engine's own memory context: whole frames
// read back, the device pixel ratio, the copy of a frame into a texture, and anti-aliased frames.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/LightSource.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "engine/GLSceneGraph/SceneObjects.h"
#include "engine/platform/GLQtContext.h"
#include "tests/engine/scene/SceneBufferFakes.h"
#include "tests/support/SceneGL.h"

namespace {

using SceneGL = SceneGLTest;

TEST_F(SceneGL, EngineMemoryContextIsCurrentAndReadsBackWhatItClears) {
  EXPECT_EQ(CurrentGLContext(), &Context());
  EXPECT_TRUE(GLSupport.GL_1_1) << "the binding was read for the new context";
  glClearColor(0, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glScissor(0, Height - 8, 4, 8);
  glEnable(GL_SCISSOR_TEST);
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  CheckOpenGLError();

  EXPECT_EQ(PixelAt(Width - 1, 0), (TRGBA{0, 255, 0, 255}));
  const QImage image = ReadPixels();
  EXPECT_EQ(image.size(), QSize(Width, Height));
  EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 0, 0)) << "the top row comes first";
  EXPECT_EQ(image.pixelColor(0, 8), QColor(0, 255, 0));
  EXPECT_EQ(Context().GetActivationCount(), 1) << "the reads leave the activation as it was";
}

// The background of the frames below: red 51, green 102, blue 204.
constexpr TColor cBackground = 0xCC6633;
const QColor cBackgroundPixel(51, 102, 204);

// Every pixel of the image is the colour, else the first that is not.
testing::AssertionResult AllPixels(const QImage& image, const QColor& colour) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) != colour)
        return testing::AssertionFailure()
               << "(" << x << ", " << y << ") is " << image.pixelColor(x, y).name().toStdString()
               << ", not " << colour.name().toStdString();
  return testing::AssertionSuccess();
}

class SceneBufferLive : public SceneGLUnitsTest {
 protected:
  // A buffer off screen of the given logical size, looking through the scene's camera.
  std::unique_ptr<TGLSceneBuffer> NewBuffer(int width, int height, double pixelRatio = 1,
                                            TGLAntiAliasing antiAliasing = aaDefault) {
    auto buffer = std::make_unique<TGLSceneBuffer>(nullptr);
    buffer->SetBackgroundColor(cBackground);
    buffer->SetDevicePixelRatio(pixelRatio);
    buffer->SetAntiAliasing(antiAliasing);
    buffer->SetViewPort(0, 0, width, height);
    buffer->CreateRC(nullptr, true);
    buffer->SetCamera(camera);
    return buffer;
  }
  QImage Frame(TGLSceneBuffer& buffer) {
    const TRectangle device = buffer.DeviceViewPort();
    return ReadContextPixels(*buffer.GetRenderingContext(), device.Width, device.Height);
  }

  TGLSceneGraph scene{nullptr};
  TGLCamera* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(scene.GetCameras());
};

TEST_F(SceneBufferLive, AFrameOfAnEmptySceneShowsTheBackground) {
  auto buffer = NewBuffer(24, 16);
  buffer->Render();
  EXPECT_TRUE(AllPixels(Frame(*buffer), cBackgroundPixel));

  buffer->SetCamera(nullptr);
  buffer->SetBackgroundColor(0x00FF00);
  buffer->Render();
  EXPECT_TRUE(AllPixels(Frame(*buffer), QColor(0, 255, 0))) << "cleared without a camera too";
}

TEST_F(SceneBufferLive, AFrameWithACameraAndALightRaisesNoOpenGLError) {
  auto* light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(scene.GetObjects());
  light->GetPosition()->SetPoint(3, 4, 5);
  camera->GetPosition()->SetPoint(0, 0, 10);
  auto buffer = NewBuffer(24, 16);
  buffer->SetFogEnable(true);
  EXPECT_NO_THROW(buffer->Render());
  EXPECT_NO_THROW(buffer->Render());
  EXPECT_EQ(buffer->GetFrameCount(), 2);
  EXPECT_EQ(CurrentGLContext(), nullptr);
  EXPECT_FALSE(buffer->GetRendering());
}

TEST_F(SceneBufferLive, APixelRatioOfTwoCoversTheDevicePixelsAndProjectsTheSame) {
  camera->GetPosition()->SetPoint(0, 0, 10);
  auto plain = NewBuffer(20, 12);
  auto sharp = NewBuffer(20, 12, 2);
  plain->Render();
  sharp->Render();
  EXPECT_EQ(sharp->GetRenderDPI(), 192);
  const QImage frame = Frame(*sharp);
  EXPECT_EQ(frame.size(), QSize(40, 24));
  EXPECT_TRUE(AllPixels(frame, cBackgroundPixel));
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column)
      EXPECT_NEAR(sharp->GetProjectionMatrix()[row][column],
                  plain->GetProjectionMatrix()[row][column], 1e-6)
          << row << ", " << column;

  sharp->Resize(10, 6);
  GLint viewport[4] = {};
  WithActiveContext(*sharp->GetRenderingContext(), [&] { glGetIntegerv(GL_VIEWPORT, viewport); });
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 20, 12}));
}

// The texture's level 0: its size and its pixels, lowest row first.
struct TTextureImage {
  int Width = 0, Height = 0;
  std::vector<std::array<GLubyte, 4>> Pixels;
  QColor At(int x, int y) const {
    const auto& p = Pixels[size_t(y * Width + x)];
    return QColor(p[0], p[1], p[2]);
  }
};

TTextureImage ReadTexture(TGLContext& context, scene_test::TCopyTarget& texture) {
  TTextureImage image;
  WithActiveContext(context, [&] {
    glBindTexture(GL_TEXTURE_2D, texture.GetTextureHandle()->GetHandle());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.Width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.Height);
    image.Pixels.resize(size_t(image.Width * image.Height));
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.Pixels.data());
  });
  return image;
}

TEST_F(SceneBufferLive, CopyToTextureUpdatesARegionThatFitsAndGrowsATextureTooSmall) {
  auto buffer = NewBuffer(32, 16);
  scene_test::TCopyTarget texture(GL_TEXTURE_2D);
  buffer->Render();
  buffer->CopyToTexture(&texture, 0, 0, 16, 8, 0, 0, 0, false);
  TTextureImage image = ReadTexture(*buffer->GetRenderingContext(), texture);
  ASSERT_EQ(image.Width, 16);
  ASSERT_EQ(image.Height, 8);
  EXPECT_EQ(image.At(15, 7), cBackgroundPixel);

  buffer->SetBackgroundColor(0xFF0000);
  buffer->Render();
  buffer->CopyToTexture(&texture, 0, 0, 4, 2, 8, 4, 0, false);
  image = ReadTexture(*buffer->GetRenderingContext(), texture);
  ASSERT_EQ(image.Width, 16) << "a region that fits is only updated";
  EXPECT_EQ(image.At(8, 4), QColor(0, 0, 255));
  EXPECT_EQ(image.At(11, 5), QColor(0, 0, 255));
  EXPECT_EQ(image.At(12, 5), cBackgroundPixel);
  EXPECT_EQ(image.At(7, 4), cBackgroundPixel);

  buffer->SetBackgroundColor(0x00FF00);
  buffer->Render();
  buffer->CopyToTexture(&texture, 0, 0, 4, 2, 14, 7, 0, false);
  image = ReadTexture(*buffer->GetRenderingContext(), texture);
  ASSERT_EQ(image.Width, 18) << "a region beyond the edges grows the texture";
  ASSERT_EQ(image.Height, 9);
  EXPECT_EQ(image.At(14, 7), QColor(0, 255, 0)) << "the region lands at its offset";
  EXPECT_EQ(image.At(17, 8), QColor(0, 255, 0));
  EXPECT_EQ(image.At(13, 7), cBackgroundPixel) << "what the texture held is kept";
  EXPECT_EQ(image.At(8, 4), QColor(0, 0, 255));
  EXPECT_EQ(image.At(0, 0), cBackgroundPixel);

  buffer->CopyToTexture(&texture, 0, 0, 32, 16, 0, 0, 0, false);
  image = ReadTexture(*buffer->GetRenderingContext(), texture);
  EXPECT_EQ(image.Width, 32) << "a region that covers the texture replaces it";
  EXPECT_EQ(image.Height, 16);
  EXPECT_EQ(image.At(31, 15), QColor(0, 255, 0));
  EXPECT_EQ(image.At(0, 0), QColor(0, 255, 0));
  EXPECT_EQ(buffer->GetRenderingContext()->GetActivationCount(), 0);
}

// The number of grey pixels, neither black nor white: an edge drawn black on white smoothed.
int GreyPixels(const TTextureImage& image) {
  int count = 0;
  for (const auto& p : image.Pixels)
    if (p[0] > 0 && p[0] < 255) ++count;
  return count;
}

TEST_F(SceneBufferLive, AnAntiAliasedMemoryFrameHasGreyEdgesInReadsAndCopies) {
  // A black triangle with slanted edges on white, drawn in the view's own coordinates.
  auto* triangle = TGLBaseSceneObject::CreateAsChild<TGLDirectOpenGL>(scene.GetObjects());
  triangle->OnRender = [](TObject*, TRenderContextInfo&) {
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor3f(0, 0, 0);
    glBegin(GL_TRIANGLES);
    glVertex2f(-0.9f, -0.8f);
    glVertex2f(0.7f, -0.3f);
    glVertex2f(-0.2f, 0.9f);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
  };
  for (TGLAntiAliasing antiAliasing : {aaNone, aa4x}) {
    SCOPED_TRACE(antiAliasing == aaNone ? "plain" : "4x");
    auto buffer = NewBuffer(32, 32, 1, antiAliasing);
    buffer->SetBackgroundColor(0xFFFFFF);
    buffer->Render();
    auto& context = static_cast<TGLQtContext&>(*buffer->GetRenderingContext());
    EXPECT_EQ(context.GetMultisampleFramebuffer() != nullptr, antiAliasing == aa4x);

    const QImage frame = Frame(*buffer);
    TTextureImage read{32, 32, {}};
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const QColor c = frame.pixelColor(x, y);
        read.Pixels.push_back({GLubyte(c.red()), GLubyte(c.green()), GLubyte(c.blue()), 255});
      }
    EXPECT_EQ(read.At(16, 16), QColor(0, 0, 0)) << "inside";
    EXPECT_EQ(read.At(31, 31), QColor(255, 255, 255)) << "outside";

    scene_test::TCopyTarget texture(GL_TEXTURE_2D);
    buffer->CopyToTexture(&texture, 0, 0, 32, 32, 0, 0, 0, false);
    const TTextureImage copied = ReadTexture(*buffer->GetRenderingContext(), texture);
    if (antiAliasing == aaNone) {
      EXPECT_EQ(GreyPixels(read), 0);
      EXPECT_EQ(GreyPixels(copied), 0);
    } else {
      EXPECT_GT(GreyPixels(read), 10) << "read back";
      EXPECT_GT(GreyPixels(copied), 10) << "copied into a texture";
    }
  }
}

}  // namespace

// The scene buffer on a real Mesa driver, through the engine's own memory context: whole frames
// read back, the device pixel ratio, and the copy of a frame into a texture.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/LightSource.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
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
  std::unique_ptr<TGLSceneBuffer> NewBuffer(int width, int height, double pixelRatio = 1) {
    auto buffer = std::make_unique<TGLSceneBuffer>(nullptr);
    buffer->SetBackgroundColor(cBackground);
    buffer->SetDevicePixelRatio(pixelRatio);
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

TEST_F(SceneBufferLive, CopyToTextureUpdatesARegionThatFitsAndRemakesATextureTooSmall) {
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

  buffer->CopyToTexture(&texture, 0, 0, 32, 16, 0, 0, 0, false);
  image = ReadTexture(*buffer->GetRenderingContext(), texture);
  EXPECT_EQ(image.Width, 32) << "a region that does not fit makes the texture anew";
  EXPECT_EQ(image.Height, 16);
  EXPECT_EQ(image.At(31, 15), QColor(0, 0, 255));
  EXPECT_EQ(buffer->GetRenderingContext()->GetActivationCount(), 0);
}

}  // namespace

// The memory viewer on a real Mesa driver: a frame rendered off screen at the viewer's size, the
// image copied into a texture, and the context kept from frame to frame until the size or a
// pixel-format wish changes, also when that change comes during a frame.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

// clang-format off
// Qt's framebuffer header before the engine's OpenGL binding, whose names would rename its members.
#include <QOpenGLFramebufferObject>
// clang-format on

#include "engine/GLObjects/Cube.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/OffscreenViewers.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLTexture.h"
#include "engine/platform/GLQtContext.h"
#include "tests/support/SceneGL.h"

namespace {

// Red 51, green 102, blue 204.
constexpr TColor cBackground = 0xCC6633;
const QColor cBackgroundPixel(51, 102, 204);

class MemoryViewerLive : public SceneGLUnitsTest {
 protected:
  void SetUp() override {
    SceneGLUnitsTest::SetUp();
    Viewer = std::make_unique<TGLMemoryViewer>(nullptr);
    Viewer->GetBuffer()->SetBackgroundColor(cBackground);
    Viewer->SetCamera(Camera);
    Camera->GetPosition()->SetPoint(0, 0, 40);
    Camera->GetDirection()->SetVector(0, 0, -1);
  }
  void TearDown() override {
    Viewer.reset();
    SceneGLUnitsTest::TearDown();
  }

  TGLContext* Context() const { return Viewer->GetBuffer()->GetRenderingContext(); }
  // The size of the framebuffer the viewer's context draws into.
  QSize TargetSize() const {
    auto* context = dynamic_cast<TGLQtContext*>(Context());
    return context && context->GetFramebuffer() ? context->GetFramebuffer()->size() : QSize();
  }
  QImage Image() { return ReadContextPixels(*Context(), Viewer->GetWidth(), Viewer->GetHeight()); }

  TGLSceneGraph Scene{nullptr};
  TGLCamera* Camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Scene.GetCameras());
  std::unique_ptr<TGLMemoryViewer> Viewer;
};

// The texture's level 0: its size and its pixels, lowest row first.
struct TTextureImage {
  int Width = 0, Height = 0;
  std::vector<std::array<GLubyte, 4>> Pixels;
  QColor At(int x, int y) const {
    const auto& p = Pixels[size_t(y * Width + x)];
    return QColor(p[0], p[1], p[2]);
  }
};

TTextureImage ReadTexture(TGLContext& context, TGLTexture& texture) {
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

TEST_F(MemoryViewerLive, RendersTheSceneAtItsSizeAndCopiesTheImageIntoATexture) {
  auto* cube = TGLBaseSceneObject::CreateAsChild<TGLCube>(Scene.GetObjects());
  cube->GetMaterial()->GetFrontProperties()->GetDiffuse()->SetRGBA(1, 0, 0, 1);
  cube->GetMaterial()->SetMaterialOptions(moNoLighting);
  Viewer->SetWidth(40);
  Viewer->SetHeight(30);
  TGLTexture texture(nullptr);
  Viewer->CopyToTexture(&texture);
  EXPECT_FALSE(texture.IsHandleAllocated()) << "nothing to copy before the first frame";

  Viewer->Render(nullptr);
  ASSERT_NE(Context(), nullptr);
  EXPECT_EQ(TargetSize(), QSize(40, 30));
  const TRectangle& viewport = Viewer->GetBuffer()->GetViewPort();
  EXPECT_EQ(viewport.Width, 40);
  EXPECT_EQ(viewport.Height, 30);
  const QImage image = Image();
  EXPECT_EQ(image.pixelColor(0, 0), cBackgroundPixel);
  EXPECT_EQ(image.pixelColor(39, 29), cBackgroundPixel);
  EXPECT_EQ(image.pixelColor(20, 15), QColor(255, 0, 0)) << "the cube in the middle";

  Viewer->CopyToTexture(&texture);
  const TTextureImage copy = ReadTexture(*Context(), texture);
  ASSERT_EQ(copy.Width, 40);
  ASSERT_EQ(copy.Height, 30);
  EXPECT_EQ(copy.At(0, 0), cBackgroundPixel);
  EXPECT_EQ(copy.At(39, 29), cBackgroundPixel);
  EXPECT_EQ(copy.At(20, 15), QColor(255, 0, 0));
  EXPECT_EQ(CurrentGLContext(), nullptr);
}

TEST_F(MemoryViewerLive, FramesKeepTheContextUntilTheSizeChanges) {
  Viewer->SetWidth(24);
  Viewer->SetHeight(16);
  Viewer->Render(nullptr);
  TGLContext* first = Context();
  Viewer->Render(nullptr);
  EXPECT_EQ(Context(), first) << "a second frame reuses the context";
  EXPECT_EQ(Viewer->GetBuffer()->GetFrameCount(), 2);

  Viewer->SetHeight(20);
  EXPECT_EQ(Context(), nullptr) << "a new height drops the context";
  Viewer->Render(nullptr);
  EXPECT_EQ(TargetSize(), QSize(24, 20));
  EXPECT_EQ(Image().pixelColor(23, 19), cBackgroundPixel);

  Viewer->SetWidth(0);
  EXPECT_EQ(Viewer->GetWidth(), 1);
  EXPECT_EQ(Context(), nullptr) << "width 0 is stored as 1 and drops the context";
  Viewer->Render(nullptr);
  EXPECT_EQ(TargetSize(), QSize(1, 20));
  EXPECT_EQ(Image().pixelColor(0, 19), cBackgroundPixel);
}

// A context cannot go in the middle of its own frame: a size set by a render event takes effect
// at the next frame.
TEST_F(MemoryViewerLive, ASizeSetDuringAFrameTakesEffectAtTheNextFrame) {
  Viewer->SetWidth(24);
  Viewer->SetHeight(16);
  int frames = 0;
  Viewer->GetBuffer()->BeforeRender = [&](TObject*) {
    if (++frames == 1) Viewer->SetHeight(8);
  };
  ASSERT_NO_THROW(Viewer->Render(nullptr));
  EXPECT_EQ(TargetSize(), QSize(24, 16)) << "the frame ends on the context it began on";
  Viewer->Render(nullptr);
  EXPECT_EQ(TargetSize(), QSize(24, 8));
  EXPECT_EQ(frames, 2);
}

}  // namespace

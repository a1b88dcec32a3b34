// The upload of an RGBA image on a real Mesa context: the texture's size and texels read back.
// Qt's OpenGL headers come before the engine's binding.
#include "tests/support/LiveGL.h"
// clang-format off
#include "tests/engine/graphics/GraphicsTestSupport.h"
// clang-format on

namespace {

class GLBitmap32LiveTest : public LiveGLTest {
 protected:
  void SetUp() override {
    LiveGLTest::SetUp();
    ASSERT_TRUE(InitOpenGL());
    ReadImplementationProperties();
    glGenTextures(1, &FTexture);
    glBindTexture(GL_TEXTURE_2D, FTexture);
  }
  void TearDown() override {
    glDeleteTextures(1, &FTexture);
    LiveGLTest::TearDown();
  }
  static int Level(int level, GLenum pname) {
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, pname, &value);
    return value;
  }
  // Uploads the image and checks that the texture took the size handed back; the texels of
  // level 0 in row order.
  static std::vector<TGLPixel32> Upload(TGLBitmap32& image, TGLMinFilter filter, int width,
                                        int height) {
    int texWidth = -1, texHeight = -1;
    image.RegisterAsOpenGLTexture(GL_TEXTURE_2D, filter, GL_RGBA8, texWidth, texHeight);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(texWidth, width);
    EXPECT_EQ(texHeight, height);
    EXPECT_EQ(Level(0, GL_TEXTURE_WIDTH), width);
    EXPECT_EQ(Level(0, GL_TEXTURE_HEIGHT), height);
    std::vector<TGLPixel32> texels(static_cast<size_t>(width * height));
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
  }

 private:
  GLuint FTexture = 0;
};

TEST_F(GLBitmap32LiveTest, ThePixelsArriveRowZeroFirst) {
  TGLBitmap32 image;
  TPixelRows rows(2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x)
      rows[y].push_back({uint8_t(30 * x), uint8_t(100 * y), uint8_t(255 - x), uint8_t(200 + y)});
  Fill(image, rows);
  EXPECT_EQ(Upload(image, miNearest, 8, 2),
            std::vector<TGLPixel32>(image.GetData(), image.GetData() + 16));
}

TEST_F(GLBitmap32LiveTest, ARescaledImageWithMipmapsKeepsItsColour) {
  TGLBitmap32 image;
  const TGLPixel32 teal = {0, 128, 128, 255};
  Fill(image, TPixelRows(3, std::vector<TGLPixel32>(12, teal)));
  EXPECT_EQ(Upload(image, miLinearMipmapLinear, 16, 4)[16 * 2 + 7], teal);
  EXPECT_EQ(Level(1, GL_TEXTURE_WIDTH), 8) << "the mipmaps are there";
}

}  // namespace

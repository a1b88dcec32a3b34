// The scene buffer on a real Mesa driver, through the engine's own memory context.
#include <gtest/gtest.h>

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

}  // namespace

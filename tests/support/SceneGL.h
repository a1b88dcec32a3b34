#pragma once
// Live scene-graph tests on the engine's own rendering path: the engine's OpenGL units started
// as the program starts them, and an off-screen context made by the context manager (a Qt memory
// context drawing into a framebuffer object), activated and deactivated through TGLContext as a
// scene buffer does it. Nothing here makes a bare Qt context.
//
//   class MyLiveTest : public SceneGLTest {};   // the context is active in each test body
//   TEST_F(MyLiveTest, Draws) { glClear(...); EXPECT_EQ(PixelAt(0, 0), (TRGBA{...})); }
//
// A test whose scene buffer makes its own context derives from SceneGLUnitsTest instead and
// reads that context with ReadContextPixels.

#include <gtest/gtest.h>

#include <QImage>
#include <array>
#include <memory>

#include "engine/GLContext.h"

// Red, green, blue, alpha bytes.
using TRGBA = std::array<int, 4>;

// The framebuffer of the context, top row first, as RGBA bytes; the context is activated for
// the read (the activation nests when it is already active).
QImage ReadContextPixels(TGLContext& context, int width, int height);
// One pixel of the current context's framebuffer, (0, 0) at the lower left.
TRGBA CurrentPixel(int x, int y);

// Starts and stops the engine's OpenGL units around each test: the context manager with the Qt
// context class, the colour tables and the vector maths.
class SceneGLUnitsTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// The units, and a memory context of Width x Height made by the manager, with a depth and a
// stencil buffer, active during the test body.
class SceneGLTest : public SceneGLUnitsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  TGLContext& Context() const { return *FContext; }
  QImage ReadPixels() { return ReadContextPixels(*FContext, Width, Height); }
  TRGBA PixelAt(int x, int y);

  static constexpr int Width = 64;
  static constexpr int Height = 64;

 private:
  std::unique_ptr<TGLContext> FContext;
};

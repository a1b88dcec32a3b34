#pragma once
// A real Mesa OpenGL context for live tests: a compatibility-profile QOpenGLContext on an
// offscreen surface with a framebuffer object of the requested size as its render target.

#include <gtest/gtest.h>

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <memory>

class LiveGLTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The framebuffer's pixels, top row first.
  QImage ReadPixels() const;

  static constexpr int Width = 64;
  static constexpr int Height = 64;

 private:
  std::unique_ptr<QOffscreenSurface> FSurface;
  std::unique_ptr<QOpenGLContext> FContext;
  std::unique_ptr<QOpenGLFramebufferObject> FFramebuffer;
};

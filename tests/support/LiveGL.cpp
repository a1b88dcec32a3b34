#include "tests/support/LiveGL.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>

void LiveGLTest::SetUp() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setVersion(2, 1);
  FSurface = std::make_unique<QOffscreenSurface>();
  FSurface->setFormat(format);
  FSurface->create();
  FContext = std::make_unique<QOpenGLContext>();
  FContext->setFormat(format);
  ASSERT_TRUE(FContext->create()) << "no OpenGL context (is a display there?)";
  ASSERT_TRUE(FContext->makeCurrent(FSurface.get()));
  QOpenGLFramebufferObjectFormat fboFormat;
  fboFormat.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
  FFramebuffer = std::make_unique<QOpenGLFramebufferObject>(Width, Height, fboFormat);
  ASSERT_TRUE(FFramebuffer->bind());
}

void LiveGLTest::TearDown() {
  if (FContext) FContext->makeCurrent(FSurface.get());
  FFramebuffer.reset();
  if (FContext) FContext->doneCurrent();
  FContext.reset();
  FSurface.reset();
}

QImage LiveGLTest::ReadPixels() const {
  return FFramebuffer->toImage();
}

#include "tests/support/SceneGL.h"

#include "engine/GLTexture.h"
#include "engine/base/VectorGeometry.h"
#include "engine/platform/GLQtContext.h"

namespace {
// Leaves the context as active as it was, also when a read fails.
class TActivation {
 public:
  explicit TActivation(TGLContext& context) : FContext(context) { FContext.Activate(); }
  ~TActivation() { FContext.Deactivate(); }
  TActivation(const TActivation&) = delete;
  TActivation& operator=(const TActivation&) = delete;

 private:
  TGLContext& FContext;
};
}  // namespace

QImage ReadContextPixels(TGLContext& context, int width, int height) {
  TActivation active(context);
  QImage image(width, height, QImage::Format_RGBA8888);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
  // OpenGL's rows start at the bottom.
  return image.mirrored();
}

TRGBA CurrentPixel(int x, int y) {
  GLubyte pixel[4] = {};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

void SceneGLUnitsTest::SetUp() {
  InitializeVectorGeometry();
  InitializeGLContext();
  InitializeGLTexture();
  RegisterGLQtContext();
}

void SceneGLUnitsTest::TearDown() {
  FinalizeGLQtContext();
  FinalizeGLContext();
}

void SceneGLTest::SetUp() {
  SceneGLUnitsTest::SetUp();
  FContext = GLContextManager->CreateContext();
  ASSERT_NE(dynamic_cast<TGLQtContext*>(FContext.get()), nullptr);
  FContext->SetDepthBits(24);
  FContext->SetStencilBits(8);
  FContext->CreateMemoryContext(nullptr, Width, Height);
  FContext->Activate();
  glViewport(0, 0, Width, Height);
}

void SceneGLTest::TearDown() {
  if (FContext) {
    // A test that failed half-way may have left it deactivated, or activated more than once.
    FContext->SetActive(false);
    FContext.reset();
  }
  SceneGLUnitsTest::TearDown();
}

TRGBA SceneGLTest::PixelAt(int x, int y) {
  TActivation active(*FContext);
  return CurrentPixel(x, y);
}

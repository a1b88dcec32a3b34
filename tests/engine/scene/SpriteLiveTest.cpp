// A sprite on a real Mesa driver, which raises on an OpenGL error: the rectangle it covers facing
// the camera whatever its node's turn, turned by its rotation, sized by its node's scale; and the
// modelview and depth writes as they were after it.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "engine/GLObjects/Sprite.h"
#include "engine/GLState.h"
#include "tests/engine/scene/TopViewFrame.h"

namespace {

constexpr int cSize = 64;
const QColor cBackground(255, 255, 255), cRed(255, 0, 0);

class SpriteLive : public TopViewFrameTest {
 protected:
  void SetUp() override {
    TopViewFrameTest::SetUp();
    StartFrames(cSize, 1);
  }
};

TEST_F(SpriteLive, ASpriteFacesTheCameraWhateverItsNodeAndTurnsByItsRotation) {
  const struct Case {
    const char* name;
    TAffineVector direction, up, scale;
    float rotation;
    int left, top, right, bottom;
  } cases[] = {
      // x from -0.25 to 0.75 and y from -0.25 to 0.25, 32 pixels to the unit.
      {"as placed", {0, 0, 1}, {0, 1, 0}, {1, 1, 1}, 0, 24, 24, 56, 40},
      // A plane would be seen edge on here, or turned.
      {"its node facing sideways", {1, 0, 0}, {0, 1, 0}, {1, 1, 1}, 0, 24, 24, 56, 40},
      {"its node turned about the view", {0, 0, 1}, {1, 0, 0}, {1, 1, 1}, 0, 24, 24, 56, 40},
      {"turned a quarter", {0, 0, 1}, {0, 1, 0}, {1, 1, 1}, 90, 32, 16, 48, 48},
      {"its node scaled by 2", {0, 0, 1}, {0, 1, 0}, {2, 2, 2}, 0, 8, 16, 64, 48},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* sprite = TGLBaseSceneObject::CreateAsChild<TGLSprite>(Scene.GetObjects());
    sprite->GetMaterial()->GetFrontProperties()->GetDiffuse()->SetRGBA(1, 0, 0, 1);
    sprite->GetMaterial()->SetMaterialOptions(moNoLighting);
    sprite->SetHeight(0.5f);
    sprite->SetRotation(c.rotation);
    sprite->GetPosition()->SetPoint(0.25f, 0, 0);
    sprite->GetDirection()->SetVector(c.direction[0], c.direction[1], c.direction[2]);
    sprite->GetUp()->SetVector(c.up[0], c.up[1], c.up[2]);
    sprite->GetScale()->SetVector(c.scale[0], c.scale[1], c.scale[2]);
    EXPECT_TRUE(CoversExactly(Frame(), c.left, c.top, c.right, c.bottom, cRed, cBackground));
    delete sprite;
  }
}

class SpriteInContext : public SceneGLTest {};

std::array<float, 16> ModelView() {
  std::array<float, 16> m{};
  glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
  return m;
}

float DepthAt(int x, int y) {
  float depth = -1;
  glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  return depth;
}

TEST_F(SpriteInContext, TheModelviewAndDepthWritesAreAsBeforeAfterASprite) {
  for (bool noZWrite : {false, true}) {
    SCOPED_TRACE(noZWrite ? "without depth writes" : "with depth writes");
    TGLSprite sprite(nullptr);
    sprite.SetRotation(30);
    sprite.SetAlphaChannel(0.5f);
    sprite.SetNoZWrite(noZWrite);
    TGLStateCache cache;
    TRenderContextInfo rci;
    rci.stateCache = &cache;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.1f, 0, -0.5f);
    glRotatef(20, 1, 1, 0);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const std::array<float, 16> before = ModelView();
    GLint depthBefore = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);

    sprite.BuildList(rci);

    EXPECT_EQ(ModelView(), before);
    GLint depthAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE) << "on again";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // The sprite covers the middle of the view; without depth writes the buffer keeps its clear.
    if (noZWrite)
      EXPECT_EQ(DepthAt(Width / 2, Height / 2), 1.0f);
    else
      EXPECT_LT(DepthAt(Width / 2, Height / 2), 1.0f);
  }
}

}  // namespace

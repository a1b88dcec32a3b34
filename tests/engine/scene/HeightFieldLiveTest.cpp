// A height field in whole frames on Mesa, seen from above: the square of its lattice in the
// colours its event gives, filled or in lines by the material's polygon mode, and a quad drawn
// after a field in lines still filled.
#include <gtest/gtest.h>

#include "engine/GLGraph.h"
#include "platform/gl/OpenGL.h"
#include "tests/engine/scene/SolidFrames.h"

namespace {

class HeightFieldLive : public SolidFrameTest {
 protected:
  void SetUp() override {
    SolidFrameTest::SetUp();
    Paint(*field, {1, 0, 0, 1});
    for (TGLSamplingScale* scale : {field->GetXSamplingScale(), field->GetYSamplingScale()}) {
      scale->SetMin(-1);
      scale->SetMax(1);
      scale->SetStep(0.25f);
    }
  }

  TGLHeightField* field = TGLBaseSceneObject::CreateAsChild<TGLHeightField>(Scene.GetObjects());
};

TEST_F(HeightFieldLive, AFieldCoversItsLatticeInTheColoursOfItsSamples) {
  const QImage plain = Frame();
  for (const auto& [x, y] : {std::pair{0.0f, 0.0f}, {0.9f, 0.9f}, {-0.9f, -0.9f}})
    EXPECT_EQ(At(plain, x, y), Red) << x << ", " << y;
  for (const auto& [x, y] : {std::pair{1.2f, 0.0f}, {0.0f, -1.2f}})
    EXPECT_EQ(At(plain, x, y), White) << x << ", " << y;

  // Green where x < 0, blue beyond: the samples' colours rather than the material's.
  field->SetColorMode(hfcmDiffuse);
  field->SetOnGetHeight([](float x, float, float& z, TVector4f& color, TTexPoint&) {
    z = 0;
    color = x < 0 ? TVector4f{0, 1, 0, 1} : TVector4f{0, 0, 1, 1};
  });
  const QImage coloured = Frame();
  EXPECT_EQ(At(coloured, -0.6f, 0.3f), QColor(0, 255, 0));
  EXPECT_EQ(At(coloured, 0.6f, -0.3f), QColor(0, 0, 255));
}

// The node after the field draws its own quad without a material, turned away from the eye: the
// field's material sets the front faces' mode alone, so only the field's giving back of the mode
// it set on both faces keeps that quad filled.
TEST_F(HeightFieldLive, AFieldInLinesLeavesItsCellsOpenAndTheNextObjectFilled) {
  field->GetMaterial()->GetFrontProperties()->SetPolygonMode(pmLines);
  field->GetXSamplingScale()->SetStep(0.5f);
  field->GetYSamplingScale()->SetStep(0.5f);
  auto* quad = TGLBaseSceneObject::CreateAsChild<TGLDirectOpenGL>(Scene.GetObjects());
  quad->OnRender = [](TObject*, TRenderContextInfo&) {
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glColor3f(0, 0, 1);
    glBegin(GL_QUADS);
    glVertex3f(1, 1, 0);
    glVertex3f(1, 1.5f, 0);
    glVertex3f(1.5f, 1.5f, 0);
    glVertex3f(1.5f, 1, 0);
    glEnd();
  };
  const QImage frame = Frame();
  // Off the diagonal of the cell from (0, 0) to (0.5, 0.5).
  EXPECT_EQ(At(frame, 0.375f, 0.125f), White) << "inside a cell";
  EXPECT_EQ(At(frame, 0.25f, 0.25f), Red) << "on its diagonal";
  EXPECT_EQ(At(frame, 1.25f, 1.25f), QColor(0, 0, 255)) << "the quad drawn after it";
}

}  // namespace

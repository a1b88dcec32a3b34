// The 3D window's x axis in a whole frame on Mesa: a thin shaft along world x, its head beyond
// the shaft's end.
#include <gtest/gtest.h>

#include "engine/GLGeomObjects/ArrowLine.h"
#include "tests/engine/scene/QuadricLive.h"

namespace {

TEST_F(QuadricLive, TheAxisArrowCoversItsShaftAndItsHead) {
  auto* arrow = TGLBaseSceneObject::CreateAsChild<TGLArrowLine>(scene.GetObjects());
  arrow->GetMaterial()->GetFrontProperties()->GetDiffuse()->SetColor({1, 0, 0, 1});
  arrow->GetDirection()->SetVector(1, 0, 0);
  arrow->GetUp()->SetVector(0, 1, 0);
  arrow->SetBottomRadius(0.05f);
  arrow->SetHeight(2);
  arrow->SetTopRadius(0.05f);
  arrow->SetTopArrowHeadHeight(0.2f);
  arrow->SetTopArrowHeadRadius(0.1f);
  const QImage frame = Frame();
  for (float x : {-0.9f, 0.0f, 0.9f}) EXPECT_TRUE(Reddish(At(frame, {x, 0, 0}))) << "shaft " << x;
  EXPECT_TRUE(Reddish(At(frame, {1.05f, 0.07f, 0}))) << "the head, wider than the shaft";
  EXPECT_TRUE(IsBackground(At(frame, {0.5f, 0.15f, 0}))) << "beside the shaft";
  EXPECT_TRUE(IsBackground(At(frame, {1.3f, 0, 0}))) << "beyond the tip";
  EXPECT_TRUE(IsBackground(At(frame, {-1.1f, 0, 0}))) << "no head at the bottom end";
}

}  // namespace

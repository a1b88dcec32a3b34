// A cone in a whole frame on Mesa: wide at its base below, narrowing to its apex above.
#include <gtest/gtest.h>

#include "engine/GLGeomObjects/Cylinder.h"
#include "tests/engine/scene/QuadricLive.h"

namespace {

TEST_F(QuadricLive, AConeNarrowsFromItsBaseToItsApex) {
  auto* cone = TGLBaseSceneObject::CreateAsChild<TGLCone>(scene.GetObjects());
  cone->GetMaterial()->GetFrontProperties()->GetDiffuse()->SetColor({1, 0, 0, 1});
  cone->SetBottomRadius(1);
  cone->SetHeight(2);
  const QImage frame = Frame();
  EXPECT_TRUE(Reddish(At(frame, {0, 0, 0})));
  EXPECT_TRUE(Reddish(At(frame, {0.8f, -0.9f, 0.2f}))) << "near the base's rim";
  EXPECT_TRUE(Reddish(At(frame, {0, 0.9f, 0}))) << "below the apex";
  EXPECT_TRUE(IsBackground(At(frame, {0.6f, 0.8f, 0}))) << "beside the tip";
  EXPECT_TRUE(IsBackground(At(frame, {0, 1.2f, 0}))) << "above the apex";
  EXPECT_TRUE(IsBackground(At(frame, {1.3f, -0.9f, 0})));
}

}  // namespace

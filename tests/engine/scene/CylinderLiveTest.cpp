// A cylinder in whole frames on Mesa: upright, it covers its side's rectangle and no more; laid
// along the line of sight, its top cap covers a disk.
#include <gtest/gtest.h>

#include "engine/GLGeomObjects/Cylinder.h"
#include "tests/engine/scene/QuadricLive.h"

namespace {

TEST_F(QuadricLive, ACylinderCoversItsSideAndItsCap) {
  auto* cylinder = TGLBaseSceneObject::CreateAsChild<TGLCylinder>(scene.GetObjects());
  cylinder->GetMaterial()->GetFrontProperties()->GetDiffuse()->SetColor({1, 0, 0, 1});
  cylinder->SetHeight(2);
  QImage frame = Frame();
  for (const TAffineVector& inside : {TAffineVector{0, 0, 0.5f}, TAffineVector{0.4f, 0.9f, 0.5f},
                                      TAffineVector{-0.4f, -0.9f, 0.5f}})
    EXPECT_TRUE(Reddish(At(frame, inside))) << inside[X] << ", " << inside[Y];
  for (const TAffineVector& outside :
       {TAffineVector{0.7f, 0, 0}, TAffineVector{0, 1.3f, 0}, TAffineVector{-0.7f, -0.5f, 0}})
    EXPECT_TRUE(IsBackground(At(frame, outside))) << outside[X] << ", " << outside[Y];

  // Its axis towards the eye, its bottom end at the origin: the top cap's disk at z = 2.
  cylinder->SetAlignment(caBottom);
  cylinder->GetUp()->SetVector(0, 0, 1);
  cylinder->GetDirection()->SetVector(0, -1, 0);
  frame = Frame();
  EXPECT_TRUE(Reddish(At(frame, {0, 0, 2})));
  EXPECT_TRUE(Reddish(At(frame, {0.3f, 0.3f, 2})));
  EXPECT_TRUE(IsBackground(At(frame, {0.45f, 0.45f, 2}))) << "round, not square";
}

}  // namespace

// Spheres in whole frames on Mesa: a lit sphere covers its disk and no more, and the 3D window's
// two bowls show the inner face from above and the outer face from below.
#include <gtest/gtest.h>

#include "engine/GLObjects/Sphere.h"
#include "tests/engine/scene/QuadricLive.h"

namespace {

TGLSphere* AddSphere(TGLBaseSceneObject* parent, const TColorVector& diffuse) {
  auto* sphere = TGLBaseSceneObject::CreateAsChild<TGLSphere>(parent);
  sphere->GetMaterial()->GetFrontProperties()->GetDiffuse()->SetColor(diffuse);
  return sphere;
}

TEST_F(QuadricLive, ASphereCoversItsDisk) {
  TGLSphere* sphere = AddSphere(scene.GetObjects(), {1, 0, 0, 1});
  sphere->SetRadius(1);
  const QImage frame = Frame();
  EXPECT_TRUE(Reddish(At(frame, {0, 0, 1}))) << "the front pole";
  for (const TAffineVector& inside :
       {TAffineVector{0.9f, 0, 0}, TAffineVector{0, -0.9f, 0}, TAffineVector{-0.6f, 0.6f, 0}})
    EXPECT_FALSE(IsBackground(At(frame, inside))) << inside[X] << ", " << inside[Y];
  for (const TAffineVector& outside :
       {TAffineVector{1.2f, 0, 0}, TAffineVector{0, 1.2f, 0}, TAffineVector{-0.8f, -0.8f, 0}})
    EXPECT_TRUE(IsBackground(At(frame, outside))) << outside[X] << ", " << outside[Y];
}

// As in the 3D window: radius 1 at (0, 0, 1), the pole axis along world z, only the half below
// the centre; the inner bowl faces inwards and is drawn first.
TEST_F(QuadricLive, TheBowlsShowTheirInnerFaceFromAboveAndTheOuterFromBelow) {
  TGLSphere* inner = AddSphere(scene.GetObjects(), {0.3f, 0.3f, 1, 1});
  TGLSphere* outer = AddSphere(scene.GetObjects(), {1, 0.5f, 0, 1});
  for (TGLSphere* bowl : {inner, outer}) {
    bowl->GetPosition()->SetPoint(0, 0, 1);
    bowl->GetDirection()->SetVector(0, -1, 0);
    bowl->GetUp()->SetVector(0, 0, 1);
    bowl->SetRadius(1);
    bowl->SetSlices(32);
    bowl->SetStacks(32);
    bowl->SetTop(0);
  }
  inner->SetNormalDirection(ndInside);
  outer->SetNormals(nsNone);

  LookFrom({0, 0, 15}, {0, 1, 0});
  QImage frame = Frame();
  EXPECT_TRUE(Bluish(At(frame, {0, 0, 0.5f}))) << "the inner face, lit from above";
  EXPECT_TRUE(Bluish(At(frame, {0.7f, 0, 0.9f})));
  EXPECT_TRUE(IsBackground(At(frame, {1.1f, 0, 1})));

  LookFrom({0, 0, -15}, {0, 1, 0});
  frame = Frame();
  EXPECT_TRUE(Reddish(At(frame, {0, 0, 0.5f}))) << "the orange outer face, lit from below";
  EXPECT_TRUE(Reddish(At(frame, {0.7f, 0, 0.9f})));
  EXPECT_TRUE(IsBackground(At(frame, {1.1f, 0, 1})));

  // From the side, level with the rim: nothing above it.
  LookFrom({0, -15, 0.5f}, {0, 0, 1});
  frame = Frame();
  EXPECT_FALSE(IsBackground(At(frame, {0, 0, 0.5f})));
  EXPECT_TRUE(IsBackground(At(frame, {0, 0, 1.3f}))) << "the upper half is not drawn";
}

}  // namespace

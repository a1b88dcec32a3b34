// A disk and an annulus in whole frames on Mesa, seen from above with back faces culled: the
// ring, the sector and the hole the disk covers, and the annulus's top ring turned to the eye.
#include <gtest/gtest.h>

#include "engine/GLGeomObjects/Disk.h"
#include "tests/engine/scene/SolidFrames.h"

namespace {

using DiskLive = SolidFrameTest;

TEST_F(DiskLive, ADiskCoversItsRingAndItsSector) {
  auto* disk = TGLBaseSceneObject::CreateAsChild<TGLDisk>(Scene.GetObjects());
  Paint(*disk, {1, 0, 0, 1});
  disk->SetOuterRadius(1);
  disk->SetInnerRadius(0.5f);
  disk->SetSlices(32);
  QImage frame = Frame();
  for (const auto& [x, y] : {std::pair{0.75f, 0.0f}, {0.0f, -0.75f}, {-0.5f, 0.5f}})
    EXPECT_EQ(At(frame, x, y), Red) << x << ", " << y;
  for (const auto& [x, y] : {std::pair{0.0f, 0.0f}, {0.3f, 0.0f}, {1.2f, 0.0f}, {0.8f, 0.8f}})
    EXPECT_EQ(At(frame, x, y), White) << x << ", " << y;

  // A quarter from +y clockwise: the quadrant of positive x and y.
  disk->SetInnerRadius(0);
  disk->SetSweepAngle(90);
  frame = Frame();
  EXPECT_EQ(At(frame, 0.4f, 0.4f), Red);
  for (const auto& [x, y] : {std::pair{-0.4f, 0.4f}, {0.4f, -0.4f}, {-0.4f, -0.4f}})
    EXPECT_EQ(At(frame, x, y), White) << x << ", " << y;
}

TEST_F(DiskLive, AnAnnulusSeenDownItsAxisShowsItsTopRingAroundTheHole) {
  auto* annulus = TGLBaseSceneObject::CreateAsChild<TGLAnnulus>(Scene.GetObjects());
  Paint(*annulus, {1, 0, 0, 1});
  annulus->SetBottomRadius(1);
  annulus->SetTopRadius(1);
  annulus->SetBottomInnerRadius(0.5f);
  annulus->SetTopInnerRadius(0.5f);
  annulus->SetSlices(32);
  annulus->GetUp()->SetVector(0, 0, 1);
  annulus->GetDirection()->SetVector(0, -1, 0);
  const QImage frame = Frame();
  for (const auto& [x, y] : {std::pair{0.75f, 0.0f}, {0.0f, 0.75f}, {-0.5f, -0.5f}})
    EXPECT_EQ(At(frame, x, y), Red) << x << ", " << y;
  for (const auto& [x, y] : {std::pair{0.0f, 0.0f}, {0.3f, 0.0f}, {1.2f, 0.0f}, {0.8f, 0.8f}})
    EXPECT_EQ(At(frame, x, y), White) << x << ", " << y;
}

}  // namespace

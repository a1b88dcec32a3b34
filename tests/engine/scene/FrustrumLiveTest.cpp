// A frustrum in whole frames on Mesa, seen from above its top with back faces culled: the top
// and the sides cover the base's rectangle; with the apex on the base only the base is left,
// seen from below.
#include <gtest/gtest.h>

#include "engine/GLGeomObjects/Frustrum.h"
#include "tests/engine/scene/SolidFrames.h"

namespace {

using FrustrumLive = SolidFrameTest;

TEST_F(FrustrumLive, AFrustrumCoversItsBaseSeenFromAboveAndOnlyItsBaseWhenFlat) {
  auto* frustrum = TGLBaseSceneObject::CreateAsChild<TGLFrustrum>(Scene.GetObjects());
  Paint(*frustrum, {1, 0, 0, 1});
  frustrum->SetBaseWidth(2);
  // Its height towards the eye, its depth along y.
  frustrum->GetUp()->SetVector(0, 0, 1);
  frustrum->GetDirection()->SetVector(0, -1, 0);
  QImage frame = Frame();
  for (const auto& [x, y] : {std::pair{0.0f, 0.0f}, {0.95f, 0.45f}, {-0.95f, -0.45f}})
    EXPECT_EQ(At(frame, x, y), Red) << x << ", " << y;
  for (const auto& [x, y] : {std::pair{1.1f, 0.0f}, {0.0f, 0.6f}, {0.0f, -0.6f}})
    EXPECT_EQ(At(frame, x, y), White) << x << ", " << y;

  // Flat, its base faces away from the eye and is culled; turned over, it shows.
  frustrum->SetApexHeight(0);
  EXPECT_EQ(At(Frame(), 0, 0), White);
  frustrum->GetUp()->SetVector(0, 0, -1);
  frustrum->GetDirection()->SetVector(0, 1, 0);
  frame = Frame();
  EXPECT_EQ(At(frame, 0.9f, 0.4f), Red);
  EXPECT_EQ(At(frame, 1.1f, 0), White);
}

}  // namespace

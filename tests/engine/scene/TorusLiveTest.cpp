// A torus in a whole frame on Mesa, seen down its axis with back faces culled: the ring of its
// tube round an open middle.
#include <gtest/gtest.h>

#include "engine/GLGeomObjects/Torus.h"
#include "tests/engine/scene/SolidFrames.h"

namespace {

using TorusLive = SolidFrameTest;

TEST_F(TorusLive, ATorusCoversTheRingOfItsTube) {
  auto* torus = TGLBaseSceneObject::CreateAsChild<TGLTorus>(Scene.GetObjects());
  Paint(*torus, {1, 0, 0, 1});
  torus->SetMajorRadius(0.75f);
  torus->SetMinorRadius(0.25f);
  torus->SetRings(48);
  const QImage frame = Frame();
  for (const auto& [x, y] : {std::pair{0.75f, 0.0f}, {0.0f, 0.9f}, {-0.55f, -0.55f}})
    EXPECT_EQ(At(frame, x, y), Red) << x << ", " << y;
  for (const auto& [x, y] : {std::pair{0.0f, 0.0f}, {0.4f, 0.0f}, {1.1f, 0.0f}, {0.8f, 0.8f}})
    EXPECT_EQ(At(frame, x, y), White) << x << ", " << y;
}

}  // namespace

// A plane in a whole frame on a real Mesa driver, which raises on an OpenGL error: the pixels it
// covers, drawn as one quad or as tiles.
#include <gtest/gtest.h>

#include "engine/GLObjects/Plane.h"
#include "tests/engine/scene/TopViewFrame.h"

namespace {

constexpr int cSize = 64;
const QColor cBackground(255, 255, 255), cRed(255, 0, 0);

class PlaneLive : public TopViewFrameTest {
 protected:
  void SetUp() override {
    TopViewFrameTest::SetUp();
    StartFrames(cSize, 1);
  }
};

TEST_F(PlaneLive, APlaneCoversItsRectangleAsOneQuadOrAsTiles) {
  auto* plane = TGLBaseSceneObject::CreateAsChild<TGLPlane>(Scene.GetObjects());
  plane->GetMaterial()->GetFrontProperties()->GetDiffuse()->SetRGBA(1, 0, 0, 1);
  plane->GetMaterial()->SetMaterialOptions(moNoLighting);
  plane->SetWidth(1);
  plane->SetHeight(0.5f);
  plane->GetPosition()->SetPoint(0.25f, 0, 0);
  const struct Case {
    const char* name;
    TPlaneStyles style;
    uint32_t xTiles, yTiles;
    bool noZWrite;
  } cases[] = {
      {"one quad", cDefaultPlaneStyles, 1, 1, false},
      {"tiles", psTileTexture, 5, 3, false},
      {"tiles without depth writes", 0, 2, 7, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    plane->SetStyle(c.style);
    plane->SetXTiles(c.xTiles);
    plane->SetYTiles(c.yTiles);
    plane->SetNoZWrite(c.noZWrite);
    // x from -0.25 to 0.75 and y from -0.25 to 0.25, 32 pixels to the unit.
    EXPECT_TRUE(CoversExactly(Frame(), 24, 24, 56, 40, cRed, cBackground));
  }
  plane->SetStyle(psTileTexture);
  plane->SetXTiles(0);
  EXPECT_TRUE(CoversExactly(Frame(), 0, 0, 0, 0, cRed, cBackground)) << "no tiles, no plane";
}

}  // namespace

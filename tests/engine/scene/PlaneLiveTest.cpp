// A plane in a whole frame on a real Mesa driver, which raises on an OpenGL error: the pixels it
// covers, drawn as one quad or as tiles.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/GLObjects/Plane.h"
#include "tests/engine/scene/TopViewFrame.h"

namespace {

constexpr int cSize = 64;
const QColor cBackground(255, 255, 255), cRed(255, 0, 0);

// Where the pixels of a colour lie, for a failure message.
std::string Bounds(const QImage& image, const QColor& colour) {
  int left = image.width(), top = image.height(), right = 0, bottom = 0, count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == colour) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
        ++count;
      }
  return std::to_string(count) + " pixels of it within [" + std::to_string(left) + ", " +
         std::to_string(right) + ") x [" + std::to_string(top) + ", " + std::to_string(bottom) +
         ")";
}

// Every pixel inside [left, right) x [top, bottom) of the image (top row first) is Inside and
// every other one Outside; else the first that is not.
testing::AssertionResult CoversExactly(const QImage& image, int left, int top, int right,
                                       int bottom, const QColor& inside, const QColor& outside) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const bool in = x >= left && x < right && y >= top && y < bottom;
      const QColor expected = in ? inside : outside;
      if (image.pixelColor(x, y) != expected)
        return testing::AssertionFailure()
               << "(" << x << ", " << y << ") is " << image.pixelColor(x, y).name().toStdString()
               << ", not " << expected.name().toStdString() << "; " << Bounds(image, inside);
    }
  return testing::AssertionSuccess();
}

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

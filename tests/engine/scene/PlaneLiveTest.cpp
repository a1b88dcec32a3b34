// A plane in a whole frame on a real Mesa driver, which raises on an OpenGL error: the pixels it
// covers, drawn as one quad or as tiles.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "engine/GLObjects/Plane.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "tests/support/SceneGL.h"

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

class PlaneLive : public SceneGLUnitsTest {
 protected:
  void SetUp() override {
    SceneGLUnitsTest::SetUp();
    // Looking down the Z axis onto the XY plane, which fills the view from -1 to 1 both ways.
    camera->SetCameraStyle(csOrthogonal);
    camera->SetFocalLength(50);
    camera->GetPosition()->SetPoint(0, 0, 20);
    camera->GetDirection()->SetVector(0, 0, -1);
    camera->GetUp()->SetVector(0, 1, 0);
    buffer = std::make_unique<TGLSceneBuffer>(nullptr);
    buffer->SetBackgroundColor(0xFFFFFF);
    buffer->SetViewPort(0, 0, cSize, cSize);
    buffer->CreateRC(nullptr, true);
    buffer->SetCamera(camera);
  }
  void TearDown() override {
    buffer.reset();
    SceneGLUnitsTest::TearDown();
  }
  QImage Frame() {
    buffer->Render();
    return ReadContextPixels(*buffer->GetRenderingContext(), cSize, cSize);
  }

  TGLSceneGraph scene{nullptr};
  TGLCamera* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(scene.GetCameras());
  std::unique_ptr<TGLSceneBuffer> buffer;
};

TEST_F(PlaneLive, APlaneCoversItsRectangleAsOneQuadOrAsTiles) {
  auto* plane = TGLBaseSceneObject::CreateAsChild<TGLPlane>(scene.GetObjects());
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

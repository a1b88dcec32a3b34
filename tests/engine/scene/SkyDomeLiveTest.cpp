// The 3D window's earth sky in whole frames on a real Mesa context: haze at the horizon, the
// deep colour below it, and the sun's glow overhead, each as the colour model gives it.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <memory>

#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "engine/GLSkydome.h"
#include "tests/support/SceneGL.h"

namespace {

class SkyDomeFrames : public SceneGLUnitsTest {
 protected:
  void SetUp() override {
    SceneGLUnitsTest::SetUp();
    dome->SetSunElevation(85);
    dome->SetTurbidity(15);
    dome->GetSunZenithColor()->SetRGBA(0.95f, 0.95f, 0.6f, 1);
    dome->GetHazeColor()->SetRGBA(112 / 255.0f, 147 / 255.0f, 219 / 255.0f, 1);
    dome->GetSkyColor()->SetRGBA(50 / 255.0f, 153 / 255.0f, 204 / 255.0f, 1);
    dome->SetSlices(32);
    dome->SetStacks(16);
    buffer = std::make_unique<TGLSceneBuffer>(nullptr);
    buffer->SetBackgroundColor(RGB(255, 0, 255));
    buffer->SetViewPort(0, 0, 64, 64);
    buffer->CreateRC(nullptr, true);
    buffer->SetCamera(camera);
    // The near plane half as far as the viewport is wide: 45 degrees from the centre to an edge.
    camera->SetFocalLength(25.4f * 64 / (4.0f * cDefaultRenderDPI));
  }
  void TearDown() override {
    buffer.reset();
    SceneGLUnitsTest::TearDown();
  }
  QImage Frame(const TVector& direction, const TVector& up) {
    TGLCoordinates d(nullptr, direction, ckVector), u(nullptr, up, ckVector);
    camera->SetDirection(&d);
    camera->SetUp(&u);
    buffer->Render();
    return ReadContextPixels(*buffer->GetRenderingContext(), 64, 64);
  }
  static void ExpectClose(const QColor& pixel, const TColorVector& model, int tolerance) {
    EXPECT_NEAR(pixel.red(), model[0] * 255, tolerance);
    EXPECT_NEAR(pixel.green(), model[1] * 255, tolerance);
    EXPECT_NEAR(pixel.blue(), model[2] * 255, tolerance);
  }

  TGLSceneGraph scene{nullptr};
  TGLEarthSkyDome* dome = TGLBaseSceneObject::CreateAsChild<TGLEarthSkyDome>(scene.GetObjects());
  TGLCamera* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(scene.GetCameras());
  std::unique_ptr<TGLSceneBuffer> buffer;
};

TEST_F(SkyDomeFrames, TheSkyFillsTheViewInTheModelsColours) {
  // Facing away from the sun: the top row is 45 degrees up, the bottom one 45 degrees down.
  const QImage away = Frame({-1, 0, 0, 0}, {0, 0, 1, 0});
  for (int y = 0; y < 64; y += 9)
    for (int x = 0; x < 64; x += 9)
      ASSERT_NE(away.pixelColor(x, y), QColor(Qt::magenta)) << "the dome covers " << x << ", " << y;
  const QColor horizon = away.pixelColor(32, 30), high = away.pixelColor(32, 0),
               low = away.pixelColor(32, 63);
  // Haze near the horizon, the sky colour higher up, the deep colour toward the nadir.
  ExpectClose(high, dome->GetModel().SkyColor, 8);
  EXPECT_GT(horizon.red(), high.red() + 30);
  EXPECT_LT(low.red() + low.green(), horizon.red() + horizon.green());

  // Looking up with the sun's side at the top of the view: the sun's glow is brightest 5 degrees
  // above the centre, in the sun's colour, and brighter than the sky at the horizon.
  const QImage up = Frame({0, 0, 1, 0}, {1, 0, 0, 0});
  QPoint brightest;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      if (up.pixelColor(x, y).red() > up.pixelColor(brightest).red()) brightest = {x, y};
  EXPECT_NEAR(brightest.x(), 31.5, 2);
  EXPECT_NEAR(brightest.y(), 31.5 - 32 * std::tan(DegToRad(5.0f)), 2);
  ExpectClose(up.pixelColor(brightest), dome->GetModel().SunColor, 8);
  EXPECT_GT(up.pixelColor(32, 32).red(), horizon.red());
}

}  // namespace

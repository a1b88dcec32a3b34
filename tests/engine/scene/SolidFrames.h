#pragma once
// Live frames of the solids seen from above: a 64-pixel square view of -1.5 .. 1.5 both ways
// down the Z axis, white behind, the solids in flat unlit colours, and the colour a frame shows
// at a point of the XY plane.

#include <QColor>
#include <QImage>

#include "engine/GLSceneGraph/SceneObjects.h"
#include "tests/engine/scene/TopViewFrame.h"

class SolidFrameTest : public TopViewFrameTest {
 protected:
  static constexpr int Size = 64;
  static constexpr float HalfExtent = 1.5f;

  void SetUp() override {
    TopViewFrameTest::SetUp();
    StartFrames(Size, HalfExtent);
  }

  // The object in one flat colour, whatever the light.
  static void Paint(TGLCustomSceneObject& Object, const TColorVector& Colour) {
    Object.GetMaterial()->GetFrontProperties()->GetDiffuse()->SetColor(Colour);
    Object.GetMaterial()->SetMaterialOptions(moNoLighting);
  }

  // The colour at the pixel that (x, y) falls in.
  static QColor At(const QImage& Frame, float x, float y) {
    const float pixels = Size / (2 * HalfExtent);
    return Frame.pixelColor(int((x + HalfExtent) * pixels), int((HalfExtent - y) * pixels));
  }

  static inline const QColor White{255, 255, 255}, Red{255, 0, 0};
};

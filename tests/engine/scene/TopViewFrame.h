#pragma once
// Live frames of the flat scene objects, seen from above through a whole scene buffer: a square
// view down the Z axis onto the XY plane, parallel projection, white background. A frame raises
// on an OpenGL error.

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <memory>
#include <string>

#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "tests/support/SceneGL.h"

class TopViewFrameTest : public SceneGLUnitsTest {
 protected:
  // Size x Size pixels, the view spanning -HalfExtent .. HalfExtent both ways.
  void StartFrames(int Size, float HalfExtent) {
    FSize = Size;
    Camera->SetCameraStyle(csOrthogonal);
    // A parallel projection of a square view spans 50 / FocalLength either side of its centre.
    Camera->SetFocalLength(50 / HalfExtent);
    Camera->GetPosition()->SetPoint(0, 0, 20);
    Camera->GetDirection()->SetVector(0, 0, -1);
    Camera->GetUp()->SetVector(0, 1, 0);
    Buffer = std::make_unique<TGLSceneBuffer>(nullptr);
    Buffer->SetBackgroundColor(0xFFFFFF);
    Buffer->SetViewPort(0, 0, Size, Size);
    Buffer->CreateRC(nullptr, true);
    Buffer->SetCamera(Camera);
  }
  void TearDown() override {
    Buffer.reset();
    SceneGLUnitsTest::TearDown();
  }
  // A frame, top row first.
  QImage Frame() {
    Buffer->Render();
    return ReadContextPixels(*Buffer->GetRenderingContext(), FSize, FSize);
  }

  TGLSceneGraph Scene{nullptr};
  TGLCamera* Camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Scene.GetCameras());
  std::unique_ptr<TGLSceneBuffer> Buffer;

 private:
  int FSize = 0;
};

// Where the pixels of a colour lie, for a failure message.
inline std::string Bounds(const QImage& image, const QColor& colour) {
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
inline testing::AssertionResult CoversExactly(const QImage& image, int left, int top, int right,
                                              int bottom, const QColor& inside,
                                              const QColor& outside) {
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

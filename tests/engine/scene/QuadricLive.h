#pragma once
// Whole frames of quadric objects through a scene buffer on the engine's memory context: a
// camera on the z axis looking at the origin, a white light beside it, and the frame read back
// with a way to find the pixel a world point lands on.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPoint>
#include <memory>

#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/LightSource.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "tests/support/SceneGL.h"

class QuadricLive : public SceneGLUnitsTest {
 protected:
  static constexpr int Width = 160;
  static constexpr int Height = 120;
  // Red 51, green 102, blue 204.
  static constexpr TColor Background = 0xCC6633;

  void SetUp() override {
    SceneGLUnitsTest::SetUp();
    FBuffer = std::make_unique<TGLSceneBuffer>(nullptr);
    FBuffer->SetBackgroundColor(Background);
    FBuffer->SetViewPort(0, 0, Width, Height);
    FBuffer->CreateRC(nullptr, true);
    FBuffer->SetCamera(camera);
    LookFrom({0, 0, 15}, {0, 1, 0});
  }
  void TearDown() override {
    FBuffer.reset();
    SceneGLUnitsTest::TearDown();
  }

  // The camera at Eye looking at the origin; the light sits beside the eye.
  void LookFrom(const TAffineVector& Eye, const TAffineVector& Up) {
    camera->GetPosition()->SetPoint(Eye[X], Eye[Y], Eye[Z]);
    camera->GetDirection()->SetVector(-Eye[X], -Eye[Y], -Eye[Z]);
    camera->GetUp()->SetVector(Up[X], Up[Y], Up[Z]);
    light->GetPosition()->SetPoint(Eye[X] + Up[X], Eye[Y] + Up[Y], Eye[Z] + Up[Z]);
  }

  // One frame; a raised OpenGL error fails the test.
  QImage Frame() {
    EXPECT_NO_THROW(FBuffer->Render());
    return ReadContextPixels(*FBuffer->GetRenderingContext(), Width, Height);
  }

  // Where the point lands in the frame of the last render, top row 0.
  QPoint Pixel(const TAffineVector& Point) {
    TVector eye, clip;
    VectorTransform(TVector{Point[X], Point[Y], Point[Z], 1}, FBuffer->GetModelViewMatrix(), eye);
    VectorTransform(eye, FBuffer->GetProjectionMatrix(), clip);
    const double x = (clip[X] / clip[W] + 1) / 2 * Width;
    const double y = (1 - (clip[Y] / clip[W] + 1) / 2) * Height;
    return QPoint(int(x), int(y));
  }

  // The colour at the point's pixel in the image.
  QColor At(const QImage& Image, const TAffineVector& Point) {
    return Image.pixelColor(Pixel(Point));
  }

  static bool IsBackground(const QColor& Colour) { return Colour == QColor(51, 102, 204); }
  // Lit red, orange or blue: the strongest channel tells them apart.
  static bool Reddish(const QColor& Colour) {
    return Colour.red() > Colour.green() && Colour.red() > Colour.blue();
  }
  static bool Bluish(const QColor& Colour) {
    return Colour.blue() > Colour.red() && Colour.blue() > Colour.green() && !IsBackground(Colour);
  }

  TGLSceneGraph scene{nullptr};
  TGLCamera* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(scene.GetCameras());
  TGLLightSource* light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(scene.GetObjects());

 private:
  std::unique_ptr<TGLSceneBuffer> FBuffer;
};

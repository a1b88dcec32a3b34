#pragma once
// Live frames of the flat scene objects, seen from above through a whole scene buffer: a square
// view down the Z axis onto the XY plane, parallel projection, white background. A frame raises
// on an OpenGL error.

#include <gtest/gtest.h>

#include <QImage>
#include <memory>

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

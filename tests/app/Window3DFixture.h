#pragma once
// The 3D window's suites: the program's units started once for the run, a 3D window on the
// stored layout, and checks of vectors and colours.

#include "tests/support/Raises.h"
// clang-format off
// Qt's headers come before the engine's OpenGL binding, whose names would rename their members.
#include <QApplication>
#include <QTest>
// clang-format on

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/d3ddlg.h"
#include "app/units.h"
#include "engine/GLGeomObjects.h"
#include "engine/GLGraph.h"
#include "engine/GLObjects.h"
#include "engine/GLSceneGraph.h"
#include "engine/GLSkydome.h"
#include "engine/platform/GLSceneViewer.h"

// The start-up and shut-down of the program's units around the whole run, once the application
// object exists.
class TProgramUnits : public testing::Environment {
 public:
  void SetUp() override { InitializeUnits(); }
  void TearDown() override { FinalizeUnits(); }
};

inline void ExpectVector(const TVector& actual, const TVector& expected, float tolerance = 1e-6f) {
  for (int i = 0; i < 4; ++i)
    EXPECT_NEAR(actual[i], expected[i], tolerance)
        << "component " << i << " of (" << actual[0] << ", " << actual[1] << ", " << actual[2]
        << ", " << actual[3] << ")";
}

inline TGLColor* FrontDiffuse(TGLCustomSceneObject* object) {
  return object->GetMaterial()->GetFrontProperties()->GetDiffuse();
}

inline float DistanceToTarget(TGLCamera* camera) {
  return VectorLength(
      VectorSubtract(camera->AbsolutePosition(), camera->GetTargetObject()->AbsolutePosition()));
}

// A 3D window on a layout, the stored one unless a suite gives another.
class Window3DTest : public testing::Test {
 protected:
  virtual std::string Layout() const { return Tfrm3D::StoredLayout(); }
  void SetUp() override { form = std::make_unique<Tfrm3D>(nullptr, Layout()); }
  void TearDown() override { form.reset(); }

  // The objects the window added to the scene, in the root's order.
  std::vector<TGLPlane*> NewPlanes() const {
    std::vector<TGLPlane*> planes;
    TGLBaseSceneObject* root = form->GLSceneGraph->GetObjects();
    for (int i = StoredObjects; i < root->Count(); ++i)
      planes.push_back(dynamic_cast<TGLPlane*>(root->GetChild(i)));
    return planes;
  }

  // The camera's place after `action`, against the orbit by `pitch` and `turn` made directly
  // from where the camera was.
  void ExpectOrbit(float pitch, float turn, const std::function<void()>& action) {
    TGLCamera* camera = form->GLCamera;
    const TVector start = camera->GetPosition()->GetAsVector();
    action();
    const TVector moved = camera->GetPosition()->GetAsVector();
    camera->GetPosition()->SetAsVector(start);
    camera->MoveAroundTarget(pitch, turn);
    ExpectVector(moved, camera->GetPosition()->GetAsVector());
  }

  // Sky dome, two lights, two spheres, grid, two arrows and the template plane.
  static constexpr int StoredObjects = 9;
  std::unique_ptr<Tfrm3D> form;
};

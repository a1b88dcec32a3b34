// The camera's settings, their notices and layout values, its target, and the moves about it.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "engine/GLSceneGraph.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/LightSource.h"
#include "tests/engine/scene/CameraLightChecks.h"

namespace {

using namespace camera_light_test;

using TCountingCamera = TCounting<TGLCamera>;

class CameraTest : public ::testing::Test {
 protected:
  TGLSceneGraph Scene{nullptr};
  TCountingCamera* Camera = TGLBaseSceneObject::CreateAsChild<TCountingCamera>(Scene.GetCameras());
};

TEST_F(CameraTest, ANewCameraLooksDownMinusZThroughAFiftyMillimetreLens) {
  TGLCamera camera(nullptr);
  EXPECT_EQ(camera.GetFocalLength(), 50);
  EXPECT_EQ(camera.GetDepthOfView(), 100);
  EXPECT_EQ(camera.GetNearPlaneBias(), 1);
  EXPECT_EQ(camera.GetSceneScale(), 1);
  EXPECT_EQ(camera.GetCameraStyle(), csPerspective);
  EXPECT_EQ(camera.GetTargetObject(), nullptr);
  EXPECT_EQ(camera.GetDirection()->GetAsVector(), (TVector{0, 0, -1, 0}));
  EXPECT_EQ(camera.GetUp()->GetAsVector(), (TVector{0, 1, 0, 0}));
}

// A value the projection cannot be built from is refused; one of 0 or less becomes 1 where the
// setting must be positive.
TEST_F(CameraTest, SettersClampOrRefuseWhatNoProjectionCanUse) {
  using Getter = float (TGLCamera::*)() const;
  using Setter = void (TGLCamera::*)(float);
  const struct {
    const char* property;
    Getter get;
    Setter set;
    float before, value, after;
  } cases[] = {
      {"FocalLength", &TGLCamera::GetFocalLength, &TGLCamera::SetFocalLength, 50, 35, 35},
      {"FocalLength", &TGLCamera::GetFocalLength, &TGLCamera::SetFocalLength, 50, -5, 1},
      {"FocalLength", &TGLCamera::GetFocalLength, &TGLCamera::SetFocalLength, 50, 0, 1},
      {"FocalLength", &TGLCamera::GetFocalLength, &TGLCamera::SetFocalLength, 50, -Inf, 1},
      {"FocalLength", &TGLCamera::GetFocalLength, &TGLCamera::SetFocalLength, 50, Inf, 50},
      {"FocalLength", &TGLCamera::GetFocalLength, &TGLCamera::SetFocalLength, 50, NaN, 50},
      {"DepthOfView", &TGLCamera::GetDepthOfView, &TGLCamera::SetDepthOfView, 100, 20, 20},
      {"DepthOfView", &TGLCamera::GetDepthOfView, &TGLCamera::SetDepthOfView, 100, 0, 100},
      {"DepthOfView", &TGLCamera::GetDepthOfView, &TGLCamera::SetDepthOfView, 100, -1, 100},
      {"DepthOfView", &TGLCamera::GetDepthOfView, &TGLCamera::SetDepthOfView, 100, Inf, 100},
      {"DepthOfView", &TGLCamera::GetDepthOfView, &TGLCamera::SetDepthOfView, 100, NaN, 100},
      {"NearPlaneBias", &TGLCamera::GetNearPlaneBias, &TGLCamera::SetNearPlaneBias, 2, 0.5f, 0.5f},
      {"NearPlaneBias", &TGLCamera::GetNearPlaneBias, &TGLCamera::SetNearPlaneBias, 2, -1, 1},
      {"NearPlaneBias", &TGLCamera::GetNearPlaneBias, &TGLCamera::SetNearPlaneBias, 2, 0, 1},
      {"NearPlaneBias", &TGLCamera::GetNearPlaneBias, &TGLCamera::SetNearPlaneBias, 2, Inf, 2},
      {"NearPlaneBias", &TGLCamera::GetNearPlaneBias, &TGLCamera::SetNearPlaneBias, 2, NaN, 2},
      {"SceneScale", &TGLCamera::GetSceneScale, &TGLCamera::SetSceneScale, 2, 0, 1},
      {"SceneScale", &TGLCamera::GetSceneScale, &TGLCamera::SetSceneScale, 2, -3, -3},
      {"SceneScale", &TGLCamera::GetSceneScale, &TGLCamera::SetSceneScale, 2, Inf, 2},
      {"SceneScale", &TGLCamera::GetSceneScale, &TGLCamera::SetSceneScale, 2, -Inf, 2},
      {"SceneScale", &TGLCamera::GetSceneScale, &TGLCamera::SetSceneScale, 2, NaN, 2},
  };
  for (const auto& c : cases) {
    TGLCamera camera(nullptr);
    (camera.*c.set)(c.before);
    (camera.*c.set)(c.value);
    EXPECT_EQ((camera.*c.get)(), c.after) << c.property << " := " << c.value;
  }
}

TEST_F(CameraTest, PlacementSettingsMarkTheTransformationTheOthersOnlyNotify) {
  auto* target = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(Scene.GetObjects());
  const struct {
    const char* what;
    std::function<void(TGLCamera&)> change;
    bool transformation;
    size_t notices;
  } cases[] = {
      {"FocalLength", [](TGLCamera& c) { c.SetFocalLength(105); }, true, 1},
      {"DepthOfView", [](TGLCamera& c) { c.SetDepthOfView(20); }, true, 1},
      {"TargetObject", [&](TGLCamera& c) { c.SetTargetObject(target); }, true, 1},
      {"CameraStyle", [](TGLCamera& c) { c.SetCameraStyle(csOrthogonal); }, false, 1},
      {"SceneScale", [](TGLCamera& c) { c.SetSceneScale(2); }, false, 1},
      {"NearPlaneBias", [](TGLCamera& c) { c.SetNearPlaneBias(2); }, false, 1},
      {"an equal FocalLength", [](TGLCamera& c) { c.SetFocalLength(50); }, false, 0},
      {"FocalLength 1 after a clamp", [](TGLCamera& c) { c.SetFocalLength(-1); }, true, 1},
      {"a refused DepthOfView", [](TGLCamera& c) { c.SetDepthOfView(0); }, false, 0},
      {"an equal SceneScale after a clamp", [](TGLCamera& c) { c.SetSceneScale(0); }, false, 0},
  };
  for (const auto& c : cases) {
    auto* camera = TGLBaseSceneObject::CreateAsChild<TCountingCamera>(Scene.GetCameras());
    camera->AbsoluteMatrix();
    camera->Notices = 0;
    c.change(*camera);
    EXPECT_EQ((camera->GetChangeFlags() & chLocalDirty) != 0, c.transformation) << c.what;
    EXPECT_EQ(camera->Notices, c.notices) << c.what;
    delete camera;
  }
}

TEST_F(CameraTest, AFreedTargetIsForgotten) {
  auto* first = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(Scene.GetObjects());
  auto* second = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(Scene.GetObjects());
  Camera->SetTargetObject(first);
  Camera->SetTargetObject(second);
  delete first;
  EXPECT_EQ(Camera->GetTargetObject(), second) << "a former target is no longer watched";
  Camera->AbsoluteMatrix();
  Camera->Notices = 0;
  delete second;
  EXPECT_EQ(Camera->GetTargetObject(), nullptr);
  EXPECT_EQ(Camera->Notices, 1u) << "losing the target changes the view";

  auto* target = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(Scene.GetObjects());
  Camera->SetTargetObject(target);
  delete Camera;
  delete target;  // would tell the freed camera if it still watched it
}

TEST_F(CameraTest, AdjustDistanceToTargetScalesTheDistanceInTheParentsFrame) {
  auto* target = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(Scene.GetObjects());
  auto* mount = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(Scene.GetCameras());
  mount->GetPosition()->SetPoint(5, 0, 0);
  const struct {
    const char* what;
    TGLBaseSceneObject* parent;
    TVector targetAt, cameraAt;
    float ratio;
    TVector expected;
  } cases[] = {
      {"under the root", Scene.GetCameras(), {0, 0, 0, 1}, {0, 0, 10, 1}, 0.5f, {0, 0, 5, 1}},
      {"under the root", Scene.GetCameras(), {0, 0, 0, 1}, {0, 0, 10, 1}, 1, {0, 0, 10, 1}},
      {"under the root", Scene.GetCameras(), {0, 0, 0, 1}, {0, 0, 10, 1}, 2, {0, 0, 20, 1}},
      {"under a translated parent", mount, {5, 0, 0, 1}, {0, 0, 10, 1}, 0.5f, {0, 0, 5, 1}},
      {"under a translated parent", mount, {5, 0, 0, 1}, {0, 0, 10, 1}, 1, {0, 0, 10, 1}},
      {"under a translated parent", mount, {1, 2, 3, 1}, {0, 0, 9, 1}, 0, {-4, 2, 3, 1}},
  };
  for (const auto& c : cases) {
    auto* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(c.parent);
    camera->GetPosition()->SetAsVector(c.cameraAt);
    target->GetPosition()->SetAsVector(c.targetAt);
    camera->AdjustDistanceToTarget(c.ratio);
    EXPECT_EQ(camera->GetPosition()->GetAsVector(), c.cameraAt) << "no target: " << c.what;
    camera->SetTargetObject(target);
    camera->AdjustDistanceToTarget(c.ratio);
    ExpectNear(camera->GetPosition()->GetAsVector(), c.expected,
               std::string(c.what) + " x " + std::to_string(c.ratio));
    EXPECT_EQ(camera->GetDirection()->GetAsVector(), (TVector{0, 0, -1, 0})) << c.what;
    delete camera;
  }
}

TEST_F(CameraTest, MoveAroundTargetOrbitsAtTheSameDistance) {
  Camera->GetPosition()->SetPoint(0, 0, 10);
  Camera->MoveAroundTarget(0, 90);
  EXPECT_EQ(Camera->GetPosition()->GetAsVector(), (TVector{0, 0, 10, 1})) << "no target";

  auto* target = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(Scene.GetObjects());
  target->GetPosition()->SetPoint(0, 1, 0);
  Camera->SetTargetObject(target);
  Camera->MoveAroundTarget(0, 90);
  // From (0, -1, 10) off the target a quarter turn about Up leads to (10, -1, 0) or (-10, -1, 0).
  const TVector p = Camera->GetPosition()->GetAsVector();
  EXPECT_NEAR(std::fabs(p[X]), 10, 1e-4);
  EXPECT_NEAR(p[Y], 0, 1e-4);
  EXPECT_NEAR(p[Z], 0, 1e-4);
  EXPECT_EQ(Camera->GetDirection()->GetAsVector(), (TVector{0, 0, -1, 0}));
}

TEST_F(CameraTest, FieldOfViewAndFocalLengthConvertBothWays) {
  Camera->SetFocalLength(50);
  EXPECT_FLOAT_EQ(Camera->GetFieldOfView(100), 90);
  const struct {
    float focalLength, dimension;
  } cases[] = {{50, 100}, {105, 800}, {35, 600}, {5, 100}, {1000, 1}};
  for (const auto& c : cases) {
    Camera->SetFocalLength(c.focalLength);
    Camera->SetFieldOfView(Camera->GetFieldOfView(c.dimension), c.dimension);
    EXPECT_NEAR(Camera->GetFocalLength(), c.focalLength, c.focalLength * 1e-5)
        << c.focalLength << " over " << c.dimension;
  }
  Camera->SetFocalLength(50);
  Camera->SetFieldOfView(0, 100);
  EXPECT_EQ(Camera->GetFocalLength(), 50) << "no field of view gives no focal length";
}

TEST_F(CameraTest, AnApplyOverrideReplacesTheWholeOfApply) {
  TObject* sender = nullptr;
  Camera->OnApplyOverride = [&](TObject* s) { sender = s; };
  Camera->Apply();  // a call to OpenGL would raise here: no implementation is loaded
  EXPECT_EQ(sender, Camera);
  EXPECT_NE(Camera->GetChangeFlags() & chListDirty, 0) << "the view stays marked as changed";
}

TEST_F(CameraTest, TheCameraIsNeverHitByARay) {
  Camera->SetTargetObject(nullptr);
  TVector point{7, 7, 7, 7};
  EXPECT_FALSE(Camera->RayCastIntersect({0, 0, 20, 1}, {0, 0, -1, 0}, &point));
  EXPECT_EQ(point, (TVector{7, 7, 7, 7}));
}

// As in a window layout: the form owns the scene and its nodes.
TEST_F(CameraTest, LayoutKeepsTheSettingsAndTheTarget) {
  RegisterGLSceneGraph();
  TComponent form(nullptr);
  auto* scene = MakeNamed<TGLSceneGraph>(form, "Scene");
  auto* light = MakeNamed<TGLLightSource>(form, "Lamp");
  scene->GetObjects()->AddChild(light);
  auto* camera = MakeNamed<TGLCamera>(form, "Eye");
  scene->GetCameras()->AddChild(camera);
  camera->SetFocalLength(105);
  camera->SetDepthOfView(40);
  camera->SetCameraStyle(csOrthogonal);
  camera->SetTargetObject(light);
  std::string layout = WriteLayout(&form);
  for (const char* line : {"FocalLength = 105.0\n", "DepthOfView = 40.0\n",
                           "CameraStyle = csOrthogonal\n", "TargetObject = Lamp\n"})
    EXPECT_NE(layout.find(line), std::string::npos) << line << layout;
  for (const char* left : {"SceneScale", "NearPlaneBias"})
    EXPECT_EQ(layout.find(left), std::string::npos) << "1 is left out: " << left;

  camera->SetSceneScale(2);
  camera->SetNearPlaneBias(0.5f);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("SceneScale = 2.0\n"), std::string::npos) << layout;
  EXPECT_NE(layout.find("NearPlaneBias = 0.5\n"), std::string::npos) << layout;

  TComponent read(nullptr);
  TStringStream stream(layout);
  stream.ReadComponent(&read);
  auto* readScene = dynamic_cast<TGLSceneGraph*>(read.FindComponent("Scene"));
  auto* readCamera = dynamic_cast<TGLCamera*>(read.FindComponent("Eye"));
  ASSERT_NE(readScene, nullptr);
  ASSERT_NE(readCamera, nullptr);
  EXPECT_EQ(readCamera->GetParent(), readScene->GetCameras());
  EXPECT_EQ(readCamera->GetFocalLength(), 105);
  EXPECT_EQ(readCamera->GetDepthOfView(), 40);
  EXPECT_EQ(readCamera->GetCameraStyle(), csOrthogonal);
  EXPECT_EQ(readCamera->GetSceneScale(), 2);
  EXPECT_EQ(readCamera->GetNearPlaneBias(), 0.5f);
  EXPECT_EQ(readCamera->GetTargetObject(), read.FindComponent("Lamp"));
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace

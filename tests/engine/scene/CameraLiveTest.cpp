// The camera's projection and viewing transform as a real OpenGL implementation holds them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <utility>

#include "engine/GLSceneGraph.h"
#include "engine/GLSceneGraph/Camera.h"
#include "tests/engine/scene/CameraLightChecks.h"
#include "tests/support/SceneGL.h"

namespace {

using camera_light_test::ExpectNear;

TMatrix ReadMatrix(GLenum pname) {
  TMatrix m;
  glGetFloatv(pname, m[0].data());
  return m;
}

void ExpectMatrixNear(const TMatrix& actual, const TMatrix& expected, const std::string& what) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(actual[i][j], expected[i][j], 2e-6 * std::fmax(1, std::fabs(expected[i][j])))
          << what << ": element " << 4 * i + j;
}

// Every projection is multiplied onto what the matrix held, as a picking matrix would be.
void LoadBase() {
  glLoadIdentity();
  glTranslatef(0.25f, -0.5f, 0);
  glScalef(2, 3, 1);
}

using CameraLive = SceneGLTest;

TEST_F(CameraLive, ProjectionsAreMultipliedOntoTheCurrentMatrix) {
  const TRectangle full{0, 0, 800, 600};
  const struct {
    const char* what;
    TGLCameraStyle style;
    float focalLength, nearPlaneBias, sceneScale;
    TRectangle viewport;
    std::function<void()> expected;
    float nearPlane, viewPortRadius;
  } cases[] = {
      // near = 96 * 50 * 2 / (25.4 * 800); the frustum's half width is 0.5 at the near plane.
      {"perspective", csPerspective, 50, 1, 1, full,
       [] { glFrustum(-0.5, 0.5, -0.375, 0.375, 0.47244094, 100.47244094); }, 0.47244094f,
       0.625f / 0.47244094f},
      {"orthogonal", csOrthogonal, 35, 1, 1, full,
       [] { glOrtho(-1.4285714, 1.4285714, -1.0714286, 1.0714286, 0.33070866, 100.33070866); },
       0.33070866f, 1.7857143f / 0.33070866f},
      {"perspective with bias and scale", csPerspective, 50, 0.5f, 2, full,
       [] { glFrustum(-0.125, 0.125, -0.09375, 0.09375, 0.23622047, 100.23622047); }, 0.23622047f,
       0.15625f / 0.23622047f},
      {"perspective, viewport off the corner",
       csPerspective,
       50,
       1,
       1,
       {100, 50, 800, 600},
       [] { glFrustum(-0.375, 0.625, -0.3125, 0.4375, 0.47244094, 100.47244094); },
       0.47244094f,
       std::sqrt(0.625f * 0.625f + 0.4375f * 0.4375f) / 0.47244094f},
      {"ortho 2D", csOrtho2D, 50, 1, 1, full, [] { gluOrtho2D(0, 800, 0, 600); }, -1, 500},
  };
  for (const auto& c : cases) {
    TGLCamera camera(nullptr);
    camera.SetCameraStyle(c.style);
    camera.SetFocalLength(c.focalLength);
    camera.SetNearPlaneBias(c.nearPlaneBias);
    camera.SetSceneScale(c.sceneScale);
    glMatrixMode(GL_PROJECTION);
    LoadBase();
    c.expected();
    const TMatrix expected = ReadMatrix(GL_PROJECTION_MATRIX);
    LoadBase();
    camera.ApplyPerspective(c.viewport, 800, 600, 96);
    ExpectMatrixNear(ReadMatrix(GL_PROJECTION_MATRIX), expected, c.what);
    EXPECT_FLOAT_EQ(camera.GetNearPlane(), c.nearPlane) << c.what;
    EXPECT_NEAR(camera.GetViewPortRadius(), c.viewPortRadius, 1e-5) << c.what;
    CheckOpenGLError();
  }
}

TEST_F(CameraLive, AnInfinitePerspectiveHasNoFarPlane) {
  TGLCamera camera(nullptr);
  camera.SetCameraStyle(csInfinitePerspective);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  camera.ApplyPerspective({0, 0, 800, 600}, 800, 600, 96);
  const float n = 0.47244094f, e = 1e-4f;
  ExpectMatrixNear(
      ReadMatrix(GL_PROJECTION_MATRIX),
      {{{2 * n, 0, 0, 0}, {0, 2 * n / 0.75f, 0, 0}, {0, 0, e - 1, -1}, {0, 0, (e - 2) * n, 0}}},
      "infinite perspective");
  // A point however far away stays in front of the far end of the depth range.
  TVector clip;
  VectorTransform({0, 0, -1e6f, 1}, ReadMatrix(GL_PROJECTION_MATRIX), clip);
  EXPECT_LT(clip[Z] / clip[W], 1);
  CheckOpenGLError();
}

TEST_F(CameraLive, AnEmptyViewportLeavesTheProjectionAlone) {
  for (const auto& size : {std::pair{0, 600}, std::pair{800, 0}, std::pair{-1, -1}}) {
    for (TGLCameraStyle style : {csPerspective, csOrtho2D, csCustom}) {
      TGLCamera camera(nullptr);
      camera.SetCameraStyle(style);
      bool called = false;
      camera.OnCustomPerspective = [&](const TRectangle&, int, int, int, float&) { called = true; };
      glMatrixMode(GL_PROJECTION);
      LoadBase();
      const TMatrix before = ReadMatrix(GL_PROJECTION_MATRIX);
      camera.ApplyPerspective({0, 0, size.first, size.second}, size.first, size.second, 96);
      EXPECT_EQ(ReadMatrix(GL_PROJECTION_MATRIX), before) << size.first << " x " << size.second;
      EXPECT_EQ(camera.GetNearPlane(), 0);
      EXPECT_EQ(camera.GetViewPortRadius(), 0);
      EXPECT_FALSE(called);
    }
  }
}

TEST_F(CameraLive, ACustomCameraLeavesTheProjectionToItsHandler) {
  TGLCamera camera(nullptr);
  camera.SetCameraStyle(csCustom);
  glMatrixMode(GL_PROJECTION);
  LoadBase();
  const TMatrix base = ReadMatrix(GL_PROJECTION_MATRIX);
  camera.ApplyPerspective({0, 0, 800, 600}, 800, 600, 96);
  EXPECT_EQ(ReadMatrix(GL_PROJECTION_MATRIX), base) << "no handler, no projection";
  EXPECT_EQ(camera.GetViewPortRadius(), 500);

  TRectangle seen{};
  int seenWidth = 0, seenHeight = 0, seenDPI = 0;
  float seenRadius = 0;
  camera.OnCustomPerspective = [&](const TRectangle& viewport, int width, int height, int DPI,
                                   float& radius) {
    seen = viewport;
    seenWidth = width, seenHeight = height, seenDPI = DPI, seenRadius = radius;
    glOrtho(-1, 1, -1, 1, 1, 2);
    radius = 7;
  };
  camera.ApplyPerspective({10, 20, 300, 400}, 300, 400, 72);
  EXPECT_EQ((std::array{seen.Left, seen.Top, seen.Width, seen.Height}),
            (std::array{10, 20, 300, 400}));
  EXPECT_EQ((std::array{seenWidth, seenHeight, seenDPI}), (std::array{300, 400, 72}));
  EXPECT_EQ(seenRadius, 250) << "half the viewport's diagonal, offered to the handler";
  EXPECT_EQ(camera.GetViewPortRadius(), 7);
  EXPECT_NE(ReadMatrix(GL_PROJECTION_MATRIX), base);
  CheckOpenGLError();
}

// Where the eye looks from, along which unit direction, and which unit vector points up on the
// screen, checked through the modelview it loads: the eye goes to the origin, one step along
// the direction to (0, 0, -1), one step up to (0, 1, 0).
void ExpectView(const TVector& eye, const TVector& forward, const TVector& up,
                const std::string& what) {
  const TMatrix modelView = ReadMatrix(GL_MODELVIEW_MATRIX);
  const auto eyeSpace = [&](const TVector& step) {
    TVector p, r;
    VectorAdd(eye, step, p);
    VectorTransform(p, modelView, r);
    return r;
  };
  ExpectNear(eyeSpace({0, 0, 0, 0}), {0, 0, 0, 1}, what + ": eye");
  ExpectNear(eyeSpace(forward), {0, 0, -1, 1}, what + ": direction");
  ExpectNear(eyeSpace(up), {0, 1, 0, 1}, what + ": up");
}

class CameraApplyLive : public SceneGLTest {
 protected:
  void SetUp() override {
    SceneGLTest::SetUp();
    // Rolled a quarter turn: its local Y axis is the scene's X axis.
    Mount->GetPosition()->SetPoint(0, 0, 10);
    Mount->GetUp()->SetVector(1, 0, 0);
  }
  void Apply(TGLCamera& camera) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera.Apply();
    CheckOpenGLError();
  }

  TGLSceneGraph Scene{nullptr};
  TGLBaseSceneObject* Mount = TGLBaseSceneObject::CreateAsChild(Scene.GetCameras());
  TGLBaseSceneObject* Target = TGLBaseSceneObject::CreateAsChild(Scene.GetObjects());
};

TEST_F(CameraApplyLive, WithoutATargetTheCameraLooksAlongItsDirectionInItsParentsFrame) {
  TGLCamera detached(nullptr);
  detached.GetPosition()->SetPoint(1, 2, 3);
  Apply(detached);
  ExpectView({1, 2, 3, 1}, {0, 0, -1, 0}, {0, 1, 0, 0}, "no parent");
  EXPECT_EQ(detached.GetLastDirection(), (TVector{0, 0, -1, 0}));

  auto* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Mount);
  Apply(*camera);
  ExpectView({0, 0, 10, 1}, {0, 0, -1, 0}, {1, 0, 0, 0}, "under a rolled parent");
  EXPECT_EQ(camera->GetChangeFlags() & chListDirty, 0) << "the view is marked as applied";
}

TEST_F(CameraApplyLive, WithATargetTheCameraLooksAtItWithItsOwnUp) {
  auto* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Mount);
  camera->SetTargetObject(Target);
  Apply(*camera);
  ExpectView({0, 0, 10, 1}, {0, 0, -1, 0}, {0, 1, 0, 0}, "Up as stored, not rolled");

  Target->GetPosition()->SetPoint(4, 0, 7);
  Apply(*camera);
  ExpectView({0, 0, 10, 1}, {0.8f, 0, -0.6f, 0}, {0, 1, 0, 0}, "target off the axis");
  ExpectNear(camera->GetLastDirection(), {0.8f, 0, -0.6f, 0}, "last direction");
}

TEST_F(CameraApplyLive, ACameraOnItsTargetKeepsItsView) {
  auto* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Scene.GetCameras());
  camera->GetPosition()->SetPoint(0, 0, 10);
  Target->GetPosition()->SetPoint(4, 0, 7);
  camera->SetTargetObject(Target);
  Apply(*camera);
  camera->AdjustDistanceToTarget(0);
  ExpectNear(camera->GetPosition()->GetAsVector(), {4, 0, 7, 1}, "on the target");
  Apply(*camera);
  ExpectView({4, 0, 7, 1}, {0.8f, 0, -0.6f, 0}, {0, 1, 0, 0}, "on the target");
  ExpectNear(camera->GetLastDirection(), {0.8f, 0, -0.6f, 0}, "last direction");

  auto* fresh = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Scene.GetCameras());
  fresh->GetPosition()->SetPoint(4, 0, 7);
  fresh->SetTargetObject(Target);
  Apply(*fresh);
  ExpectView({4, 0, 7, 1}, {0, 0, -1, 0}, {0, 1, 0, 0}, "on the target from the start");
}

}  // namespace

// The 3D window without a display or OpenGL: its stored layout read without the viewer, the
// planes it builds from the lists, and what the mouse, the wheel, the keys, the check boxes and
// the spin do to the scene.
#include "tests/app/Window3DFixture.h"
// clang-format off
#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>
#include <QWheelEvent>
// clang-format on

#include <cmath>
#include <numbers>

#include "platform/gui/ComCtrls.h"

namespace {

// Widgets without a screen: the window's scene and handlers need neither.
[[maybe_unused]] const bool Offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
[[maybe_unused]] testing::Environment* const Units =
    testing::AddGlobalTestEnvironment(new TProgramUnits);

// The stored layout without its viewer, which would make an OpenGL context.
std::string LayoutWithoutViewer() {
  std::string layout = Tfrm3D::StoredLayout();
  const size_t start = layout.find("  object GLSceneViewer: TGLSceneViewer\n");
  const size_t end = layout.find("\n  end\n", start);
  if (start == std::string::npos || end == std::string::npos) return layout;
  return layout.erase(start, end + 7 - start);
}

class Window3D : public Window3DTest {
 protected:
  std::string Layout() const override { return LayoutWithoutViewer(); }
  void SetUp() override {
    Window3DTest::SetUp();
    for (int i = 0; i < 10; ++i) {
      auto group = std::make_unique<TGroup>();
      group->Caption = "Group " + std::to_string(i);
      groups.Add(std::move(group));
    }
    form->Joints = &joints;
    form->Groups = &groups;
  }

  TJoint* AddJoint(double beta, double psi, TColor color, int group = -1) {
    auto joint = std::make_unique<TJoint>();
    joint->Beta = beta;
    joint->Psi = psi;
    joint->Color = color;
    joint->InGroup = group >= 0;
    joint->GroupIndex = group;
    return joints.Add(std::move(joint));
  }
  void SetGroup(int index, bool active, double beta, double psi, TColor color) {
    TGroup* group = groups[index];
    group->Active = active;
    group->Beta = beta;
    group->Psi = psi;
    group->Color = color;
  }

  TJointList joints;
  TGroupList groups;
};

TVector Normal(double beta, double psi) {
  const double b = beta * std::numbers::pi / 180, p = psi * std::numbers::pi / 180;
  return {float(std::sin(p) * std::sin(b)), float(std::sin(p) * std::cos(b)), float(std::cos(p)),
          0};
}

TVector Negated(const TVector& v) {
  return {-v[0], -v[1], -v[2], -v[3]};
}

// ---- The stored layout

TEST_F(Window3D, TheStoredSceneHoldsItsObjectsInOrderWithTheirStoredValues) {
  TGLBaseSceneObject* root = form->GLSceneGraph->GetObjects();
  ASSERT_EQ(root->Count(), StoredObjects);
  const char* const order[] = {"GLEarthSkyDome", "GLLightSource", "GLLightSource1",
                               "GLSphere",       "GLInSphere",    "GLXYZGrid",
                               "GLYAxis",        "GLXAxis",       "GLPlaneOriginal"};
  for (int i = 0; i < StoredObjects; ++i) EXPECT_EQ(root->GetChild(i)->GetName(), order[i]);
  ASSERT_EQ(form->GLSceneGraph->GetCameras()->Count(), 1);
  EXPECT_EQ(form->GLSceneGraph->GetCameras()->GetChild(0), form->GLCamera);

  TGLEarthSkyDome* dome = form->GLEarthSkyDome;
  EXPECT_EQ(dome->GetBands()->Count(), 0);
  EXPECT_EQ(dome->GetStars()->Count(), 0);
  EXPECT_EQ(dome->GetSunElevation(), 85);
  EXPECT_EQ(dome->GetTurbidity(), 15);
  ExpectVector(dome->GetSunZenithColor()->GetColor(), {0.95f, 0.95f, 0.6f, 1}, 0);
  ExpectVector(dome->GetHazeColor()->GetColor(), {112 / 255.0f, 147 / 255.0f, 219 / 255.0f, 1});
  ExpectVector(dome->GetSkyColor()->GetColor(), {50 / 255.0f, 153 / 255.0f, 204 / 255.0f, 1});
  EXPECT_EQ(dome->GetExtendedOptions(), 0);
  EXPECT_EQ(dome->GetSlices(), 32);
  EXPECT_EQ(dome->GetStacks(), 16);

  ExpectVector(form->GLLightSource->GetAmbient()->GetColor(), {0.4f, 0.4f, 0.4f, 1}, 0);
  ExpectVector(form->GLLightSource->GetPosition()->GetAsVector(), {7, 7, 14, 1}, 0);
  EXPECT_EQ(form->GLLightSource->GetLightStyle(), lsOmni);
  ExpectVector(form->GLLightSource1->GetDiffuse()->GetColor(), {0.5f, 0.5f, 0.5f, 1}, 0);
  ExpectVector(form->GLLightSource1->GetPosition()->GetAsVector(), {-7, -3, 3, 1}, 0);
  for (TGLLightSource* light : {form->GLLightSource, form->GLLightSource1}) {
    EXPECT_EQ(light->GetConstAttenuation(), 1);
    EXPECT_EQ(light->GetSpotCutOff(), 180);
  }

  // The bowl: the halves of two unit spheres below their centre, one seen from inside.
  for (TGLSphere* sphere : {form->GLSphere, form->GLInSphere}) {
    ExpectVector(sphere->GetPosition()->GetAsVector(), {0, 0, 1, 1}, 0);
    ExpectVector(sphere->GetDirection()->GetAsVector(), {0, -1, 0, 0}, 0);
    ExpectVector(sphere->GetUp()->GetAsVector(), {0, 0, 1, 0}, 0);
    EXPECT_EQ(sphere->GetRadius(), 1);
    EXPECT_EQ(sphere->GetSlices(), 32);
    EXPECT_EQ(sphere->GetStacks(), 32);
    EXPECT_EQ(sphere->GetTop(), 0);
  }
  ExpectVector(FrontDiffuse(form->GLSphere)->GetColor(), {1, 0.5f, 0, 1}, 0);
  EXPECT_TRUE(form->GLSphere->GetShowAxes());
  EXPECT_EQ(form->GLSphere->GetNormals(), nsNone);
  ExpectVector(FrontDiffuse(form->GLInSphere)->GetColor(), {0.3f, 0.3f, 1, 1}, 0);
  EXPECT_EQ(form->GLInSphere->GetNormalDirection(), ndInside);

  TGLXYZGrid* grid = form->GLXYZGrid;
  ExpectVector(grid->GetDirection()->GetAsVector(), {0, 0, 1, 0}, 0);
  EXPECT_TRUE(grid->GetAntiAliased());
  ExpectVector(grid->GetLineColor()->GetColor(), {0, 0, 0, 1}, 0);
  for (TGLSamplingScale* scale : {grid->GetXSamplingScale(), grid->GetYSamplingScale()}) {
    EXPECT_EQ(scale->GetMin(), -1.1f);
    EXPECT_EQ(scale->GetMax(), 1.1f);
  }
  for (TGLSamplingScale* scale :
       {grid->GetXSamplingScale(), grid->GetYSamplingScale(), grid->GetZSamplingScale()})
    EXPECT_EQ(scale->GetStep(), 0.1f);

  struct TArrow {
    TGLArrowLine* Arrow;
    TVector Colour, Direction, Position, Up;
  };
  for (const TArrow& a :
       {TArrow{form->GLYAxis, {0, 0, 1, 1}, {0, 1, 0, 0}, {0, 0.5f, 0, 1}, {0, 0, -1, 0}},
        TArrow{form->GLXAxis, {1, 0, 0, 1}, {1, 0, 0, 0}, {0.5f, 0, 0, 1}, {0, 1, 0, 0}}}) {
    SCOPED_TRACE(a.Arrow->GetName());
    ExpectVector(FrontDiffuse(a.Arrow)->GetColor(), a.Colour, 0);
    ExpectVector(a.Arrow->GetDirection()->GetAsVector(), a.Direction, 0);
    ExpectVector(a.Arrow->GetPosition()->GetAsVector(), a.Position, 0);
    ExpectVector(a.Arrow->GetUp()->GetAsVector(), a.Up, 0);
    EXPECT_EQ(a.Arrow->GetBottomRadius(), 0.05f);
    EXPECT_EQ(a.Arrow->GetHeight(), 2);
    EXPECT_EQ(a.Arrow->GetShaftTopRadius(), 0.05f);
    EXPECT_EQ(a.Arrow->GetTopArrowHeadHeight(), 0.2f);
    EXPECT_EQ(a.Arrow->GetTopArrowHeadRadius(), 0.1f);
    EXPECT_EQ(a.Arrow->GetBottomArrowHeadHeight(), 0.2f);
    EXPECT_EQ(a.Arrow->GetBottomArrowHeadRadius(), 0.1f);
  }

  TGLPlane* original = form->GLPlaneOriginal;
  TGLMaterial* material = original->GetMaterial();
  ExpectVector(material->GetBackProperties()->GetDiffuse()->GetColor(),
               {112 / 255.0f, 219 / 255.0f, 147 / 255.0f, 1});
  ExpectVector(FrontDiffuse(original)->GetColor(), {165 / 255.0f, 42 / 255.0f, 42 / 255.0f, 1});
  ExpectVector(material->GetFrontProperties()->GetEmission()->GetColor(), {0, 0, 0, 0}, 0);
  EXPECT_EQ(material->GetFaceCulling(), fcCull);
  ExpectVector(original->GetDirection()->GetAsVector(),
               {0.285411566f, -0.807265759f, 0.516587079f, 0}, 0);
  ExpectVector(original->GetPosition()->GetAsVector(), {0, 0, 1, 1}, 0);
  ExpectVector(original->GetUp()->GetAsVector(), {-0.632572f, -0.563597f, -0.531236f, 0}, 0);
  EXPECT_FALSE(original->GetVisible());
  EXPECT_EQ(original->GetWidth(), 0.01f);
  EXPECT_EQ(original->GetHeight(), 0.01f);
  EXPECT_EQ(original->GetXTiles(), 8u);
  EXPECT_EQ(original->GetYTiles(), 8u);
  EXPECT_FALSE(original->GetNoZWrite());

  TGLCamera* camera = form->GLCamera;
  EXPECT_EQ(camera->GetDepthOfView(), 100);
  EXPECT_EQ(camera->GetFocalLength(), 105);
  EXPECT_EQ(camera->GetCameraStyle(), csPerspective);
  EXPECT_EQ(camera->GetTargetObject(), form->GLSphere);
  ExpectVector(camera->GetPosition()->GetAsVector(), {-1, -3, 4, 1}, 0);
  ExpectVector(camera->GetDirection()->GetAsVector(), {-0.752577f, -0.658505f, 0, 0}, 0);
  ExpectVector(camera->GetUp()->GetAsVector(), {0, 0, 1, 0}, 0);
}

TEST_F(Window3D, TheControlsStartAsStored) {
  EXPECT_EQ(form->windowTitle(), "3D representation");
  EXPECT_EQ(form->size(), QSize(520, 418));
  EXPECT_EQ(form->minimumSize(), QSize(520, 386));
  EXPECT_TRUE(form->toolTip().startsWith("Use left mouse button or Del / PgUp / PgDown"));
  EXPECT_FALSE(form->chkXAxis->isChecked());
  EXPECT_FALSE(form->chkYAxis->isChecked());
  for (QCheckBox* box : {form->chkGrid, form->chkSky, form->chkSphere, form->chkPerspective})
    EXPECT_TRUE(box->isChecked()) << box->text().toStdString();
  EXPECT_EQ(form->edtSpin->text(), "105");
  EXPECT_TRUE(form->edtSpin->isReadOnly());
  EXPECT_EQ(form->Spin->GetMin(), 18);
  EXPECT_EQ(form->Spin->GetMax(), 210);
  EXPECT_EQ(form->Spin->GetPosition(), 105);
  EXPECT_EQ(form->chkXAxis->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_EQ(form->chkYAxis->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  // Only the sphere and perspective boxes and the focal length are reached by Tab.
  for (QWidget* control :
       {static_cast<QWidget*>(form->chkXAxis), static_cast<QWidget*>(form->chkYAxis),
        static_cast<QWidget*>(form->chkGrid), static_cast<QWidget*>(form->chkSky),
        static_cast<QWidget*>(form->btnCopy), static_cast<QWidget*>(form->btnClose)})
    EXPECT_FALSE(control->focusPolicy() & Qt::TabFocus) << control->objectName().toStdString();
  EXPECT_TRUE(form->chkSphere->focusPolicy() & Qt::TabFocus);
}

// ---- The planes

TEST_F(Window3D, FormShowAddsTwoPlanesPerSingleJointThenPerActiveGroup) {
  AddJoint(120, 45, 0x0000FF);
  AddJoint(200, 30, 0x00FFFF, 1);  // grouped: never drawn
  AddJoint(0, 0, 0x00FF00);
  SetGroup(0, true, 45, 45, 0xFF0000);
  SetGroup(1, false, 200, 30, 0x808080);                    // inactive
  SetGroup(2, true, 0, 0, 0x804020);                        // active without members
  SetGroup(3, true, std::nan(""), std::nan(""), 0xFFFFFF);  // members that cancel
  form->FormShow();

  struct TItem {
    double Beta, Psi;
    TColorVector Upper;
  };
  const TItem items[] = {{120, 45, {1, 0, 0, 1}},
                         {0, 0, {0, 1, 0, 1}},
                         {45, 45, {0, 0, 1, 1}},
                         {0, 0, {32 / 255.0f, 64 / 255.0f, 128 / 255.0f, 1}}};
  const std::vector<TGLPlane*> planes = NewPlanes();
  ASSERT_EQ(planes.size(), 2 * std::size(items));
  for (size_t i = 0; i < std::size(items); ++i) {
    const TItem& item = items[i];
    SCOPED_TRACE("item " + std::to_string(i));
    TGLPlane* upper = planes[2 * i];
    TGLPlane* lower = planes[2 * i + 1];
    ASSERT_TRUE(upper && lower);
    const TVector n = Normal(item.Beta, item.Psi);
    ExpectVector(upper->GetDirection()->GetAsVector(), n);
    ExpectVector(lower->GetDirection()->GetAsVector(), Negated(n));
    ExpectVector(FrontDiffuse(upper)->GetColor(), item.Upper);
    ExpectVector(FrontDiffuse(lower)->GetColor(),
                 {0.9f * item.Upper[0], 0.9f * item.Upper[1], 0.9f * item.Upper[2], 1});
    for (TGLPlane* plane : {upper, lower}) {
      EXPECT_TRUE(plane->GetVisible());
      EXPECT_EQ(plane->GetWidth(), 2);
      EXPECT_EQ(plane->GetHeight(), 2);
      ExpectVector(plane->GetPosition()->GetAsVector(), {0, 0, 1, 1}, 0);
      // The template's material, culling included, and the new plane's own tiling.
      EXPECT_EQ(plane->GetMaterial()->GetFaceCulling(), fcCull);
      ExpectVector(plane->GetMaterial()->GetBackProperties()->GetDiffuse()->GetColor(),
                   {112 / 255.0f, 219 / 255.0f, 147 / 255.0f, 1});
      EXPECT_EQ(plane->GetXTiles(), 1u);
      EXPECT_EQ(plane->GetYTiles(), 1u);
      EXPECT_EQ(plane->GetParent(), form->GLSceneGraph->GetObjects());
      EXPECT_EQ(plane->Owner(), form->GLSceneGraph->GetObjects());
    }
  }
  EXPECT_FALSE(form->GLPlaneOriginal->GetVisible());
  EXPECT_EQ(form->GLPlaneOriginal->GetWidth(), 0.01f);
}

TEST_F(Window3D, WithNothingToShowOnlyTheStoredSceneRemains) {
  AddJoint(10, 20, 0x0000FF, 0);
  SetGroup(0, false, 10, 20, 0x0000FF);
  form->FormShow();
  EXPECT_TRUE(NewPlanes().empty());
}

TEST_F(Window3D, ColoursGoToTheUpperFaceAndNineTenthsOfThemToTheLower) {
  const struct {
    TColor Color;
    TColorVector Upper, Lower;
  } cases[] = {
      {0x0000FF, {1, 0, 0, 1}, {0.9f, 0, 0, 1}},
      {0x00FF00, {0, 1, 0, 1}, {0, 0.9f, 0, 1}},
      {0xFF0000, {0, 0, 1, 1}, {0, 0, 0.9f, 1}},
      {0x000000, {0, 0, 0, 1}, {0, 0, 0, 1}},
      {0xFFFFFF, {1, 1, 1, 1}, {0.9f, 0.9f, 0.9f, 1}},
      {0x336699,
       {0x99 / 255.0f, 0x66 / 255.0f, 0x33 / 255.0f, 1},
       {0.9f * 0x99 / 255, 0.9f * 0x66 / 255, 0.9f * 0x33 / 255, 1}},
  };
  for (const auto& c : cases) AddJoint(30, 40, c.Color);
  form->FormShow();
  const std::vector<TGLPlane*> planes = NewPlanes();
  ASSERT_EQ(planes.size(), 2 * std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << std::hex << cases[i].Color);
    // Bit for bit where the Part gives the values.
    if (i < 5) {
      ExpectVector(FrontDiffuse(planes[2 * i])->GetColor(), cases[i].Upper, 0);
      ExpectVector(FrontDiffuse(planes[2 * i + 1])->GetColor(), cases[i].Lower, 0);
    } else {
      ExpectVector(FrontDiffuse(planes[2 * i])->GetColor(), cases[i].Upper);
      ExpectVector(FrontDiffuse(planes[2 * i + 1])->GetColor(), cases[i].Lower);
    }
  }
}

TEST_F(Window3D, EachPlaneFacesAlongTheJointsNormalExactly) {
  const double cases[][2] = {{0, 0},   {90, 90}, {180, 30}, {270, 90}, {45, 45},
                             {65, 20}, {67, 20}, {60, 90},  {300, 75}, {359.5, 89.5}};
  for (const auto& c : cases) AddJoint(c[0], c[1], 0x0000FF);
  form->FormShow();
  const std::vector<TGLPlane*> planes = NewPlanes();
  ASSERT_EQ(planes.size(), 2 * std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << "azimuth " << cases[i][0] << ", dip " << cases[i][1]);
    const TVector n = Normal(cases[i][0], cases[i][1]);
    for (int side = 0; side < 2; ++side) {
      TGLPlane* plane = planes[2 * i + side];
      const TVector facing = side == 0 ? n : Negated(n);
      // A plane faces its local +Z, which the local matrix carries as its third row.
      const TMatrix& m = plane->CurrentLocalMatrix();
      ExpectVector(m[2], facing);
      // Up stays a unit vector across the plane.
      EXPECT_NEAR(VectorDotProduct(plane->GetUp()->GetAsVector(), facing), 0, 1e-6);
      EXPECT_NEAR(VectorLength(plane->GetUp()->GetAsVector()), 1, 1e-6);
    }
  }
}

TEST_F(Window3D, BeyondADipOfNinetyTheUpperFaceStillFacesUpInTheItemsColour) {
  const struct {
    double Beta, Psi;
    TVector Upper;  // where the coloured face looks
  } cases[] = {
      {30, 120, Normal(210, 60)},
      {0, 180, {0, 0, 1, 0}},
      {100, 200, Normal(100, 20)},
      {45, 300, Normal(45, -60)},
      {45, -30, Normal(45, -30)},
      // Vertical planes have no upper face: they keep the normal of their dip.
      {60, 90, Normal(60, 90)},
      {270, 450, Normal(270, 450)},
      {60, 270, Normal(60, 270)},
      {60, -90, Normal(60, -90)},
  };
  for (const auto& c : cases) AddJoint(c.Beta, c.Psi, 0x0000FF);
  SetGroup(0, true, 30, 120, 0xFF0000);
  form->FormShow();
  const std::vector<TGLPlane*> planes = NewPlanes();
  ASSERT_EQ(planes.size(), 2 * std::size(cases) + 2);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << "azimuth " << cases[i].Beta << ", dip " << cases[i].Psi);
    ExpectVector(planes[2 * i]->CurrentLocalMatrix()[2], cases[i].Upper);
    ExpectVector(planes[2 * i + 1]->CurrentLocalMatrix()[2], Negated(cases[i].Upper));
    ExpectVector(FrontDiffuse(planes[2 * i])->GetColor(), {1, 0, 0, 1}, 0);
  }
  // A group's mean plane goes the same way.
  ExpectVector(planes[2 * std::size(cases)]->CurrentLocalMatrix()[2], Normal(210, 60));
  ExpectVector(FrontDiffuse(planes[2 * std::size(cases)])->GetColor(), {0, 0, 1, 1}, 0);
}

TEST_F(Window3D, MissingListsRaiseTheAssertionAndBuildNothing) {
  const struct { bool Joints, Groups; } cases[] = {{false, true}, {true, false}, {false, false}};
  AddJoint(120, 45, 0x0000FF);
  for (const auto& c : cases) {
    form->Joints = c.Joints ? &joints : nullptr;
    form->Groups = c.Groups ? &groups : nullptr;
    EXPECT_TRUE(Raises<EAssertionFailed>(
        [&] { form->FormShow(); },
        testing::MatchesRegex("Assertion failure \\(d3ddlg\\.cpp, line [0-9]+\\)")));
    // Shown modally, the window does not appear.
    EXPECT_TRUE(Raises<EAssertionFailed>([&] { form->ShowModal(); },
                                         testing::StartsWith("Assertion failure (d3ddlg.cpp")));
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(NewPlanes().empty());
    EXPECT_TRUE(form->GLXAxis->GetVisible()) << "the view options are not applied either";
  }
}

// ---- Navigation

TEST_F(Window3D, DragsOrbitByHalfTheMovementTruncatedWhileTheLeftButtonIsHeld) {
  const struct {
    TShiftState Shift;
    int X, Y;
    float Pitch, Turn;
  } moves[] = {
      {ssLeft, 90, 104, -2, 5},  // from (100, 100)
      {ssLeft, 91, 103, 0, 0},   // a pixel at a time moves nothing
      {ssLeft, 91, 102, 0, 0},
      {ssLeft | ssShift, 60, 130, -14, 15},
      {ssRight, 0, 0, 0, 0},  // another button remembers the place only
      {0, 10, 20, 0, 0},
      {ssLeft, 13, 11, 4, -1},  // from where the other moves left the mouse
  };
  form->GLSceneViewerMouseDown(nullptr, mbLeft, ssLeft, 100, 100);
  EXPECT_EQ(form->MouseX, 100);
  EXPECT_EQ(form->MouseY, 100);
  for (const auto& m : moves) {
    SCOPED_TRACE(testing::Message() << "to " << m.X << ", " << m.Y);
    if (m.Shift & ssLeft) {
      ExpectOrbit(m.Pitch, m.Turn,
                  [&] { form->GLSceneViewerMouseMove(nullptr, m.Shift, m.X, m.Y); });
    } else {
      const TVector before = form->GLCamera->GetPosition()->GetAsVector();
      form->GLSceneViewerMouseMove(nullptr, m.Shift, m.X, m.Y);
      ExpectVector(form->GLCamera->GetPosition()->GetAsVector(), before, 0);
    }
    EXPECT_EQ(form->MouseX, m.X);
    EXPECT_EQ(form->MouseY, m.Y);
  }
}

TEST_F(Window3D, KeysPitchTurnAndMoveTheCameraAndOtherKeysDoNothing) {
  const float away = float(std::pow(1.1L, 0.05L));
  const struct {
    int Key;
    float Pitch, Turn, Ratio;
  } cases[] = {
      {Qt::Key_PageUp, 1, 0, 1},  {Qt::Key_PageDown, -1, 0, 1}, {Qt::Key_Insert, 0, 1, 1},
      {Qt::Key_Delete, 0, -1, 1}, {Qt::Key_F1, 0, 0, away},     {Qt::Key_F2, 0, 0, 1 / away},
      {Qt::Key_Return, 0, 0, 1},  {Qt::Key_Enter, 0, 0, 1},     {Qt::Key_Escape, 0, 0, 1},
      {Qt::Key_Up, 0, 0, 1},      {Qt::Key_F3, 0, 0, 1},        {Qt::Key_A, 0, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(QKeySequence(c.Key).toString().toStdString());
    const TVector before = form->GLCamera->GetPosition()->GetAsVector();
    const float distance = DistanceToTarget(form->GLCamera);
    if (c.Pitch != 0 || c.Turn != 0) {
      ExpectOrbit(c.Pitch, c.Turn, [&] { form->FormKeyDown(c.Key); });
      EXPECT_NEAR(DistanceToTarget(form->GLCamera), distance, 1e-5);
    } else if (c.Ratio != 1) {
      form->FormKeyDown(c.Key);
      EXPECT_NEAR(DistanceToTarget(form->GLCamera) / distance, c.Ratio, 1e-6);
    } else {
      form->FormKeyDown(c.Key);
      ExpectVector(form->GLCamera->GetPosition()->GetAsVector(), before, 0);
    }
  }
}

TEST_F(Window3D, TheWheelMovesTheCameraAwayWhenTurnedAwayAndLeavesTheEventUnhandled) {
  const struct {
    int Delta;
    float Ratio;
  } cases[] = {{120, float(std::pow(1.1L, 0.2L))},
               {-120, float(std::pow(1.1L, -0.2L))},
               {240, float(std::pow(1.1L, 0.4L))},
               {30, float(std::pow(1.1L, 0.05L))}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Delta);
    const float distance = DistanceToTarget(form->GLCamera);
    bool handled = false;
    form->FormMouseWheel(c.Delta, handled);
    EXPECT_FALSE(handled);
    EXPECT_NEAR(DistanceToTarget(form->GLCamera) / distance, c.Ratio, 1e-6);
  }
}

// The window's own routing of keys and the wheel, with the window on the offscreen screen.
TEST_F(Window3D, KeysOfAFocusedControlAndTheWheelReachTheWindowOnce) {
  form->show();
  form->activateWindow();
  form->chkSphere->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == form->chkSphere; }));
  ExpectOrbit(1, 0, [&] { QTest::keyClick(form->chkSphere, Qt::Key_PageUp); });
  ExpectOrbit(0, -1, [&] { QTest::keyClick(form->chkSphere, Qt::Key_Delete); });

  // A wheel over a control goes up to the window; sideways it is no turn of the wheel.
  const struct {
    QPoint Angle;
    double Ratio;
  } wheels[] = {{{0, 120}, std::pow(1.1, 0.2)}, {{0, -240}, std::pow(1.1, -0.4)}, {{120, 0}, 1}};
  for (const auto& w : wheels) {
    const float distance = DistanceToTarget(form->GLCamera);
    QWheelEvent wheel(QPointF(60, 390), form->mapToGlobal(QPointF(60, 390)), QPoint(), w.Angle,
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form.get(), &wheel);
    EXPECT_NEAR(DistanceToTarget(form->GLCamera) / distance, w.Ratio, 1e-6);
    EXPECT_FALSE(wheel.isAccepted());
  }
}

TEST_F(Window3D, EnterAndEscapeNeitherPressAButtonNorCloseTheWindow) {
  bool closed = false;
  QObject::connect(form.get(), &QDialog::finished, [&] { closed = true; });
  bool copied = false;
  QObject::connect(form->btnCopy, &QPushButton::clicked, [&] { copied = true; });
  form->show();
  form->activateWindow();
  for (QWidget* focus :
       {static_cast<QWidget*>(form->chkSphere), static_cast<QWidget*>(form->btnCopy),
        static_cast<QWidget*>(form->btnClose)}) {
    focus->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) QTest::keyClick(focus, key);
  }
  EXPECT_FALSE(closed);
  EXPECT_FALSE(copied);
  EXPECT_TRUE(form->isVisible());
  QTest::mouseClick(form->btnClose, Qt::LeftButton);
  EXPECT_TRUE(closed);
  EXPECT_EQ(form->result(), QDialog::Accepted);
}

// ---- View options

TEST_F(Window3D, TheBoxesShowAndHideTheirObjectsAndTheBowlHasBothFaces) {
  form->FormShow();
  const auto visible = [&] {
    return std::vector<bool>{form->GLXAxis->GetVisible(),   form->GLYAxis->GetVisible(),
                             form->GLXYZGrid->GetVisible(), form->GLEarthSkyDome->GetVisible(),
                             form->GLSphere->GetVisible(),  form->GLInSphere->GetVisible()};
  };
  // X axis, Y axis, grid, sky, sphere, inner sphere.
  EXPECT_EQ(visible(), (std::vector<bool>{false, false, true, true, true, true}));
  const struct {
    QCheckBox* Box;
    bool Ticked;
    std::vector<bool> Visible;
  } clicks[] = {
      {form->chkXAxis, true, {true, false, true, true, true, true}},
      {form->chkSphere, false, {true, false, true, true, false, false}},
      {form->chkYAxis, true, {true, true, true, true, false, false}},
      {form->chkSky, false, {true, true, true, false, false, false}},
      {form->chkGrid, false, {true, true, false, false, false, false}},
      {form->chkSphere, true, {true, true, false, false, true, true}},
      {form->chkXAxis, false, {false, true, false, false, true, true}},
  };
  for (const auto& c : clicks) {
    SCOPED_TRACE(c.Box->text().toStdString());
    c.Box->click();
    EXPECT_EQ(c.Box->isChecked(), c.Ticked);
    EXPECT_EQ(visible(), c.Visible);
    EXPECT_EQ(form->GLCamera->GetCameraStyle(), csPerspective);
    EXPECT_EQ(form->GLCamera->GetFocalLength(), 105);
  }
}

TEST_F(Window3D, PerspectiveSwitchesTheCameraStyleAndShowsItsFocalLengthInTheSpin) {
  form->Spin->NextButton()->click();  // 106, which the style's own focal length replaces
  const struct {
    bool Ticked;
    TGLCameraStyle Style;
    float Focal;
  } cases[] = {{false, csOrthogonal, 35}, {true, csPerspective, 105}, {false, csOrthogonal, 35}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Ticked);
    form->chkPerspective->setChecked(c.Ticked);
    EXPECT_EQ(form->GLCamera->GetCameraStyle(), c.Style);
    EXPECT_EQ(form->GLCamera->GetFocalLength(), c.Focal);
    EXPECT_EQ(form->Spin->GetPosition(), int(c.Focal));
    EXPECT_EQ(form->edtSpin->text().toStdString(), std::to_string(int(c.Focal)));
  }
  // Another box leaves the camera alone.
  form->Spin->NextButton()->click();
  form->chkGrid->click();
  EXPECT_EQ(form->GLCamera->GetFocalLength(), 36);
  EXPECT_EQ(form->GLCamera->GetCameraStyle(), csOrthogonal);
}

TEST_F(Window3D, TheSpinStepsTheFocalLengthWithinItsRange) {
  const struct {
    int Start;
    QToolButton* (TUpDown::*Arrow)() const;
    int Clicks;
    int Position;
    float Focal;
  } cases[] = {
      {105, &TUpDown::NextButton, 1, 106, 106}, {105, &TUpDown::PrevButton, 3, 102, 102},
      {209, &TUpDown::NextButton, 3, 210, 210}, {19, &TUpDown::PrevButton, 2, 18, 18},
      {210, &TUpDown::NextButton, 1, 210, 77},  // nothing moves, nothing happens
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "from " << c.Start);
    form->Spin->SetPosition(c.Start);
    form->GLCamera->SetFocalLength(77);
    form->edtSpin->setText("unchanged");
    for (int i = 0; i < c.Clicks; ++i) (form->Spin->*c.Arrow)()->click();
    EXPECT_EQ(form->Spin->GetPosition(), c.Position);
    EXPECT_EQ(form->GLCamera->GetFocalLength(), c.Focal);
    EXPECT_EQ(form->edtSpin->text().toStdString(),
              c.Focal == 77 ? "unchanged" : std::to_string(c.Position));
  }
}

}  // namespace

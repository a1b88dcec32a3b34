// The torus without OpenGL: setters and their clamps, what Assign copies, dimensions, the rays
// that meet ring and spindle tori through the quartic, and the layout.
#include "tests/support/Raises.h"
//
#include <cmath>
#include <functional>
#include <string>

#include "engine/GLGeomObjects.h"
#include "engine/GLGeomObjects/Torus.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(Torus, NewTorusIsAThinRingOfRadiusPointFour) {
  TGLTorus torus(nullptr);
  EXPECT_EQ(torus.GetRings(), 25u);
  EXPECT_EQ(torus.GetSides(), 15u);
  EXPECT_EQ(torus.GetMinorRadius(), 0.1f);
  EXPECT_EQ(torus.GetMajorRadius(), 0.4f);
}

TEST(Torus, SettersClampTheSegmentsAndRebuildOnAChangeOfTheValueGiven) {
  struct Case {
    const char* name;
    std::function<void(TGLTorus&)> set;
    std::function<double(const TGLTorus&)> get;
    double expected;
    bool rebuilds;
  } cases[] = {
      {"rings", [](TGLTorus& t) { t.SetRings(8); }, &TGLTorus::GetRings, 8, true},
      {"one ring", [](TGLTorus& t) { t.SetRings(1); }, &TGLTorus::GetRings, 2, true},
      {"no rings", [](TGLTorus& t) { t.SetRings(0); }, &TGLTorus::GetRings, 2, true},
      // Compared as given: 1 differs from the 2 it is stored as.
      {"one ring again",
       [](TGLTorus& t) {
         t.SetRings(1);
         t.ClearListDirty();
         t.SetRings(1);
       },
       &TGLTorus::GetRings, 2, true},
      {"same rings", [](TGLTorus& t) { t.SetRings(25); }, &TGLTorus::GetRings, 25, false},
      {"no sides", [](TGLTorus& t) { t.SetSides(0); }, &TGLTorus::GetSides, 3, true},
      {"three sides", [](TGLTorus& t) { t.SetSides(3); }, &TGLTorus::GetSides, 3, true},
      {"same sides", [](TGLTorus& t) { t.SetSides(15); }, &TGLTorus::GetSides, 15, false},
      {"minor beyond major", [](TGLTorus& t) { t.SetMinorRadius(1); }, &TGLTorus::GetMinorRadius, 1,
       true},
      {"negative major", [](TGLTorus& t) { t.SetMajorRadius(-1); }, &TGLTorus::GetMajorRadius, -1,
       true},
      {"same major", [](TGLTorus& t) { t.SetMajorRadius(0.4f); }, &TGLTorus::GetMajorRadius, 0.4f,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLTorus torus(nullptr);
    torus.ClearListDirty();
    c.set(torus);
    EXPECT_EQ(c.get(torus), c.expected);
    EXPECT_EQ(ListDirty(torus), c.rebuilds);
  }
}

// A copy keeps the shape, not only the material and placement.
TEST(Torus, AssignCopiesTheFourDimensionsAndTheSceneObject) {
  TGLTorus source(nullptr), target(nullptr);
  source.SetRings(6);
  source.SetSides(4);
  source.SetMinorRadius(0.5f);
  source.SetMajorRadius(2);
  source.GetPosition()->SetPoint(1, 2, 3);
  source.GetMaterial()->GetFrontProperties()->GetDiffuse()->SetColor({1, 0, 0, 1});
  target.Assign(&source);
  EXPECT_EQ(target.GetRings(), 6u);
  EXPECT_EQ(target.GetSides(), 4u);
  EXPECT_EQ(target.GetMinorRadius(), 0.5f);
  EXPECT_EQ(target.GetMajorRadius(), 2);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{1, 2, 3, 1}));
  EXPECT_EQ(target.GetMaterial()->GetFrontProperties()->GetDiffuse()->GetColor(),
            (TVector{1, 0, 0, 1}));
}

TEST(Torus, DimensionsReachAcrossTheTubeAndAsDeepAsItsRadius) {
  TGLTorus torus(nullptr);
  torus.SetMajorRadius(-2);
  torus.SetMinorRadius(-0.5f);
  EXPECT_EQ(torus.AxisAlignedDimensionsUnscaled(), (TVector{2.5f, 2.5f, 0.5f, 0}));
}

// A ring torus round the Z axis, its tube of radius 0.1 round the circle of radius 0.4.
TEST(Torus, RaysMeetTheNearestPointOfTheTube) {
  TGLTorus torus(nullptr);
  CheckRays(torus, {
                       {"down the axis", {0, 0, 5, 1}, {0, 0, -1, 0}, false, {}, {}},
                       {"down at the major radius",
                        {0.4f, 0, 5, 1},
                        {0, 0, -3, 0},
                        true,
                        {0.4f, 0, 0.1f, 1},
                        {0, 0, 0.1f, 0}},
                       {"onto the outer equator",
                        {0, -5, 0, 1},
                        {0, 1, 0, 0},
                        true,
                        {0, -0.5f, 0, 1},
                        {0, -0.1f, 0, 0}},
                       {"from the axis onto the inner equator",
                        {0, 0, 0, 1},
                        {1, 0, 0, 0},
                        true,
                        {0.3f, 0, 0, 1},
                        {-0.1f, 0, 0, 0}},
                       {"from within the tube",
                        {0.4f, 0, 0, 1},
                        {0, 0, 1, 0},
                        true,
                        {0.4f, 0, 0.1f, 1},
                        {0, 0, 0.1f, 0}},
                       {"across, above the tube", {5, 0, 0.11f, 1}, {-1, 0, 0, 0}, false, {}, {}},
                       {"pointing away", {5, 0, 0, 1}, {1, 0, 0, 0}, false, {}, {}},
                   });

  // A tube wider than its circle closes over the axis: a ray beside the axis meets the outer
  // sheet, where the tube's surface lies 0.3 from the circle's point on its side of the axis.
  TGLTorus spindle(nullptr);
  spindle.SetMajorRadius(0.1f);
  spindle.SetMinorRadius(0.3f);
  const float top = std::sqrt(0.3f * 0.3f - 0.05f * 0.05f);
  CheckRays(spindle, {{"down beside the axis of a spindle torus",
                       {0.05f, 0, 5, 1},
                       {0, 0, -1, 0},
                       true,
                       {0.05f, 0, top, 1},
                       {-0.05f, 0, top, 0}}});

  // Its axis turned onto y and moved to x = 1.
  TGLTorus placed(nullptr);
  placed.GetPosition()->SetPoint(1, 0, 0);
  placed.GetDirection()->SetVector(0, 1, 0);
  placed.GetUp()->SetVector(0, 0, 1);
  CheckRays(placed, {{"down the turned axis", {1, 5, 0, 1}, {0, -1, 0, 0}, false, {}, {}},
                     {"down the turned tube",
                      {1.4f, 5, 0, 1},
                      {0, -1, 0, 0},
                      true,
                      {1.4f, 0.1f, 0, 1},
                      {0, 0.1f, 0, 0}}});
}

TEST(Torus, LayoutStoresTheRadiiAlwaysAndTheSegmentsWhenChanged) {
  RegisterGLGeomObjects();
  TComponent form(nullptr);
  auto* torus = new TGLTorus(&form);
  torus->SetName("Ring");
  std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    MinorRadius = 0.1\n    MajorRadius = 0.4\n  end\n"), std::string::npos)
      << layout;
  EXPECT_EQ(layout.find("Rings"), std::string::npos);
  torus->SetRings(1);
  torus->SetSides(7);
  torus->SetMajorRadius(1.5f);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Rings = 2\n"
                        "    Sides = 7\n"
                        "    MinorRadius = 0.1\n"
                        "    MajorRadius = 1.5\n"
                        "  end\n"),
            std::string::npos)
      << layout;
  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readTorus = dynamic_cast<TGLTorus*>(read.FindComponent("Ring"));
  ASSERT_NE(readTorus, nullptr);
  EXPECT_EQ(readTorus->GetRings(), 2u);
  EXPECT_EQ(readTorus->GetMajorRadius(), 1.5f);
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace

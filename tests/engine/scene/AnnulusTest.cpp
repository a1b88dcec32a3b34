// The annulus without OpenGL: setters, what Assign copies, dimensions and the top radius its
// outline uses, the rays that meet its rings and walls, and the layout.
#include "tests/support/Raises.h"
//
#include <functional>
#include <string>

#include "engine/GLGeomObjects.h"
#include "engine/GLGeomObjects/Disk.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(Annulus, NewAnnulusIsAUnitTallTubeFromRadiusPointThreeToOneHalf) {
  TGLAnnulus annulus(nullptr);
  EXPECT_EQ(annulus.GetParts(), anInnerSides | anOuterSides | anBottom | anTop);
  EXPECT_EQ(annulus.GetBottomInnerRadius(), 0.3f);
  EXPECT_EQ(annulus.GetTopInnerRadius(), 0.3f);
  EXPECT_EQ(annulus.GetTopOuterRadius(), 0.5f);
  EXPECT_EQ(annulus.GetBottomRadius(), 0.5f);
  EXPECT_EQ(annulus.GetHeight(), 1);
  EXPECT_EQ(annulus.GetSlices(), 16);
  EXPECT_EQ(annulus.GetStacks(), 4);
  EXPECT_EQ(annulus.GetLoops(), 1);
}

TEST(Annulus, SettersStoreAnyValueAndRebuildOnlyOnAChange) {
  struct Case {
    const char* name;
    std::function<void(TGLAnnulus&)> set;
    std::function<double(const TGLAnnulus&)> get;
    double expected;
    bool rebuilds;
  } cases[] = {
      {"parts", [](TGLAnnulus& a) { a.SetParts(anTop); }, &TGLAnnulus::GetParts, anTop, true},
      {"same parts", [](TGLAnnulus& a) { a.SetParts(cAllAnnulusParts); }, &TGLAnnulus::GetParts,
       cAllAnnulusParts, false},
      // Nothing keeps an inner radius below its outer one.
      {"bottom inner beyond the outer", [](TGLAnnulus& a) { a.SetBottomInnerRadius(2); },
       &TGLAnnulus::GetBottomInnerRadius, 2, true},
      {"top inner", [](TGLAnnulus& a) { a.SetTopInnerRadius(-0.1f); },
       &TGLAnnulus::GetTopInnerRadius, -0.1f, true},
      {"same top inner", [](TGLAnnulus& a) { a.SetTopInnerRadius(0.3f); },
       &TGLAnnulus::GetTopInnerRadius, 0.3f, false},
      {"top outer", [](TGLAnnulus& a) { a.SetTopRadius(1); }, &TGLAnnulus::GetTopOuterRadius, 1,
       true},
      {"loops below one, as for every cylinder-like solid", [](TGLAnnulus& a) { a.SetLoops(0); },
       &TGLAnnulus::GetLoops, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLAnnulus annulus(nullptr);
    annulus.ClearListDirty();
    c.set(annulus);
    EXPECT_EQ(c.get(annulus), c.expected);
    EXPECT_EQ(ListDirty(annulus), c.rebuilds);
  }
}

TEST(Annulus, AssignCopiesPartsAndTheFourRadiiThenTheCylinderBase) {
  TGLAnnulus source(nullptr), target(nullptr);
  source.SetParts(anOuterSides);
  source.SetBottomRadius(2);
  source.SetTopRadius(3);
  source.SetBottomInnerRadius(1);
  source.SetTopInnerRadius(1.5f);
  source.SetHeight(4);
  source.SetSlices(8);
  target.Assign(&source);
  EXPECT_EQ(target.GetParts(), anOuterSides);
  EXPECT_EQ(target.GetBottomRadius(), 2);
  EXPECT_EQ(target.GetTopOuterRadius(), 3);
  EXPECT_EQ(target.GetBottomInnerRadius(), 1);
  EXPECT_EQ(target.GetTopInnerRadius(), 1.5f);
  EXPECT_EQ(target.GetHeight(), 4);
  EXPECT_EQ(target.GetSlices(), 8);

  // From a cylinder: what the cylinder base holds only.
  TGLCylinder cylinder(nullptr);
  cylinder.SetBottomRadius(5);
  cylinder.SetTopRadius(6);
  target.Assign(&cylinder);
  EXPECT_EQ(target.GetBottomRadius(), 5);
  EXPECT_EQ(target.GetTopOuterRadius(), 3);
  EXPECT_EQ(target.GetParts(), anOuterSides);
}

TEST(Annulus, DimensionsTakeTheLargerOuterRadiusAndTheOutlineTheBottomOne) {
  TGLAnnulus annulus(nullptr);
  annulus.SetBottomRadius(-2);
  annulus.SetTopRadius(1);
  annulus.SetHeight(3);
  EXPECT_EQ(annulus.AxisAlignedDimensionsUnscaled(), (TVector{2, 1.5f, 2, 0}));
  annulus.SetTopRadius(4);
  EXPECT_EQ(annulus.AxisAlignedDimensionsUnscaled(), (TVector{4, 1.5f, 4, 0}));
  // The outline is the cylinder base's upright body of BottomRadius at both ends.
  EXPECT_EQ(annulus.GetTopRadius(), -2);
}

// From y = -0.5 to 0.5, walls at radius 0.3 and 0.5.
TEST(Annulus, RaysMeetTheNearestRingOrWallInFrontOfTheStart) {
  TGLAnnulus annulus(nullptr);
  CheckRays(annulus, {
                         {"onto the top from above",
                          {0.4f, 5, 0, 1},
                          {0, -1, 0, 0},
                          true,
                          {0.4f, 0.5f, 0, 1},
                          {0, 1, 0, 0}},
                         {"onto the bottom from below",
                          {0, -5, -0.4f, 1},
                          {0, 2, 0, 0},
                          true,
                          {0, -0.5f, -0.4f, 1},
                          {0, -1, 0, 0}},
                         {"onto the outer wall",
                          {5, 0, 0, 1},
                          {-1, 0, 0, 0},
                          true,
                          {0.5f, 0, 0, 1},
                          {0.5f, 0, 0, 0}},
                         // The inner wall faces the axis, and so does its normal.
                         {"through the hole to the inner wall",
                          {-0.2f, 1, 0, 1},
                          {1, -2, 0, 0},
                          true,
                          {0.3f, 0, 0, 1},
                          {-0.3f, 0, 0, 0}},
                         {"out through the top from within the wall",
                          {0.4f, 0, 0, 1},
                          {0, 1, 0, 0},
                          true,
                          {0.4f, 0.5f, 0, 1},
                          {0, 1, 0, 0}},
                         {"down the hole", {0, 5, 0, 1}, {0, -1, 0, 0}, false, {}, {}},
                         {"slanted through the hole, between the walls' ends",
                          {-0.1f, 1, 0, 1},
                          {0.1f, -1, 0, 0},
                          false,
                          {},
                          {}},
                         {"across, above the body", {5, 0.6f, 0, 1}, {-1, 0, 0, 0}, false, {}, {}},
                         {"away from the top", {0.4f, 5, 0, 1}, {0, 1, 0, 0}, false, {}, {}},
                     });
}

TEST(Annulus, RaysMeetOnlyThePartsPresentWithStraightWallsOfTheTopRadii) {
  const TVector start{0.35f, 1, 0, 1}, vector{0.2f, -1, 0, 0};
  struct Case {
    const char* name;
    TAnnulusParts parts;
    TRayCase ray;
  } cases[] = {
      {"closed: a slanted ray meets the top",
       cAllAnnulusParts,
       {"", start, vector, true, {0.45f, 0.5f, 0, 1}, {0, 1, 0, 0}}},
      {"an open tube: the same ray meets the outer wall from within",
       anOuterSides | anInnerSides,
       {"", start, vector, true, {0.5f, 0.25f, 0, 1}, {0.5f, 0, 0, 0}}},
      {"an open tube: straight down between the walls",
       anOuterSides | anInnerSides,
       {"", {0.4f, 5, 0, 1}, {0, -1, 0, 0}, false, {}, {}}},
      {"an open top: straight down onto the bottom",
       anBottom | anOuterSides,
       {"", {0.4f, 5, 0, 1}, {0, -1, 0, 0}, true, {0.4f, -0.5f, 0, 1}, {0, -1, 0, 0}}},
      {"rings only: nothing from the side",
       anTop | anBottom,
       {"", {5, 0, 0, 1}, {-1, 0, 0, 0}, false, {}, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLAnnulus annulus(nullptr);
    annulus.SetParts(c.parts);
    CheckRays(annulus, {c.ray});
  }

  // The bottom drawn wider and placed higher: rays still meet straight walls of the top radii.
  TGLAnnulus flared(nullptr);
  flared.SetBottomRadius(1);
  flared.SetBottomInnerRadius(0.1f);
  flared.GetPosition()->SetPoint(0, 2, 0);
  CheckRays(flared,
            {{"up outside the top radius", {0.7f, -5, 0, 1}, {0, 1, 0, 0}, false, {}, {}},
             {"up inside the top inner radius", {0.2f, -5, 0, 1}, {0, 1, 0, 0}, false, {}, {}},
             {"down onto the placed top",
              {0.4f, 5, 0, 1},
              {0, -1, 0, 0},
              true,
              {0.4f, 2.5f, 0, 1},
              {0, 1, 0, 0}}});
}

TEST(Annulus, LayoutAlwaysStoresTheRadii) {
  RegisterGLGeomObjects();
  TComponent form(nullptr);
  auto* annulus = new TGLAnnulus(&form);
  annulus->SetName("Ring");
  std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    BottomRadius = 0.5\n"
                        "    Height = 1.0\n"
                        "    BottomInnerRadius = 0.3\n"
                        "    TopInnerRadius = 0.3\n"
                        "    TopRadius = 0.5\n"
                        "  end\n"),
            std::string::npos)
      << layout;
  annulus->SetParts(anOuterSides | anTop);
  annulus->SetTopRadius(0.75f);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Height = 1.0\n"
                        "    Parts = [anOuterSides, anTop]\n"
                        "    BottomInnerRadius = 0.3\n"
                        "    TopInnerRadius = 0.3\n"
                        "    TopRadius = 0.75\n"
                        "  end\n"),
            std::string::npos)
      << layout;
  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readAnnulus = dynamic_cast<TGLAnnulus*>(read.FindComponent("Ring"));
  ASSERT_NE(readAnnulus, nullptr);
  EXPECT_EQ(readAnnulus->GetParts(), anOuterSides | anTop);
  EXPECT_EQ(readAnnulus->GetTopOuterRadius(), 0.75f);
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace

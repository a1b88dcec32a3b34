// The cylinder base and the cylinder without OpenGL: setters and the loops they ignore, what
// Assign copies and keeps, dimensions, the rays that meet the caps and the side, the outline of
// the upright body, the layout and the unit's registration.
#include "tests/support/Raises.h"
//
#include <functional>
#include <string>

#include "engine/GLGeomObjects.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(Cylinder, NewCylinderIsAClosedUnitTallBodyOfRadiusOneHalf) {
  TGLCylinder cylinder(nullptr);
  EXPECT_EQ(cylinder.GetBottomRadius(), 0.5f);
  EXPECT_EQ(cylinder.GetTopRadius(), 0.5f);
  EXPECT_EQ(cylinder.GetHeight(), 1);
  EXPECT_EQ(cylinder.GetSlices(), 16);
  EXPECT_EQ(cylinder.GetStacks(), 4);
  EXPECT_EQ(cylinder.GetLoops(), 1);
  EXPECT_EQ(cylinder.GetParts(), cySides | cyBottom | cyTop);
  EXPECT_EQ(cylinder.GetAlignment(), caCenter);
  EXPECT_EQ(cylinder.GetNormals(), nsSmooth);
  EXPECT_EQ(cylinder.GetNormalDirection(), ndOutside);
}

TEST(Cylinder, SettersStoreAndRebuildOnlyOnAChangeLoopsBelowOneIgnored) {
  struct Case {
    const char* name;
    std::function<void(TGLCylinder&)> set;
    std::function<double(const TGLCylinder&)> get;
    double expected;
    bool rebuilds;
  } cases[] = {
      {"bottom radius", [](TGLCylinder& c) { c.SetBottomRadius(2); }, &TGLCylinder::GetBottomRadius,
       2, true},
      {"top radius", [](TGLCylinder& c) { c.SetTopRadius(0.25f); }, &TGLCylinder::GetTopRadius,
       0.25, true},
      {"same top radius", [](TGLCylinder& c) { c.SetTopRadius(0.5f); }, &TGLCylinder::GetTopRadius,
       0.5, false},
      {"negative height", [](TGLCylinder& c) { c.SetHeight(-1); }, &TGLCylinder::GetHeight, -1,
       true},
      // Slices and stacks go to GLU as they are.
      {"no slices", [](TGLCylinder& c) { c.SetSlices(0); }, &TGLCylinder::GetSlices, 0, true},
      {"negative stacks", [](TGLCylinder& c) { c.SetStacks(-3); }, &TGLCylinder::GetStacks, -3,
       true},
      {"loops", [](TGLCylinder& c) { c.SetLoops(3); }, &TGLCylinder::GetLoops, 3, true},
      {"no loops", [](TGLCylinder& c) { c.SetLoops(0); }, &TGLCylinder::GetLoops, 1, false},
      {"negative loops", [](TGLCylinder& c) { c.SetLoops(-2); }, &TGLCylinder::GetLoops, 1, false},
      {"parts", [](TGLCylinder& c) { c.SetParts(cySides); }, &TGLCylinder::GetParts, cySides, true},
      {"no parts", [](TGLCylinder& c) { c.SetParts(0); }, &TGLCylinder::GetParts, 0, true},
      {"alignment", [](TGLCylinder& c) { c.SetAlignment(caTop); }, &TGLCylinder::GetAlignment,
       caTop, true},
      {"same alignment", [](TGLCylinder& c) { c.SetAlignment(caCenter); },
       &TGLCylinder::GetAlignment, caCenter, false},
      {"normals", [](TGLCylinder& c) { c.SetNormals(nsFlat); }, &TGLCylinder::GetNormals, nsFlat,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLCylinder cylinder(nullptr);
    cylinder.ClearListDirty();
    c.set(cylinder);
    EXPECT_EQ(c.get(cylinder), c.expected);
    EXPECT_EQ(ListDirty(cylinder), c.rebuilds);
  }
}

TEST(Cylinder, AssignCopiesPartsRadiiAndTessellationButKeepsTheAlignment) {
  TGLCylinder source(nullptr), target(nullptr);
  source.SetBottomRadius(1);
  source.SetTopRadius(2);
  source.SetHeight(3);
  source.SetSlices(8);
  source.SetStacks(2);
  source.SetLoops(5);
  source.SetParts(cyTop);
  source.SetAlignment(caBottom);
  source.SetNormalDirection(ndInside);
  source.GetPosition()->SetPoint(1, 2, 3);
  target.SetAlignment(caTop);
  target.Assign(&source);
  EXPECT_EQ(target.GetBottomRadius(), 1);
  EXPECT_EQ(target.GetTopRadius(), 2);
  EXPECT_EQ(target.GetHeight(), 3);
  EXPECT_EQ(target.GetSlices(), 8);
  EXPECT_EQ(target.GetStacks(), 2);
  EXPECT_EQ(target.GetLoops(), 5);
  EXPECT_EQ(target.GetParts(), cyTop);
  EXPECT_EQ(target.GetNormalDirection(), ndInside);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{1, 2, 3, 1}));
  EXPECT_EQ(target.GetAlignment(), caTop) << "kept";

  // From a cone: what the cylinder base holds, not the parts nor the top radius.
  TGLCone cone(nullptr);
  cone.SetBottomRadius(4);
  cone.SetParts(coBottom);
  target.Assign(&cone);
  EXPECT_EQ(target.GetBottomRadius(), 4);
  EXPECT_EQ(target.GetTopRadius(), 2);
  EXPECT_EQ(target.GetParts(), cyTop);
  EXPECT_EQ(target.GetHeight(), 1);
}

TEST(Cylinder, DimensionsAreCentredWithTheLargerRadius) {
  TGLCylinder cylinder(nullptr);
  cylinder.SetBottomRadius(-2);
  cylinder.SetTopRadius(1);
  cylinder.SetHeight(3);
  cylinder.SetAlignment(caBottom);
  EXPECT_EQ(cylinder.AxisAlignedDimensionsUnscaled(), (TVector{2, 1.5f, 2, 0}));
  cylinder.SetTopRadius(-3);
  cylinder.SetHeight(-4);
  EXPECT_EQ(cylinder.AxisAlignedDimensionsUnscaled(), (TVector{3, -2, 3, 0}))
      << "the height is not made absolute";
}

// Radius 0.5 from y = -0.5 to 0.5: rays from above, from the side and from inside.
TEST(Cylinder, RaysMeetTheNearestPartInFrontOfTheStart) {
  TGLCylinder closed(nullptr);
  CheckRays(
      closed,
      {
          {"down the axis", {0, 5, 0, 1}, {0, -1, 0, 0}, true, {0, 0.5f, 0, 1}, {0, 1, 0, 0}},
          {"up the axis", {0, -5, 0, 1}, {0, 2, 0, 0}, true, {0, -0.5f, 0, 1}, {0, -1, 0, 0}},
          {"onto the side", {5, 0, 0, 1}, {-1, 0, 0, 0}, true, {0.5f, 0, 0, 1}, {0.5f, 0, 0, 0}},
          {"onto the side, slanted",
           {0, 0.25f, -2, 1},
           {0, -0.25f, 1, 0},
           true,
           {0, -0.125f, -0.5f, 1},
           {0, 0, -0.5f, 0}},
          // The exit through the side lies behind the top cap the ray enters by.
          {"in through the top, out through the side",
           {0, 2, 0, 1},
           {0.3f, -1, 0, 0},
           true,
           {0.45f, 0.5f, 0, 1},
           {0, 1, 0, 0}},
          {"from inside, out through the bottom",
           {0, 0, 0, 1},
           {0, -1, 0, 0},
           true,
           {0, -0.5f, 0, 1},
           {0, -1, 0, 0}},
          {"from inside, out through the side",
           {0, 0, 0, 1},
           {1, 0, 0, 0},
           true,
           {0.5f, 0, 0, 1},
           {0.5f, 0, 0, 0}},
          {"across, above the body", {5, 0.6f, 0, 1}, {-1, 0, 0, 0}, false, {}, {}},
          {"across, beside the body", {5, 0, 0.6f, 1}, {-1, 0, 0, 0}, false, {}, {}},
          {"going away", {5, 0, 0, 1}, {1, 0, 0, 0}, false, {}, {}},
          {"away from the top", {0, 5, 0, 1}, {0, 1, 0, 0}, false, {}, {}},
      });
}

TEST(Cylinder, RaysMeetOnlyThePartsPresent) {
  struct Case {
    const char* name;
    TCylinderParts parts;
    TRayCase ray;
  } cases[] = {
      {"caps only: the top",
       cyTop | cyBottom,
       {"", {0, 5, 0, 1}, {0, -1, 0, 0}, true, {0, 0.5f, 0, 1}, {0, 1, 0, 0}}},
      {"an open top: the bottom",
       cyBottom,
       {"", {0, 5, 0, 1}, {0, -1, 0, 0}, true, {0, -0.5f, 0, 1}, {0, -1, 0, 0}}},
      {"an open top: a slanted ray meets the inner face of the side",
       cySides | cyBottom,
       {"", {-1.2f, 2, 0, 1}, {1, -1, 0, 0}, true, {0.5f, 0.3f, 0, 1}, {0.5f, 0, 0, 0}}},
      {"closed: the same ray meets the top",
       cyTop | cySides | cyBottom,
       {"", {-1.2f, 2, 0, 1}, {1, -1, 0, 0}, true, {0.3f, 0.5f, 0, 1}, {0, 1, 0, 0}}},
      {"between the caps without a side",
       cyTop | cyBottom,
       {"", {5, 0, 0, 1}, {-1, 0, 0, 0}, false, {}, {}}},
      {"an open tube along its axis", cySides, {"", {0, 5, 0, 1}, {0, -1, 0, 0}, false, {}, {}}},
      {"nothing", 0, {"", {5, 0, 0, 1}, {-1, 0, 0, 0}, false, {}, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLCylinder cylinder(nullptr);
    cylinder.SetParts(c.parts);
    CheckRays(cylinder, {c.ray});
  }
}

TEST(Cylinder, RaysFollowAlignmentPlacementAndTheTopRadius) {
  TGLCylinder above(nullptr);
  above.SetAlignment(caBottom);
  CheckRays(
      above,
      {{"above the origin", {0.2f, 5, 0, 1}, {0, -1, 0, 0}, true, {0.2f, 1, 0, 1}, {0, 1, 0, 0}},
       {"its bottom at the origin",
        {0, -5, 0, 1},
        {0, 1, 0, 0},
        true,
        {0, 0, 0, 1},
        {0, -1, 0, 0}}});
  TGLCylinder below(nullptr);
  below.SetAlignment(caTop);
  CheckRays(below,
            {{"below the origin", {0, 5, 0, 1}, {0, -1, 0, 0}, true, {0, 0, 0, 1}, {0, 1, 0, 0}}});

  // A straight cylinder of TopRadius, however wide the bottom is drawn.
  TGLCylinder cone(nullptr);
  cone.SetBottomRadius(2);
  CheckRays(cone, {{"inside the bottom radius", {1, 5, 0, 1}, {0, -1, 0, 0}, false, {}, {}}});

  // Placed and turned so that its axis lies along x, twice as thick.
  TGLCylinder placed(nullptr);
  placed.GetPosition()->SetPoint(0, 0, 3);
  placed.GetUp()->SetVector(1, 0, 0);
  placed.GetScale()->SetVector(2, 1, 2);
  CheckRays(
      placed,
      {{"onto the turned side", {0, 0, 10, 1}, {0, 0, -1, 0}, true, {0, 0, 4, 1}, {0, 0, 1, 0}},
       {"onto the turned top", {5, 0, 3, 1}, {-1, 0, 0, 0}, true, {0.5f, 0, 3, 1}, {1, 0, 0, 0}}});
}

TEST(Cylinder, TheOutlineIsThatOfTheCentredUprightBody) {
  TGLCylinder cylinder(nullptr);
  cylinder.SetSlices(8);
  cylinder.SetTopRadius(0.25f);
  cylinder.SetAlignment(caBottom);
  cylinder.SetParts(cySides);
  // Seen from far along +z: the outline runs up the side at x = +-r and over both ends.
  std::unique_ptr<TGLSilhouette> silhouette =
      cylinder.GenerateSilhouette({{0, 0, 100}, {}, spPoint, false});
  ASSERT_GT(silhouette->Indices().Count(), 0);
  float minY = 9, maxY = -9, maxX = 0;
  for (int i = 0; i < silhouette->Vertices().Count(); ++i) {
    const TVector& v = silhouette->Vertices().List()[i];
    minY = std::min(minY, v[Y]);
    maxY = std::max(maxY, v[Y]);
    maxX = std::max(maxX, std::fabs(v[X]));
    EXPECT_EQ(v[W], 1);
  }
  EXPECT_EQ(minY, -0.5f) << "centred whatever the alignment";
  EXPECT_EQ(maxY, 0.5f);
  EXPECT_NEAR(maxX, 0.5f, 1e-6);
  EXPECT_TRUE(silhouette->CapIndices().Count() == 0);

  // Capped, the faces turned away close the volume.
  silhouette = cylinder.GenerateSilhouette({{0, 0, 100}, {}, spPoint, true});
  EXPECT_GT(silhouette->CapIndices().Count(), 0);
  EXPECT_EQ(silhouette->CapIndices().Count() % 3, 0);

  // No sides, no faces: an empty outline, not a failure.
  cylinder.SetSlices(0);
  silhouette = cylinder.GenerateSilhouette({{0, 0, 100}, {}, spPoint, true});
  EXPECT_EQ(silhouette->Vertices().Count(), 0);
  EXPECT_EQ(cylinder.GetSlices(), 0) << "left as stored";
}

TEST(Cylinder, LayoutAlwaysStoresRadiiAndHeight) {
  RegisterGLGeomObjects();
  TComponent form(nullptr);
  auto* cylinder = new TGLCylinder(&form);
  cylinder->SetName("Cylinder1");
  std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    BottomRadius = 0.5\n    Height = 1.0\n    TopRadius = 0.5\n  end\n"),
            std::string::npos)
      << layout;
  cylinder->SetSlices(6);
  cylinder->SetStacks(1);
  cylinder->SetLoops(2);
  cylinder->SetParts(cySides | cyTop);
  cylinder->SetAlignment(caTop);
  cylinder->SetHeight(0);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    BottomRadius = 0.5\n"
                        "    Slices = 6\n"
                        "    Stacks = 1\n"
                        "    Loops = 2\n"
                        "    Height = 0.0\n"
                        "    Parts = [cySides, cyTop]\n"
                        "    TopRadius = 0.5\n"
                        "    Alignment = caTop\n"
                        "  end\n"),
            std::string::npos)
      << layout;
  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readCylinder = dynamic_cast<TGLCylinder*>(read.FindComponent("Cylinder1"));
  ASSERT_NE(readCylinder, nullptr);
  EXPECT_EQ(readCylinder->GetAlignment(), caTop);
  EXPECT_EQ(readCylinder->GetParts(), cySides | cyTop);
  EXPECT_EQ(WriteLayout(&read), layout);
}

TEST(Cylinder, TheUnitRegistersItsSceneObjects) {
  RegisterGLGeomObjects();
  EXPECT_EQ(GetClass("TGLCylinder"), TGLCylinder::StaticClass());
  EXPECT_EQ(GetClass("TGLCone"), TGLCone::StaticClass());
  EXPECT_EQ(GetClass("TGLArrowLine"), TGLArrowLine::StaticClass());
  EXPECT_EQ(GetClass("TGLCylinderBase"), nullptr) << "a base class only";
}

}  // namespace

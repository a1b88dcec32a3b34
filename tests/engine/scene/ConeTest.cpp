// The cone without OpenGL: its parts, what Assign copies, dimensions, the bounding-sphere ray
// cast it keeps, the outline that closes at the apex, and the layout.
#include "tests/support/Raises.h"
//
#include <cmath>
#include <string>

#include "engine/GLGeomObjects.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(Cone, NewConeHasSidesAndBottomAndNoTopRadius) {
  TGLCone cone(nullptr);
  EXPECT_EQ(cone.GetParts(), coSides | coBottom);
  EXPECT_EQ(cone.GetBottomRadius(), 0.5f);
  EXPECT_EQ(cone.GetHeight(), 1);
  EXPECT_EQ(cone.GetTopRadius(), 0);
  cone.ClearListDirty();
  cone.SetParts(coBottom);
  EXPECT_EQ(cone.GetParts(), coBottom);
  EXPECT_TRUE(ListDirty(cone));
  cone.ClearListDirty();
  cone.SetParts(coBottom);
  EXPECT_FALSE(ListDirty(cone));
}

TEST(Cone, AssignCopiesThePartsFromAConeOnly) {
  TGLCone source(nullptr), target(nullptr);
  source.SetParts(coSides);
  source.SetBottomRadius(2);
  source.SetNormals(nsFlat);
  target.Assign(&source);
  EXPECT_EQ(target.GetParts(), coSides);
  EXPECT_EQ(target.GetBottomRadius(), 2);
  EXPECT_EQ(target.GetNormals(), nsFlat);

  TGLCylinder cylinder(nullptr);
  cylinder.SetHeight(5);
  cylinder.SetParts(cyTop);
  TGLCone other(nullptr);
  other.Assign(&cylinder);
  EXPECT_EQ(other.GetHeight(), 5);
  EXPECT_EQ(other.GetParts(), coSides | coBottom);
}

TEST(Cone, DimensionsAreTheBaseAndHalfTheHeight) {
  TGLCone cone(nullptr);
  cone.SetBottomRadius(-2);
  cone.SetHeight(3);
  EXPECT_EQ(cone.AxisAlignedDimensionsUnscaled(), (TVector{2, 1.5f, 2, 0}));
}

// The cone keeps the node's ray cast: the sphere round its box, radius |(0.5, 0.5, 0.5)|, the
// normal pointing from the centre, of unit length.
TEST(Cone, RaysMeetTheBoundingSphere) {
  const float r = std::sqrt(0.75f);
  TGLCone cone(nullptr);
  cone.GetPosition()->SetPoint(1, 0, 0);
  const float beside = std::sqrt(0.75f - 0.36f);
  CheckRays(cone,
            {
                {"above the apex", {1, 5, 0, 1}, {0, -1, 0, 0}, true, {1, r, 0, 1}, {0, 1, 0, 0}},
                {"beside the cone, inside the sphere",
                 {1.6f, 5, 0, 1},
                 {0, -1, 0, 0},
                 true,
                 {1.6f, beside, 0, 1},
                 {0.6f / r, beside / r, 0, 0}},
                {"outside the sphere", {1.9f, 5, 0, 1}, {0, -1, 0, 0}, false, {}, {}},
            });
}

TEST(Cone, TheOutlineClosesAtTheApex) {
  TGLCone cone(nullptr);
  cone.SetSlices(6);
  std::unique_ptr<TGLSilhouette> silhouette =
      cone.GenerateSilhouette({{0, 0, 100}, {}, spPoint, true});
  ASSERT_GT(silhouette->Vertices().Count(), 0);
  for (int i = 0; i < silhouette->Vertices().Count(); ++i) {
    const TVector& v = silhouette->Vertices().List()[i];
    if (v[Y] > 0) {
      EXPECT_EQ(v[X], 0) << "the top ring collapses to the apex";
      EXPECT_EQ(v[Z], 0);
      EXPECT_EQ(v[Y], 0.5f);
    }
  }
}

TEST(Cone, LayoutStoresThePartsAwayFromTheirDefault) {
  RegisterGLGeomObjects();
  TComponent form(nullptr);
  auto* cone = new TGLCone(&form);
  cone->SetName("Cone1");
  EXPECT_NE(WriteLayout(&form).find("    BottomRadius = 0.5\n    Height = 1.0\n  end\n"),
            std::string::npos)
      << WriteLayout(&form);
  cone->SetParts(coBottom);
  const std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Height = 1.0\n    Parts = [coBottom]\n  end\n"), std::string::npos)
      << layout;
  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readCone = dynamic_cast<TGLCone*>(read.FindComponent("Cone1"));
  ASSERT_NE(readCone, nullptr);
  EXPECT_EQ(readCone->GetParts(), coBottom);
}

}  // namespace

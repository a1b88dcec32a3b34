// The arrow line without OpenGL: a new arrow, its setters, what Assign copies, what it keeps of
// the node and the cylinder base, and its layout.
#include "tests/support/Raises.h"
//
#include <functional>
#include <string>

#include "engine/GLGeomObjects.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(ArrowLine, NewArrowHasAShaftOfOneTenthAndAHeadOnTop) {
  TGLArrowLine arrow(nullptr);
  EXPECT_EQ(arrow.GetParts(), alLine | alTopArrow);
  EXPECT_EQ(arrow.GetBottomRadius(), 0.1f);
  EXPECT_EQ(arrow.GetShaftTopRadius(), 0.1f);
  EXPECT_EQ(arrow.GetTopArrowHeadHeight(), 0.5f);
  EXPECT_EQ(arrow.GetTopArrowHeadRadius(), 0.2f);
  EXPECT_EQ(arrow.GetBottomArrowHeadHeight(), 0.5f);
  EXPECT_EQ(arrow.GetBottomArrowHeadRadius(), 0.2f);
  EXPECT_EQ(arrow.GetHeadStackingStyle(), ahssStacked);
  EXPECT_EQ(arrow.GetHeight(), 1);
  EXPECT_EQ(arrow.GetSlices(), 16);
  EXPECT_EQ(arrow.GetStacks(), 4);
  EXPECT_EQ(arrow.GetLoops(), 1);
}

TEST(ArrowLine, SettersStoreAndRebuildOnlyOnAChange) {
  struct Case {
    const char* name;
    std::function<void(TGLArrowLine&)> set;
    std::function<double(const TGLArrowLine&)> get;
    double expected;
    bool rebuilds;
  } cases[] = {
      {"parts", [](TGLArrowLine& a) { a.SetParts(alBottomArrow); }, &TGLArrowLine::GetParts,
       alBottomArrow, true},
      {"same parts", [](TGLArrowLine& a) { a.SetParts(alLine | alTopArrow); },
       &TGLArrowLine::GetParts, alLine | alTopArrow, false},
      {"shaft top radius", [](TGLArrowLine& a) { a.SetTopRadius(-1); },
       &TGLArrowLine::GetShaftTopRadius, -1, true},
      {"top head height", [](TGLArrowLine& a) { a.SetTopArrowHeadHeight(0); },
       &TGLArrowLine::GetTopArrowHeadHeight, 0, true},
      {"top head radius", [](TGLArrowLine& a) { a.SetTopArrowHeadRadius(0.3f); },
       &TGLArrowLine::GetTopArrowHeadRadius, 0.3f, true},
      {"bottom head height", [](TGLArrowLine& a) { a.SetBottomArrowHeadHeight(2); },
       &TGLArrowLine::GetBottomArrowHeadHeight, 2, true},
      {"same bottom head radius", [](TGLArrowLine& a) { a.SetBottomArrowHeadRadius(0.2f); },
       &TGLArrowLine::GetBottomArrowHeadRadius, 0.2f, false},
      {"stacking style", [](TGLArrowLine& a) { a.SetHeadStackingStyle(ahssIncluded); },
       &TGLArrowLine::GetHeadStackingStyle, ahssIncluded, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLArrowLine arrow(nullptr);
    arrow.ClearListDirty();
    c.set(arrow);
    EXPECT_EQ(c.get(arrow), c.expected);
    EXPECT_EQ(ListDirty(arrow), c.rebuilds);
  }
}

TEST(ArrowLine, AssignCopiesHeadsShaftAndStyle) {
  TGLArrowLine source(nullptr), target(nullptr);
  source.SetParts(alLine | alBottomArrow);
  source.SetTopRadius(0.05f);
  source.SetBottomRadius(0.04f);
  source.SetTopArrowHeadHeight(0.2f);
  source.SetTopArrowHeadRadius(0.1f);
  source.SetBottomArrowHeadHeight(0.3f);
  source.SetBottomArrowHeadRadius(0.15f);
  source.SetHeadStackingStyle(ahssCentered);
  source.SetHeight(2);
  source.SetNormals(nsNone);
  target.Assign(&source);
  EXPECT_EQ(target.GetParts(), alLine | alBottomArrow);
  EXPECT_EQ(target.GetShaftTopRadius(), 0.05f);
  EXPECT_EQ(target.GetBottomRadius(), 0.04f);
  EXPECT_EQ(target.GetTopArrowHeadHeight(), 0.2f);
  EXPECT_EQ(target.GetTopArrowHeadRadius(), 0.1f);
  EXPECT_EQ(target.GetBottomArrowHeadHeight(), 0.3f);
  EXPECT_EQ(target.GetBottomArrowHeadRadius(), 0.15f);
  EXPECT_EQ(target.GetHeadStackingStyle(), ahssCentered);
  EXPECT_EQ(target.GetHeight(), 2);
  EXPECT_EQ(target.GetNormals(), nsNone);

  // From a cylinder: the base's part only.
  TGLCylinder cylinder(nullptr);
  cylinder.SetHeight(7);
  cylinder.SetTopRadius(3);
  target.Assign(&cylinder);
  EXPECT_EQ(target.GetHeight(), 7);
  EXPECT_EQ(target.GetBottomRadius(), 0.5f);
  EXPECT_EQ(target.GetShaftTopRadius(), 0.05f);
  EXPECT_EQ(target.GetParts(), alLine | alBottomArrow);
}

// The outline, the extents and the ray cast are the node's and the base's, not the arrow's.
TEST(ArrowLine, KeepsTheUprightOutlineTheUnitBoxAndTheBoundingSphere) {
  TGLArrowLine arrow(nullptr);
  arrow.SetTopRadius(0.3f);
  EXPECT_EQ(arrow.GetTopRadius(), 0.1f) << "the base's answer: the bottom radius";
  EXPECT_EQ(arrow.AxisAlignedDimensionsUnscaled(), (TVector{0.5f, 0.5f, 0.5f, 0}));
  TVector point;
  EXPECT_TRUE(arrow.RayCastIntersect({0.8f, 5, 0, 1}, {0, -1, 0, 0}, &point))
      << "inside the sphere round the unit box, beside the drawn shaft";

  std::unique_ptr<TGLSilhouette> silhouette =
      arrow.GenerateSilhouette({{0, 0, 100}, {}, spPoint, false});
  ASSERT_GT(silhouette->Vertices().Count(), 0);
  for (int i = 0; i < silhouette->Vertices().Count(); ++i) {
    const TVector& v = silhouette->Vertices().List()[i];
    EXPECT_NEAR(std::fabs(v[Y]), 0.5, 1e-6) << "along y, not z";
    EXPECT_LE(std::fabs(v[X]), 0.1f + 1e-6);
  }
}

TEST(ArrowLine, LayoutStoresTheSizesAlwaysAndTheRestAwayFromTheDefaults) {
  RegisterGLGeomObjects();
  TComponent form(nullptr);
  auto* arrow = new TGLArrowLine(&form);
  arrow->SetName("GLXAxis");
  std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    BottomRadius = 0.1\n"
                        "    Height = 1.0\n"
                        "    TopRadius = 0.1\n"
                        "    TopArrowHeadHeight = 0.5\n"
                        "    TopArrowHeadRadius = 0.2\n"
                        "    BottomArrowHeadHeight = 0.5\n"
                        "    BottomArrowHeadRadius = 0.2\n"
                        "  end\n"),
            std::string::npos)
      << layout;
  arrow->SetParts(alTopArrow | alBottomArrow);
  arrow->SetHeadStackingStyle(ahssCentered);
  arrow->SetTopRadius(0.05f);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Parts = [alTopArrow, alBottomArrow]\n    TopRadius = 0.05\n"),
            std::string::npos)
      << layout;
  EXPECT_NE(layout.find("    HeadStackingStyle = ahssCentered\n  end\n"), std::string::npos)
      << layout;
  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readArrow = dynamic_cast<TGLArrowLine*>(read.FindComponent("GLXAxis"));
  ASSERT_NE(readArrow, nullptr);
  EXPECT_EQ(readArrow->GetShaftTopRadius(), 0.05f);
  EXPECT_EQ(readArrow->GetHeadStackingStyle(), ahssCentered);
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace

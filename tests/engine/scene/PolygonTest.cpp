// The polygon without OpenGL: its setters and clamps, what rebuilds it, copies, the layout and
// the unit's registration.
#include "tests/support/Raises.h"
//
#include <functional>
#include <string>

#include "engine/GLGeomObjects.h"
#include "engine/GLGeomObjects/Polygon.h"
#include "platform/rtl/Classes.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TGLNode* AddNode(TGLPolygonBase& polygon, float x, float y, float z) {
  TGLNode* node = polygon.GetNodes()->Add();
  node->SetX(x);
  node->SetY(y);
  node->SetZ(z);
  return node;
}

TEST(Polygon, NewPolygonHasAnEmptyOutlineOfPlainNodesAndBothFaces) {
  TGLPolygon polygon(nullptr);
  EXPECT_EQ(polygon.GetNodes()->Count(), 0);
  EXPECT_EQ(polygon.GetNodes()->ItemClass(), TGLNode::StaticClass());
  EXPECT_EQ(polygon.GetNodes()->GetOwner(), &polygon);
  EXPECT_EQ(polygon.GetDivision(), 10);
  EXPECT_EQ(polygon.GetSplineMode(), lsmLines);
  EXPECT_EQ(polygon.GetParts(), ppTop | ppBottom);
}

TEST(Polygon, SettersClampAndTheOutlineRebuilds) {
  const struct Case {
    const char* name;
    std::function<void(TGLPolygon&)> set;
    std::function<double(const TGLPolygon&)> get;
    double expected;
    bool rebuilds;
  } cases[] = {
      {"division", [](TGLPolygon& p) { p.SetDivision(3); }, &TGLPolygon::GetDivision, 3, true},
      {"division unchanged", [](TGLPolygon& p) { p.SetDivision(10); }, &TGLPolygon::GetDivision, 10,
       false},
      {"division 0", [](TGLPolygon& p) { p.SetDivision(0); }, &TGLPolygon::GetDivision, 1, true},
      {"division -3", [](TGLPolygon& p) { p.SetDivision(-3); }, &TGLPolygon::GetDivision, 1, true},
      {"spline mode", [](TGLPolygon& p) { p.SetSplineMode(lsmSegments); },
       &TGLPolygon::GetSplineMode, lsmSegments, true},
      {"spline mode unchanged", [](TGLPolygon& p) { p.SetSplineMode(lsmLines); },
       &TGLPolygon::GetSplineMode, lsmLines, false},
      {"parts", [](TGLPolygon& p) { p.SetParts(ppBottom); }, &TGLPolygon::GetParts, ppBottom, true},
      {"parts unchanged", [](TGLPolygon& p) { p.SetParts(ppTop | ppBottom); },
       &TGLPolygon::GetParts, ppTop | ppBottom, false},
      {"a node moved", [](TGLPolygon& p) { p.GetNodes()->GetItems(0)->SetX(5); },
       [](const TGLPolygon& p) { return p.GetNodes()->GetItems(0)->GetX(); }, 5, true},
      {"a node added", [](TGLPolygon& p) { p.GetNodes()->Add(); },
       [](const TGLPolygon& p) { return p.GetNodes()->Count(); }, 2, true},
      {"a node removed", [](TGLPolygon& p) { p.GetNodes()->Delete(0); },
       [](const TGLPolygon& p) { return p.GetNodes()->Count(); }, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLPolygon polygon(nullptr);
    AddNode(polygon, 1, 1, 0);
    polygon.ClearListDirty();
    c.set(polygon);
    EXPECT_EQ(c.get(polygon), c.expected);
    EXPECT_EQ(ListDirty(polygon), c.rebuilds);
  }
}

TEST(Polygon, AssignCopiesTheOutlineItsSmoothingAndFaces) {
  TGLPolygon source(nullptr), target(nullptr);
  AddNode(source, 1, 2, 3);
  AddNode(source, -1, 0, 0);
  source.SetDivision(4);
  source.SetSplineMode(lsmCubicSpline);
  source.SetParts(ppTop);
  source.GetPosition()->SetPoint(0, 0, 2);
  source.GetMaterial()->GetFrontProperties()->GetDiffuse()->SetRGBA(1, 0, 0, 1);
  AddNode(target, 7, 7, 7);
  target.ClearListDirty();
  target.Assign(&source);
  ASSERT_EQ(target.GetNodes()->Count(), 2);
  EXPECT_EQ(target.GetNodes()->GetItems(0)->GetAsVector(), (TVector{1, 2, 3, 0}));
  EXPECT_EQ(target.GetNodes()->GetItems(1)->GetAsVector(), (TVector{-1, 0, 0, 0}));
  EXPECT_NE(target.GetNodes(), source.GetNodes());
  EXPECT_EQ(target.GetDivision(), 4);
  EXPECT_EQ(target.GetSplineMode(), lsmCubicSpline);
  EXPECT_EQ(target.GetParts(), ppTop);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{0, 0, 2, 1}));
  EXPECT_EQ(target.GetMaterial()->GetFrontProperties()->GetDiffuse()->GetColor(),
            (TColorVector{1, 0, 0, 1}));
  EXPECT_TRUE(ListDirty(target));

  // An outline of another kind gives only its outline.
  TGLPolygonBase outline(nullptr);
  AddNode(outline, 4, 4, 4);
  target.Assign(&outline);
  EXPECT_EQ(target.GetNodes()->Count(), 1);
  EXPECT_EQ(target.GetDivision(), 10);
  EXPECT_EQ(target.GetParts(), ppTop);
}

TEST(Polygon, LayoutStoresTheOutlineAndWhatDiffersFromTheDefaults) {
  RegisterGLGeomObjects();
  TComponent form(nullptr);
  auto* polygon = new TGLPolygon(&form);
  polygon->SetName("Shape");
  AddNode(*polygon, 1, 0, 0);
  AddNode(*polygon, 0, 1, 0);
  AddNode(*polygon, -1, 0, 0.5f);
  std::string layout = WriteLayout(&form);
  for (const char* left : {"Division", "SplineMode", "Parts"})
    EXPECT_EQ(layout.find(left), std::string::npos) << left << " left out\n" << layout;

  polygon->SetDivision(3);
  polygon->SetSplineMode(lsmCubicSpline);
  polygon->SetParts(ppBottom);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("      item\n"
                        "        X = -1.0\n"
                        "        Z = 0.5\n"
                        "      end>\n"
                        "    Division = 3\n"
                        "    SplineMode = lsmCubicSpline\n"
                        "    Parts = [ppBottom]\n"),
            std::string::npos)
      << layout;

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readPolygon = dynamic_cast<TGLPolygon*>(read.FindComponent("Shape"));
  ASSERT_NE(readPolygon, nullptr);
  ASSERT_EQ(readPolygon->GetNodes()->Count(), 3);
  EXPECT_EQ(readPolygon->GetNodes()->GetItems(2)->GetAsVector(), (TVector{-1, 0, 0.5f, 0}));
  EXPECT_EQ(readPolygon->GetParts(), ppBottom);
  EXPECT_EQ(WriteLayout(&read), layout);
}

TEST(Polygon, TheGeometricUnitRegistersThePolygonAlone) {
  RegisterGLGeomObjects();
  EXPECT_EQ(GetClass("TGLPolygon"), TGLPolygon::StaticClass());
  EXPECT_EQ(GetClass("TGLPolygonBase"), nullptr);
}

}  // namespace

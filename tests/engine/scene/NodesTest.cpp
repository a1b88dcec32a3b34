// Control points without OpenGL: the normal of an outline, node texts, the notices a collection
// sends its owner, copies, the spline through the nodes and the layout of a node list.
#include "tests/support/Raises.h"
//
#include <cmath>
#include <string>
#include <vector>

#include "engine/GLMisc.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

// An owner of nodes that keeps the sender of every notice it gets.
class TOutline : public TGLUpdateAbleComponent {
  RTL_CLASS(TOutline, TGLUpdateAbleComponent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TOutline>(TGLUpdateAbleComponent::Published())
            .Object("Nodes", [](const TOutline& o) { return o.Nodes.get(); });
    return table;
  }
  explicit TOutline(TComponent* AOwner) : TGLUpdateAbleComponent(AOwner) {}
  void NotifyChange(TObject* Sender) override { Notices.push_back(Sender); }

  std::unique_ptr<TGLNodes> Nodes = std::make_unique<TGLNodes>(this);
  std::vector<TObject*> Notices;
};

TGLNode* AddNode(TGLNodes& nodes, float x, float y, float z) {
  TGLNode* node = nodes.Add();
  node->SetX(x);
  node->SetY(y);
  node->SetZ(z);
  return node;
}

TEST(Nodes, NormalOfTheFirstThreeNodes) {
  const struct Case {
    const char* name;
    std::vector<TAffineVector> points;
    TAffineVector normal;
  } cases[] = {
      {"counter-clockwise seen from +Z", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 0, 1}},
      {"clockwise", {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 0, -1}},
      {"unit length", {{0, 0, 0}, {0, 3, 0}, {0, 0, 5}}, {1, 0, 0}},
      {"the fourth node is not consulted", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 9}}, {0, 0, 1}},
      {"two nodes", {{0, 0, 0}, {1, 0, 0}}, {0, 0, 0}},
      {"no nodes", {}, {0, 0, 0}},
      // No plane through them: no NaNs either, so that a polygon leaves the normal to GLU.
      {"three nodes on a line", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 2, 0}}, {0, 0, 0}},
      {"three nodes on a point", {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLNodes nodes(nullptr);
    for (const TAffineVector& p : c.points) AddNode(nodes, p[0], p[1], p[2]);
    const TAffineVector normal = nodes.Normal();
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(normal[i], c.normal[i], 1e-6) << i;
  }
}

TEST(Nodes, DisplayNameHasFourDecimalsInTheRegionalFormat) {
  TGLNodes nodes(nullptr);
  TGLNode* node = AddNode(nodes, 1, 2.5f, -3);
  EXPECT_EQ(node->GetDisplayName(), "1.0000; 2.5000; -3.0000");
  const char saved = DecimalSeparator;
  DecimalSeparator = ',';
  const std::string text = node->GetDisplayName();
  DecimalSeparator = saved;
  EXPECT_EQ(text, "1,0000; 2,5000; -3,0000");

  // The largest coordinates make a name well beyond 127 characters, and it is given whole.
  const float big = std::ldexp(1.0f, 127);
  node->SetX(-big);
  node->SetY(big);
  node->SetZ(big);
  EXPECT_EQ(node->GetDisplayName(),
            "-170141183460469231731687303715884105728.0000; "
            "170141183460469231731687303715884105728.0000; "
            "170141183460469231731687303715884105728.0000");
}

TEST(Nodes, TheOwnerHearsOfEachChangeAndOnceAfterAnUpdate) {
  TOutline outline(nullptr);
  TGLNodes& nodes = *outline.Nodes;
  TGLNode* node = nodes.Add();
  EXPECT_EQ(outline.Notices, std::vector<TObject*>{&nodes}) << "an added node";

  outline.Notices.clear();
  node->SetY(2);
  EXPECT_EQ(outline.Notices, std::vector<TObject*>{&nodes}) << "the collection names itself";
  EXPECT_EQ(node->GetAsVector(), (TVector{0, 2, 0, 0})) << "w stays 0";

  outline.Notices.clear();
  nodes.BeginUpdate();
  node->SetX(1);
  node->SetZ(3);
  nodes.Add();
  EXPECT_TRUE(outline.Notices.empty()) << "nothing while updating";
  nodes.EndUpdate();
  EXPECT_EQ(outline.Notices, std::vector<TObject*>{&nodes}) << "one notice from EndUpdate";

  outline.Notices.clear();
  nodes.Delete(1);
  EXPECT_EQ(outline.Notices.size(), 1u) << "a removed node";

  // A collection without an update-able owner tells no one.
  TGLNodes ownerless(nullptr);
  AddNode(ownerless, 1, 2, 3);
  EXPECT_EQ(ownerless.GetItems(0)->GetZ(), 3);
}

TEST(Nodes, ANodeOfAnotherCollectionRefusesAWrite) {
  TCollection foreign(TGLNode::StaticClass());
  auto* node = static_cast<TGLNode*>(foreign.Add());
  EXPECT_TRUE(Raises<EInvalidCast>([&] { node->SetX(1); }, "Invalid class typecast"));
  EXPECT_EQ(node->GetX(), 0) << "the value is kept";

  TGLNode loose(nullptr);
  loose.SetZ(4);
  EXPECT_EQ(loose.GetZ(), 4) << "a node of no collection tells no one";

  EXPECT_TRUE(Raises<EAssertionFailed>([] { TGLNodes(nullptr, TCollectionItem::StaticClass()); },
                                       testing::HasSubstr("TGLNode descendants")));
}

TEST(Nodes, CopiesTakeAllFourFloatsWithoutANotice) {
  TOutline source(nullptr), target(nullptr);
  AddNode(*source.Nodes, 1, 2, 3);
  AddNode(*source.Nodes, -4, 0, 6);
  AddNode(*target.Nodes, 9, 9, 9);
  target.Notices.clear();
  target.Nodes->GetItems(0)->Assign(source.Nodes->GetItems(1));
  EXPECT_EQ(target.Nodes->GetItems(0)->GetAsVector(), (TVector{-4, 0, 6, 0}));
  EXPECT_TRUE(target.Notices.empty());

  target.Nodes->Assign(source.Nodes.get());
  ASSERT_EQ(target.Nodes->Count(), 2);
  EXPECT_EQ(target.Nodes->GetItems(0)->GetAsVector(), (TVector{1, 2, 3, 0}));
  EXPECT_EQ(target.Nodes->GetItems(1)->GetAsVector(), (TVector{-4, 0, 6, 0}));
  EXPECT_EQ(target.Notices.size(), 1u) << "one notice for the whole copy";

  TGLCoordinates coordinates(nullptr);
  EXPECT_TRUE(Raises<EConvertError>([&] { target.Nodes->GetItems(0)->Assign(&coordinates); },
                                    "Cannot assign a TGLCoordinates to a TGLNode"));
}

TEST(Nodes, TheSplineRunsThroughTheNodesByIndex) {
  TGLNodes nodes(nullptr);
  const std::vector<TAffineVector> points = {{0, 0, 0}, {1, 2, -1}, {3, 0, 4}, {4, 4, 4}};
  for (const TAffineVector& p : points) AddNode(nodes, p[0], p[1], p[2]);
  const std::unique_ptr<TCubicSpline> spline = nodes.CreateNewCubicSpline();
  for (size_t i = 0; i < points.size(); ++i) {
    TAffineVector v;
    spline->SplineAffineVector(float(i), v);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(v[c], points[i][c], 1e-5) << i << " " << c;
  }
}

TEST(Nodes, LayoutLeavesZeroCoordinatesOut) {
  static const bool registered = [] {
    RegisterClass(TOutline::StaticClass());
    return true;
  }();
  (void)registered;
  TComponent form(nullptr);
  auto* outline = new TOutline(&form);
  outline->SetName("Outline");
  AddNode(*outline->Nodes, 0, 1.5f, 0);
  AddNode(*outline->Nodes, -2, 0, 0.25f);
  const std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Nodes = <\n"
                        "      item\n"
                        "        Y = 1.5\n"
                        "      end\n"
                        "      item\n"
                        "        X = -2.0\n"
                        "        Z = 0.25\n"
                        "      end>\n"),
            std::string::npos)
      << layout;

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readOutline = dynamic_cast<TOutline*>(read.FindComponent("Outline"));
  ASSERT_NE(readOutline, nullptr);
  ASSERT_EQ(readOutline->Nodes->Count(), 2);
  EXPECT_EQ(readOutline->Nodes->GetItems(0)->GetAsVector(), (TVector{0, 1.5f, 0, 0}));
  EXPECT_EQ(readOutline->Nodes->GetItems(1)->GetAsVector(), (TVector{-2, 0, 0.25f, 0}));
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace

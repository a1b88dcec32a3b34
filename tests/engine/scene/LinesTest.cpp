// Lines without OpenGL: their setters and clamps, what rebuilds them, the node colour that new
// and default-coloured nodes follow, copies, extents, the layout and the unit's registration.
#include "tests/support/Raises.h"
//
#include <functional>
#include <string>
#include <vector>

#include "engine/GLObjects.h"
#include "engine/GLObjects/Lines.h"
#include "platform/rtl/Classes.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

const TColorVector Blue{0, 0, 1, 1}, Red{1, 0, 0, 1}, Green{0, 1, 0, 1}, White{1, 1, 1, 1};

TGLLinesNode* AddNode(TGLNodedLines& lines, float x, float y, float z) {
  TGLLinesNode* node = lines.GetNodes()->Add();
  node->SetX(x);
  node->SetY(y);
  node->SetZ(z);
  return node;
}

std::vector<TColorVector> NodeColors(const TGLNodedLines& lines) {
  std::vector<TColorVector> colors;
  for (int i = 0; i < lines.GetNodes()->Count(); ++i)
    colors.push_back(lines.GetNodes()->GetItems(i)->GetColor()->GetColor());
  return colors;
}

TEST(Lines, NewLinesAreAnEmptyPolylineWithBlueAxesMarkers) {
  TGLLines lines(nullptr);
  EXPECT_EQ(lines.GetNodes()->Count(), 0);
  EXPECT_EQ(lines.GetNodes()->GetOwner(), &lines);
  EXPECT_EQ(lines.GetNodesAspect(), lnaAxes);
  EXPECT_EQ(lines.GetNodeColor()->GetColor(), Blue);
  EXPECT_EQ(lines.GetNodeSize(), 1);
  EXPECT_EQ(lines.GetDivision(), 10);
  EXPECT_EQ(lines.GetSplineMode(), lsmLines);
  EXPECT_EQ(lines.GetOptions(), 0);
  EXPECT_EQ(lines.GetNurbsOrder(), 0);
  EXPECT_EQ(lines.GetNurbsSamplingTolerance(), 50);
  EXPECT_EQ(lines.GetNurbsKnots()->Count(), 0);
  EXPECT_EQ(lines.GetLineColor()->GetColor(), White);
}

TEST(Lines, SettersClampAndRebuild) {
  TGLColor red(nullptr, Red), blue(nullptr, Blue);
  const struct Case {
    const char* name;
    std::function<void(TGLLines&)> set;
    std::function<double(const TGLLines&)> get;
    double expected;
    bool rebuilds;
  } cases[] = {
      {"division", [](TGLLines& l) { l.SetDivision(4); }, &TGLLines::GetDivision, 4, true},
      {"division unchanged", [](TGLLines& l) { l.SetDivision(10); }, &TGLLines::GetDivision, 10,
       false},
      {"division 0", [](TGLLines& l) { l.SetDivision(0); }, &TGLLines::GetDivision, 1, true},
      {"division -5", [](TGLLines& l) { l.SetDivision(-5); }, &TGLLines::GetDivision, 1, true},
      {"spline mode", [](TGLLines& l) { l.SetSplineMode(lsmBezierSpline); },
       &TGLLines::GetSplineMode, lsmBezierSpline, true},
      {"spline mode unchanged", [](TGLLines& l) { l.SetSplineMode(lsmLines); },
       &TGLLines::GetSplineMode, lsmLines, false},
      {"options, even unchanged", [](TGLLines& l) { l.SetOptions(0); }, &TGLLines::GetOptions, 0,
       true},
      {"node aspect", [](TGLLines& l) { l.SetNodesAspect(lnaCube); }, &TGLLines::GetNodesAspect,
       lnaCube, true},
      {"node aspect unchanged", [](TGLLines& l) { l.SetNodesAspect(lnaAxes); },
       &TGLLines::GetNodesAspect, lnaAxes, false},
      {"node size", [](TGLLines& l) { l.SetNodeSize(0.5f); }, &TGLLines::GetNodeSize, 0.5, true},
      {"node size, even unchanged", [](TGLLines& l) { l.SetNodeSize(1); }, &TGLLines::GetNodeSize,
       1, true},
      {"node size 0", [](TGLLines& l) { l.SetNodeSize(0); }, &TGLLines::GetNodeSize, 1, true},
      {"node size -2", [](TGLLines& l) { l.SetNodeSize(-2); }, &TGLLines::GetNodeSize, 1, true},
      {"node colour", [&](TGLLines& l) { l.SetNodeColor(&red); },
       [](const TGLLines& l) { return l.GetNodeColor()->GetRed(); }, 1, true},
      {"node colour, even unchanged", [&](TGLLines& l) { l.SetNodeColor(&blue); },
       [](const TGLLines& l) { return l.GetNodeColor()->GetBlue(); }, 1, true},
      {"NURBS order", [](TGLLines& l) { l.SetNurbsOrder(3); }, &TGLLines::GetNurbsOrder, 3, true},
      {"NURBS tolerance", [](TGLLines& l) { l.SetNurbsSamplingTolerance(5); },
       &TGLLines::GetNurbsSamplingTolerance, 5, true},
      {"a node moved", [](TGLLines& l) { l.GetNodes()->GetItems(0)->SetY(3); },
       [](const TGLLines& l) { return l.GetNodes()->GetItems(0)->GetY(); }, 3, true},
      {"a node's colour", [](TGLLines& l) { l.GetNodes()->GetItems(0)->GetColor()->SetRed(1); },
       [](const TGLLines& l) { return l.GetNodes()->GetItems(0)->GetColor()->GetRed(); }, 1, true},
      {"a node added", [](TGLLines& l) { l.GetNodes()->Add(); },
       [](const TGLLines& l) { return l.GetNodes()->Count(); }, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLLines lines(nullptr);
    AddNode(lines, 1, 1, 1);
    lines.ClearListDirty();
    c.set(lines);
    EXPECT_EQ(c.get(lines), c.expected);
    EXPECT_EQ(ListDirty(lines), c.rebuilds);
  }
}

TEST(Lines, NodesThatKeptTheNodeColourFollowIt) {
  TGLLines lines(nullptr);
  AddNode(lines, 0, 0, 0);
  AddNode(lines, 1, 0, 0)->GetColor()->SetColor(Green);
  AddNode(lines, 2, 0, 0);
  EXPECT_EQ(NodeColors(lines), (std::vector<TColorVector>{Blue, Green, Blue}));

  lines.GetNodeColor()->SetColor(Red);
  EXPECT_EQ(NodeColors(lines), (std::vector<TColorVector>{Red, Green, Red}));
  EXPECT_EQ(AddNode(lines, 3, 0, 0)->GetColor()->GetColor(), Red) << "a new node";

  lines.GetNodes()->GetItems(0)->GetColor()->SetColor(Blue);
  TGLColor white(nullptr, White);
  lines.SetNodeColor(&white);
  EXPECT_EQ(NodeColors(lines), (std::vector<TColorVector>{Blue, Green, White, White}))
      << "blue is a colour of its own now";
}

TEST(Lines, AssignCopiesNodesWithTheirColoursButNotTheOptionsOrTheNodeSize) {
  TGLLines source(nullptr), target(nullptr);
  source.GetNodeColor()->SetColor(Blue);
  AddNode(source, 1, 2, 3);
  AddNode(source, -1, 0, 4)->GetColor()->SetColor(Red);
  source.SetNodesAspect(lnaDodecahedron);
  source.SetNodeSize(3);
  source.SetDivision(4);
  source.SetSplineMode(lsmCubicSpline);
  source.SetOptions(loUseNodeColorForLines);
  source.SetNurbsOrder(2);
  source.GetNurbsKnots()->Add(0);
  source.SetLineWidth(2);
  source.GetPosition()->SetPoint(5, 5, 5);

  // The target's node colour is red: set after the nodes, it would have turned the copy of the
  // source's red node blue.
  target.GetNodeColor()->SetColor(Red);
  AddNode(target, 9, 9, 9);
  target.ClearListDirty();
  target.Assign(&source);

  ASSERT_EQ(target.GetNodes()->Count(), 2);
  EXPECT_EQ(target.GetNodes()->GetItems(0)->GetAsVector(), (TVector{1, 2, 3, 0}));
  EXPECT_EQ(target.GetNodes()->GetItems(1)->GetAsVector(), (TVector{-1, 0, 4, 0}));
  EXPECT_EQ(NodeColors(target), (std::vector<TColorVector>{Blue, Red}));
  EXPECT_EQ(target.GetNodeColor()->GetColor(), Blue);
  EXPECT_EQ(target.GetNodesAspect(), lnaDodecahedron);
  EXPECT_EQ(target.GetDivision(), 4);
  EXPECT_EQ(target.GetSplineMode(), lsmCubicSpline);
  EXPECT_EQ(target.GetLineWidth(), 2);
  EXPECT_TRUE(ListDirty(target));

  EXPECT_EQ(target.GetNodeSize(), 1);
  EXPECT_EQ(target.GetOptions(), 0);
  EXPECT_EQ(target.GetNurbsOrder(), 0);
  EXPECT_EQ(target.GetNurbsKnots()->Count(), 0);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{0, 0, 0, 1}))
      << "the line style's copy leaves the scene object's state";

  // The copied nodes follow the copied node colour as their source's did.
  target.GetNodeColor()->SetColor(Green);
  EXPECT_EQ(NodeColors(target), (std::vector<TColorVector>{Green, Red}));
}

TEST(Lines, ExtentsAreTheLargestAbsoluteNodeCoordinates) {
  TGLLines lines(nullptr);
  EXPECT_EQ(lines.AxisAlignedDimensionsUnscaled(), (TVector{0, 0, 0, 0}));
  AddNode(lines, 1, -3, 2);
  AddNode(lines, -2, 1, 0);
  EXPECT_EQ(lines.AxisAlignedDimensionsUnscaled(), (TVector{2, 3, 2, 0}));
}

TEST(Lines, LayoutKeepsEveryNodesColour) {
  RegisterGLObjects();
  TComponent form(nullptr);
  auto* lines = new TGLLines(&form);
  lines->SetName("Path");
  lines->GetNodeColor()->SetColor(Red);
  AddNode(*lines, 1, 0, 0);
  AddNode(*lines, 0, 2, 0)->GetColor()->SetColor(Blue);
  AddNode(*lines, 0, 0, 3)->GetColor()->SetColor(Green);
  lines->SetNodesAspect(lnaCube);
  lines->SetNodeSize(0.5f);
  lines->SetDivision(5);
  lines->SetSplineMode(lsmCubicSpline);
  lines->SetOptions(loUseNodeColorForLines);
  const std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Nodes = <\n"
                        "      item\n"
                        "        X = 1.0\n"
                        "      end\n"
                        "      item\n"
                        "        Y = 2.0\n"
                        "        Color.Color = {00000000000000000000803F0000803F}\n"),
            std::string::npos)
      << "a node in the node colour leaves its colour out\n"
      << layout;
  EXPECT_NE(layout.find("    NodesAspect = lnaCube\n"
                        "    NodeColor.Color = {0000803F00000000000000000000803F}\n"
                        "    NodeSize = 0.5\n"
                        "    Division = 5\n"
                        "    SplineMode = lsmCubicSpline\n"
                        "    Options = [loUseNodeColorForLines]\n"),
            std::string::npos)
      << layout;

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readLines = dynamic_cast<TGLLines*>(read.FindComponent("Path"));
  ASSERT_NE(readLines, nullptr);
  EXPECT_EQ(NodeColors(*readLines), (std::vector<TColorVector>{Red, Blue, Green}));
  EXPECT_EQ(readLines->GetNodes()->GetItems(2)->GetAsVector(), (TVector{0, 0, 3, 0}));
  EXPECT_EQ(readLines->GetNodeSize(), 0.5f);
  EXPECT_EQ(readLines->GetOptions(), loUseNodeColorForLines);
  EXPECT_EQ(WriteLayout(&read), layout);

  // The node colour read is the one the nodes that kept it follow.
  readLines->GetNodeColor()->SetColor(White);
  EXPECT_EQ(NodeColors(*readLines), (std::vector<TColorVector>{White, Blue, Green}));

  // Options are written even when empty.
  lines->SetOptions(0);
  EXPECT_NE(WriteLayout(&form).find("    Options = []\n"), std::string::npos);
}

TEST(Lines, TheObjectsUnitRegistersTheLinesAlone) {
  RegisterGLObjects();
  EXPECT_EQ(GetClass("TGLLines"), TGLLines::StaticClass());
  EXPECT_EQ(GetClass("TGLNodedLines"), nullptr);
}

}  // namespace

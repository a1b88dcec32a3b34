// The grid without OpenGL: its scales and what their changes rebuild, its parts and style, the
// copy of a grid and the 3D window's grid in a layout.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/GLGraph.h"
#include "platform/rtl/Classes.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(XYZGrid, NewGridDrawsXAndYLinesInSegments) {
  TGLXYZGrid grid(nullptr);
  EXPECT_EQ(grid.GetParts(), gpX | gpY);
  EXPECT_EQ(grid.GetLinesStyle(), glsSegments);
  for (TGLSamplingScale* scale :
       {grid.GetXSamplingScale(), grid.GetYSamplingScale(), grid.GetZSamplingScale()}) {
    EXPECT_EQ(scale->GetOwner(), &grid);
    EXPECT_EQ(scale->GetStep(), 0.1f);
  }
  EXPECT_EQ(grid.GetStyleFlags() & osBuildEveryFrame, 0) << "compiled into the display list";
  grid.SetLinesSmoothing(true);
  EXPECT_TRUE(grid.GetAntiAliased());
}

TEST(XYZGrid, ScaleChangesAndNewPartsOrStyleRebuildTheLattice) {
  TGLXYZGrid grid(nullptr);
  TGLSamplingScale other(nullptr);
  const struct Case {
    const char* name;
    std::function<void()> change;
    bool rebuilds;
  } cases[] = {
      {"a scale's step", [&] { grid.GetZSamplingScale()->SetStep(0.5f); }, true},
      {"a scale's origin rewritten", [&] { grid.GetXSamplingScale()->SetOrigin(0); }, true},
      {"a scale assigned", [&] { grid.SetYSamplingScale(&other); }, true},
      {"parts", [&] { grid.SetParts(gpZ); }, true},
      {"the same parts", [&] { grid.SetParts(gpZ); }, false},
      {"style", [&] { grid.SetLinesStyle(glsLine); }, true},
      {"the same style", [&] { grid.SetLinesStyle(glsLine); }, false},
      {"smoothing", [&] { grid.SetLinesSmoothing(true); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    grid.ClearListDirty();
    c.change();
    EXPECT_EQ(ListDirty(grid), c.rebuilds);
  }
}

TEST(XYZGrid, AssignCopiesScalesPartsStyleAndLineStyleButNotTheNode) {
  TGLXYZGrid source(nullptr), target(nullptr);
  source.GetXSamplingScale()->SetMax(2);
  source.GetYSamplingScale()->SetMin(-3);
  source.GetZSamplingScale()->SetStep(0.5f);
  source.SetParts(gpX | gpZ);
  source.SetLinesStyle(glsLine);
  source.SetLineWidth(2);
  source.GetPosition()->SetPoint(1, 1, 1);
  target.Assign(&source);
  EXPECT_EQ(target.GetXSamplingScale()->GetMax(), 2);
  EXPECT_EQ(target.GetYSamplingScale()->GetMin(), -3);
  EXPECT_EQ(target.GetZSamplingScale()->GetStep(), 0.5f);
  EXPECT_NE(target.GetXSamplingScale(), source.GetXSamplingScale());
  EXPECT_EQ(target.GetXSamplingScale()->GetOwner(), &target);
  EXPECT_EQ(target.GetParts(), gpX | gpZ);
  EXPECT_EQ(target.GetLinesStyle(), glsLine);
  EXPECT_EQ(target.GetLineWidth(), 2);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{0, 0, 0, 1}));
}

TEST(XYZGrid, TheWindowsGridInALayout) {
  RegisterGLGraph();
  EXPECT_EQ(GetClass("TGLXYZGrid"), TGLXYZGrid::StaticClass());
  TComponent form(nullptr);
  auto* grid = new TGLXYZGrid(&form);
  grid->SetName("GLXYZGrid");
  grid->SetAntiAliased(true);
  grid->GetLineColor()->SetRGBA(0, 0, 0, 1);
  for (TGLSamplingScale* scale : {grid->GetXSamplingScale(), grid->GetYSamplingScale()}) {
    scale->SetMin(-1.1f);
    scale->SetMax(1.1f);
  }
  const std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    XSamplingScale.Min = -1.1\n"
                        "    XSamplingScale.Max = 1.1\n"
                        "    XSamplingScale.Origin = 0.0\n"
                        "    XSamplingScale.Step = 0.1\n"),
            std::string::npos)
      << layout;
  EXPECT_NE(layout.find("    ZSamplingScale.Min = 0.0\n"), std::string::npos) << "always stored";
  for (const char* left : {"Parts", "LinesStyle", "LinesSmoothing"})
    EXPECT_EQ(layout.find(left), std::string::npos) << left << " left out";

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readGrid = dynamic_cast<TGLXYZGrid*>(read.FindComponent("GLXYZGrid"));
  ASSERT_NE(readGrid, nullptr);
  EXPECT_EQ(readGrid->GetYSamplingScale()->GetMin(), -1.1f);
  EXPECT_EQ(readGrid->GetYSamplingScale()->GetMax(), 1.1f);
  EXPECT_TRUE(readGrid->GetAntiAliased());
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace

// What the grid sends to OpenGL: one line strip per line between the line style's set-up and
// restore, in segments through every sample or as one segment from Min to Max, and nothing for
// a step that cannot advance its axis.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "engine/GLGraph.h"
#include "platform/gl/GLRecorder.h"
#include "tests/engine/scene/BuildListCalls.h"

namespace {

using TStrip = std::vector<TAffineVector>;

// The strips of a call log, each with its vertices.
std::vector<TStrip> Strips(const TGLCalls& calls) {
  std::vector<TStrip> strips;
  for (const TGLCall& call : calls) {
    if (call.Name == "glBegin") {
      EXPECT_EQ(call.Args[0], TGLArg(int64_t(GL_LINE_STRIP)));
      strips.emplace_back();
    } else if (call.Name == "glVertex3f") {
      strips.back().push_back({float(std::get<double>(call.Args[0])),
                               float(std::get<double>(call.Args[1])),
                               float(std::get<double>(call.Args[2]))});
    }
  }
  return strips;
}

void SetRange(TGLSamplingScale* scale, float min, float max) {
  scale->SetMin(min);
  scale->SetMax(max);
}

// The grid of the 3D window: X and Y from -1.1 to 1.1 by 0.1, the Z step 0.1.
void MakeWindowsGrid(TGLXYZGrid& grid) {
  SetRange(grid.GetXSamplingScale(), -1.1f, 1.1f);
  SetRange(grid.GetYSamplingScale(), -1.1f, 1.1f);
  grid.GetZSamplingScale()->SetStep(0.1f);
  grid.SetAntiAliased(true);
  grid.GetLineColor()->SetRGBA(0, 0, 0, 1);
}

void ExpectSamples(const std::vector<float>& actual, float first, float step, int count,
                   const char* what) {
  ASSERT_EQ(actual.size(), size_t(count)) << what;
  for (int i = 0; i < count; ++i)
    EXPECT_NEAR(actual[i], first + i * step, 1e-5) << what << " " << i;
}

TEST(XYZGridDrawing, TheWindowsGridIs23LinesEachWayOf23PointsInTheXYPlane) {
  TGLXYZGrid grid(nullptr);
  MakeWindowsGrid(grid);
  const TGLCalls calls = BuildListCalls(grid);
  const std::vector<TStrip> strips = Strips(calls);
  ASSERT_EQ(strips.size(), 46u);
  for (int i = 0; i < 46; ++i) {
    SCOPED_TRACE(i);
    const TStrip& strip = strips[i];
    ASSERT_EQ(strip.size(), 23u);
    const bool alongX = i < 23;
    std::vector<float> along, across;
    for (const TAffineVector& v : strip) {
      EXPECT_EQ(v[Z], 0);
      along.push_back(alongX ? v[X] : v[Y]);
      across.push_back(alongX ? v[Y] : v[X]);
    }
    ExpectSamples(along, -1.1f, 0.1f, 23, "along");
    // Each line at the next sample across, the same all along it.
    ExpectSamples(std::vector<float>(1, across[0]), -1.1f + (i % 23) * 0.1f, 0, 1, "across");
    EXPECT_EQ(across, std::vector<float>(23, across[0]));
  }
  EXPECT_EQ(calls.front().Name, "glPushAttrib");
  EXPECT_EQ(calls.back(), TGLCall("glPopAttrib"));
  EXPECT_EQ(calls[calls.size() - 2], TGLCall("glEnd"));
}

TEST(XYZGridDrawing, PartsAndStyles) {
  const struct Case {
    const char* name;
    std::function<void(TGLXYZGrid&)> setUp;
    int strips, verticesEach;
    TStrip firstStrip;
  } cases[] = {
      {"lines from Min to Max",
       [](TGLXYZGrid& g) {
         MakeWindowsGrid(g);
         g.SetLinesStyle(glsLine);
       },
       46,
       2,
       {{-1.1f, -1.1f, 0}, {1.1f, -1.1f, 0}}},
      {"Z lines alone: one through the X and Y origins",
       [](TGLXYZGrid& g) {
         SetRange(g.GetZSamplingScale(), 0, 0.2f);
         g.GetXSamplingScale()->SetOrigin(0.5f);
         g.GetYSamplingScale()->SetOrigin(-0.5f);
         g.SetParts(gpZ);
       },
       1,
       3,
       {{0.5f, -0.5f, 0}, {0.5f, -0.5f, 0.1f}, {0.5f, -0.5f, 0.2f}}},
      {"all three parts of a small lattice",
       [](TGLXYZGrid& g) {
         SetRange(g.GetXSamplingScale(), 0, 1);
         SetRange(g.GetYSamplingScale(), 0, 2);
         SetRange(g.GetZSamplingScale(), 0, 3);
         for (auto* s : {g.GetXSamplingScale(), g.GetYSamplingScale(), g.GetZSamplingScale()})
           s->SetStep(1);
         g.SetParts(gpX | gpY | gpZ);
       },
       // X lines for each (y, z), Y lines for each (x, z), Z lines for each (x, y).
       3 * 4 + 2 * 4 + 2 * 3,
       0,
       {{0, 0, 0}, {1, 0, 0}}},
      {"no parts", [](TGLXYZGrid& g) { g.SetParts(0); }, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLXYZGrid grid(nullptr);
    c.setUp(grid);
    const TGLCalls calls = BuildListCalls(grid);
    const std::vector<TStrip> strips = Strips(calls);
    ASSERT_EQ(strips.size(), size_t(c.strips));
    if (c.verticesEach != 0) {
      for (const TStrip& strip : strips) EXPECT_EQ(strip.size(), size_t(c.verticesEach));
    }
    if (!strips.empty()) {
      ASSERT_EQ(strips[0].size(), c.firstStrip.size());
      for (size_t i = 0; i < strips[0].size(); ++i)
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(strips[0][i][k], c.firstStrip[i][k], 1e-6);
    }
    EXPECT_EQ(calls.front().Name, "glPushAttrib") << "the line style is set up in any case";
    EXPECT_EQ(calls.back(), TGLCall("glPopAttrib"));
  }
}

TEST(XYZGridDrawing, AStepThatCannotAdvanceItsAxisDrawsNothing) {
  const struct Case {
    const char* name;
    std::function<void(TGLXYZGrid&)> setUp;
  } cases[] = {
      {"a sampled axis far from zero",
       [](TGLXYZGrid& g) {
         SetRange(g.GetXSamplingScale(), 1e8f, 2e8f);
         g.GetXSamplingScale()->SetOrigin(1e8f);
         g.GetXSamplingScale()->SetStep(1);
       }},
      {"the one sample of an axis that is not drawn",
       [](TGLXYZGrid& g) { g.GetZSamplingScale()->SetOrigin(1e8f); }},
      {"a range running to infinity",
       [](TGLXYZGrid& g) { SetRange(g.GetYSamplingScale(), 0, INFINITY); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLXYZGrid grid(nullptr);
    c.setUp(grid);
    EXPECT_TRUE(BuildListCalls(grid).empty());
  }
  // Lines from Min to Max never walk their own axis: a stuck X leaves the Y lines alone.
  TGLXYZGrid grid(nullptr);
  SetRange(grid.GetXSamplingScale(), 1e8f, 2e8f);
  grid.GetXSamplingScale()->SetOrigin(1e8f);
  grid.GetXSamplingScale()->SetStep(1);
  grid.SetParts(gpX);
  grid.SetLinesStyle(glsLine);
  EXPECT_EQ(Strips(BuildListCalls(grid)).size(), 1u);
}

}  // namespace

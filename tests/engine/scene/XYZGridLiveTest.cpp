// The 3D window's grid in a whole frame on a real Mesa driver, which raises on an OpenGL error:
// its lines on the pixels they cross and nothing between them.
#include <gtest/gtest.h>

#include <string>

#include "engine/GLGraph.h"
#include "tests/engine/scene/TopViewFrame.h"

namespace {

// 50 pixels to the unit: the grid's lines are 5 pixels apart.
constexpr int cSize = 120;

class XYZGridLive : public TopViewFrameTest {
 protected:
  void SetUp() override {
    TopViewFrameTest::SetUp();
    StartFrames(cSize, 1.2f);
    // As the window's grid, moved by half a pixel so that each line runs through pixel centres:
    // line k of either way on column or row 5 + 5k.
    grid->GetPosition()->SetPoint(0.01f, -0.01f, 0);
    for (TGLSamplingScale* scale : {grid->GetXSamplingScale(), grid->GetYSamplingScale()}) {
      scale->SetMin(-1.1f);
      scale->SetMax(1.1f);
      scale->SetStep(0.1f);
    }
    grid->GetZSamplingScale()->SetStep(0.1f);
    grid->GetLineColor()->SetRGBA(0, 0, 0, 1);
  }

  TGLXYZGrid* grid = TGLBaseSceneObject::CreateAsChild<TGLXYZGrid>(Scene.GetObjects());
};

bool OnALine(int column, int row) {
  return column % 5 == 0 || row % 5 == 0;
}

TEST_F(XYZGridLive, SharpLinesCoverTheirPixelsAndNothingBetween) {
  const QImage image = Frame();
  // Away from the ends of the lines, where the rasteriser may leave the last pixel out.
  for (int row = 8; row <= 112; ++row)
    for (int column = 8; column <= 112; ++column) {
      const QColor expected = OnALine(column, row) ? QColor(0, 0, 0) : QColor(255, 255, 255);
      ASSERT_EQ(image.pixelColor(column, row), expected) << column << ", " << row;
    }
  for (int i = 0; i < cSize; ++i)
    for (int edge : {0, 1, 2, cSize - 3, cSize - 2, cSize - 1}) {
      ASSERT_EQ(image.pixelColor(i, edge), QColor(255, 255, 255)) << i << ", " << edge;
      ASSERT_EQ(image.pixelColor(edge, i), QColor(255, 255, 255)) << edge << ", " << i;
    }
}

// Smoothed lines blend into their neighbours and into each other where they cross, so each line
// is asked only to darken most of its own pixels, and the middle of each cell to stay clear.
TEST_F(XYZGridLive, SmoothedLinesDarkenTheirPixelsAndLeaveTheCellsClear) {
  grid->SetAntiAliased(true);
  const QImage image = Frame();
  for (int line = 10; line <= 110; line += 5) {
    int darkInColumn = 0, darkInRow = 0;
    for (int i = 8; i <= 112; ++i) {
      darkInColumn += image.pixelColor(line, i).red() < 192;
      darkInRow += image.pixelColor(i, line).red() < 192;
    }
    EXPECT_GT(darkInColumn, 105 / 2) << "the line on column " << line;
    EXPECT_GT(darkInRow, 105 / 2) << "the line on row " << line;
  }
  for (int row = 8; row <= 112; ++row)
    for (int column = 8; column <= 112; ++column)
      if ((column % 5 == 2 || column % 5 == 3) && (row % 5 == 2 || row % 5 == 3)) {
        ASSERT_EQ(image.pixelColor(column, row), QColor(255, 255, 255))
            << "mid-cell " << column << ", " << row;
      }
}

}  // namespace

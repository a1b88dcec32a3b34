// The system colours while a GUI runs: the application's palette.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

#include "engine/GLCrossPlatform.h"
#include "tests/engine/WinColors.h"

namespace {

class PaletteTest : public ::testing::Test {
 protected:
  void TearDown() override { QApplication::setPalette(FSaved); }
  static void SetColors(const QColor& base, const QColor& toolTipBase) {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Active, QPalette::Base, base);
    palette.setColor(QPalette::Active, QPalette::ToolTipBase, toolTipBase);
    QApplication::setPalette(palette);
  }
  QPalette FSaved = QApplication::palette();
};

TEST_F(PaletteTest, SystemColoursFollowThePalette) {
  SetColors(QColor(1, 2, 3), QColor(10, 20, 30));
  EXPECT_EQ(ColorToRGB(clWindow), RGB(1, 2, 3));
  EXPECT_EQ(ColorToRGB(clInfoBk), RGB(10, 20, 30));
  EXPECT_EQ(ColorToRGB(0x00FF00FF), 0x00FF00FF);
  SetColors(QColor(4, 5, 6), QColor(10, 20, 30));
  EXPECT_EQ(ColorToRGB(clWindow), RGB(4, 5, 6));
}

TEST_F(PaletteTest, InitWinColorsKeepsWhatItTook) {
  SetColors(QColor(255, 255, 255), QColor(51, 102, 255));
  TSysColorVectors colors{};
  InitWinColors(colors, ConvertTestWinColor);
  const TVector infoBk{0.2f, 0.4f, 1, 1};
  EXPECT_EQ(colors[24], infoBk);
  SetColors(QColor(255, 255, 255), QColor(0, 0, 0));
  EXPECT_EQ(colors[24], infoBk);
}

}  // namespace

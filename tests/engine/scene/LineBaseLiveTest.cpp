// The line style on a real Mesa driver: what it sets while the lines draw, and that the one pop
// gives every bit of it back.
#include <gtest/gtest.h>

#include <array>

#include "engine/GLObjects/LineBase.h"
#include "tests/support/SceneGL.h"

namespace {

using LineBaseLive = SceneGLTest;

std::array<float, 4> CurrentColor() {
  std::array<float, 4> color{};
  glGetFloatv(GL_CURRENT_COLOR, color.data());
  return color;
}

float LineWidth() {
  float width = 0;
  glGetFloatv(GL_LINE_WIDTH, &width);
  return width;
}

TEST_F(LineBaseLive, TheStyleHoldsWhileTheLinesDrawAndTheCallersStateComesBack) {
  TGLLineBase line(nullptr);
  line.GetLineColor()->SetRGBA(0.25f, 0.5f, 1, 0.5f);
  line.SetLinePattern(0x00FF);
  line.SetLineWidth(2);
  glEnable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
  glColor4f(0.1f, 0.2f, 0.3f, 0.4f);

  line.SetupLineStyle();
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_LINE_STIPPLE));
  EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
  GLint pattern = 0, source = 0;
  glGetIntegerv(GL_LINE_STIPPLE_PATTERN, &pattern);
  glGetIntegerv(GL_BLEND_SRC, &source);
  EXPECT_EQ(pattern, 0x00FF);
  EXPECT_EQ(source, GL_SRC_ALPHA);
  EXPECT_EQ(LineWidth(), 2);
  EXPECT_EQ(CurrentColor(), (std::array<float, 4>{0.25f, 0.5f, 1, 0.5f}));
  glBegin(GL_LINES);
  glVertex2f(-1, 0);
  glVertex2f(1, 0);
  glEnd();
  line.RestoreLineStyle();

  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_LINE_STIPPLE));
  glGetIntegerv(GL_BLEND_SRC, &source);
  EXPECT_EQ(source, GL_ONE);
  EXPECT_EQ(LineWidth(), 1);
  EXPECT_EQ(CurrentColor(), (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0.4f}));
  CheckOpenGLError();
}

}  // namespace

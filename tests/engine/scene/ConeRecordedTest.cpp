// What a cone sends to OpenGL and GLU: its side to the apex and its base disk facing down,
// turned upright and centred.
#include <gtest/gtest.h>

#include <functional>

#include "engine/GLGeomObjects/Cylinder.h"
#include "tests/engine/scene/QuadricCalls.h"

namespace {

using namespace quadric_calls;

TEST(ConeDrawing, SideAndBaseFacingDown) {
  const TGLCalls upright = {Call("glPushMatrix"), Call("glRotatef", -90.0f, 1.0f, 0.0f, 0.0f)};
  const TGLCalls end = {Call("glPopMatrix"), Call("gluDeleteQuadric", Quadric)};
  const struct Case {
    const char* name;
    std::function<void(TGLCone&)> setUp;
    TGLCalls expected;
  } cases[] = {
      {"a new cone", [](TGLCone&) {},
       Sequence({NewQuadric(),
                 upright,
                 {TranslateZ(-0.5f), Cylinder(0.5f, 0, 1), Orientation(GLU_INSIDE), Disk(0, 0.5f)},
                 end})},
      {"the side alone",
       [](TGLCone& c) {
         c.SetParts(coSides);
         c.SetHeight(3);
         c.SetBottomRadius(2);
         c.SetSlices(5);
         c.SetStacks(2);
       },
       Sequence({NewQuadric(), upright, {TranslateZ(-1.5f), Cylinder(2, 0, 3, 5, 2)}, end})},
      {"the base alone, facing in, in loops",
       [](TGLCone& c) {
         c.SetParts(coBottom);
         c.SetNormalDirection(ndInside);
         c.SetLoops(2);
       },
       Sequence({NewQuadric(GLU_SMOOTH, GLU_INSIDE),
                 upright,
                 {TranslateZ(-0.5f), Orientation(GLU_OUTSIDE), Disk(0, 0.5f, 16, 2)},
                 end})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLCone cone(nullptr);
    c.setUp(cone);
    EXPECT_EQ(Draw(cone), c.expected);
  }
}

}  // namespace

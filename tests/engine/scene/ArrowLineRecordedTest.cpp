// What an arrow line sends to OpenGL and GLU: its heads by stacking style, each closed round
// the shaft or in full, and the shaft between them, closed where no head sits.
#include <gtest/gtest.h>

#include <functional>

#include "engine/GLGeomObjects/ArrowLine.h"
#include "tests/engine/scene/QuadricCalls.h"

namespace {

using namespace quadric_calls;

const TGLCall Push = Call("glPushMatrix");
const TGLCall Pop = Call("glPopMatrix");
const TGLCall Outside = Orientation(GLU_OUTSIDE);
const TGLCall Inside = Orientation(GLU_INSIDE);
const TGLCall Reversed = Call("glRotatef", 180.0f, 1.0f, 0.0f, 0.0f);
const TGLCall Delete = Call("gluDeleteQuadric", Quadric);

// The 3D window's axes: length 2, shaft radius 0.05, heads 0.2 high and 0.1 wide.
void AxisArrow(TGLArrowLine& arrow) {
  arrow.SetBottomRadius(0.05f);
  arrow.SetHeight(2);
  arrow.SetTopRadius(0.05f);
  arrow.SetTopArrowHeadHeight(0.2f);
  arrow.SetTopArrowHeadRadius(0.1f);
  arrow.SetBottomArrowHeadHeight(0.2f);
  arrow.SetBottomArrowHeadRadius(0.1f);
}

TEST(ArrowLineDrawing, HeadsByStyleAndParts) {
  const struct Case {
    const char* name;
    std::function<void(TGLArrowLine&)> setUp;
    TGLCalls expected;
  } cases[] = {
      {"the 3D window's axis: a head stacked on the shaft's top end, the bottom closed", AxisArrow,
       Sequence(
           {NewQuadric(),
            {Push, TranslateZ(1), Cylinder(0.1f, 0, 0.2f), Inside, Disk(0.05f, 0.1f), Pop},
            {Push, TranslateZ(-1), Outside, Cylinder(0.05f, 0.05f, 2), Inside, Disk(0, 0.05f), Pop},
            {Delete}})},
      {"a new arrow: from -0.5 to the head's tip at 1.0", [](TGLArrowLine&) {},
       Sequence(
           {NewQuadric(),
            {Push, TranslateZ(0.5f), Cylinder(0.2f, 0, 0.5f), Inside, Disk(0.1f, 0.2f), Pop},
            {Push, TranslateZ(-0.5f), Outside, Cylinder(0.1f, 0.1f, 1), Inside, Disk(0, 0.1f), Pop},
            {Delete}})},
      {"centred heads at both ends straddle them; the shaft runs between their bases",
       [](TGLArrowLine& a) {
         a.SetParts(alLine | alTopArrow | alBottomArrow);
         a.SetHeadStackingStyle(ahssCentered);
         a.SetHeight(2);
         a.SetBottomArrowHeadHeight(0.4f);
         a.SetBottomArrowHeadRadius(0.3f);
         a.SetBottomRadius(0.15f);
       },
       Sequence({NewQuadric(),
                 {Push, TranslateZ(0.75f), Cylinder(0.2f, 0, 0.5f), Inside, Disk(0.1f, 0.2f), Pop},
                 {Push, Reversed, TranslateZ(0.8f), Outside, Cylinder(0.3f, 0, 0.4f), Inside,
                  Disk(0.15f, 0.3f), Pop},
                 {Push, TranslateZ(-0.8f), Outside, Cylinder(0.15f, 0.1f, 1.55f), Pop},
                 {Delete}})},
      {"included heads that fill the length: no shaft, the heads keep the shaft's hole",
       [](TGLArrowLine& a) {
         a.SetParts(alLine | alTopArrow | alBottomArrow);
         a.SetHeadStackingStyle(ahssIncluded);
       },
       Sequence({NewQuadric(),
                 {Push, TranslateZ(0), Cylinder(0.2f, 0, 0.5f), Inside, Disk(0.1f, 0.2f), Pop},
                 {Push, Reversed, TranslateZ(0), Outside, Cylinder(0.2f, 0, 0.5f), Inside,
                  Disk(0.1f, 0.2f), Pop},
                 {Delete}})},
      {"a bottom head alone, included: the shaft's top end closed",
       [](TGLArrowLine& a) {
         a.SetParts(alLine | alBottomArrow);
         a.SetHeadStackingStyle(ahssIncluded);
         a.SetBottomArrowHeadHeight(0.25f);
       },
       Sequence({NewQuadric(),
                 {Push, Reversed, TranslateZ(0.25f), Outside, Cylinder(0.2f, 0, 0.25f), Inside,
                  Disk(0.1f, 0.2f), Pop},
                 {Push, TranslateZ(-0.25f), Outside, Cylinder(0.1f, 0.1f, 0.75f), Push,
                  TranslateZ(0.75f), Disk(0, 0.1f), Pop, Pop},
                 {Delete}})},
      {"the shaft alone: a cylinder closed at both ends",
       [](TGLArrowLine& a) { a.SetParts(alLine); },
       Sequence({NewQuadric(),
                 {Push, TranslateZ(-0.5f), Outside, Cylinder(0.1f, 0.1f, 1), Push, TranslateZ(1),
                  Disk(0, 0.1f), Pop, Inside, Disk(0, 0.1f), Pop},
                 {Delete}})},
      {"heads without a shaft are closed in full",
       [](TGLArrowLine& a) {
         a.SetParts(alTopArrow | alBottomArrow);
         a.SetSlices(8);
         a.SetStacks(1);
         a.SetLoops(2);
       },
       Sequence({NewQuadric(),
                 {Push, TranslateZ(0.5f), Cylinder(0.2f, 0, 0.5f, 8, 1), Inside,
                  Disk(0, 0.2f, 8, 2), Pop},
                 {Push, Reversed, TranslateZ(0.5f), Outside, Cylinder(0.2f, 0, 0.5f, 8, 1), Inside,
                  Disk(0, 0.2f, 8, 2), Pop},
                 {Delete}})},
      {"no parts", [](TGLArrowLine& a) { a.SetParts(0); }, Sequence({NewQuadric(), {Delete}})},
      {"facing in: each switch goes the other way",
       [](TGLArrowLine& a) {
         a.SetNormalDirection(ndInside);
         a.SetNormals(nsFlat);
       },
       Sequence(
           {NewQuadric(GLU_FLAT, GLU_INSIDE),
            {Push, TranslateZ(0.5f), Cylinder(0.2f, 0, 0.5f), Outside, Disk(0.1f, 0.2f), Pop},
            {Push, TranslateZ(-0.5f), Inside, Cylinder(0.1f, 0.1f, 1), Outside, Disk(0, 0.1f), Pop},
            {Delete}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLArrowLine arrow(nullptr);
    c.setUp(arrow);
    EXPECT_EQ(Draw(arrow), c.expected);
  }
}

}  // namespace

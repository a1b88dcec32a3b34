// What a cylinder sends to OpenGL and GLU: its parts by alignment, turned upright, and the
// quadric set up from the normals and the direction they face.
#include <gtest/gtest.h>

#include <functional>

#include "engine/GLGeomObjects/Cylinder.h"
#include "tests/engine/scene/QuadricCalls.h"

namespace {

using namespace quadric_calls;

const TGLCall Upright = Call("glRotatef", -90.0f, 1.0f, 0.0f, 0.0f);

TEST(CylinderDrawing, PartsByAlignment) {
  const TGLCall push = Call("glPushMatrix"), pop = Call("glPopMatrix");
  const struct Case {
    const char* name;
    std::function<void(TGLCylinder&)> setUp;
    TGLCalls expected;
  } cases[] = {
      {"a new cylinder: side, top, bottom facing down", [](TGLCylinder&) {},
       Sequence(
           {NewQuadric(),
            {push, Upright, TranslateZ(-0.5f), Cylinder(0.5f, 0.5f, 1)},
            {push, TranslateZ(1), Disk(0, 0.5f), pop},
            {Orientation(GLU_INSIDE), Disk(0, 0.5f), pop, Call("gluDeleteQuadric", Quadric)}})},
      {"its top end at the origin, a cone-like side",
       [](TGLCylinder& c) {
         c.SetAlignment(caTop);
         c.SetParts(cySides);
         c.SetBottomRadius(1);
         c.SetTopRadius(0.25f);
         c.SetHeight(2);
         c.SetSlices(6);
         c.SetStacks(1);
       },
       Sequence({NewQuadric(),
                 {push, Upright, TranslateZ(-2), Cylinder(1, 0.25f, 2, 6, 1), pop},
                 {Call("gluDeleteQuadric", Quadric)}})},
      {"its bottom end at the origin, the top alone, in loops",
       [](TGLCylinder& c) {
         c.SetAlignment(caBottom);
         c.SetParts(cyTop);
         c.SetLoops(3);
       },
       Sequence({NewQuadric(),
                 {push, Upright, push, TranslateZ(1), Disk(0, 0.5f, 16, 3), pop, pop},
                 {Call("gluDeleteQuadric", Quadric)}})},
      {"the bottom alone, facing in: its disk faces out",
       [](TGLCylinder& c) {
         c.SetParts(cyBottom);
         c.SetNormalDirection(ndInside);
         c.SetNormals(nsFlat);
       },
       Sequence({NewQuadric(GLU_FLAT, GLU_INSIDE),
                 {push, Upright, TranslateZ(-0.5f), Orientation(GLU_OUTSIDE), Disk(0, 0.5f), pop},
                 {Call("gluDeleteQuadric", Quadric)}})},
      {"no parts", [](TGLCylinder& c) { c.SetParts(0); },
       Sequence({NewQuadric(),
                 {push, Upright, TranslateZ(-0.5f), pop, Call("gluDeleteQuadric", Quadric)}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLCylinder cylinder(nullptr);
    c.setUp(cylinder);
    EXPECT_EQ(Draw(cylinder), c.expected);
  }
}

TEST(CylinderDrawing, TheQuadricFollowsNormalsAndDirection) {
  const struct Case {
    TNormalSmoothing normals;
    TNormalDirection direction;
    GLenum gluNormals, orientation, inverted;
  } cases[] = {
      {nsSmooth, ndOutside, GLU_SMOOTH, GLU_OUTSIDE, GLU_INSIDE},
      {nsFlat, ndOutside, GLU_FLAT, GLU_OUTSIDE, GLU_INSIDE},
      {nsNone, ndInside, GLU_NONE, GLU_INSIDE, GLU_OUTSIDE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gluNormals);
    TGLCylinder cylinder(nullptr);
    cylinder.SetNormals(c.normals);
    cylinder.SetNormalDirection(c.direction);
    TGLRecorder gl;
    cylinder.SetupQuadricParams(nullptr);
    TGLCalls setUp = NewQuadric(c.gluNormals, c.orientation);
    setUp.erase(setUp.begin());  // made by the caller
    EXPECT_EQ(gl.Take(), setUp);
    cylinder.SetNormalQuadricOrientation(nullptr);
    cylinder.SetInvertedQuadricOrientation(nullptr);
    EXPECT_EQ(gl.Take(), (TGLCalls{Orientation(c.orientation), Orientation(c.inverted)}));
  }
}

}  // namespace

// What a disk and an annulus send to GLU: the disk's one partial disk untouched by any matrix,
// and the annulus's walls and rings by parts, turned upright, the bottom ring and the inner wall
// facing the other way.
#include <gtest/gtest.h>

#include <functional>

#include "engine/GLGeomObjects/Disk.h"
#include "tests/engine/scene/QuadricCalls.h"

namespace {

using namespace quadric_calls;

TEST(DiskDrawing, OnePartialDiskAsSetUp) {
  TGLDisk disk(nullptr);
  EXPECT_EQ(Draw(disk), Sequence({NewQuadric(),
                                  {Call("gluPartialDisk", Quadric, 0.0, 0.5, 16, 2, 0.0, 360.0),
                                   Call("gluDeleteQuadric", Quadric)}}));
  disk.SetInnerRadius(0.25f);
  disk.SetOuterRadius(2);
  disk.SetSlices(5);
  disk.SetLoops(3);
  disk.SetStartAngle(30);
  disk.SetSweepAngle(-90);
  disk.SetNormals(nsFlat);
  disk.SetNormalDirection(ndInside);
  EXPECT_EQ(Draw(disk), Sequence({NewQuadric(GLU_FLAT, GLU_INSIDE),
                                  {Call("gluPartialDisk", Quadric, 0.25, 2.0, 5, 3, 30.0, -90.0),
                                   Call("gluDeleteQuadric", Quadric)}}));
}

TEST(AnnulusDrawing, WallsAndRingsByParts) {
  const TGLCall push = Call("glPushMatrix"), pop = Call("glPopMatrix");
  const TGLCall upright = Call("glRotatef", -90.0f, 1.0f, 0.0f, 0.0f);
  const TGLCalls start = Sequence({NewQuadric(), {push, upright, TranslateZ(-0.5f)}});
  const TGLCalls end = {pop, Call("gluDeleteQuadric", Quadric)};
  const struct Case {
    const char* name;
    std::function<void(TGLAnnulus&)> setUp;
    TGLCalls expected;
  } cases[] = {
      {"a new annulus: outer wall, top, then turned: bottom and inner wall", [](TGLAnnulus&) {},
       Sequence({start,
                 {Cylinder(0.5f, 0.5f, 1), push, TranslateZ(1), Disk(0.3f, 0.5f), pop,
                  Orientation(GLU_INSIDE), Disk(0.3f, 0.5f), Cylinder(0.3f, 0.3f, 1)},
                 end})},
      {"each radius where it belongs",
       [](TGLAnnulus& a) {
         a.SetBottomRadius(1);
         a.SetTopRadius(0.75f);
         a.SetBottomInnerRadius(0.5f);
         a.SetTopInnerRadius(0.25f);
         a.SetSlices(6);
         a.SetStacks(2);
         a.SetLoops(3);
       },
       Sequence({start,
                 {Cylinder(1, 0.75f, 1, 6, 2), push, TranslateZ(1), Disk(0.25f, 0.75f, 6, 3), pop,
                  Orientation(GLU_INSIDE), Disk(0.5f, 1, 6, 3), Cylinder(0.5f, 0.25f, 1, 6, 2)},
                 end})},
      {"an open tube facing in: its inner wall faces out",
       [](TGLAnnulus& a) {
         a.SetParts(anInnerSides | anOuterSides);
         a.SetNormalDirection(ndInside);
       },
       Sequence({NewQuadric(GLU_SMOOTH, GLU_INSIDE),
                 {push, upright, TranslateZ(-0.5f), Cylinder(0.5f, 0.5f, 1),
                  Orientation(GLU_OUTSIDE), Cylinder(0.3f, 0.3f, 1)},
                 end})},
      {"the top alone, twice as tall",
       [](TGLAnnulus& a) {
         a.SetParts(anTop);
         a.SetHeight(2);
       },
       Sequence({NewQuadric(),
                 {push, upright, TranslateZ(-1), push, TranslateZ(2), Disk(0.3f, 0.5f), pop},
                 end})},
      {"nothing", [](TGLAnnulus& a) { a.SetParts(0); }, Sequence({start, end})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLAnnulus annulus(nullptr);
    c.setUp(annulus);
    EXPECT_EQ(Draw(annulus), c.expected);
  }
}

}  // namespace

// The disk without OpenGL: setters, what Assign copies, dimensions, the rays that meet the ring
// and those that meet its plane elsewhere, the layout, and the registration of the whole unit.
#include "tests/support/Raises.h"
//
#include <functional>
#include <string>

#include "engine/GLGeomObjects.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(Disk, NewDiskIsAFullDiskOfRadiusOneHalf) {
  TGLDisk disk(nullptr);
  EXPECT_EQ(disk.GetStartAngle(), 0);
  EXPECT_EQ(disk.GetSweepAngle(), 360);
  EXPECT_EQ(disk.GetOuterRadius(), 0.5f);
  EXPECT_EQ(disk.GetInnerRadius(), 0);
  EXPECT_EQ(disk.GetSlices(), 16);
  EXPECT_EQ(disk.GetLoops(), 2);
  EXPECT_EQ(disk.GetNormals(), nsSmooth);
  EXPECT_EQ(disk.GetNormalDirection(), ndOutside);
}

TEST(Disk, SettersStoreAnyValueAndRebuildOnlyOnAChange) {
  struct Case {
    const char* name;
    std::function<void(TGLDisk&)> set;
    std::function<double(const TGLDisk&)> get;
    double expected;
    bool rebuilds;
  } cases[] = {
      {"start", [](TGLDisk& d) { d.SetStartAngle(-45); }, &TGLDisk::GetStartAngle, -45, true},
      {"sweep", [](TGLDisk& d) { d.SetSweepAngle(90); }, &TGLDisk::GetSweepAngle, 90, true},
      {"same sweep", [](TGLDisk& d) { d.SetSweepAngle(360); }, &TGLDisk::GetSweepAngle, 360, false},
      {"outer", [](TGLDisk& d) { d.SetOuterRadius(2); }, &TGLDisk::GetOuterRadius, 2, true},
      // Nothing keeps the inner radius below the outer one.
      {"inner beyond outer", [](TGLDisk& d) { d.SetInnerRadius(3); }, &TGLDisk::GetInnerRadius, 3,
       true},
      {"same inner", [](TGLDisk& d) { d.SetInnerRadius(0); }, &TGLDisk::GetInnerRadius, 0, false},
      {"no slices", [](TGLDisk& d) { d.SetSlices(0); }, &TGLDisk::GetSlices, 0, true},
      {"negative loops", [](TGLDisk& d) { d.SetLoops(-1); }, &TGLDisk::GetLoops, -1, true},
      {"same loops", [](TGLDisk& d) { d.SetLoops(2); }, &TGLDisk::GetLoops, 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLDisk disk(nullptr);
    disk.ClearListDirty();
    c.set(disk);
    EXPECT_EQ(c.get(disk), c.expected);
    EXPECT_EQ(ListDirty(disk), c.rebuilds);
  }
}

TEST(Disk, AssignCopiesTheSixDimensionsAndTheQuadricPart) {
  TGLDisk source(nullptr), target(nullptr);
  source.SetStartAngle(10);
  source.SetSweepAngle(20);
  source.SetOuterRadius(3);
  source.SetInnerRadius(1);
  source.SetSlices(5);
  source.SetLoops(7);
  source.SetNormalDirection(ndInside);
  source.GetPosition()->SetPoint(1, 2, 3);
  target.Assign(&source);
  EXPECT_EQ(target.GetStartAngle(), 10);
  EXPECT_EQ(target.GetSweepAngle(), 20);
  EXPECT_EQ(target.GetOuterRadius(), 3);
  EXPECT_EQ(target.GetInnerRadius(), 1);
  EXPECT_EQ(target.GetSlices(), 5);
  EXPECT_EQ(target.GetLoops(), 7);
  EXPECT_EQ(target.GetNormalDirection(), ndInside);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{1, 2, 3, 1}));

  // From another quadric: its normals only.
  TGLSphere sphere(nullptr);
  sphere.SetNormals(nsFlat);
  target.Assign(&sphere);
  EXPECT_EQ(target.GetNormals(), nsFlat);
  EXPECT_EQ(target.GetOuterRadius(), 3);
}

TEST(Disk, DimensionsAreTheOuterRadiusAcrossAndNoDepth) {
  TGLDisk disk(nullptr);
  disk.SetOuterRadius(-2);
  disk.SetSweepAngle(45);
  EXPECT_EQ(disk.AxisAlignedDimensionsUnscaled(), (TVector{2, 2, 0, 0}));
}

// A ring from 0.2 to 0.5 in the node's XY plane. A ray that meets the plane gets its point
// written even when it then misses the ring.
TEST(Disk, RaysMeetTheRingFromEitherSideWhateverTheSector) {
  const TVector untouched{7, 7, 7, 7};
  const struct Case {
    const char* name;
    TVector start, vector;
    bool hit;
    TVector point, normal;
  } cases[] = {
      {"onto the ring from above",
       {0.3f, 0, 5, 1},
       {0, 0, -1, 0},
       true,
       {0.3f, 0, 0, 1},
       {0, 0, 1, 0}},
      {"onto the ring from below: the same normal",
       {0, -0.4f, -5, 1},
       {0, 0, 2, 0},
       true,
       {0, -0.4f, 0, 1},
       {0, 0, 1, 0}},
      {"slanted onto the ring",
       {-0.5f, 0, 1, 1},
       {0.25f, 0, -1, 0},
       true,
       {-0.25f, 0, 0, 1},
       {0, 0, 1, 0}},
      {"outside the quarter swept: the whole ring counts",
       {0, -0.45f, 5, 1},
       {0, 0, -1, 0},
       true,
       {0, -0.45f, 0, 1},
       {0, 0, 1, 0}},
      {"through the hole", {0.1f, 0, 5, 1}, {0, 0, -1, 0}, false, {0.1f, 0, 0, 1}, untouched},
      {"beside the disk", {0.6f, 0, 5, 1}, {0, 0, -1, 0}, false, {0.6f, 0, 0, 1}, untouched},
      {"along the plane", {-5, 0.3f, 0, 1}, {1, 0, 0, 0}, false, untouched, untouched},
      {"away from the plane", {0.3f, 0, 5, 1}, {0, 0, 1, 0}, false, untouched, untouched},
  };
  TGLDisk disk(nullptr);
  disk.SetInnerRadius(0.2f);
  disk.SetSweepAngle(90);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TVector point = untouched, normal = untouched;
    EXPECT_EQ(disk.RayCastIntersect(c.start, c.vector, &point, &normal), c.hit);
    ExpectNear(point, c.point, "point");
    ExpectNear(normal, c.normal, "normal");
    EXPECT_EQ(disk.RayCastIntersect(c.start, c.vector), c.hit) << "without outputs";
  }
}

TEST(Disk, RaysFollowThePlacedDisk) {
  // Facing +x at x = 3, twice as large.
  TGLDisk disk(nullptr);
  disk.GetPosition()->SetPoint(3, 0, 0);
  disk.GetDirection()->SetVector(1, 0, 0);
  disk.GetScale()->SetVector(2, 2, 2);
  CheckRays(disk,
            {{"within the scaled radius",
              {10, 0.8f, 0, 1},
              {-1, 0, 0, 0},
              true,
              {3, 0.8f, 0, 1},
              {1, 0, 0, 0}},
             {"from behind", {0, 0, -0.9f, 1}, {1, 0, 0, 0}, true, {3, 0, -0.9f, 1}, {1, 0, 0, 0}},
             {"along the old axis", {0, 0, 5, 1}, {0, 0, -1, 0}, false, {}, {}}});
  TVector point{};
  EXPECT_FALSE(disk.RayCastIntersect({10, 1.1f, 0, 1}, {-1, 0, 0, 0}, &point));
  ExpectNear(point, {3, 1.1f, 0, 1}, "beyond the scaled radius: the plane point");
}

TEST(Disk, LayoutAlwaysStoresTheAnglesAndRadii) {
  RegisterGLGeomObjects();
  TComponent form(nullptr);
  auto* disk = new TGLDisk(&form);
  disk->SetName("Disk1");
  std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    StartAngle = 0.0\n"
                        "    SweepAngle = 360.0\n"
                        "    OuterRadius = 0.5\n"
                        "    InnerRadius = 0.0\n"
                        "  end\n"),
            std::string::npos)
      << layout;
  disk->SetSlices(6);
  disk->SetLoops(1);
  disk->SetSweepAngle(180);
  disk->SetNormalDirection(ndInside);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    NormalDirection = ndInside\n"
                        "    StartAngle = 0.0\n"
                        "    SweepAngle = 180.0\n"
                        "    OuterRadius = 0.5\n"
                        "    InnerRadius = 0.0\n"
                        "    Slices = 6\n"
                        "    Loops = 1\n"
                        "  end\n"),
            std::string::npos)
      << layout;
  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readDisk = dynamic_cast<TGLDisk*>(read.FindComponent("Disk1"));
  ASSERT_NE(readDisk, nullptr);
  EXPECT_EQ(readDisk->GetSweepAngle(), 180);
  EXPECT_EQ(readDisk->GetLoops(), 1);
  EXPECT_EQ(WriteLayout(&read), layout);
}

TEST(Disk, TheUnitRegistersEverySolidItHolds) {
  RegisterGLGeomObjects();
  for (TClass registered :
       {TGLCylinder::StaticClass(), TGLCone::StaticClass(), TGLTorus::StaticClass(),
        TGLDisk::StaticClass(), TGLArrowLine::StaticClass(), TGLAnnulus::StaticClass(),
        TGLFrustrum::StaticClass(), TGLPolygon::StaticClass()})
    EXPECT_EQ(GetClass(registered->ClassName()), registered) << registered->ClassName();
}

}  // namespace

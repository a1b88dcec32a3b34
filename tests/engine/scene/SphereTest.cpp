// The sphere and the quadric base without OpenGL: setters with their clamps and assertions and
// what they rebuild, what Assign copies, dimensions, the rays that meet the whole sphere, the
// outline circle and the layout.
#include "tests/support/Raises.h"
//
#include <cmath>
#include <functional>
#include <string>

#include "engine/GLGeomObjects/Cylinder.h"
#include "engine/GLObjects/Sphere.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(Sphere, NewSphereIsAWholeSphereOfRadiusOneHalf) {
  TGLSphere sphere(nullptr);
  EXPECT_EQ(sphere.GetRadius(), 0.5f);
  EXPECT_EQ(sphere.GetSlices(), 16);
  EXPECT_EQ(sphere.GetStacks(), 16);
  EXPECT_EQ(sphere.GetTop(), 90);
  EXPECT_EQ(sphere.GetBottom(), -90);
  EXPECT_EQ(sphere.GetStart(), 0);
  EXPECT_EQ(sphere.GetStop(), 360);
  EXPECT_EQ(sphere.GetTopCap(), ctNone);
  EXPECT_EQ(sphere.GetBottomCap(), ctNone);
  EXPECT_EQ(sphere.GetNormals(), nsSmooth);
  EXPECT_EQ(sphere.GetNormalDirection(), ndOutside);
  EXPECT_EQ(sphere.GetStyleFlags() & osBuildEveryFrame, 0) << "drawn through its display list";
}

TEST(Sphere, SettersStoreClampAndRebuildOnlyOnAChange) {
  struct Case {
    const char* name;
    std::function<void(TGLSphere&)> set;
    std::function<double(const TGLSphere&)> get;
    double expected;
    bool rebuilds;
  } cases[] = {
      {"radius", [](TGLSphere& s) { s.SetRadius(2); }, &TGLSphere::GetRadius, 2, true},
      {"negative radius", [](TGLSphere& s) { s.SetRadius(-1); }, &TGLSphere::GetRadius, -1, true},
      {"same radius", [](TGLSphere& s) { s.SetRadius(0.5f); }, &TGLSphere::GetRadius, 0.5, false},
      {"slices", [](TGLSphere& s) { s.SetSlices(32); }, &TGLSphere::GetSlices, 32, true},
      {"no slices", [](TGLSphere& s) { s.SetSlices(0); }, &TGLSphere::GetSlices, 1, true},
      {"negative slices", [](TGLSphere& s) { s.SetSlices(-4); }, &TGLSphere::GetSlices, 1, true},
      // The value as given is compared: 0 over a stored 1 is a change, though 1 is stored again.
      {"no slices over one",
       [](TGLSphere& s) {
         s.SetSlices(1);
         s.ClearListDirty();
         s.SetSlices(0);
       },
       &TGLSphere::GetSlices, 1, true},
      {"same slices", [](TGLSphere& s) { s.SetSlices(16); }, &TGLSphere::GetSlices, 16, false},
      {"no stacks", [](TGLSphere& s) { s.SetStacks(0); }, &TGLSphere::GetStacks, 1, true},
      {"stacks", [](TGLSphere& s) { s.SetStacks(32); }, &TGLSphere::GetStacks, 32, true},
      {"top", [](TGLSphere& s) { s.SetTop(0); }, &TGLSphere::GetTop, 0, true},
      // Top and bottom are not held against each other.
      {"top below bottom", [](TGLSphere& s) { s.SetTop(-90); }, &TGLSphere::GetTop, -90, true},
      {"bottom", [](TGLSphere& s) { s.SetBottom(-45); }, &TGLSphere::GetBottom, -45, true},
      {"same bottom", [](TGLSphere& s) { s.SetBottom(-90); }, &TGLSphere::GetBottom, -90, false},
      {"start", [](TGLSphere& s) { s.SetStart(90); }, &TGLSphere::GetStart, 90, true},
      {"start at stop", [](TGLSphere& s) { s.SetStart(360); }, &TGLSphere::GetStart, 360, true},
      {"stop", [](TGLSphere& s) { s.SetStop(180); }, &TGLSphere::GetStop, 180, true},
      {"stop at start", [](TGLSphere& s) { s.SetStop(0); }, &TGLSphere::GetStop, 0, true},
      {"top cap", [](TGLSphere& s) { s.SetTopCap(ctFlat); }, &TGLSphere::GetTopCap, ctFlat, true},
      {"bottom cap", [](TGLSphere& s) { s.SetBottomCap(ctCenter); }, &TGLSphere::GetBottomCap,
       ctCenter, true},
      {"normals", [](TGLSphere& s) { s.SetNormals(nsNone); }, &TGLSphere::GetNormals, nsNone, true},
      {"same normals", [](TGLSphere& s) { s.SetNormals(nsSmooth); }, &TGLSphere::GetNormals,
       nsSmooth, false},
      {"normal direction", [](TGLSphere& s) { s.SetNormalDirection(ndInside); },
       &TGLSphere::GetNormalDirection, ndInside, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLSphere sphere(nullptr);
    sphere.ClearListDirty();
    c.set(sphere);
    EXPECT_EQ(c.get(sphere), c.expected);
    EXPECT_EQ(ListDirty(sphere), c.rebuilds);
  }
}

TEST(Sphere, StartNeverPassesStop) {
  TGLSphere sphere(nullptr);
  sphere.SetStart(100);
  sphere.SetStop(200);
  sphere.ClearListDirty();
  const auto assertion = testing::StartsWith("Assertion failure (Sphere.cpp, line ");
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { sphere.SetStart(201); }, assertion));
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { sphere.SetStop(99); }, assertion));
  EXPECT_EQ(sphere.GetStart(), 100) << "the old value stays";
  EXPECT_EQ(sphere.GetStop(), 200);
  EXPECT_FALSE(ListDirty(sphere));
}

TEST(Sphere, AssignCopiesTheShapeButNotTheCaps) {
  TGLSphere source(nullptr), target(nullptr);
  source.SetRadius(1);
  source.SetSlices(32);
  source.SetStacks(24);
  source.SetTop(0);
  source.SetBottom(-60);
  source.SetStart(10);
  source.SetStop(350);
  source.SetTopCap(ctFlat);
  source.SetBottomCap(ctCenter);
  source.SetNormals(nsNone);
  source.SetNormalDirection(ndInside);
  source.GetMaterial()->GetFrontProperties()->GetDiffuse()->SetRGBA(1, 0.5f, 0, 1);
  source.GetPosition()->SetPoint(0, 0, 1);
  target.Assign(&source);
  EXPECT_EQ(target.GetRadius(), 1);
  EXPECT_EQ(target.GetSlices(), 32);
  EXPECT_EQ(target.GetStacks(), 24);
  EXPECT_EQ(target.GetTop(), 0);
  EXPECT_EQ(target.GetBottom(), -60);
  EXPECT_EQ(target.GetStart(), 10);
  EXPECT_EQ(target.GetStop(), 350);
  EXPECT_EQ(target.GetNormals(), nsNone);
  EXPECT_EQ(target.GetNormalDirection(), ndInside);
  EXPECT_EQ(target.GetTopCap(), ctNone);
  EXPECT_EQ(target.GetBottomCap(), ctNone);
  EXPECT_EQ(target.GetMaterial()->GetFrontProperties()->GetDiffuse()->GetColor(),
            (TColorVector{1, 0.5f, 0, 1}));
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{0, 0, 1, 1}));
}

TEST(Sphere, AssignFromAnotherQuadricCopiesOnlyTheNormals) {
  TGLCylinder cylinder(nullptr);
  cylinder.SetNormals(nsFlat);
  cylinder.SetNormalDirection(ndInside);
  cylinder.SetBottomRadius(3);
  cylinder.GetPosition()->SetPoint(5, 0, 0);
  TGLSphere sphere(nullptr);
  sphere.Assign(&cylinder);
  EXPECT_EQ(sphere.GetNormals(), nsFlat);
  EXPECT_EQ(sphere.GetNormalDirection(), ndInside);
  EXPECT_EQ(sphere.GetRadius(), 0.5f);
  EXPECT_EQ(sphere.GetPosition()->GetAsVector(), (TVector{5, 0, 0, 1}));

  // A scene object that is no quadric leaves both as they are.
  TGLSceneObject plain(nullptr);
  sphere.Assign(&plain);
  EXPECT_EQ(sphere.GetNormals(), nsFlat);
  EXPECT_EQ(sphere.GetNormalDirection(), ndInside);
}

TEST(Sphere, DimensionsAreTheAbsoluteRadiusWhateverTheSection) {
  TGLSphere sphere(nullptr);
  sphere.SetRadius(-2);
  sphere.SetTop(0);
  sphere.SetStop(90);
  sphere.SetTopCap(ctFlat);
  EXPECT_EQ(sphere.AxisAlignedDimensionsUnscaled(), (TVector{2, 2, 2, 0}));
}

// The 3D window's bowl: radius 1 at (0, 0, 1), its section cut at the equator with a flat cap,
// which the ray cast ignores; the whole sphere is met.
TEST(Sphere, RaysMeetTheWholeSphere) {
  TGLSphere sphere(nullptr);
  sphere.SetRadius(1);
  sphere.SetTop(0);
  sphere.SetTopCap(ctFlat);
  sphere.GetPosition()->SetPoint(0, 0, 1);
  CheckRays(
      sphere,
      {
          {"straight down", {0, 0, 5, 1}, {0, 0, -1, 0}, true, {0, 0, 2, 1}, {0, 0, 1, 0}},
          {"off the axis",
           {0.6f, 0, 5, 1},
           {0, 0, -1, 0},
           true,
           {0.6f, 0, 1.8f, 1},
           {0.6f, 0, 0.8f, 0}},
          {"a long ray vector", {-5, 0, 1, 1}, {10, 0, 0, 0}, true, {-1, 0, 1, 1}, {-1, 0, 0, 0}},
          {"from the centre: the exit point",
           {0, 0, 1, 1},
           {1, 0, 0, 0},
           true,
           {1, 0, 1, 1},
           {1, 0, 0, 0}},
          {"onto the cut-away pole", {0, 5, 1, 1}, {0, -1, 0, 0}, true, {0, 1, 1, 1}, {0, 1, 0, 0}},
          {"beside it, through the cap's plane", {3, 5, 1, 1}, {0, -1, 0, 0}, false, {}, {}},
          {"going away", {0, 0, 5, 1}, {0, 0, 1, 0}, false, {}, {}},
      });
}

TEST(Sphere, RaysOfAScaledOrMirroredSphere) {
  TGLSphere sphere(nullptr);
  sphere.SetRadius(1);
  sphere.GetPosition()->SetPoint(0, 0, 1);
  sphere.GetScale()->SetVector(2, 2, 2);
  // The normal is the local hit point carried out as a vector: scaled, not normalised.
  CheckRays(sphere, {{"scaled", {0, 0, 10, 1}, {0, 0, -1, 0}, true, {0, 0, 3, 1}, {0, 0, 2, 0}}});
  sphere.SetRadius(-1);
  CheckRays(sphere, {{"mirrored", {0, 0, 10, 1}, {0, 0, -1, 0}, true, {0, 0, 3, 1}, {0, 0, 2, 0}}});
}

TEST(Sphere, TheOutlineIsACircleAcrossTheLineOfSight) {
  struct Case {
    const char* name;
    TAffineVector viewPoint;
    int slices, stacks;
    bool withCaps;
  } cases[] = {
      {"along z, caps", {0, 0, 5}, 16, 16, true},
      {"along x, the first axis fails", {5, 0, 0}, 8, 12, false},
      {"slanted", {1, 2, 3}, 20, 6, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLSphere sphere(nullptr);
    sphere.SetRadius(2);
    sphere.SetSlices(c.slices);
    sphere.SetStacks(c.stacks);
    const TSilhouetteRequest request{c.viewPoint, {}, spPoint, c.withCaps};
    std::unique_ptr<TGLSilhouette> silhouette = sphere.GenerateSilhouette(request);
    const int n = std::max(c.slices, c.stacks);
    ASSERT_EQ(silhouette->Vertices().Count(), n + (c.withCaps ? 1 : 0));
    ASSERT_EQ(silhouette->Indices().Count(), 2 * n);
    ASSERT_EQ(silhouette->CapIndices().Count(), c.withCaps ? 3 * n : 0);
    const TAffineVector& view = c.viewPoint;
    for (int i = 0; i < n; ++i) {
      const TVector& v = silhouette->Vertices().List()[i];
      EXPECT_NEAR(VectorLength(TAffineVector{v[X], v[Y], v[Z]}), 2, 1e-5) << i;
      EXPECT_NEAR(v[X] * view[X] + v[Y] * view[Y] + v[Z] * view[Z], 0, 1e-4) << i;
      EXPECT_EQ(v[W], 1);
      EXPECT_EQ(silhouette->Indices().List()[2 * i], i);
      EXPECT_EQ(silhouette->Indices().List()[2 * i + 1], (i + 1) % n);
      if (c.withCaps) {
        EXPECT_EQ(silhouette->CapIndices().List()[3 * i], n);
        EXPECT_EQ(silhouette->CapIndices().List()[3 * i + 2], (i + 1) % n);
      }
    }
    if (c.withCaps) {
      EXPECT_EQ(silhouette->Vertices().List()[n], (TVector{0, 0, 0, 1}));
    }
  }
  // The first vertex lies along V x (V x X), the second a step round towards V x X.
  TGLSphere sphere(nullptr);
  sphere.SetSlices(4);
  sphere.SetStacks(4);
  std::unique_ptr<TGLSilhouette> square =
      sphere.GenerateSilhouette({{0, 0, 5}, {}, spPoint, false});
  ExpectNear(square->Vertices().List()[0], {-0.5f, 0, 0, 1}, "first");
  ExpectNear(square->Vertices().List()[1], {0, 0.5f, 0, 1}, "second");
}

TEST(Sphere, LayoutStoresRadiusAlwaysAndTheRestAwayFromTheDefaults) {
  RegisterClasses({TGLSphere::StaticClass()});
  TComponent form(nullptr);
  auto* sphere = new TGLSphere(&form);
  sphere->SetName("GLSphere");
  std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Radius = 0.5\n  end\n"), std::string::npos) << layout;
  for (const char* left : {"Normals", "NormalDirection", "Slices", "Stacks", "Top", "Bottom",
                           "Start", "Stop", "TopCap", "BottomCap"})
    EXPECT_EQ(layout.find(std::string("    ") + left + " ="), std::string::npos)
        << "a default is left out: " << left;

  // The 3D window's inner bowl.
  sphere->SetNormals(nsNone);
  sphere->SetNormalDirection(ndInside);
  sphere->SetRadius(1);
  sphere->SetSlices(32);
  sphere->SetStacks(32);
  sphere->SetTop(0);
  sphere->SetBottom(-45);
  sphere->SetStart(30);
  sphere->SetStop(300);
  sphere->SetTopCap(ctFlat);
  sphere->SetBottomCap(ctCenter);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Normals = nsNone\n"
                        "    NormalDirection = ndInside\n"
                        "    Radius = 1.0\n"
                        "    Slices = 32\n"
                        "    Stacks = 32\n"
                        "    Top = 0\n"
                        "    Bottom = -45\n"
                        "    Start = 30\n"
                        "    Stop = 300\n"
                        "    TopCap = ctFlat\n"
                        "    BottomCap = ctCenter\n"
                        "  end\n"),
            std::string::npos)
      << layout;

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readSphere = dynamic_cast<TGLSphere*>(read.FindComponent("GLSphere"));
  ASSERT_NE(readSphere, nullptr);
  EXPECT_EQ(readSphere->GetBottom(), -45);
  EXPECT_EQ(readSphere->GetStop(), 300);
  EXPECT_EQ(readSphere->GetBottomCap(), ctCenter);
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace

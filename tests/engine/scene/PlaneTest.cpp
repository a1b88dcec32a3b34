// The plane without OpenGL: its setters and what they rebuild, the copy the 3D window's planes
// are made by, its extents, the rays that hit it, its outline and its layout.
#include "tests/support/Raises.h"
//
#include <functional>
#include <string>

#include "engine/GLObjects.h"
#include "platform/rtl/Classes.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(Plane, NewPlaneIsAUnitSquareBuiltAtEveryFrame) {
  TGLPlane plane(nullptr);
  EXPECT_EQ(plane.GetWidth(), 1);
  EXPECT_EQ(plane.GetHeight(), 1);
  EXPECT_EQ(plane.GetXScope(), 1);
  EXPECT_EQ(plane.GetYScope(), 1);
  EXPECT_EQ(plane.GetXTiles(), 1u);
  EXPECT_EQ(plane.GetYTiles(), 1u);
  EXPECT_EQ(plane.GetXOffset(), 0);
  EXPECT_EQ(plane.GetYOffset(), 0);
  EXPECT_EQ(plane.GetStyle(), psSingleQuad | psTileTexture);
  EXPECT_FALSE(plane.GetNoZWrite());
  EXPECT_NE(plane.GetStyleFlags() & osBuildEveryFrame, 0);
}

TEST(Plane, SettersStoreClampAndRebuildOnlyOnAChange) {
  struct Case {
    const char* name;
    std::function<void(TGLPlane&)> set;
    std::function<double(const TGLPlane&)> get;
    double expected;
    bool rebuilds;
  } cases[] = {
      {"width", [](TGLPlane& p) { p.SetWidth(2); }, &TGLPlane::GetWidth, 2, true},
      {"width unchanged", [](TGLPlane& p) { p.SetWidth(1); }, &TGLPlane::GetWidth, 1, false},
      {"negative height", [](TGLPlane& p) { p.SetHeight(-3); }, &TGLPlane::GetHeight, -3, true},
      {"x offset", [](TGLPlane& p) { p.SetXOffset(0.25f); }, &TGLPlane::GetXOffset, 0.25, true},
      {"y offset", [](TGLPlane& p) { p.SetYOffset(-1); }, &TGLPlane::GetYOffset, -1, true},
      // The value as given is compared, then clamped: 2.5 over a stored 1 still signals.
      {"x scope above 1", [](TGLPlane& p) { p.SetXScope(2.5f); }, &TGLPlane::GetXScope, 1, true},
      {"x scope below 1", [](TGLPlane& p) { p.SetXScope(0.5f); }, &TGLPlane::GetXScope, 0.5, true},
      {"y scope negative", [](TGLPlane& p) { p.SetYScope(-2); }, &TGLPlane::GetYScope, -2, true},
      {"y scope 1", [](TGLPlane& p) { p.SetYScope(1); }, &TGLPlane::GetYScope, 1, false},
      {"no x tiles", [](TGLPlane& p) { p.SetXTiles(0); }, &TGLPlane::GetXTiles, 0, true},
      {"y tiles", [](TGLPlane& p) { p.SetYTiles(8); }, &TGLPlane::GetYTiles, 8, true},
      {"style", [](TGLPlane& p) { p.SetStyle(psTileTexture); }, &TGLPlane::GetStyle, psTileTexture,
       true},
      {"no z write", [](TGLPlane& p) { p.SetNoZWrite(true); }, &TGLPlane::GetNoZWrite, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLPlane plane(nullptr);
    plane.ClearListDirty();
    c.set(plane);
    EXPECT_EQ(c.get(plane), c.expected);
    EXPECT_EQ(ListDirty(plane), c.rebuilds);
  }
}

// The 3D window clones its hidden template plane for every joint plane.
TEST(Plane, AssignCopiesTheSizeAndTheSceneObjectButNotTheTextureLayout) {
  TGLPlane source(nullptr), target(nullptr);
  source.SetWidth(2);
  source.SetHeight(3);
  source.SetXTiles(8);
  source.SetYTiles(8);
  source.SetXScope(0.5f);
  source.SetYOffset(0.25f);
  source.SetStyle(psTileTexture);
  source.SetNoZWrite(true);
  source.SetVisible(false);
  source.GetPosition()->SetPoint(0, 0, 1);
  source.GetDirection()->SetVector(0, -1, 0);
  source.GetUp()->SetVector(0, 0, 1);
  source.GetMaterial()->GetFrontProperties()->GetDiffuse()->SetRGBA(1, 0.5f, 0, 1);
  source.GetMaterial()->SetFaceCulling(fcCull);
  target.Assign(&source);

  EXPECT_EQ(target.GetWidth(), 2);
  EXPECT_EQ(target.GetHeight(), 3);
  EXPECT_FALSE(target.GetVisible());
  ExpectNear(target.GetPosition()->GetAsVector(), {0, 0, 1, 1}, "position");
  ExpectNear(target.GetDirection()->GetAsVector(), {0, -1, 0, 0}, "direction");
  ExpectNear(target.GetUp()->GetAsVector(), {0, 0, 1, 0}, "up");
  EXPECT_EQ(target.GetMaterial()->GetFrontProperties()->GetDiffuse()->GetColor(),
            (TColorVector{1, 0.5f, 0, 1}));
  EXPECT_EQ(target.GetMaterial()->GetFaceCulling(), fcCull);
  EXPECT_NE(target.GetMaterial(), source.GetMaterial());
  // The clone keeps its own texture layout and depth writes.
  EXPECT_EQ(target.GetXTiles(), 1u);
  EXPECT_EQ(target.GetYTiles(), 1u);
  EXPECT_EQ(target.GetXScope(), 1);
  EXPECT_EQ(target.GetYOffset(), 0);
  EXPECT_EQ(target.GetStyle(), cDefaultPlaneStyles);
  EXPECT_FALSE(target.GetNoZWrite());

  // From another scene object only the scene object's state.
  TGLSceneObject other(nullptr);
  other.GetPosition()->SetPoint(5, 0, 0);
  target.Assign(&other);
  EXPECT_EQ(target.GetWidth(), 2);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{5, 0, 0, 1}));
}

TEST(Plane, DimensionsAreHalfTheAbsoluteExtentsWithoutDepth) {
  TGLPlane plane(nullptr);
  plane.SetWidth(-2);
  plane.SetHeight(3);
  EXPECT_EQ(plane.AxisAlignedDimensionsUnscaled(), (TVector{1, 1.5f, 0, 0}));
  plane.GetScale()->SetVector(2, 2, 2);
  EXPECT_EQ(plane.AxisAlignedDimensions(), (TVector{2, 3, 0, 0}));
}

TEST(Plane, RaysHitFromEitherSideWithinTheEdges) {
  TGLPlane plane(nullptr);
  CheckRays(
      plane,
      {
          {"straight down", {0, 0, 5, 1}, {0, 0, -1, 0}, true, {0, 0, 0, 1}, {0, 0, 1, 0}},
          {"straight up", {0, 0, -5, 1}, {0, 0, 1, 0}, true, {0, 0, 0, 1}, {0, 0, -1, 0}},
          {"slanted", {1, 0.25f, 2, 1}, {-0.5f, 0, -1, 0}, true, {0, 0.25f, 0, 1}, {0, 0, 1, 0}},
          {"on the corner",
           {0.5f, -0.5f, 1, 1},
           {0, 0, -1, 0},
           true,
           {0.5f, -0.5f, 0, 1},
           {0, 0, 1, 0}},
          {"from the plane itself", {0, 0, 0, 1}, {0, 0, -1, 0}, true, {0, 0, 0, 1}, {0, 0, 1, 0}},
          {"beside it", {0.6f, 0, 5, 1}, {0, 0, -1, 0}, false, {}, {}},
          {"going away above", {0, 0, 5, 1}, {0, 0, 1, 0}, false, {}, {}},
          {"going away below", {0, 0, -5, 1}, {0, 0, -1, 0}, false, {}, {}},
          {"lying in the plane", {-2, 0, 0, 1}, {1, 0, 0, 0}, false, {}, {}},
          {"parallel above", {0, 0, 1, 1}, {1, 0, 0, 0}, false, {}, {}},
      });
}

TEST(Plane, RaysMeetThePlaneWhereItStandsAndItsNormalTurnsWithIt) {
  TGLPlane plane(nullptr);
  plane.GetPosition()->SetPoint(0, 0, 1);
  plane.GetDirection()->SetVector(1, 0, 0);  // facing the scene's +X
  CheckRays(
      plane,
      {
          {"from in front", {5, 0.2f, 1, 1}, {-1, 0, 0, 0}, true, {0, 0.2f, 1, 1}, {1, 0, 0, 0}},
          {"from behind", {-5, 0, 1.4f, 1}, {1, 0, 0, 0}, true, {0, 0, 1.4f, 1}, {-1, 0, 0, 0}},
          {"below its lower edge", {5, 0, 0.4f, 1}, {-1, 0, 0, 0}, false, {}, {}},
      });
  // A negative extent leaves nothing inside the edges.
  TGLPlane flipped(nullptr);
  flipped.SetWidth(-1);
  EXPECT_FALSE(flipped.RayCastIntersect({0, 0, 5, 1}, {0, 0, -1, 0}));
}

TEST(Plane, SilhouetteIsTheRectangleWithItsCapsOnRequest) {
  TGLPlane plane(nullptr);
  plane.SetWidth(2);
  plane.SetHeight(4);
  for (bool caps : {false, true}) {
    SCOPED_TRACE(caps ? "with caps" : "without caps");
    TSilhouetteRequest request{{0, 0, 10}, {0, 0, -1}, spPoint, caps};
    std::unique_ptr<TGLSilhouette> silhouette = plane.GenerateSilhouette(request);
    ASSERT_EQ(silhouette->Vertices().Count(), 4);
    const TVector corners[] = {{1, 2, 0, 1}, {1, -2, 0, 1}, {-1, -2, 0, 1}, {-1, 2, 0, 1}};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(silhouette->Vertices().List()[i], corners[i]) << i;
    TIntegerList& edges = silhouette->Indices();
    ASSERT_EQ(edges.Count(), 8);
    const int expectedEdges[] = {0, 1, 1, 2, 2, 3, 3, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(edges.List()[i], expectedEdges[i]) << i;
    TIntegerList& capIndices = silhouette->CapIndices();
    ASSERT_EQ(capIndices.Count(), caps ? 6 : 0);
    const int expectedCaps[] = {0, 1, 2, 2, 3, 0};
    for (int i = 0; i < capIndices.Count(); ++i)
      EXPECT_EQ(capIndices.List()[i], expectedCaps[i]) << i;
  }
}

TEST(Plane, LayoutStoresWhatDiffersFromTheDefaultsAndAlwaysTheSizeAndNoZWrite) {
  RegisterGLObjects();
  TComponent form(nullptr);
  auto* plane = new TGLPlane(&form);
  plane->SetName("Template");
  std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Height = 1.0\n    Width = 1.0\n    NoZWrite = False\n  end\n"),
            std::string::npos)
      << layout;
  EXPECT_NE(layout.find("NoZWrite = False"), std::string::npos) << "always written";
  for (const char* left : {"XOffset", "XScope", "XTiles", "YOffset", "YScope", "YTiles", "Style"})
    EXPECT_EQ(layout.find(left), std::string::npos) << "a default is left out: " << left;

  plane->SetWidth(0.01f);
  plane->SetHeight(0);
  plane->SetXScope(0.5f);
  plane->SetXTiles(8);
  plane->SetYTiles(0);
  plane->SetYOffset(0.25f);
  plane->SetStyle(psTileTexture);
  plane->SetNoZWrite(true);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Height = 0.0\n"
                        "    Width = 0.01\n"
                        "    XScope = 0.5\n"
                        "    XTiles = 8\n"
                        "    YOffset = 0.25\n"
                        "    YTiles = 0\n"
                        "    Style = [psTileTexture]\n"
                        "    NoZWrite = True\n"),
            std::string::npos)
      << layout;

  // Sizes of 0 are written, since a new plane's 1 would stand in for them.
  plane->SetWidth(0);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Height = 0.0\n    Width = 0.0\n"), std::string::npos) << layout;
  TComponent readZero(nullptr);
  ReadLayout(layout, &readZero);
  auto* zeroPlane = dynamic_cast<TGLPlane*>(readZero.FindComponent("Template"));
  ASSERT_NE(zeroPlane, nullptr);
  EXPECT_EQ(zeroPlane->GetWidth(), 0);
  EXPECT_EQ(zeroPlane->GetHeight(), 0);

  plane->SetWidth(0.01f);
  plane->SetHeight(2);
  layout = WriteLayout(&form);

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readPlane = dynamic_cast<TGLPlane*>(read.FindComponent("Template"));
  ASSERT_NE(readPlane, nullptr);
  EXPECT_EQ(readPlane->GetWidth(), 0.01f);
  EXPECT_EQ(readPlane->GetHeight(), 2);
  EXPECT_EQ(readPlane->GetXTiles(), 8u);
  EXPECT_EQ(readPlane->GetYTiles(), 0u);
  EXPECT_EQ(readPlane->GetStyle(), psTileTexture);
  EXPECT_TRUE(readPlane->GetNoZWrite());
  EXPECT_EQ(WriteLayout(&read), layout);
}

TEST(Plane, TheUnitRegistersItsSceneObjects) {
  RegisterGLObjects();
  EXPECT_EQ(GetClass("TGLSphere"), TGLSphere::StaticClass());
  EXPECT_EQ(GetClass("TGLCube"), TGLCube::StaticClass());
  EXPECT_EQ(GetClass("TGLPlane"), TGLPlane::StaticClass());
  EXPECT_EQ(GetClass("TGLDummyCube"), TGLDummyCube::StaticClass());
  for (const char* base : {"TGLLineBase", "TGLQuadricObject"})
    EXPECT_EQ(GetClass(base), nullptr) << base << " is a base class only";
}

}  // namespace

// The cube without OpenGL: its setters, copy and extents, the rays that enter it, its outline,
// and its sizes in a layout as one binary value.
#include "tests/support/Raises.h"
//
#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "engine/GLObjects.h"
#include "engine/GLObjects/Cube.h"
#include "engine/GLObjects/DummyCube.h"
#include "platform/rtl/Classes.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(Cube, NewCubeIsAWholeUnitCubeFacingOutBuiltAtEveryFrame) {
  TGLCube cube(nullptr);
  EXPECT_EQ(cube.GetCubeWidth(), 1);
  EXPECT_EQ(cube.GetCubeHeight(), 1);
  EXPECT_EQ(cube.GetCubeDepth(), 1);
  EXPECT_EQ(cube.GetParts(), 0x3F);
  EXPECT_EQ(cube.GetNormalDirection(), ndOutside);
  EXPECT_NE(cube.GetStyleFlags() & osBuildEveryFrame, 0);
}

TEST(Cube, SettersStoreAnyValueAndRebuildOnlyOnAChange) {
  struct Case {
    const char* name;
    std::function<void(TGLCube&)> set;
    std::function<double(const TGLCube&)> get;
    double expected;
    bool rebuilds;
  } cases[] = {
      {"width", [](TGLCube& c) { c.SetCubeWidth(2); }, &TGLCube::GetCubeWidth, 2, true},
      {"width unchanged", [](TGLCube& c) { c.SetCubeWidth(1); }, &TGLCube::GetCubeWidth, 1, false},
      {"negative height", [](TGLCube& c) { c.SetCubeHeight(-3); }, &TGLCube::GetCubeHeight, -3,
       true},
      {"no depth", [](TGLCube& c) { c.SetCubeDepth(0); }, &TGLCube::GetCubeDepth, 0, true},
      {"parts", [](TGLCube& c) { c.SetParts(cpTop); }, &TGLCube::GetParts, cpTop, true},
      {"all parts", [](TGLCube& c) { c.SetParts(cAllCubeParts); }, &TGLCube::GetParts, 0x3F, false},
      {"inside", [](TGLCube& c) { c.SetNormalDirection(ndInside); }, &TGLCube::GetNormalDirection,
       ndInside, true},
      {"outside", [](TGLCube& c) { c.SetNormalDirection(ndOutside); }, &TGLCube::GetNormalDirection,
       ndOutside, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLCube cube(nullptr);
    cube.ClearListDirty();
    c.set(cube);
    EXPECT_EQ(c.get(cube), c.expected);
    EXPECT_EQ(ListDirty(cube), c.rebuilds);
  }
}

TEST(Cube, AssignCopiesSizesFacesAndNormalsThenTheSceneObject) {
  TGLCube source(nullptr), target(nullptr);
  source.SetCubeWidth(2);
  source.SetCubeHeight(3);
  source.SetCubeDepth(4);
  source.SetParts(cpFront | cpBack);
  source.SetNormalDirection(ndInside);
  source.GetPosition()->SetPoint(1, 2, 3);
  target.Assign(&source);
  EXPECT_EQ(target.GetCubeWidth(), 2);
  EXPECT_EQ(target.GetCubeHeight(), 3);
  EXPECT_EQ(target.GetCubeDepth(), 4);
  EXPECT_EQ(target.GetParts(), cpFront | cpBack);
  EXPECT_EQ(target.GetNormalDirection(), ndInside);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{1, 2, 3, 1}));

  TGLSceneObject other(nullptr);
  other.GetPosition()->SetPoint(5, 0, 0);
  target.Assign(&other);
  EXPECT_EQ(target.GetCubeWidth(), 2) << "another class leaves the cube's own fields";
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{5, 0, 0, 1}));
}

TEST(Cube, DimensionsAreHalfTheSizesWithTheirSigns) {
  TGLCube cube(nullptr);
  cube.SetCubeWidth(-2);
  EXPECT_EQ(cube.AxisAlignedDimensionsUnscaled(), (TVector{-1, 0.5f, 0.5f, 0}));
}

TEST(Cube, RaysEnterThroughTheFaceTheyMeetFirstFromOutside) {
  TGLCube cube(nullptr);
  CheckRays(
      cube,
      {
          {"towards +x", {-5, 0, 0, 1}, {1, 0, 0, 0}, true, {-0.5f, 0, 0, 1}, {-1, 0, 0, 0}},
          {"towards -x", {5, 0.2f, 0, 1}, {-1, 0, 0, 0}, true, {0.5f, 0.2f, 0, 1}, {1, 0, 0, 0}},
          {"towards +y", {0, -5, 0, 1}, {0, 1, 0, 0}, true, {0, -0.5f, 0, 1}, {0, -1, 0, 0}},
          {"towards -y", {0.1f, 5, 0, 1}, {0, -1, 0, 0}, true, {0.1f, 0.5f, 0, 1}, {0, 1, 0, 0}},
          {"towards +z", {0, 0, -5, 1}, {0, 0, 1, 0}, true, {0, 0, -0.5f, 1}, {0, 0, -1, 0}},
          {"towards -z", {0, 0.3f, 5, 1}, {0, 0, -1, 0}, true, {0, 0.3f, 0.5f, 1}, {0, 0, 1, 0}},
          {"a long slanted vector is normalised",
           {-5, -5, 0, 1},
           {2, 2.2f, 0, 0},
           true,
           {-0.5f, -0.05f, 0, 1},
           {-1, 0, 0, 0}},
          {"reversed: going away from the cube", {-5, 0, 0, 1}, {-1, 0, 0, 0}, false, {}, {}},
          {"beside the cube", {-5, 0.6f, 0, 1}, {1, 0, 0, 0}, false, {}, {}},
          {"grazing within the tolerance",
           {-5, 0.50005f, 0, 1},
           {1, 0, 0, 0},
           true,
           {-0.5f, 0.50005f, 0, 1},
           {-1, 0, 0, 0}},
          {"just beyond the tolerance", {-5, 0.5002f, 0, 1}, {1, 0, 0, 0}, false, {}, {}},
          {"from inside towards +x", {0, 0, 0, 1}, {1, 0, 0, 0}, false, {}, {}},
          {"from inside towards -y", {0.2f, 0.1f, 0, 1}, {0, -1, 0, 0}, false, {}, {}},
          {"from inside slanted", {0, 0, 0, 1}, {1, 1, 1, 0}, false, {}, {}},
          {"a null vector", {-5, 0, 0, 1}, {0, 0, 0, 0}, false, {}, {}},
      });
}

TEST(Cube, RaysMeetTheCubeWhereItStandsWhateverItsFacesAndSizes) {
  TGLCube cube(nullptr);
  cube.SetCubeWidth(2);
  cube.GetPosition()->SetPoint(0, 0, 10);
  cube.GetDirection()->SetVector(1, 0, 0);  // local z along the scene's x
  cube.SetParts(0);
  CheckRays(cube,
            {
                // Local z is the scene's x, so the cube's depth of 1 lies across the scene's x.
                {"from the scene's -x",
                 {-5, 0, 10, 1},
                 {1, 0, 0, 0},
                 true,
                 {-0.5f, 0, 10, 1},
                 {-1, 0, 0, 0}},
                // Local x (the width of 2) is the scene's -z.
                {"from above", {0, 0, 20, 1}, {0, 0, -1, 0}, true, {0, 0, 11, 1}, {0, 0, 1, 0}},
                {"past it", {0, 0.6f, 20, 1}, {0, 0, -1, 0}, false, {}, {}},
            });
  TGLCube negative(nullptr);
  negative.SetCubeHeight(-1);
  EXPECT_FALSE(negative.RayCastIntersect({-5, 0, 0, 1}, {1, 0, 0, 0}))
      << "a negative size leaves nothing inside the faces";
}

// The outline's edges as pairs of corners, each pair in ascending order, sorted.
using TEdge = std::array<std::array<float, 3>, 2>;
std::vector<TEdge> Edges(TGLSilhouette& silhouette) {
  std::vector<TEdge> edges;
  TIntegerList& indices = silhouette.Indices();
  for (int i = 0; i + 1 < indices.Count(); i += 2) {
    TEdge edge;
    for (int end = 0; end < 2; ++end) {
      const TVector& p = silhouette.Vertices().List()[indices.List()[i + end]];
      edge[size_t(end)] = {p[X], p[Y], p[Z]};
    }
    std::sort(edge.begin(), edge.end());
    edges.push_back(edge);
  }
  std::sort(edges.begin(), edges.end());
  return edges;
}

TEST(Cube, SilhouetteFromAFaceCentreIsThatFacesRim) {
  TGLCube cube(nullptr);
  cube.SetCubeWidth(2);
  cube.SetCubeHeight(4);
  cube.SetCubeDepth(6);
  cube.SetNormalDirection(ndInside);  // ignored by the outline
  // Sitting on the front face, the viewer sees that face alone: its four edges, not its diagonal.
  const TSilhouetteRequest fromFront{{0, 0, 3}, {0, 0, -1}, spPoint, false};
  std::unique_ptr<TGLSilhouette> silhouette = cube.GenerateSilhouette(fromFront);
  ASSERT_NE(silhouette, nullptr);
  std::vector<TEdge> expected = {
      {{{-1, -2, 3}, {-1, 2, 3}}},
      {{{-1, -2, 3}, {1, -2, 3}}},
      {{{-1, 2, 3}, {1, 2, 3}}},
      {{{1, -2, 3}, {1, 2, 3}}},
  };
  EXPECT_EQ(Edges(*silhouette), expected);

  // Only the faces in Parts make the outline: the front face alone, seen from behind, shows
  // the same rim, where the whole cube would show its back face's.
  cube.SetParts(cpFront);
  silhouette = cube.GenerateSilhouette({{0, 0, -10}, {0, 0, 1}, spPoint, false});
  EXPECT_EQ(Edges(*silhouette), expected);

  cube.SetParts(0);
  silhouette = cube.GenerateSilhouette({{0, 0, 10}, {0, 0, -1}, spPoint, true});
  ASSERT_NE(silhouette, nullptr);
  EXPECT_EQ(silhouette->Vertices().Count(), 0);
  EXPECT_EQ(silhouette->Indices().Count(), 0);
  EXPECT_EQ(silhouette->CapIndices().Count(), 0);
}

TEST(Cube, LayoutCarriesTheSizesAsOneBinaryValueOnlyWhenNotAllOne) {
  RegisterGLObjects();
  TComponent form(nullptr);
  auto* cube = new TGLCube(&form);
  cube->SetName("Box");
  std::string layout = WriteLayout(&form);
  EXPECT_EQ(layout.find("CubeSize"), std::string::npos) << layout;
  for (const char* left : {"CubeWidth", "CubeHeight", "CubeDepth", "NormalDirection", "Parts"})
    EXPECT_EQ(layout.find(left), std::string::npos) << left;

  cube->SetCubeWidth(2);
  cube->SetNormalDirection(ndInside);
  cube->SetParts(cpTop | cpLeft);
  layout = WriteLayout(&form);
  // 2.0, 1.0, 1.0 as little-endian singles.
  EXPECT_NE(layout.find("    NormalDirection = ndInside\n"
                        "    Parts = [cpTop, cpLeft]\n"
                        "    CubeSize = {000000400000803F0000803F}\n"),
            std::string::npos)
      << layout;
  EXPECT_EQ(layout.find("CubeWidth"), std::string::npos) << "never by name";

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readCube = dynamic_cast<TGLCube*>(read.FindComponent("Box"));
  ASSERT_NE(readCube, nullptr);
  EXPECT_EQ(readCube->GetCubeWidth(), 2);
  EXPECT_EQ(readCube->GetCubeHeight(), 1);
  EXPECT_EQ(readCube->GetParts(), cpTop | cpLeft);
  EXPECT_EQ(WriteLayout(&read), layout);
}

// The layout of one cube whose sizes value is the given hex text.
std::string CubeLayout(const std::string& sizes) {
  return "object Form: TComponent\n"
         "  object Box: TGLCube\n"
         "    CubeSize = {" +
         sizes +
         "}\n"
         "  end\n"
         "end\n";
}

TEST(Cube, ReadingTheSizesTakesTwelveBytesAndRefusesOtherLengths) {
  RegisterGLObjects();
  {
    TComponent read(nullptr);
    // 2.0, 3.0, 4.0.
    ReadLayout(CubeLayout("000000400000404000008040"), &read);
    auto* cube = dynamic_cast<TGLCube*>(read.FindComponent("Box"));
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->GetCubeWidth(), 2);
    EXPECT_EQ(cube->GetCubeHeight(), 3);
    EXPECT_EQ(cube->GetCubeDepth(), 4);
  }
  for (const char* sizes : {"0000004000004040", "00000040000040400000804000000000"}) {
    SCOPED_TRACE(sizes);
    TComponent read(nullptr);
    EXPECT_TRUE(Raises<EReadError>([&] { ReadLayout(CubeLayout(sizes), &read); }, testing::_));
    if (auto* cube = dynamic_cast<TGLCube*>(read.FindComponent("Box"))) {
      EXPECT_EQ(cube->GetCubeWidth(), 1) << "the sizes stay as they were";
    }
  }
}

TEST(Cube, TheUnitRegistersTheCubeAndTheDummyCube) {
  RegisterGLObjects();
  EXPECT_EQ(GetClass("TGLCube"), TGLCube::StaticClass());
  EXPECT_EQ(GetClass("TGLDummyCube"), TGLDummyCube::StaticClass());
}

}  // namespace

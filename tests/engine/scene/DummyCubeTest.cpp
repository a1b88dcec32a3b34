// The dummy cube without OpenGL: its setters and the rebuilds and style flags they cause, its
// copy, extents, rays and barycenter, and its layout.
#include "tests/support/Raises.h"
//
#include <functional>
#include <string>

#include "engine/GLObjects.h"
#include "engine/GLObjects/DummyCube.h"
#include "platform/rtl/Classes.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(DummyCube, NewDummyCubeIsAHiddenUnitCubeWithWhiteEdges) {
  TGLDummyCube cube(nullptr);
  EXPECT_EQ(cube.GetCubeSize(), 1);
  EXPECT_EQ(cube.GetEdgeColor()->GetColor(), (TColorVector{1, 1, 1, 1}));
  EXPECT_FALSE(cube.GetVisibleAtRunTime());
  EXPECT_FALSE(cube.GetAmalgamate());
  EXPECT_EQ(cube.GetCamInvarianceMode(), cimNone);
  EXPECT_EQ(cube.GetStyleFlags(), osBuildEveryFrame);
  EXPECT_FALSE(cube.OnVisibilityDetermination);
}

TEST(DummyCube, SettersRebuildOnAChangeAndAmalgamateSwitchesTheStateReset) {
  TGLColor red(nullptr, TColorVector{1, 0, 0, 1});
  struct Case {
    const char* name;
    std::function<void(TGLDummyCube&)> set;
    bool rebuilds;
    TGLNodeStyleFlags style;
  } cases[] = {
      {"size", [](TGLDummyCube& c) { c.SetCubeSize(2); }, true, osBuildEveryFrame},
      {"same size", [](TGLDummyCube& c) { c.SetCubeSize(1); }, false, osBuildEveryFrame},
      {"visible at run time", [](TGLDummyCube& c) { c.SetVisibleAtRunTime(true); }, true,
       osBuildEveryFrame},
      {"hidden again", [](TGLDummyCube& c) { c.SetVisibleAtRunTime(false); }, false,
       osBuildEveryFrame},
      {"edge colour", [&](TGLDummyCube& c) { c.SetEdgeColor(&red); }, true, osBuildEveryFrame},
      {"its own edge colour", [](TGLDummyCube& c) { c.SetEdgeColor(c.GetEdgeColor()); }, false,
       osBuildEveryFrame},
      {"amalgamate", [](TGLDummyCube& c) { c.SetAmalgamate(true); }, true,
       osBuildEveryFrame | osResetStates},
      {"amalgamate on and off",
       [](TGLDummyCube& c) {
         c.SetAmalgamate(true);
         c.ClearListDirty();
         c.SetAmalgamate(false);
       },
       true, osBuildEveryFrame},
      {"not amalgamated", [](TGLDummyCube& c) { c.SetAmalgamate(false); }, false,
       osBuildEveryFrame},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLDummyCube cube(nullptr);
    cube.ClearListDirty();
    c.set(cube);
    EXPECT_EQ(ListDirty(cube), c.rebuilds);
    EXPECT_EQ(cube.GetStyleFlags(), c.style);
  }
  TGLDummyCube cube(nullptr);
  cube.SetEdgeColor(&red);
  EXPECT_EQ(cube.GetEdgeColor()->GetColor(), red.GetColor());
  EXPECT_NE(cube.GetEdgeColor(), &red) << "the value is copied in";
}

TEST(DummyCube, AssignCopiesTheLookButNotAmalgamation) {
  TGLDummyCube source(nullptr), target(nullptr);
  source.SetCubeSize(3);
  source.GetEdgeColor()->SetRGBA(0, 1, 0, 0.5f);
  source.SetVisibleAtRunTime(true);
  source.SetAmalgamate(true);
  source.SetCamInvarianceMode(cimPosition);
  source.GetPosition()->SetPoint(1, 2, 3);
  target.Assign(&source);
  EXPECT_EQ(target.GetCubeSize(), 3);
  EXPECT_EQ(target.GetEdgeColor()->GetColor(), (TColorVector{0, 1, 0, 0.5f}));
  EXPECT_NE(target.GetEdgeColor(), source.GetEdgeColor());
  EXPECT_TRUE(target.GetVisibleAtRunTime());
  EXPECT_FALSE(target.GetAmalgamate());
  EXPECT_EQ(target.GetStyleFlags() & osResetStates, 0);
  EXPECT_EQ(target.GetCamInvarianceMode(), cimPosition);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{1, 2, 3, 1}));
}

TEST(DummyCube, ExtentsAreHalfTheAbsoluteSizeAndRaysNeverHit) {
  TGLDummyCube cube(nullptr);
  cube.SetCubeSize(-3);
  EXPECT_EQ(cube.AxisAlignedDimensionsUnscaled(), (TVector{1.5f, 1.5f, 1.5f, 0}));
  CheckRays(cube, {{"through the middle", {-5, 0, 0, 1}, {1, 0, 0, 0}, false, {}, {}},
                   {"from inside", {0, 0, 0, 1}, {0, 1, 0, 0}, false, {}, {}}});
}

TEST(DummyCube, BarycenterIsTheMeanOfTheChildrensOrItsOwnPosition) {
  TGLBaseSceneObject parent(nullptr);
  parent.GetPosition()->SetPoint(0, 10, 0);
  auto* cube = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(&parent);
  cube->GetPosition()->SetPoint(5, 0, 0);
  ExpectNear(cube->BarycenterAbsolutePosition(), {5, 10, 0, 1}, "without children");

  TGLBaseSceneObject::CreateAsChild(cube)->GetPosition()->SetPoint(-5, -10, 0);
  TGLBaseSceneObject::CreateAsChild(cube)->GetPosition()->SetPoint(-3, -10, 0);
  ExpectNear(cube->BarycenterAbsolutePosition(), {1, 0, 0, 1}, "children at 0 and 2");

  // A child that is itself a dummy cube counts with its own children's mean.
  auto* group = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(cube);
  TGLBaseSceneObject::CreateAsChild(group)->GetPosition()->SetPoint(4, 20, 0);
  TGLBaseSceneObject::CreateAsChild(group)->GetPosition()->SetPoint(6, 20, 0);
  ExpectNear(group->BarycenterAbsolutePosition(), {10, 30, 0, 1}, "the group");
  ExpectNear(cube->BarycenterAbsolutePosition(), {4, 10, 0, 1}, "with the group");
}

TEST(DummyCube, LayoutStoresTheSizeAndWhatDiffersFromTheDefaults) {
  RegisterGLObjects();
  TComponent form(nullptr);
  auto* cube = new TGLDummyCube(&form);
  cube->SetName("Anchor");
  std::string layout = WriteLayout(&form);
  // The colour is written as the engine writes every colour while defaults are not kept.
  EXPECT_NE(layout.find("    CubeSize = 1.0\n"
                        "    EdgeColor.Color = {0000803F0000803F0000803F0000803F}\n"
                        "  end\n"),
            std::string::npos)
      << layout;
  for (const char* left : {"VisibleAtRunTime", "Amalgamate", "CamInvarianceMode"})
    EXPECT_EQ(layout.find(left), std::string::npos) << "a default is left out: " << left;

  // An edge of 0 is written, since a new cube's 1 would stand in for it.
  cube->SetCubeSize(0);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    CubeSize = 0.0\n"), std::string::npos) << layout;
  TComponent readZero(nullptr);
  ReadLayout(layout, &readZero);
  auto* zeroCube = dynamic_cast<TGLDummyCube*>(readZero.FindComponent("Anchor"));
  ASSERT_NE(zeroCube, nullptr);
  EXPECT_EQ(zeroCube->GetCubeSize(), 0);

  cube->SetCubeSize(2.5f);
  cube->GetEdgeColor()->SetRGBA(1, 0, 0, 1);
  cube->SetVisibleAtRunTime(true);
  cube->SetAmalgamate(true);
  cube->SetCamInvarianceMode(cimOrientation);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    CubeSize = 2.5\n"
                        "    EdgeColor.Color = {0000803F00000000000000000000803F}\n"
                        "    VisibleAtRunTime = True\n"
                        "    Amalgamate = True\n"
                        "    CamInvarianceMode = cimOrientation\n"),
            std::string::npos)
      << layout;

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readCube = dynamic_cast<TGLDummyCube*>(read.FindComponent("Anchor"));
  ASSERT_NE(readCube, nullptr);
  EXPECT_EQ(readCube->GetCubeSize(), 2.5f);
  EXPECT_EQ(readCube->GetEdgeColor()->GetColor(), (TColorVector{1, 0, 0, 1}));
  EXPECT_TRUE(readCube->GetAmalgamate());
  EXPECT_NE(readCube->GetStyleFlags() & osResetStates, 0);
  EXPECT_EQ(readCube->GetCamInvarianceMode(), cimOrientation);
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace

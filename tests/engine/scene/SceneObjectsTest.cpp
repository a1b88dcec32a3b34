// The scene object variants without OpenGL: what their setters rebuild, what Assign copies, the
// proxy's link to its master and the ray it carries there, the render point's callbacks, and
// which of them publish a material.
#include "tests/support/Raises.h"
//
#include <cmath>
#include <string>
#include <vector>

#include "engine/GLSceneGraph/SceneObjects.h"
#include "engine/base/XOpenGL.h"

namespace {

bool ListDirty(const TGLBaseSceneObject& node) {
  return (node.GetChangeFlags() & chListDirty) != 0;
}

// A node larger than the unit cube, with a silhouette of its own.
class TBox : public TGLSceneObject {
  RTL_CLASS(TBox, TGLSceneObject)
  using TGLSceneObject::TGLSceneObject;
  TVector AxisAlignedDimensionsUnscaled() override { return {2, 3, 4, 0}; }
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteRequest&) override {
    return std::make_unique<TGLSilhouette>();
  }
};

// ---- Material objects

TEST(SceneObjects, AssignCopiesTheMaterialAndTheHintAndBlendingFollowsTheMaterial) {
  TGLSceneObject source(nullptr), target(nullptr);
  source.GetMaterial()->SetBlendingMode(bmAdditive);
  source.GetMaterial()->GetFrontProperties()->GetDiffuse()->SetRGBA(1, 0, 0, 1);
  source.SetHint("a red plane");
  source.GetPosition()->SetPoint(1, 2, 3);
  target.Assign(&source);
  EXPECT_TRUE(target.Blended());
  EXPECT_EQ(target.GetMaterial()->GetFrontProperties()->GetDiffuse()->GetColor(),
            (TColorVector{1, 0, 0, 1}));
  EXPECT_EQ(target.GetHint(), "a red plane");
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{1, 2, 3, 1})) << "the node's state too";
  EXPECT_NE(target.GetMaterial(), source.GetMaterial());

  source.GetMaterial()->SetBlendingMode(bmAlphaTest50);
  EXPECT_FALSE(source.Blended()) << "alpha testing draws without blending";
}

TEST(SceneObjects, SettingTheMaterialCopiesItInWithoutRebuildingTheList) {
  TGLSceneObject node(nullptr);
  TGLMaterial material(nullptr);
  material.SetBlendingMode(bmModulate);
  node.ClearListDirty();
  node.SetMaterial(&material);
  EXPECT_EQ(node.GetMaterial()->GetBlendingMode(), bmModulate);
  EXPECT_NE(node.GetMaterial(), &material);
  EXPECT_FALSE(ListDirty(node));
}

TEST(SceneObjects, OnlyTheSceneObjectPublishesItsMaterial) {
  const struct {
    TClass Class;
    bool Material;
  } cases[] = {{TGLSceneObject::StaticClass(), true},
               {TGLImmaterialSceneObject::StaticClass(), false},
               {TGLCameraInvariantObject::StaticClass(), false},
               {TGLDirectOpenGL::StaticClass(), false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Class->ClassName());
    const TPropertyTable& table = c.Class->Published();
    EXPECT_EQ(table.Find("Material") != nullptr, c.Material);
    EXPECT_NE(table.Find("Hint"), nullptr);
    EXPECT_NE(table.Find("Position"), nullptr);
  }
}

// ---- Camera-invariant objects

TEST(SceneObjects, TheInvarianceModeRepaintsAndIsCopiedByAssign) {
  TGLCameraInvariantObject source(nullptr), target(nullptr);
  EXPECT_EQ(source.GetCamInvarianceMode(), cimNone);
  source.ClearListDirty();
  source.SetCamInvarianceMode(cimOrientation);
  EXPECT_FALSE(ListDirty(source)) << "the mode is applied at drawing, not compiled";
  source.SetHint("sky");
  target.Assign(&source);
  EXPECT_EQ(target.GetCamInvarianceMode(), cimOrientation);
  EXPECT_EQ(target.GetHint(), "sky");
}

// ---- Direct OpenGL

TEST(SceneObjects, UseBuildListChoosesTheListWithoutRebuildingItAndBlendRebuildsIt) {
  TGLDirectOpenGL node(nullptr);
  EXPECT_EQ(node.GetStyleFlags(), osBuildEveryFrame | osResetStates);
  node.ClearListDirty();
  node.SetUseBuildList(true);
  EXPECT_EQ(node.GetStyleFlags(), osResetStates);
  EXPECT_FALSE(ListDirty(node));
  node.SetUseBuildList(false);
  EXPECT_EQ(node.GetStyleFlags(), osBuildEveryFrame | osResetStates);

  EXPECT_FALSE(node.Blended());
  node.SetBlend(true);
  EXPECT_TRUE(node.Blended());
  EXPECT_TRUE(ListDirty(node));
}

TEST(SceneObjects, TheDirectObjectDrawsThroughItsEventWithTexCoordsOnTheMainUnit) {
  TGLDirectOpenGL node(nullptr);
  TRenderContextInfo rci;
  MapTexCoordToNull();
  node.BuildList(rci);
  EXPECT_EQ(vTexCoordDispatch.Mode, mtcmNull) << "no event, nothing done";

  std::vector<std::pair<TObject*, TRenderContextInfo*>> calls;
  node.OnRender = [&](TObject* sender, TRenderContextInfo& r) {
    calls.emplace_back(sender, &r);
    EXPECT_EQ(vTexCoordDispatch.Mode, mtcmMain);
  };
  node.BuildList(rci);
  EXPECT_EQ(calls, (std::vector<std::pair<TObject*, TRenderContextInfo*>>{{&node, &rci}}));
}

TEST(SceneObjects, AssignCopiesTheDirectObjectsListChoiceEventAndBlend) {
  TGLDirectOpenGL source(nullptr), target(nullptr);
  int rendered = 0;
  source.OnRender = [&](TObject*, TRenderContextInfo&) { ++rendered; };
  source.SetUseBuildList(true);
  source.SetBlend(true);
  target.Assign(&source);
  EXPECT_TRUE(target.GetUseBuildList());
  EXPECT_EQ(target.GetStyleFlags() & osBuildEveryFrame, 0);
  EXPECT_TRUE(target.GetBlend());
  TRenderContextInfo rci;
  target.BuildList(rci);
  EXPECT_EQ(rendered, 1);
}

// ---- Render points

TEST(SceneObjects, ARenderPointCallsItsCallbacksInOrderAndReleasesThemFromTheLast) {
  std::vector<std::string> log;
  {
    TGLRenderPoint point(nullptr);
    for (const char* name : {"first", "second"})
      point.RegisterCallBack(
          [&log, name](TObject* sender, TRenderContextInfo&) {
            log.push_back(std::string("render ") + name + (sender != nullptr ? "" : " nil"));
          },
          [&log, name](TObject*) { log.push_back(std::string("release ") + name); });
    TRenderContextInfo rci;
    point.BuildList(rci);
    EXPECT_EQ(log, (std::vector<std::string>{"render first", "render second"}));
    log.clear();
    point.Clear();
    EXPECT_EQ(log, (std::vector<std::string>{"release second", "release first"}));
    EXPECT_EQ(point.CallBackCount(), 0);

    log.clear();
    point.RegisterCallBack([](TObject*, TRenderContextInfo&) {},
                           [&log](TObject*) { log.push_back("released at the end"); });
  }
  EXPECT_EQ(log, (std::vector<std::string>{"released at the end"}));
}

// ---- Proxies

TEST(SceneObjects, AFreedMasterLeavesTheProxyWithoutOne) {
  TGLProxyObject proxy(nullptr);
  EXPECT_EQ(proxy.GetProxyOptions(), pooEffects | pooObjects | pooTransformation);
  EXPECT_EQ(proxy.GetStyleFlags(), osResetStates);
  auto master = std::make_unique<TBox>(nullptr);
  proxy.ClearListDirty();
  proxy.SetMasterObject(master.get());
  EXPECT_TRUE(ListDirty(proxy));
  EXPECT_EQ(proxy.AxisAlignedDimensionsUnscaled(), (TVector{2, 3, 4, 0}));
  EXPECT_NE(proxy.GenerateSilhouette(TSilhouetteRequest{}), nullptr);

  proxy.ClearListDirty();
  master.reset();
  EXPECT_EQ(proxy.GetMasterObject(), nullptr);
  EXPECT_TRUE(ListDirty(proxy));
  EXPECT_EQ(proxy.AxisAlignedDimensionsUnscaled(), (TVector{0.5f, 0.5f, 0.5f, 0}));
  EXPECT_EQ(proxy.GenerateSilhouette(TSilhouetteRequest{}), nullptr);
  TVector point{7, 7, 7, 7};
  EXPECT_FALSE(proxy.RayCastIntersect({0, 0, -5, 1}, {0, 0, 1, 0}, &point));
  EXPECT_EQ(point, (TVector{7, 7, 7, 7}));
}

TEST(SceneObjects, AProxyFreedBeforeItsMasterIsNotToldOfTheMastersEnd) {
  auto master = std::make_unique<TGLSceneObject>(nullptr);
  auto proxy = std::make_unique<TGLProxyObject>(nullptr);
  proxy->SetMasterObject(master.get());
  proxy.reset();
  // Would call into the freed proxy had it not given up its link.
  master.reset();
}

// A master chain back to the proxy would make its dimensions, ray cast and silhouette endless.
TEST(SceneObjects, AProxyRefusesAMasterChainLeadingBackToItself) {
  TGLProxyObject a(nullptr), b(nullptr), c(nullptr), source(nullptr);
  b.SetMasterObject(&a);
  c.SetMasterObject(&b);
  for (TGLBaseSceneObject* master : {&a, &b, &c})
    EXPECT_TRUE(Raises<EAssertionFailed>(
        [&] { a.SetMasterObject(master); },
        testing::StartsWith(
            "A proxy cannot be its own master, directly or through other proxies")));
  source.SetMasterObject(&c);
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { a.Assign(&source); },
                                       testing::StartsWith("A proxy cannot be its own master")));
  EXPECT_EQ(a.GetMasterObject(), nullptr);
  EXPECT_EQ(a.AxisAlignedDimensionsUnscaled(), (TVector{0.5f, 0.5f, 0.5f, 0}));

  TBox box(nullptr);
  a.SetMasterObject(&box);
  EXPECT_EQ(c.AxisAlignedDimensionsUnscaled(), (TVector{2, 3, 4, 0}));
}

TEST(SceneObjects, AssignTakesTheMasterButKeepsTheProxysOwnOptions) {
  TGLSceneObject master(nullptr);
  TGLProxyObject source(nullptr), target(nullptr);
  source.SetMasterObject(&master);
  source.SetProxyOptions(pooObjects);
  target.Assign(&source);
  EXPECT_EQ(target.GetMasterObject(), &master);
  EXPECT_EQ(target.GetProxyOptions(), pooEffects | pooObjects | pooTransformation);
}

TEST(SceneObjects, AProxyIsHitWhereItShowsItsMaster) {
  TGLBaseSceneObject master(nullptr);
  TGLProxyObject proxy(nullptr);
  proxy.GetPosition()->SetPoint(10, 0, 0);
  proxy.SetMasterObject(&master);
  const float radius = std::sqrt(0.75f);

  TVector point{}, normal{};
  ASSERT_TRUE(proxy.RayCastIntersect({10, 0, -5, 1}, {0, 0, 1, 0}, &point, &normal));
  EXPECT_NEAR(point[X], 10, 1e-5);
  EXPECT_NEAR(point[Z], -radius, 1e-5);
  EXPECT_NEAR(normal[Z], -1, 1e-5);
  EXPECT_NEAR(normal[W], 0, 1e-6);

  // The master's own place is not the proxy's.
  TVector untouched{7, 7, 7, 7};
  EXPECT_FALSE(proxy.RayCastIntersect({0, 0, -5, 1}, {0, 0, 1, 0}, &untouched));
  EXPECT_EQ(untouched, (TVector{7, 7, 7, 7}));
}

}  // namespace

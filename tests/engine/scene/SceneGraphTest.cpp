// The scene component: its two roots, its settings, the notices it passes to its buffers, the
// nearest object a ray meets, and the scene in a layout text.
#include <gtest/gtest.h>

// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <functional>
#include <string>
#include <vector>

#include "engine/GLSceneGraph/SceneBuffer.h"
#include "engine/GLSceneGraph/SceneObjects.h"
#include "tests/engine/scene/SceneTreeFakes.h"

namespace {

using namespace scene_tree_test;
using testing::StartsWith;

TVector Point(float x, float y, float z) {
  return {x, y, z, 1};
}

TEST(SceneGraphTest, ANewSceneHasTwoNamedRootsAndEightEmptyLightSlots) {
  TGLSceneGraph scene(nullptr);
  for (auto [root, name] :
       {std::pair{scene.GetObjects(), "ObjectRoot"}, std::pair{scene.GetCameras(), "CameraRoot"}}) {
    EXPECT_EQ(root->GetName(), name);
    EXPECT_EQ(root->Owner(), &scene);
    EXPECT_EQ(root->GetScene(), &scene);
    EXPECT_EQ(root->GetParent(), nullptr);
    EXPECT_EQ(root->GetStyleFlags(), osBuildEveryFrame);
  }
  EXPECT_EQ(scene.GetLights().Count(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(scene.GetLights().Get(i), nullptr);
  EXPECT_EQ(scene.GetObjectsSorting(), osRenderBlendedLast);
  EXPECT_EQ(scene.GetVisibilityCulling(), vcNone);
  EXPECT_EQ(scene.GetBuffers(), nullptr);
  EXPECT_EQ(scene.GetBaseContext(), nullptr);
}

TEST(SceneGraphTest, ARootBelongsToAScene) {
  TTestForm form;
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { new TGLSceneRootObject(&form); },
                                       StartsWith("Assertion failure (")));
  EXPECT_EQ(form.ComponentCount(), 0);
}

TEST(SceneGraphTest, TheInheritedSortingAndCullingStoreTheSceneDefaults) {
  TCountingScene scene(nullptr);
  const struct {
    std::function<void()> set;
    TGLObjectsSorting sorting;
    TGLVisibilityCulling culling;
    size_t notices;
  } steps[] = {
      {[&] { scene.SetObjectsSorting(osNone); }, osNone, vcNone, 1},
      {[&] { scene.SetObjectsSorting(osInherited); }, osRenderBlendedLast, vcNone, 2},
      {[&] { scene.SetObjectsSorting(osRenderBlendedLast); }, osRenderBlendedLast, vcNone, 2},
      {[&] { scene.SetVisibilityCulling(vcHierarchical); }, osRenderBlendedLast, vcHierarchical, 3},
      {[&] { scene.SetVisibilityCulling(vcInherited); }, osRenderBlendedLast, vcNone, 4},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    steps[i].set();
    EXPECT_EQ(scene.GetObjectsSorting(), steps[i].sorting) << i;
    EXPECT_EQ(scene.GetVisibilityCulling(), steps[i].culling) << i;
    EXPECT_EQ(scene.Notices.size(), steps[i].notices) << i;
  }
}

// ---- Notices to the buffers

class SceneGraphBuffersTest : public testing::Test {
 protected:
  void SetUp() override {
    for (auto* buffer : {&first, &second}) {
      scene.AddBuffer(buffer);
      buffer->OnChange = [this, buffer](TObject*) {
        Changes.push_back(buffer == &first ? "first" : "second");
      };
    }
  }
  // The buffers outlive the form, and so the scene, as a window's buffers may.
  TGLSceneBuffer first{nullptr}, second{nullptr};
  std::vector<std::string> Changes;
  TTestForm form;
  TGLSceneGraph& scene = *new TGLSceneGraph(&form);
  TGLBaseSceneObject* node = form.Make("node", scene.GetObjects());
};

TEST_F(SceneGraphBuffersTest, EveryBufferHearsOfAChangeInListOrderOnce) {
  scene.AddBuffer(&first);
  EXPECT_EQ(scene.GetBuffers()->Count(), 2);
  node->SetVisible(false);
  EXPECT_EQ(Changes, (std::vector<std::string>{"first", "second"}));
}

TEST_F(SceneGraphBuffersTest, NoticesDuringAnUpdateReachNoBufferAndTheLastEndUpdateOneEach) {
  scene.BeginUpdate();
  scene.BeginUpdate();
  node->SetVisible(false);
  node->GetPosition()->SetPoint(1, 2, 3);
  scene.EndUpdate();
  EXPECT_TRUE(Changes.empty());
  scene.EndUpdate();
  EXPECT_EQ(Changes, (std::vector<std::string>{"first", "second"}));
  EXPECT_TRUE(
      Raises<EAssertionFailed>([&] { scene.EndUpdate(); }, StartsWith("Assertion failure (")));
}

TEST_F(SceneGraphBuffersTest, ARemovedBufferHearsNoMore) {
  scene.RemoveBuffer(&first);
  scene.RemoveBuffer(&first);
  node->SetVisible(false);
  EXPECT_EQ(Changes, std::vector<std::string>{"second"});
  scene.RemoveBuffer(&second);
  EXPECT_EQ(scene.GetBuffers(), nullptr);
}

TEST_F(SceneGraphBuffersTest, AFreedSceneLetsGoOfItsBuffersAndTheirCameras) {
  auto* camera = form.Make<TGLCamera>("camera", scene.GetCameras());
  first.SetCamera(camera);
  ASSERT_EQ(first.GetCamera(), camera);
  delete &scene;
  EXPECT_EQ(first.GetCamera(), nullptr);
  EXPECT_EQ(form.FindComponent("camera"), nullptr);
  // The buffers go after the scene; nothing of it is reached.
}

// ---- Ray casts

class SceneGraphRayCastTest : public testing::Test {
 protected:
  TTestForm form;
  TGLSceneGraph* scene = new TGLSceneGraph(&form);
  TGLBaseSceneObject* Node(const std::string& name, const TVector& position,
                           TGLBaseSceneObject* parent = nullptr) {
    auto* node = form.Make(name, parent ? parent : scene->GetObjects());
    node->GetPosition()->SetAsVector(position);
    return node;
  }
  // Down the Z axis from z = 10.
  TGLBaseSceneObject* Cast(TVector* point, TVector* normal) {
    return scene->RayCastIntersect(Point(0, 0, 10), {0, 0, -1, 0}, point, normal);
  }
};

TEST_F(SceneGraphRayCastTest, TheNearestVisibleObjectAnswers) {
  Node("far", Point(0, 0, 0));
  auto* hidden = Node("hidden", Point(0, 0, 8));
  hidden->SetVisible(false);
  Node("underHidden", Point(0, 0, 0), hidden);  // at z = 8 too, but its parent hides it
  auto* nearer = Node("nearer", Point(0, 0, 3));
  auto* nearest = Node("nearest", Point(0, 0, 2), nearer);  // z = 5, a child found in depth
  form.Make<TGLLightSource>("light", scene->GetObjects());
  TVector point, normal;
  EXPECT_EQ(Cast(&point, &normal), nearest);
  EXPECT_TRUE(Near(point, Point(0, 0, 5.8660254f)));
  EXPECT_TRUE(Near(normal, {0, 0, 1, 0}));
  TVector onlyNormal = {7, 7, 7, 7};
  EXPECT_EQ(Cast(nullptr, &onlyNormal), nearest);
  EXPECT_TRUE(Near(onlyNormal, {0, 0, 1, 0}));
}

TEST_F(SceneGraphRayCastTest, OfTwoEquallyNearObjectsTheFirstMetAnswers) {
  auto* first = Node("first", Point(0, 0, 1));
  Node("second", Point(0, 0, 1));
  EXPECT_EQ(Cast(nullptr, nullptr), first);
}

TEST_F(SceneGraphRayCastTest, WithoutAHitNilAndTheOutputsUntouched) {
  Node("aside", Point(3, 0, 0));
  Node("hidden", Point(0, 0, 0))->SetVisible(false);
  const TVector untouched = {7, 7, 7, 7};
  TVector point = untouched, normal = untouched;
  EXPECT_EQ(Cast(&point, &normal), nullptr);
  EXPECT_EQ(point, untouched);
  EXPECT_EQ(normal, untouched);
}

// ---- In a layout text

class SceneGraphLayoutTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterGLSceneGraph();
    RegisterGLSceneGraph();
    RegisterTestClasses();
  }
};

TEST_F(SceneGraphLayoutTest, TheUnitRegistersItsClassesOnce) {
  for (const char* name : {"TGLLightSource", "TGLCamera", "TGLProxyObject", "TGLSceneGraph",
                           "TGLDirectOpenGL", "TGLRenderPoint", "TGLMemoryViewer"})
    EXPECT_NE(GetClass(name), nullptr) << name;
}

TEST_F(SceneGraphLayoutTest, ObjectsThenCamerasRoundTripIntoTheirRoots) {
  TTestForm form;
  form.SetName("Form");
  auto* scene = new TGLSceneGraph(&form);
  scene->SetName("Scene");
  scene->SetVisibilityCulling(vcObjectBased);
  auto* camera = form.Make<TGLCamera>("Camera", scene->GetCameras());
  auto* plane = form.Make<TPublishedNode>("Plane", scene->GetObjects());
  form.Make<TPublishedNode>("Child", plane)->GetPosition()->SetPoint(0, 0, 1);
  form.Make<TGLLightSource>("Light", scene->GetObjects());
  camera->SetTargetObject(plane);

  const std::string layout = WriteLayout(&form);
  const size_t scenePos = layout.find(
      "  object Scene: TGLSceneGraph\n    VisibilityCulling = "
      "vcObjectBased\n    object Plane: TPublishedNode\n");
  EXPECT_NE(scenePos, std::string::npos) << layout;
  EXPECT_LT(layout.find("object Light:"), layout.find("object Camera:")) << layout;
  EXPECT_EQ(layout.find("ObjectsSorting"), std::string::npos);
  EXPECT_EQ(layout.find("ObjectRoot"), std::string::npos);

  TTestForm read;
  TStringStream stream(layout);
  stream.ReadComponent(&read);
  auto* readScene = read.Get<TGLSceneGraph>("Scene");
  ASSERT_NE(readScene, nullptr);
  EXPECT_EQ(Tree(readScene->GetObjects()), "Plane(Child) Light");
  EXPECT_EQ(Tree(readScene->GetCameras()), "Camera");
  // The objects are the form's components, as those of a window layout are.
  EXPECT_EQ(read.Get("Child")->Owner(), &read);
  EXPECT_EQ(read.Get<TGLCamera>("Camera")->GetTargetObject(), read.Get("Plane"));
  EXPECT_EQ(Slots(*readScene), "Light");
  EXPECT_EQ(read.Get("Child")->GetScene(), readScene);
  EXPECT_EQ(WriteLayout(&read), layout);
}

TEST_F(SceneGraphLayoutTest, SetChildOrderMovesAnObjectAmongItsSiblings) {
  TTestForm form;
  auto* scene = new TGLSceneGraph(&form);
  form.Make("a", scene->GetObjects());
  form.Make("b", scene->GetObjects());
  auto* c = form.Make("c", scene->GetObjects());
  scene->SetChildOrder(c, 0);
  EXPECT_EQ(Tree(scene->GetObjects()), "c a b");
  scene->SetChildOrder(&form, 1);
  EXPECT_EQ(Tree(scene->GetObjects()), "c a b");
}

}  // namespace

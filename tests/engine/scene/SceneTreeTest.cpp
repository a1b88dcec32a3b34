// The scene node: keeping Direction and Up orthonormal, the notices a scene gets, the lazily
// rebuilt matrices, the tree operations with the light slots they take and free, copying, and
// the node in a layout text.
#include <gtest/gtest.h>

// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <functional>
#include <string>
#include <vector>

#include "engine/GLSceneGraph/Behaviours.h"
#include "tests/engine/scene/SceneTreeFakes.h"

namespace {

using namespace scene_tree_test;
using testing::StartsWith;

constexpr TVector Z0 = {0, 0, 1, 0};
constexpr TVector Y0 = {0, 1, 0, 0};

// ---- Direction and Up

struct OrientationCase {
  const char* name;
  std::function<void(TGLBaseSceneObject&)> write;
  TVector direction, up;
};
void PrintTo(const OrientationCase& c, std::ostream* out) {
  *out << c.name;
}

class OrientationTest : public testing::TestWithParam<OrientationCase> {};

TEST_P(OrientationTest, DirectionAndUpStayUnitAndOrthogonal) {
  TGLBaseSceneObject node(nullptr);
  GetParam().write(node);
  const TVector direction = node.GetDirection()->GetAsVector();
  const TVector up = node.GetUp()->GetAsVector();
  EXPECT_TRUE(Near(direction, GetParam().direction, 1e-4));
  // A case without an expected Up checks only that it is a unit vector across Direction.
  if (!VectorIsNull(GetParam().up)) {
    EXPECT_TRUE(Near(up, GetParam().up, 1e-4));
  }
  EXPECT_NEAR(VectorLength(up), 1, 1e-6);
  EXPECT_NEAR(VectorDotProduct(up, direction), 0, 1e-6);
}

void SetDirection(TGLBaseSceneObject& node, const TVector& v) {
  TGLCoordinates value(nullptr, v, ckVector);
  node.SetDirection(&value);
}

void SetUp(TGLBaseSceneObject& node, const TVector& v) {
  TGLCoordinates value(nullptr, v, ckVector);
  node.SetUp(&value);
}

INSTANTIATE_TEST_SUITE_P(
    Node, OrientationTest,
    testing::Values(
        OrientationCase{"NewNode", [](auto&) {}, Z0, Y0},
        OrientationCase{"DirectionIsNormalised",
                        [](auto& n) {
                          SetDirection(n, {0, 0, 2, 0});
                        },
                        Z0, Y0},
        OrientationCase{"DirectionAlongUpTakesTheZFallback",
                        [](auto& n) {
                          SetDirection(n, {0, 1, 0, 0});
                        },
                        {0, 1, 0, 0},
                        {0, 0, -1, 0}},
        OrientationCase{"UpAlongDirectionAndZTakesTheXFallback",
                        [](auto& n) {
                          SetUp(n, {0, 0, 1, 0});
                        },
                        {1, 0, 0, 0},
                        {0, 0, 1, 0}},
        OrientationCase{"UpIsNormalisedAndDirectionFollows",
                        [](auto& n) {
                          SetUp(n, {1, 1, 0, 0});
                        },
                        Z0,
                        {0.70710677f, 0.70710677f, 0, 0}},
        // Each single-component write normalises at once, so later components are written into
        // the normalised vector.
        OrientationCase{"ComponentWritesNormaliseAfterEach",
                        [](auto& n) {
                          n.GetDirection()->SetX(0.6f);
                          n.GetDirection()->SetY(0.8f);
                          n.GetDirection()->SetZ(0);
                        },
                        {0.5409f, 0.8411f, 0, 0},
                        {}},
        OrientationCase{"AWholeVectorNormalisesOnce",
                        [](auto& n) { n.GetDirection()->SetVector(0.6f, 0.8f, 0); },
                        {0.6f, 0.8f, 0, 0},
                        {-0.8f, 0.6f, 0, 0}},
        OrientationCase{"ANullDirectionThroughTheSetterIsIgnored",
                        [](auto& n) {
                          SetDirection(n, {0, 0, 0, 0});
                        },
                        Z0, Y0},
        OrientationCase{"ANullUpThroughTheSetterIsIgnored",
                        [](auto& n) {
                          SetUp(n, {0, 0, 0, 0});
                        },
                        Z0, Y0},
        OrientationCase{"ADirectionResetToZeroBecomesTheZAxis",
                        [](auto& n) {
                          SetDirection(n, {1, 0, 0, 0});
                          n.GetDirection()->SetVector(0, 0, 0);
                        },
                        Z0, Y0},
        OrientationCase{"AnUpResetToZeroBecomesTheYAxis",
                        [](auto& n) {
                          SetUp(n, {1, 0, 0, 0});
                          n.GetUp()->SetVector(0, 0, 0);
                        },
                        Z0, Y0},
        OrientationCase{
            "TurnAngleTurnsAboutUp", [](auto& n) { n.SetTurnAngle(90); }, {1, 0, 0, 0}, Y0},
        OrientationCase{"PitchAngleRaisesDirectionTowardsUp",
                        [](auto& n) { n.SetPitchAngle(90); },
                        {0, 1, 0, 0},
                        {0, 0, -1, 0}},
        OrientationCase{
            "RollTurnsUpAboutDirection", [](auto& n) { n.Roll(90); }, Z0, {1, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SceneTreeAngleTest, AnglesAreStoredNormalisedAndTurnByTheirDifference) {
  TGLBaseSceneObject node(nullptr);
  node.SetTurnAngle(270);
  EXPECT_FLOAT_EQ(node.GetTurnAngle(), -90);
  // Three quarter turns one way are one quarter turn the other way.
  EXPECT_TRUE(Near(node.GetDirection()->GetAsVector(), {-1, 0, 0, 0}));
  node.SetTurnAngle(-90);
  EXPECT_TRUE(Near(node.GetDirection()->GetAsVector(), {-1, 0, 0, 0}));
}

// ---- Notices

class SceneTreeTest : public testing::Test {
 protected:
  TTestForm form;
  TCountingScene* scene = new TCountingScene(&form);
  TGLSceneRootObject* root = scene->GetObjects();
};

TEST_F(SceneTreeTest, ChangesBeforeTheNextMatrixReadNotifyTheSceneOnce) {
  auto* node = form.Make("node", root);
  node->AbsoluteMatrix();
  scene->Notices.clear();
  node->GetDirection()->SetVector(1, 0, 0);
  node->GetPosition()->SetPoint(1, 2, 3);
  EXPECT_EQ(scene->Notices, std::vector<TObject*>{node});
  node->CurrentLocalMatrix();
  node->GetScale()->SetVector(2, 2, 2);
  EXPECT_EQ(scene->Notices.size(), 2u);
  EXPECT_EQ(node->CurrentLocalMatrix()[W], (TVector{1, 2, 3, 1}));
}

TEST_F(SceneTreeTest, AnUpdatingNodeNotifiesOnceAtItsLastEndUpdate) {
  auto* node = form.Make("node", root);
  scene->Notices.clear();
  node->BeginUpdate();
  node->BeginUpdate();
  node->SetVisible(false);
  node->SetShowAxes(true);
  node->EndUpdate();
  EXPECT_TRUE(scene->Notices.empty());
  node->EndUpdate();
  EXPECT_EQ(scene->Notices, std::vector<TObject*>{node});
}

TEST_F(SceneTreeTest, EndUpdateWithoutBeginUpdateRaisesAndKeepsTheCount) {
  auto* node = form.Make("node", root);
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { node->EndUpdate(); },
                                       StartsWith("Unbalanced Begin/EndUpdate (")));
  node->BeginUpdate();
  scene->Notices.clear();
  node->EndUpdate();
  EXPECT_EQ(scene->Notices.size(), 1u);
}

TEST_F(SceneTreeTest, AStructureChangeNotifiesAgainOnlyForANodeBuiltEveryFrame) {
  auto* node = form.Make("node", root);
  scene->Notices.clear();
  node->StructureChanged();
  EXPECT_EQ(scene->Notices.size(), 0u) << "a new node's list is dirty already";
  node->ClearListDirty();
  node->StructureChanged();
  node->StructureChanged();
  EXPECT_EQ(scene->Notices.size(), 1u);
  node->SetStyleFlags(osBuildEveryFrame);
  node->StructureChanged();
  EXPECT_EQ(scene->Notices.size(), 2u);
}

// ---- Matrices

TEST_F(SceneTreeTest, ANewNodeHasIdentityMatricesAtTheOrigin) {
  TGLBaseSceneObject node(nullptr);
  EXPECT_EQ(node.CurrentLocalMatrix(), IdentityHmgMatrix);
  EXPECT_EQ(node.AbsoluteMatrix(), IdentityHmgMatrix);
  EXPECT_EQ(node.InverseAbsoluteMatrix(), IdentityHmgMatrix);
  EXPECT_EQ(node.AbsolutePosition(), NullHmgPoint);
}

TEST_F(SceneTreeTest, AbsoluteTimesInverseIsTheIdentityDownAScaledChain) {
  auto* a = form.Make("a", root);
  auto* b = form.Make("b", a);
  auto* c = form.Make("c", b);
  a->GetPosition()->SetPoint(1, 2, 3);
  a->GetScale()->SetVector(2, 1, 0.5f);
  a->SetTurnAngle(30);
  b->GetPosition()->SetPoint(-4, 0, 1);
  b->SetPitchAngle(45);
  c->GetPosition()->SetPoint(0, 5, 0);
  c->GetScale()->SetVector(3, 3, 3);
  c->Roll(20);
  for (TGLBaseSceneObject* node : {a, b, c}) {
    const TMatrix product = MatrixMultiply(node->AbsoluteMatrix(), node->InverseAbsoluteMatrix());
    EXPECT_TRUE(Near(product, IdentityHmgMatrix, 1e-4)) << node->GetName();
  }
  // The chain is local x parent's absolute, from c up to a.
  const TMatrix expected = MatrixMultiply(
      MatrixMultiply(c->CurrentLocalMatrix(), b->CurrentLocalMatrix()), a->CurrentLocalMatrix());
  EXPECT_TRUE(Near(c->AbsoluteMatrix(), expected));
  // A change high up reaches the matrices below it.
  a->GetPosition()->SetPoint(0, 0, 0);
  EXPECT_TRUE(Near(MatrixMultiply(c->AbsoluteMatrix(), c->InverseAbsoluteMatrix()),
                   IdentityHmgMatrix, 1e-4));
  EXPECT_TRUE(Near(c->LocalToAbsolute(c->AbsoluteToLocal({7, 8, 9, 1})), {7, 8, 9, 1}, 1e-4));
}

TEST_F(SceneTreeTest, TheRootsPlacementReachesNeitherMatrixOfItsChildren) {
  auto* node = form.Make("node", root);
  node->GetPosition()->SetPoint(1, 0, 0);
  for (const bool unitScale : {true, false}) {
    node->GetScale()->SetVector(unitScale ? 1.0f : 2.0f, 1, 1);
    root->GetPosition()->SetPoint(5, 5, 5);
    root->SetTurnAngle(unitScale ? 40.0f : 80.0f);
    EXPECT_EQ(node->AbsoluteMatrix(), node->CurrentLocalMatrix());
    EXPECT_TRUE(Near(MatrixMultiply(node->CurrentLocalMatrix(), node->InverseAbsoluteMatrix()),
                     IdentityHmgMatrix))
        << "unit scale " << unitScale;
  }
}

TEST_F(SceneTreeTest, LoadLocalMatrixSetsThePlacementItComesFrom) {
  TGLBaseSceneObject source(nullptr), target(nullptr);
  source.GetPosition()->SetPoint(1, 2, 3);
  source.GetScale()->SetVector(2, 3, 4);
  source.SetTurnAngle(60);
  target.LoadLocalMatrix(source.CurrentLocalMatrix());
  EXPECT_TRUE(Near(target.GetPosition()->GetAsVector(), {1, 2, 3, 1}));
  EXPECT_TRUE(Near(target.GetScale()->GetAsVector(), {2, 3, 4, 0}));
  EXPECT_TRUE(Near(target.GetDirection()->GetAsVector(), source.GetDirection()->GetAsVector()));
  EXPECT_TRUE(Near(target.CurrentLocalMatrix(), source.CurrentLocalMatrix()));
}

// ---- The tree and the light slots

struct TreeCase {
  const char* name;
  std::function<void(TTestForm&, TGLSceneRootObject&)> act;
  const char* tree;
  const char* slots;
};
void PrintTo(const TreeCase& c, std::ostream* out) {
  *out << c.name;
}

class TreeOperationTest : public SceneTreeTest, public testing::WithParamInterface<TreeCase> {
 protected:
  // ObjectRoot: a(L(x) cam(y)) b c, with lights L and M (M in slot 1, under c's sibling d, which
  // stays out of the scene until a case adds it).
  void SetUp() override {
    auto* a = form.Make("a", root);
    auto* L = form.Make<TGLLightSource>("L", a);
    form.Make("x", L);
    auto* cam = form.Make<TGLCamera>("cam", a);
    form.Make("y", cam);
    form.Make("b", root);
    form.Make("c", root);
    auto* d = form.Make("d");
    form.Make<TGLLightSource>("M", d);
  }
  template <class T = TGLBaseSceneObject>
  static T* N(TTestForm& f, const char* name) {
    return f.Get<T>(name);
  }
};

TEST_P(TreeOperationTest, LeavesThisTreeAndTheseSlots) {
  ASSERT_EQ(Tree(root), "a(L(x) cam(y)) b c");
  ASSERT_EQ(Slots(*scene), "L");
  GetParam().act(form, *root);
  EXPECT_EQ(Tree(root), GetParam().tree);
  EXPECT_EQ(Slots(*scene), GetParam().slots);
  // Every node in the tree is in the scene, every other node in none.
  for (int i = 0; i < form.ComponentCount(); ++i) {
    auto* node = dynamic_cast<TGLBaseSceneObject*>(form.Components(i));
    if (!node || node == root) continue;
    bool inTree = false;
    for (auto* up = node->GetParent(); up; up = up->GetParent()) inTree |= up == root;
    EXPECT_EQ(node->GetScene(), inTree ? scene : nullptr) << node->GetName();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Node, TreeOperationTest,
    testing::Values(
        TreeCase{"AddChildAppendsAndRegistersTheSubtreesLights",
                 [](auto& f, auto& r) { r.AddChild(f.Get("d")); }, "a(L(x) cam(y)) b c d(M)",
                 "L M"},
        TreeCase{"AddChildTakesTheNodeFromItsParentFirst",
                 [](auto& f, auto&) { f.Get("c")->AddChild(f.Get("a")); }, "b c(a(L(x) cam(y)))",
                 "L"},
        TreeCase{"InsertPutsTheNodeAtTheIndex", [](auto& f, auto& r) { r.Insert(1, f.Get("c")); },
                 "a(L(x) cam(y)) c b", "L"},
        TreeCase{"RemoveKeepingChildrenMovesThemUp",
                 [](auto& f, auto& r) { r.Remove(f.Get("a"), true); }, "b c L(x) cam(y)", "L"},
        TreeCase{"RemoveTakesTheSubtreeOutOfTheScene",
                 [](auto& f, auto& r) { r.Remove(f.Get("a"), false); }, "b c", ""},
        TreeCase{"RemoveOfANonChildDoesNothing",
                 [](auto& f, auto& r) { r.Remove(f.Get("x"), false); }, "a(L(x) cam(y)) b c", "L"},
        TreeCase{"MoveToNilLeavesTheScene", [](auto& f, auto&) { f.Get("L")->MoveTo(nullptr); },
                 "a(cam(y)) b c", ""},
        TreeCase{"MoveToAnotherParent", [](auto& f, auto&) { f.Get("L")->MoveTo(f.Get("b")); },
                 "a(cam(y)) b(L(x)) c", "L"},
        TreeCase{"MoveToIndexClampsToTheFront", [](auto& f, auto&) { f.Get("c")->MoveToIndex(-5); },
                 "c a(L(x) cam(y)) b", "L"},
        TreeCase{"MoveToIndexClampsToTheEnd", [](auto& f, auto&) { f.Get("a")->MoveToIndex(1000); },
                 "b c a(L(x) cam(y))", "L"},
        TreeCase{"DeleteCameraDescendantsMovesTheCamerasChildrenUp",
                 [](auto&, auto& r) { r.DeleteCameraDescendants(); }, "a(L(x) y) b c", "L"},
        TreeCase{"DeleteChildrenFreesTheSubtreeAndItsSlots",
                 [](auto& f, auto&) { f.Get("a")->DeleteChildren(); }, "a b c", ""},
        TreeCase{"DeleteChildrenKeepsTheNodesOwnSlot",
                 [](auto& f, auto&) { f.Get("L")->DeleteChildren(); }, "a(L cam(y)) b c", "L"},
        TreeCase{"DestroyingANodeFreesItsSubtree", [](auto& f, auto&) { delete f.Get("a"); }, "b c",
                 ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SceneTreeTest, DeletingChildrenFreesACameraGrandchildFirstAndItsChildrenAfterIt) {
  auto* a = form.Make("a", root);
  auto* cam = form.Make<TGLCamera>("cam", a);
  form.Make("y", cam);
  form.Make("z", cam);
  // The camera's children pass through the camera's parent on their way out.
  a->DeleteCameraDescendants();
  EXPECT_EQ(Tree(a), "y z");
  EXPECT_EQ(form.FindComponent("cam"), nullptr);
  a->DeleteChildren();
  EXPECT_EQ(form.FindComponent("y"), nullptr);
  EXPECT_EQ(form.FindComponent("z"), nullptr);
  EXPECT_EQ(a->Count(), 0);
}

TEST_F(SceneTreeTest, ANinthLightIsNeverLitUntilASlotIsFreed) {
  std::vector<TGLLightSource*> lights;
  for (int i = 0; i < 9; ++i)
    lights.push_back(form.Make<TGLLightSource>("L" + std::to_string(i), root));
  EXPECT_EQ(Slots(*scene), "L0 L1 L2 L3 L4 L5 L6 L7");
  EXPECT_EQ(lights[3]->GetLightID(), uint32_t(GL_LIGHT0 + 3));
  EXPECT_EQ(lights[8]->GetLightID(), 0u);
  root->Remove(lights[3], false);
  auto* late = form.Make<TGLLightSource>("late", root);
  EXPECT_EQ(Slots(*scene), "L0 L1 L2 late L4 L5 L6 L7");
  EXPECT_EQ(late->GetLightID(), uint32_t(GL_LIGHT0 + 3));
}

TEST_F(SceneTreeTest, ALightMovedToAnotherScenesTreeChangesSlots) {
  auto* other = new TCountingScene(&form);
  auto* light = form.Make<TGLLightSource>("L", form.Make("holder", root));
  other->GetObjects()->AddChild(light->GetParent());
  EXPECT_EQ(Slots(*scene), "");
  EXPECT_EQ(Slots(*other), "L");
  EXPECT_EQ(light->GetScene(), other);
}

TEST_F(SceneTreeTest, MoveToIndexInATreeWithoutSceneReordersOnly) {
  TTestForm detached;
  auto* p = detached.Make("p");
  detached.Make("q", p);
  auto* r = detached.Make("r", p);
  r->MoveToIndex(0);
  EXPECT_EQ(Tree(p), "r q");
  EXPECT_EQ(r->GetScene(), nullptr);
}

TEST_F(SceneTreeTest, ARemovedSubtreeOutlivesItsScene) {
  auto* scene2 = new TGLSceneGraph(nullptr);
  TTestForm nodes;
  auto* a = nodes.Make("a", scene2->GetObjects());
  nodes.Make<TGLLightSource>("L", a);
  scene2->GetObjects()->Remove(a, false);
  delete scene2;
  EXPECT_EQ(a->GetScene(), nullptr);
  // Freed by the form, after the scene: nothing of it is reached any more.
}

TEST_F(SceneTreeTest, ASubtreeInAFreedSceneGoesWithIt) {
  auto* scene2 = new TGLSceneGraph(nullptr);
  TTestForm nodes;
  auto* a = nodes.Make("a", scene2->GetObjects());
  nodes.Make<TGLLightSource>("L", a);
  delete scene2;
  EXPECT_EQ(nodes.ComponentCount(), 0);
}

TEST_F(SceneTreeTest, ANodeCannotBecomeItsOwnDescendant) {
  auto* a = form.Make("a", root);
  auto* b = form.Make("b", a);
  for (TGLBaseSceneObject* target : {a, b}) {
    EXPECT_TRUE(Raises<EAssertionFailed>(
        [&] { target->AddChild(a); },
        StartsWith("A scene object cannot become a child of its own subtree")));
    EXPECT_TRUE(Raises<EAssertionFailed>(
        [&] { target->Insert(0, a); },
        StartsWith("A scene object cannot become a child of its own subtree")));
    EXPECT_TRUE(Raises<EAssertionFailed>(
        [&] { a->MoveTo(target); },
        StartsWith("A scene object cannot become a child of its own subtree")));
  }
  EXPECT_EQ(Tree(root), "a(b)");
  EXPECT_EQ(a->GetScene(), scene);
}

TEST_F(SceneTreeTest, InsertOutsideTheChildrenRaisesAndMovesNothing) {
  auto* a = form.Make("a", root);
  auto* b = form.Make("b", root);
  EXPECT_TRUE(Raises<EListError>([&] { a->Insert(1, b); }, "List index out of bounds (1)"));
  EXPECT_TRUE(Raises<EListError>([&] { root->Insert(-1, b); }, "List index out of bounds (-1)"));
  EXPECT_EQ(Tree(root), "a b");
}

TEST_F(SceneTreeTest, CreateAsChildMakesTheParentTheOwner) {
  auto* a = form.Make("a", root);
  auto* child = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(a);
  EXPECT_EQ(child->Owner(), a);
  EXPECT_EQ(child->GetParent(), a);
  EXPECT_EQ(scene->GetLights().Get(0), child);
  // Moved elsewhere, it is no longer the old parent's to free.
  child->MoveTo(root);
  EXPECT_EQ(child->Owner(), nullptr);
  delete a;
  EXPECT_EQ(root->GetChild(0), child);
  delete child;
  EXPECT_EQ(scene->GetLights().Get(0), nullptr);
}

// ---- Copy and clock

class TNodeA : public TGLBaseSceneObject {
  RTL_CLASS(TNodeA, TGLBaseSceneObject)
  using TGLBaseSceneObject::TGLBaseSceneObject;
};
class TNodeB : public TGLBaseSceneObject {
  RTL_CLASS(TNodeB, TGLBaseSceneObject)
  using TGLBaseSceneObject::TGLBaseSceneObject;
};

std::string Classes(const TGLBaseSceneObject* node) {
  std::string text;
  for (int i = 0; i < node->Count(); ++i) {
    text += (i ? " " : "") + node->GetChild(i)->ClassName();
    if (node->GetChild(i)->Count() > 0) text += "(" + Classes(node->GetChild(i)) + ")";
  }
  return text;
}

TEST_F(SceneTreeTest, AssignCopiesThePlacementAndTheSubtreeAsNewInstancesInOrder) {
  auto* source = form.Make("source", root);
  auto* b = form.Make<TNodeB>("b", source);
  form.Make<TNodeA>("a", source);
  form.Make<TNodeA>("a2", b)->GetPosition()->SetPoint(0, 7, 0);
  source->GetPosition()->SetPoint(1, 2, 3);
  source->SetTurnAngle(30);
  source->SetShowAxes(true);
  source->SetVisible(false);
  source->SetObjectsSorting(osRenderFarthestFirst);
  source->SetTagFloat(2.5f);
  source->SetTag(7);

  auto* target = form.Make("target", root);
  auto* old = form.Make("old", target);
  (void)old;
  target->Assign(source);
  EXPECT_EQ(Classes(target), "TNodeB(TNodeA) TNodeA");
  EXPECT_EQ(form.FindComponent("old"), nullptr);
  EXPECT_NE(target->GetChild(0), b);
  EXPECT_EQ(target->GetChild(0)->GetChild(0)->GetPosition()->GetAsVector(), (TVector{0, 7, 0, 1}));
  EXPECT_TRUE(Near(target->CurrentLocalMatrix(), source->CurrentLocalMatrix()));
  EXPECT_FLOAT_EQ(target->GetTurnAngle(), 30);
  EXPECT_TRUE(target->GetShowAxes());
  EXPECT_FALSE(target->GetVisible());
  EXPECT_EQ(target->GetObjectsSorting(), osRenderFarthestFirst);
  EXPECT_EQ(target->GetTag(), 7);
  EXPECT_FLOAT_EQ(target->GetTagFloat(), 2.5f);
  EXPECT_EQ(target->GetChild(0)->GetScene(), scene);
  EXPECT_EQ(Classes(source), "TNodeB(TNodeA) TNodeA");
}

TEST_F(SceneTreeTest, AnAssignedLightKeepsItsSlotWhileItsChildLightsGiveUpTheirs) {
  auto* light = form.Make<TGLLightSource>("L", root);
  form.Make<TGLLightSource>("child", light);
  ASSERT_EQ(Slots(*scene), "L child");
  TGLBaseSceneObject plain(nullptr);
  light->TGLBaseSceneObject::Assign(&plain);
  EXPECT_EQ(Slots(*scene), "L");
  EXPECT_EQ(light->Count(), 0);
}

TEST_F(SceneTreeTest, AssignRefusesOtherClassesAndItsOwnLineage) {
  auto* a = form.Make("a", root);
  auto* b = form.Make("b", a);
  TGLCoordinates coordinates(nullptr);
  EXPECT_TRUE(Raises<EConvertError>([&] { a->Assign(&coordinates); },
                                    "Cannot assign a TGLCoordinates to a TGLBaseSceneObject"));
  for (auto [target, source] : {std::pair{a, b}, std::pair{b, a}})
    EXPECT_TRUE(Raises<EAssertionFailed>([&] { target->Assign(source); },
                                         StartsWith("A scene object cannot be assigned from")));
  a->Assign(a);
  EXPECT_EQ(Tree(root), "a(b)");
}

std::vector<std::string> ProgressLog;

class TTestBehaviour : public TGLBehaviour {
  RTL_CLASS(TTestBehaviour, TGLBehaviour)
  explicit TTestBehaviour(TXCollection* AOwner)
      : TGLBehaviour(AOwner, XCollectionItemClass<TTestBehaviour>()) {}
  static std::string FriendlyName() { return "Test behaviour"; }
  void DoProgress(const TGLProgressTimes&) override { ProgressLog.push_back(GetName()); }
};

TEST_F(SceneTreeTest, ProgressVisitsChildrenLastFirstThenBehavioursThenTheNodesOwnEvent) {
  auto* a = form.Make("a", root);
  form.Make("b", a);
  form.Make("c", a);
  for (auto* node : {a, form.Get("b"), form.Get("c")})
    node->OnProgress = [](TObject* sender, double delta, double now) {
      ProgressLog.push_back(static_cast<TComponent*>(sender)->GetName() + " " + FloatToStr(delta) +
                            " " + FloatToStr(now));
    };
  (new TTestBehaviour(a->GetBehaviours()))->SetName("behaviour of a");
  ProgressLog.clear();
  a->DoProgress({0.5, 3});
  EXPECT_EQ(ProgressLog,
            (std::vector<std::string>{"c 0.5 3", "b 0.5 3", "behaviour of a", "a 0.5 3"}));
}

TEST_F(SceneTreeTest, ANewChildOfAClassComesLastOrFirstOwnedByTheNodesOwner) {
  auto* a = form.Make("a", root);
  form.Make("b", a);
  auto* last = a->AddNewChild(TNodeA::StaticClass());
  auto* first = a->AddNewChildFirst(TNodeB::StaticClass());
  EXPECT_EQ(Classes(a), "TNodeB TGLBaseSceneObject TNodeA");
  for (auto* node : {first, last}) {
    EXPECT_EQ(node->Owner(), &form);
    EXPECT_EQ(node->GetScene(), scene);
  }
}

// ---- In a layout text

class SceneTreeLayoutTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterTestClasses();
    RegisterXCollectionItemClass(XCollectionItemClass<TTestBehaviour>());
  }
  static std::unique_ptr<TTestForm> Read(const std::string& layout) {
    auto form = std::make_unique<TTestForm>();
    TStringStream stream(layout);
    stream.ReadComponent(form.get());
    return form;
  }
};

TEST_F(SceneTreeLayoutTest, ASmallTreeRoundTripsThroughTheWriterAndTheReader) {
  TTestForm form;
  form.SetName("Form");
  auto* top = form.Make<TPublishedNode>("Top");
  auto* child = form.Make<TPublishedNode>("Child", top);
  form.Make<TPublishedNode>("Second", top)->SetVisible(false);
  form.Make<TPublishedNode>("Grandchild", child)->SetShowAxes(true);
  top->GetPosition()->SetPoint(7, 7, 14);
  top->SetPitchAngle(30);
  top->SetTagFloat(0.5f);
  child->GetScale()->SetVector(2, 1, 1);
  child->SetVisibilityCulling(vcObjectBased);
  new TTestBehaviour(child->GetBehaviours());
  top->GetEffects();  // read, so created, but empty

  const std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("  object Top: TPublishedNode\n"
                        "    Direction.Coordinates = "),
            std::string::npos)
      << layout;
  EXPECT_NE(layout.find("    PitchAngle = 30.0\n"), std::string::npos) << layout;
  EXPECT_NE(layout.find("Position.Coordinates = {0000E0400000E040000060410000803F}"),
            std::string::npos);
  EXPECT_NE(
      layout.find("    object Child: TPublishedNode\n      VisibilityCulling = vcObjectBased"),
      std::string::npos)
      << layout;
  EXPECT_NE(layout.find("BehavioursData = {"), std::string::npos);
  EXPECT_EQ(layout.find("EffectsData"), std::string::npos);
  EXPECT_EQ(layout.find("ObjectsSorting"), std::string::npos);

  const auto read = Read(layout);
  EXPECT_EQ(WriteLayout(read.get()), layout);
  auto* readTop = read->Get<TPublishedNode>("Top");
  ASSERT_NE(readTop, nullptr);
  EXPECT_EQ(Tree(readTop), "Child(Grandchild) Second");
  EXPECT_TRUE(Near(readTop->AbsoluteMatrix(), top->AbsoluteMatrix()));
  EXPECT_FLOAT_EQ(readTop->GetPitchAngle(), 30);
  ASSERT_NE(readTop->GetChild(0)->BehavioursIfCreated(), nullptr);
  EXPECT_EQ(readTop->GetChild(0)->BehavioursIfCreated()->Count(), 1);
}

TEST_F(SceneTreeLayoutTest, AStoredPositionIsAPointOnceLoaded) {
  const auto read = Read(
      "object Form: TTestForm\n"
      "  object Top: TPublishedNode\n"
      "    Position.Coordinates = {0000803F000000400000404000000000}\n"
      "  end\n"
      "end\n");
  auto* top = read->Get("Top");
  EXPECT_EQ(top->GetPosition()->GetAsVector(), (TVector{1, 2, 3, 1}));
  EXPECT_EQ(top->AbsolutePosition(), (TVector{1, 2, 3, 1}));
}

}  // namespace

// The geometric questions a scene node answers: its size, its boxes and sphere, whether a point
// is inside it, where a ray meets it, its outline, and the orbit about another node.
#include <gtest/gtest.h>

// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "tests/engine/scene/SceneTreeFakes.h"

namespace {

using namespace scene_tree_test;

TVector Point(float x, float y, float z) {
  return {x, y, z, 1};
}

void Place(TGLBaseSceneObject& node, const TVector& position, const TVector& scale) {
  node.GetPosition()->SetAsVector(position);
  node.GetScale()->SetAsVector(scale);
}

// ---- Size, boxes, sphere

TEST(SceneTreeGeometryTest, ScaleStretchesTheDimensionsAndTheSphere) {
  TGLBaseSceneObject node(nullptr);
  node.GetScale()->SetVector(2, 1, 1);
  EXPECT_EQ(node.AxisAlignedDimensionsUnscaled(), (TVector{0.5f, 0.5f, 0.5f, 0}));
  EXPECT_EQ(node.AxisAlignedDimensions(), (TVector{1, 0.5f, 0.5f, 0}));
  EXPECT_FLOAT_EQ(node.BoundingSphereRadius(), 1.224745f);
  EXPECT_FLOAT_EQ(node.BoundingSphereRadiusUnscaled(), 0.8660254f);
}

struct BoxCase {
  const char* name;
  TVector scale;          // of the node
  TVector childPosition;  // of its one child
  TVector childScale;     // of that child
  TAABB unscaled, scaled;
};
void PrintTo(const BoxCase& c, std::ostream* out) {
  *out << c.name;
}

class BoundingBoxTest : public testing::TestWithParam<BoxCase> {};

TEST_P(BoundingBoxTest, HoldsTheNodeAndItsChildrenInTheNodesFrame) {
  TTestForm form;
  auto* node = form.Make("node");
  auto* child = form.Make("child", node);
  Place(*node, Point(100, 100, 100), GetParam().scale);
  Place(*child, GetParam().childPosition, GetParam().childScale);
  // A grandchild at the child's origin adds nothing beyond the child's own box.
  form.Make("grandchild", child);
  const auto expect = [](const TAABB& actual, const TAABB& expected) {
    EXPECT_EQ(actual.Min, expected.Min);
    EXPECT_EQ(actual.Max, expected.Max);
  };
  expect(node->AxisAlignedBoundingBoxUnscaled(), GetParam().unscaled);
  expect(node->AxisAlignedBoundingBox(), GetParam().scaled);
}

INSTANTIATE_TEST_SUITE_P(Node, BoundingBoxTest,
                         testing::Values(BoxCase{"ChildAlongX",
                                                 {1, 1, 1, 0},
                                                 Point(3, 0, 0),
                                                 {1, 1, 1, 0},
                                                 {{-0.5f, -0.5f, -0.5f}, {3.5f, 0.5f, 0.5f}},
                                                 {{-0.5f, -0.5f, -0.5f}, {3.5f, 0.5f, 0.5f}}},
                                         BoxCase{"ScaledNodeScalesTheWholeBox",
                                                 {2, 1, 1, 0},
                                                 Point(3, 0, 0),
                                                 {1, 1, 1, 0},
                                                 {{-0.5f, -0.5f, -0.5f}, {3.5f, 0.5f, 0.5f}},
                                                 {{-1, -0.5f, -0.5f}, {7, 0.5f, 0.5f}}},
                                         BoxCase{"ScaledChildIsCarriedByItsLocalMatrix",
                                                 {1, 1, 1, 0},
                                                 Point(0, -2, 0),
                                                 {1, 4, 1, 0},
                                                 {{-0.5f, -4, -0.5f}, {0.5f, 0.5f, 0.5f}},
                                                 {{-0.5f, -4, -0.5f}, {0.5f, 0.5f, 0.5f}}}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Points and rays

struct PointCase {
  TVector point;
  bool inside;
};

TEST(SceneTreeGeometryTest, PointInObjectIsInclusiveUnderRotationAndScale) {
  // Direction +X and Up +Y, stored as they are, give exact matrices: local X (scaled 2) runs
  // along world -Z, local Z along world +X. Half extents in the world: X 0.5, Y 0.5, Z 1, about
  // (10, 0, 0).
  TGLBaseSceneObject node(nullptr);
  node.GetDirection()->SetDirectVector({1, 0, 0, 0});
  Place(node, Point(10, 0, 0), {2, 1, 1, 0});
  const PointCase cases[] = {
      {Point(10, 0, 0), true},      {Point(10.5f, 0, 0), true},    {Point(9.5f, 0.5f, -1), true},
      {Point(10, 0, 1), true},      {Point(10.75f, 0, 0), false},  {Point(10, 0.75f, 0), false},
      {Point(10, 0, 1.25f), false}, {Point(10, 0, -1.25f), false},
  };
  for (const PointCase& c : cases)
    EXPECT_EQ(node.PointInObject(c.point), c.inside)
        << c.point[X] << ", " << c.point[Y] << ", " << c.point[Z];
}

TEST(SceneTreeGeometryTest, ARayMeetsTheBoundingSphereOnItsNearSide) {
  TGLBaseSceneObject node(nullptr);
  node.GetPosition()->SetPoint(0, 0, 1);
  TVector point, normal;
  ASSERT_TRUE(node.RayCastIntersect(Point(-5, 0, 1), {1, 0, 0, 0}, &point, &normal));
  EXPECT_TRUE(Near(point, Point(-0.8660254f, 0, 1)));
  EXPECT_TRUE(Near(normal, {-1, 0, 0, 0}));
  // Either output may be left out.
  EXPECT_TRUE(node.RayCastIntersect(Point(-5, 0, 1), {1, 0, 0, 0}, nullptr, &normal));
  EXPECT_TRUE(node.RayCastIntersect(Point(-5, 0, 1), {1, 0, 0, 0}));
}

TEST(SceneTreeGeometryTest, ARayThatMissesLeavesTheOutputsUntouched) {
  TGLBaseSceneObject node(nullptr);
  const TVector untouched = {7, 7, 7, 7};
  TVector point = untouched, normal = untouched;
  for (const TVector& start : {Point(-5, 0.9f, 0), Point(5, 0, 0)}) {
    EXPECT_FALSE(node.RayCastIntersect(start, {1, 0, 0, 0}, &point, &normal));
    EXPECT_EQ(point, untouched);
    EXPECT_EQ(normal, untouched);
  }
}

// ---- Silhouette

TEST(SceneTreeGeometryTest, TheOutlineIsATwentyOneGonAcrossTheViewLine) {
  TGLBaseSceneObject node(nullptr);
  node.GetScale()->SetVector(5, 5, 5);  // the outline is of the unscaled node
  const float radius = 0.8660254f;
  for (const bool caps : {false, true}) {
    for (const TSilhouetteProjection projection : {spParallel, spPoint}) {
      const TSilhouetteRequest request{{0, 0, 10}, {}, projection, caps};
      const std::unique_ptr<TGLSilhouette> outline = node.GenerateSilhouette(request);
      ASSERT_EQ(outline->Vertices().Count(), caps ? 22 : 21);
      ASSERT_EQ(outline->Indices().Count(), 42);
      ASSERT_EQ(outline->CapIndices().Count(), caps ? 63 : 0);
      const float expected =
          0.98f * (projection == spPoint ? SphereVisibleRadius(10, radius) : radius);
      for (int i = 0; i < 21; ++i) {
        const TVector& v = outline->Vertices().List()[i];
        EXPECT_NEAR(VectorLength(v), expected, 1e-6) << i;
        EXPECT_EQ(v[Z], 0) << i;
        EXPECT_EQ(v[W], 1) << i;
        EXPECT_EQ(outline->Indices().Get(2 * i), i);
        EXPECT_EQ(outline->Indices().Get(2 * i + 1), (i + 1) % 21);
        if (caps) {
          EXPECT_EQ(outline->CapIndices().Get(3 * i), 21);
          EXPECT_EQ(outline->CapIndices().Get(3 * i + 2), (i + 1) % 21);
        }
      }
      // Neighbours are a 21st of a turn apart.
      const TVector& v0 = outline->Vertices().List()[0];
      const TVector& v1 = outline->Vertices().List()[1];
      EXPECT_NEAR(VectorDotProduct(AffineVectorMake(v0), AffineVectorMake(v1)),
                  expected * expected * std::cos(0.2991993f), 1e-6);
      if (caps) {
        EXPECT_EQ(outline->Vertices().List()[21], NullHmgPoint);
      }
    }
  }
}

TEST(SceneTreeGeometryTest, AnOutlineSeenAlongXTurnsToTheYFallback) {
  TGLBaseSceneObject node(nullptr);
  const auto outline = node.GenerateSilhouette({{4, 0, 0}, {}, spParallel, false});
  for (int i = 0; i < 21; ++i) EXPECT_EQ(outline->Vertices().List()[i][X], 0) << i;
}

TEST(SceneTreeGeometryTest, AnUnknownProjectionFailsTheAssertion) {
  TGLBaseSceneObject node(nullptr);
  EXPECT_TRUE(Raises<EAssertionFailed>(
      [&] {
        node.GenerateSilhouette({{0, 0, 1}, {}, TSilhouetteProjection(2), false});
      },
      testing::StartsWith("Assertion failure (")));
}

// ---- Orbit

class OrbitTest : public testing::Test {
 protected:
  TTestForm form;
  TGLBaseSceneObject* parent = form.Make("parent");
  TGLBaseSceneObject* target = form.Make("target", parent);
  TGLBaseSceneObject* mover = form.Make("mover", parent);

  void SetUp() override {
    parent->GetPosition()->SetPoint(10, -20, 3);
    target->GetPosition()->SetPoint(1, 1, 1);
    mover->GetPosition()->SetPoint(1, 1, 6);
  }
  float Distance() {
    return VectorLength(VectorSubtract(mover->AbsolutePosition(), target->AbsolutePosition()));
  }
  // The angle between the mover's Up and the line from the target to the mover.
  float Polar() {
    TVector n;
    VectorNormalize(VectorSubtract(mover->AbsolutePosition(), target->AbsolutePosition()), n);
    return std::acos(VectorDotProduct(mover->AbsoluteUp(), n));
  }
};

TEST_F(OrbitTest, KeepsTheDistanceAndClampsThePolarAngle) {
  ASSERT_FLOAT_EQ(Polar(), std::numbers::pi_v<float> / 2);
  mover->MoveObjectAround(target, 1000, 0);
  EXPECT_NEAR(Distance(), 5, 1e-5);
  EXPECT_NEAR(Polar(), 3.1165926f, 1e-4);
  mover->MoveObjectAround(target, -1000, 0);
  EXPECT_NEAR(Distance(), 5, 1e-5);
  EXPECT_NEAR(Polar(), 0.025f, 1e-4);
  // Direction and Up are the node's own business.
  EXPECT_EQ(mover->GetDirection()->GetAsVector(), (TVector{0, 0, 1, 0}));
  EXPECT_EQ(mover->GetUp()->GetAsVector(), (TVector{0, 1, 0, 0}));
}

TEST_F(OrbitTest, TurnsAboutUpAtTheSamePolarAngle) {
  mover->MoveObjectAround(target, 0, 90);
  EXPECT_NEAR(Distance(), 5, 1e-5);
  EXPECT_NEAR(Polar(), std::numbers::pi_v<float> / 2, 1e-5);
  // A quarter turn about +Y from +Z, in the parent's frame.
  const TVector position = mover->GetPosition()->GetAsVector();
  EXPECT_NEAR(std::fabs(position[X] - 1), 5, 1e-4);
  EXPECT_NEAR(position[Z], 1, 1e-4);
  EXPECT_EQ(position[W], 1);
}

TEST_F(OrbitTest, StraightAboveTheTargetStillMovesAndANodeOnItStays) {
  mover->GetPosition()->SetPoint(1, 6, 1);
  mover->MoveObjectAround(target, 10, 0);
  EXPECT_NEAR(Distance(), 5, 1e-5);
  // The start is not quite straight above: the normalised offset's cosine with Up is a rounding
  // below 1.
  EXPECT_NEAR(Polar(), DegToRad(10.0f), 5e-4);

  mover->GetPosition()->SetPoint(1, 1, 1);
  mover->MoveObjectAround(target, 10, 10);
  EXPECT_EQ(mover->GetPosition()->GetAsVector(), Point(1, 1, 1));
  mover->MoveObjectAround(nullptr, 10, 10);
  EXPECT_EQ(mover->GetPosition()->GetAsVector(), Point(1, 1, 1));
}

// ---- Under a scene's roots

// A child and its sibling under the objects root, a camera aimed at the sibling under the
// cameras root; both roots moved, turned and scaled, or left in place.
struct RootedScene {
  explicit RootedScene(bool moveRoots) {
    if (moveRoots)
      for (TGLSceneRootObject* root : {objects, cameras}) {
        root->GetPosition()->SetPoint(5, 5, 5);
        root->SetTurnAngle(40);
        root->GetScale()->SetVector(2, 2, 2);
      }
    child->GetPosition()->SetPoint(0, 0, 10);
    camera->GetPosition()->SetPoint(3, 0, 4);
    camera->SetTargetObject(sibling);
  }
  TTestForm form;
  TGLSceneGraph* scene = new TGLSceneGraph(&form);
  TGLSceneRootObject* objects = scene->GetObjects();
  TGLSceneRootObject* cameras = scene->GetCameras();
  TGLBaseSceneObject* sibling = form.Make("sibling", objects);
  TGLBaseSceneObject* child = form.Make("child", objects);
  TGLCamera* camera = form.Make<TGLCamera>("camera", cameras);
};

using Answer = std::vector<float>;
Answer Values(const TVector& v) {
  return {v.begin(), v.end()};
}
Answer Values(const TMatrix& m) {
  Answer values;
  for (const TVector& row : m) values.insert(values.end(), row.begin(), row.end());
  return values;
}

struct RootQueryCase {
  const char* name;
  std::function<Answer(RootedScene&)> ask;
  Answer expected;  // empty: only the two answers must agree
};
void PrintTo(const RootQueryCase& c, std::ostream* out) {
  *out << c.name;
}

class RootQueryTest : public testing::TestWithParam<RootQueryCase> {};

// A root is the identity to every question asked through it or its children, whatever its own
// placement: the answers under moved roots are those under roots in place.
TEST_P(RootQueryTest, AMovedRootAnswersAsARootInPlace) {
  RootedScene inPlace(false), moved(true);
  const Answer expected = GetParam().ask(inPlace), actual = GetParam().ask(moved);
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_NEAR(actual[i], expected[i], 1e-4) << "value " << i;
  for (size_t i = 0; i < GetParam().expected.size(); ++i)
    EXPECT_NEAR(expected[i], GetParam().expected[i], 1e-4) << "value " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Root, RootQueryTest,
    testing::Values(
        RootQueryCase{"TheRootsAbsoluteMatrix",
                      [](RootedScene& s) { return Values(s.objects->AbsoluteMatrix()); },
                      Values(IdentityHmgMatrix)},
        RootQueryCase{"TheRootsInverseAbsoluteMatrix",
                      [](RootedScene& s) { return Values(s.objects->InverseAbsoluteMatrix()); },
                      Values(IdentityHmgMatrix)},
        RootQueryCase{
            "LocalToAbsoluteOfTheRoot",
            [](RootedScene& s) { return Values(s.objects->LocalToAbsolute(Point(1, 2, 3))); },
            {1, 2, 3, 1}},
        RootQueryCase{
            "AbsoluteToLocalOfTheRoot",
            [](RootedScene& s) { return Values(s.objects->AbsoluteToLocal(Point(1, 2, 3))); },
            {1, 2, 3, 1}},
        RootQueryCase{"AChildsMatrices",
                      [](RootedScene& s) {
                        Answer values = Values(s.child->AbsoluteMatrix());
                        const Answer inverse = Values(s.child->InverseAbsoluteMatrix());
                        values.insert(values.end(), inverse.begin(), inverse.end());
                        return values;
                      },
                      {}},
        RootQueryCase{"AChildsOrbitAboutItsSibling",
                      [](RootedScene& s) {
                        s.child->MoveObjectAround(s.sibling, 0, 90);
                        return Values(s.child->GetPosition()->GetAsVector());
                      },
                      {10, 0, 0, 1}},
        RootQueryCase{"ACamerasOrbitAboutItsTarget",
                      [](RootedScene& s) {
                        s.camera->MoveAroundTarget(30, 45);
                        return Values(s.camera->GetPosition()->GetAsVector());
                      },
                      {}},
        RootQueryCase{"ACamerasDistanceToItsTarget",
                      [](RootedScene& s) {
                        s.camera->AdjustDistanceToTarget(2);
                        return Values(s.camera->GetPosition()->GetAsVector());
                      },
                      {6, 0, 8, 1}},
        RootQueryCase{"APointInAChild",
                      [](RootedScene& s) {
                        return Answer{float(s.child->PointInObject(Point(0.4f, 0, 10))),
                                      float(s.child->PointInObject(Point(0.6f, 0, 10)))};
                      },
                      {1, 0}},
        RootQueryCase{"ARayOnAChild",
                      [](RootedScene& s) {
                        TVector point{};
                        s.child->RayCastIntersect(Point(0, 0, 20), {0, 0, -1, 0}, &point);
                        return Values(point);
                      },
                      {}}),
    [](const testing::TestParamInfo<RootQueryCase>& info) { return info.param.name; });

TEST(SceneTreeGeometryTest, TheSortKeyIsTheSquaredDistanceOfTheBarycenter) {
  TGLBaseSceneObject node(nullptr);
  node.GetPosition()->SetPoint(1, 2, 2);
  EXPECT_FLOAT_EQ(node.BarycenterSqrDistanceTo(Point(0, 0, 0)), 9);
  EXPECT_EQ(node.BarycenterAbsolutePosition(), Point(1, 2, 2));
}

}  // namespace

// The matrices and boxes a scene node keeps between reads: after random edits of a random tree
// (placement, matrix loads, re-parenting, insertions, deletions), every node's cached absolute
// matrix, inverse, boxes and sphere agree with values computed afresh from the placements up the
// chain of parents.
#include <gtest/gtest.h>

// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/Scene.h"

namespace {

// A node of its own size, so that each node's box counts in its ancestors' boxes.
class TSizedNode : public TGLBaseSceneObject {
  RTL_CLASS(TSizedNode, TGLBaseSceneObject)
  using TGLBaseSceneObject::TGLBaseSceneObject;
  TVector AxisAlignedDimensionsUnscaled() override { return HalfExtents; }
  TVector HalfExtents{0.5f, 0.5f, 0.5f, 0};
};

// ---- The values computed afresh, in double precision

using Row = std::array<double, 4>;
using Matrix = std::array<Row, 4>;

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) r[i][j] += a[i][k] * b[k][j];
  return r;
}

// Gauss-Jordan with partial pivoting; the placements keep every matrix well conditioned.
Matrix Inverse(Matrix a) {
  Matrix r{};
  for (int i = 0; i < 4; ++i) r[i][i] = 1;
  for (int c = 0; c < 4; ++c) {
    int pivot = c;
    for (int i = c + 1; i < 4; ++i)
      if (std::fabs(a[i][c]) > std::fabs(a[pivot][c])) pivot = i;
    std::swap(a[c], a[pivot]);
    std::swap(r[c], r[pivot]);
    const double d = a[c][c];
    for (int j = 0; j < 4; ++j) a[c][j] /= d, r[c][j] /= d;
    for (int i = 0; i < 4; ++i) {
      if (i == c) continue;
      const double f = a[i][c];
      for (int j = 0; j < 4; ++j) a[i][j] -= f * a[c][j], r[i][j] -= f * r[c][j];
    }
  }
  return r;
}

Row Of(const TVector& v) {
  return {v[0], v[1], v[2], v[3]};
}

// Rows: the side vector Up x Direction, Up and Direction, each times its scale, then Position.
Matrix LocalOf(TGLBaseSceneObject& node) {
  const Row d = Of(node.GetDirection()->GetAsVector()), u = Of(node.GetUp()->GetAsVector());
  const Row s = Of(node.GetScale()->GetAsVector()), p = Of(node.GetPosition()->GetAsVector());
  const Row side = {u[1] * d[2] - u[2] * d[1], u[2] * d[0] - u[0] * d[2], u[0] * d[1] - u[1] * d[0],
                    0};
  Matrix m{};
  for (int j = 0; j < 3; ++j) {
    m[0][j] = side[j] * s[0];
    m[1][j] = u[j] * s[1];
    m[2][j] = d[j] * s[2];
  }
  m[3] = {p[0], p[1], p[2], 1};
  return m;
}

// A scene's root is the identity, whatever its own placement.
Matrix AbsoluteOf(TGLBaseSceneObject& node) {
  if (node.InheritsFrom(TGLSceneRootObject::StaticClass())) {
    Matrix identity{};
    for (int i = 0; i < 4; ++i) identity[i][i] = 1;
    return identity;
  }
  TGLBaseSceneObject* parent = node.GetParent();
  if (!parent) return LocalOf(node);
  return Multiply(LocalOf(node), AbsoluteOf(*parent));
}

struct Box {
  Row Min, Max;
};

Row HalfExtentsOf(TGLBaseSceneObject& node) {
  return Of(node.AxisAlignedDimensionsUnscaled());
}

Box UnscaledBoxOf(TGLBaseSceneObject& node) {
  const Row h = HalfExtentsOf(node);
  Box box{{-h[0], -h[1], -h[2], 0}, {h[0], h[1], h[2], 0}};
  for (int i = 0; i < node.Count(); ++i) {
    TGLBaseSceneObject& child = *node.GetChild(i);
    const Box inner = UnscaledBoxOf(child);
    const Matrix m = LocalOf(child);
    for (int corner = 0; corner < 8; ++corner) {
      const Row p = {corner & 1 ? inner.Max[0] : inner.Min[0],
                     corner & 2 ? inner.Max[1] : inner.Min[1],
                     corner & 4 ? inner.Max[2] : inner.Min[2], 1};
      for (int j = 0; j < 3; ++j) {
        const double v = p[0] * m[0][j] + p[1] * m[1][j] + p[2] * m[2][j] + m[3][j];
        box.Min[j] = std::min(box.Min[j], v);
        box.Max[j] = std::max(box.Max[j], v);
      }
    }
  }
  return box;
}

// ---- Comparisons, within a tolerance that grows with the size of the values

double Largest(const Matrix& m) {
  double largest = 1;
  for (const Row& row : m)
    for (double v : row) largest = std::max(largest, std::fabs(v));
  return largest;
}

testing::AssertionResult Agree(const char* what, const TMatrix& cached, const Matrix& fresh) {
  const double tolerance = 2e-4 * Largest(fresh);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (!(std::fabs(cached[i][j] - fresh[i][j]) <= tolerance)) {
        std::ostringstream text;
        text << what << " [" << i << "][" << j << "] is " << cached[i][j] << ", afresh "
             << fresh[i][j];
        return testing::AssertionFailure() << text.str();
      }
  return testing::AssertionSuccess();
}

testing::AssertionResult Agree(const char* what, double cached, double fresh, double scale = 1) {
  if (std::fabs(cached - fresh) <= 2e-4 * std::max({1.0, std::fabs(fresh), scale}))
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << what << " is " << cached << ", afresh " << fresh;
}

testing::AssertionResult Agree(const char* what, const TAABB& cached, const Box& fresh) {
  double scale = 1;
  for (int j = 0; j < 3; ++j)
    scale = std::max({scale, std::fabs(fresh.Min[j]), std::fabs(fresh.Max[j])});
  for (int j = 0; j < 3; ++j) {
    if (auto r = Agree(what, cached.Min[j], fresh.Min[j], scale); !r)
      return r << " (min " << j << ")";
    if (auto r = Agree(what, cached.Max[j], fresh.Max[j], scale); !r)
      return r << " (max " << j << ")";
  }
  return testing::AssertionSuccess();
}

// ---- The random tree and its edits

class TRandomTree {
 public:
  explicit TRandomTree(unsigned seed) : FRandom(seed) {
    for (int i = 0; i < 6; ++i) Add(RandomParent());
  }
  ~TRandomTree() {
    // Detached trees first: the scene frees only its own.
    for (TGLBaseSceneObject* root : FDetached) delete root;
  }

  const std::string& Log() const { return FLog; }

  // One or two edits, with reads of a few nodes between them so that the second edit meets a
  // tree whose caches are partly rebuilt.
  void Step() {
    FLog.clear();
    Edit();
    if (Chance(2)) {
      for (int i = 0; i < 3; ++i) Read(*Pick(Nodes()));
      Edit();
    }
  }

  // Every node in a random order, each value in a random order, so that a node is read before
  // and after its parent.
  testing::AssertionResult Check() {
    std::vector<TGLBaseSceneObject*> nodes = Nodes();
    std::shuffle(nodes.begin(), nodes.end(), FRandom);
    for (TGLBaseSceneObject* node : nodes) {
      std::array<int, 4> order{0, 1, 2, 3};
      std::shuffle(order.begin(), order.end(), FRandom);
      for (int kind : order)
        if (auto result = CheckOne(*node, kind); !result)
          return result << " of " << node->GetName();
    }
    return testing::AssertionSuccess();
  }

 private:
  testing::AssertionResult CheckOne(TGLBaseSceneObject& node, int kind) {
    switch (kind) {
      case 0:
        return Agree("the absolute matrix", node.AbsoluteMatrix(), AbsoluteOf(node));
      case 1:
        return Agree("the inverse absolute matrix", node.InverseAbsoluteMatrix(),
                     Inverse(AbsoluteOf(node)));
      case 2: {
        const Box unscaled = UnscaledBoxOf(node);
        if (auto r = Agree("the unscaled box", node.AxisAlignedBoundingBoxUnscaled(), unscaled); !r)
          return r;
        const Row s = Of(node.GetScale()->GetAsVector());
        Box scaled = unscaled;
        for (int j = 0; j < 3; ++j) {
          scaled.Min[j] = std::min(unscaled.Min[j] * s[j], unscaled.Max[j] * s[j]);
          scaled.Max[j] = std::max(unscaled.Min[j] * s[j], unscaled.Max[j] * s[j]);
        }
        return Agree("the box", node.AxisAlignedBoundingBox(), scaled);
      }
      default: {
        const Row h = HalfExtentsOf(node), s = Of(node.GetScale()->GetAsVector());
        const double radius = std::hypot(h[0] * s[0], h[1] * s[1], h[2] * s[2]);
        if (auto r = Agree("the sphere's radius", node.BoundingSphereRadius(), radius); !r)
          return r;
        const Matrix absolute = AbsoluteOf(node);
        const TVector centre = node.BarycenterAbsolutePosition();
        for (int j = 0; j < 3; ++j)
          if (auto r = Agree("the sphere's centre", centre[j], absolute[3][j], Largest(absolute));
              !r)
            return r;
        return testing::AssertionSuccess();
      }
    }
  }

  bool Chance(int n) { return FRandom() % n == 0; }
  float Uniform(float low, float high) {
    return std::uniform_real_distribution<float>(low, high)(FRandom);
  }
  template <class T>
  T Pick(const std::vector<T>& from) {
    return from[FRandom() % from.size()];
  }

  void Note(const std::string& what, const TGLBaseSceneObject* node) {
    FLog += (FLog.empty() ? "" : ", ") + what + " " + node->GetName();
  }

  // The scene's objects and the detached trees, parents before children.
  std::vector<TGLBaseSceneObject*> Nodes() const {
    std::vector<TGLBaseSceneObject*> nodes;
    const std::function<void(TGLBaseSceneObject*)> walk = [&](TGLBaseSceneObject* node) {
      nodes.push_back(node);
      for (int i = 0; i < node->Count(); ++i) walk(node->GetChild(i));
    };
    walk(FScene->GetObjects());
    for (TGLBaseSceneObject* root : FDetached) walk(root);
    return nodes;
  }
  // Any node but the scene's root.
  std::vector<TGLBaseSceneObject*> Movable() const {
    std::vector<TGLBaseSceneObject*> nodes = Nodes();
    nodes.erase(nodes.begin());
    return nodes;
  }
  TGLBaseSceneObject* RandomParent() { return Pick(Nodes()); }

  void Read(TGLBaseSceneObject& node) {
    switch (FRandom() % 4) {
      case 0:
        node.AbsoluteMatrix();
        break;
      case 1:
        node.InverseAbsoluteMatrix();
        break;
      case 2:
        node.RebuildMatrix();
        break;
      default:
        node.AxisAlignedBoundingBox();
    }
  }

  TVector RandomUnit() {
    TVector v{};
    do v = {Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1), 0};
    while (VectorLength(v) < 0.2f);
    NormalizeVector(v);
    return v;
  }

  void Add(TGLBaseSceneObject* parent) {
    auto* node = new TSizedNode(&FForm);
    node->SetName("n" + std::to_string(++FNamed));
    node->HalfExtents = {Uniform(0.1f, 1), Uniform(0.1f, 1), Uniform(0.1f, 1), 0};
    node->GetPosition()->SetPoint(Uniform(-3, 3), Uniform(-3, 3), Uniform(-3, 3));
    if (Chance(2))
      parent->AddChild(node);
    else
      parent->Insert(int(FRandom() % unsigned(parent->Count() + 1)), node);
    Note("insert", node);
  }

  void Forget(TGLBaseSceneObject* node) { std::erase(FDetached, node); }

  void Edit() {
    const std::vector<TGLBaseSceneObject*> nodes = Nodes();
    // The scene's root takes placement edits too: they must not reach its children.
    TGLBaseSceneObject* node = nodes.size() == 1 || Chance(10) ? nodes.front() : Pick(Movable());
    unsigned kind = FRandom() % 14;
    // Insertions outweigh deletions in a small tree, and the other way round in a large one.
    if (nodes.size() < 6 && kind >= 12) kind = 10;
    if (nodes.size() > 20 && kind >= 9 && kind <= 11) kind = 12;
    switch (kind) {
      case 0:
        node->GetPosition()->SetPoint(Uniform(-3, 3), Uniform(-3, 3), Uniform(-3, 3));
        Note("move", node);
        break;
      case 1: {
        const TVector d = RandomUnit();
        if (Chance(2))
          node->GetDirection()->SetVector(d[0], d[1], d[2]);
        else
          node->GetUp()->SetVector(d[0], d[1], d[2]);
        Note("turn", node);
        break;
      }
      case 2:
        switch (FRandom() % 4) {
          case 0:
            node->SetPitchAngle(Uniform(-180, 180));
            break;
          case 1:
            node->SetTurnAngle(Uniform(-180, 180));
            break;
          case 2:
            node->SetRollAngle(Uniform(-180, 180));
            break;
          default:
            node->Roll(Uniform(-90, 90));
        }
        Note("rotate", node);
        break;
      case 3:
        // Exactly one on every axis takes the inverse's shortcut for unscaled nodes.
        if (Chance(3))
          node->GetScale()->SetVector(1, 1, 1);
        else
          node->GetScale()->SetVector(Uniform(0.5f, 2), Uniform(0.5f, 2), Uniform(0.5f, 2));
        Note("scale", node);
        break;
      case 4: {
        TMatrix rotation;
        CreateRotationMatrix(RandomUnit(), Uniform(-3, 3), rotation);
        const float scale[3] = {Uniform(0.5f, 2), Uniform(0.5f, 2), Uniform(0.5f, 2)};
        for (int i = 0; i < 3; ++i) ScaleVector(rotation[i], Chance(3) ? 1 : scale[i]);
        rotation[3] = {Uniform(-3, 3), Uniform(-3, 3), Uniform(-3, 3), 1};
        node->LoadLocalMatrix(rotation);
        Note("load the local matrix of", node);
        break;
      }
      case 5:
        if (node != nodes.front()) {
          TGLBaseSceneObject* parent = Pick(nodes);
          for (TGLBaseSceneObject* n = parent; n; n = n->GetParent())
            if (n == node) return;
          Forget(node);
          if (Chance(2) || parent->Count() == 0) {
            node->MoveTo(parent);
          } else {
            const int count = parent->Count() - (node->GetParent() == parent ? 1 : 0);
            parent->Insert(int(FRandom() % unsigned(count + 1)), node);
          }
          Note("re-parent", node);
        }
        break;
      case 6:
        if (node->GetParent()) {
          node->MoveToIndex(int(FRandom() % 4) - 1);
          Note("reorder", node);
        }
        break;
      case 7:
        if (node->GetParent()) {
          node->MoveTo(nullptr);
          FDetached.push_back(node);
          Note("detach", node);
        }
        break;
      case 8:
        if (node->GetParent()) {
          TGLBaseSceneObject* parent = node->GetParent();
          parent->Remove(node, Chance(2));
          FDetached.push_back(node);
          Note("remove", node);
        }
        break;
      case 9: {
        auto* child =
            static_cast<TSizedNode*>(Chance(2) ? node->AddNewChild(TSizedNode::StaticClass())
                                               : node->AddNewChildFirst(TSizedNode::StaticClass()));
        child->SetName("n" + std::to_string(++FNamed));
        child->GetPosition()->SetPoint(Uniform(-3, 3), Uniform(-3, 3), Uniform(-3, 3));
        Note("add a child to", node);
        break;
      }
      case 10:
      case 11:
        Add(node);
        break;
      case 12:
        if (node != nodes.front()) {
          Note("delete", node);
          Forget(node);
          delete node;
        }
        break;
      default:
        Note("delete the children of", node);
        node->DeleteChildren();
    }
  }

  std::mt19937 FRandom;
  TComponent FForm{nullptr};
  std::unique_ptr<TGLSceneGraph> FScene = std::make_unique<TGLSceneGraph>(nullptr);
  std::vector<TGLBaseSceneObject*> FDetached;
  int FNamed = 0;
  std::string FLog;
};

// The ways a node leaves its parent without joining another.
const std::vector<std::pair<const char*, void (*)(TGLBaseSceneObject&)>> Leaves = {
    {"MoveTo nil", [](TGLBaseSceneObject& node) { node.MoveTo(nullptr); }},
    {"Remove", [](TGLBaseSceneObject& node) { node.GetParent()->Remove(&node, false); }},
    {"Remove keeping the children",
     [](TGLBaseSceneObject& node) { node.GetParent()->Remove(&node, true); }},
};

TEST(SceneTreeCaches, ANodeThatLeavesItsParentLeavesItsPlacementBehind) {
  for (const auto& [name, leave] : Leaves) {
    SCOPED_TRACE(name);
    TComponent form(nullptr);
    auto* parent = new TGLBaseSceneObject(&form);
    auto* node = new TGLBaseSceneObject(&form);
    auto* child = new TGLBaseSceneObject(&form);
    parent->AddChild(node);
    node->AddChild(child);
    parent->GetPosition()->SetPoint(5, 0, 0);
    node->GetPosition()->SetPoint(1, 0, 0);
    child->GetPosition()->SetPoint(0, 2, 0);
    ASSERT_EQ(node->AbsolutePosition(), (TVector{6, 0, 0, 1}));
    ASSERT_EQ(node->InverseAbsoluteMatrix()[3], (TVector{-6, 0, 0, 1}));
    ASSERT_EQ(child->AbsolutePosition(), (TVector{6, 2, 0, 1}));
    leave(*node);
    EXPECT_EQ(node->AbsolutePosition(), (TVector{1, 0, 0, 1}));
    EXPECT_EQ(node->InverseAbsoluteMatrix()[3], (TVector{-1, 0, 0, 1}));
    // A child kept by the node is carried by it alone; one handed to the parent, by the parent.
    EXPECT_EQ(child->AbsolutePosition(),
              child->GetParent() == node ? (TVector{1, 2, 0, 1}) : (TVector{5, 2, 0, 1}));
  }
}

TEST(SceneTreeCaches, AgreeWithValuesComputedAfreshAfterEveryEdit) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    TRandomTree tree(seed);
    for (int step = 1; step <= 200; ++step) {
      tree.Step();
      const testing::AssertionResult result = tree.Check();
      if (!result) {
        ADD_FAILURE() << "seed " << seed << ", step " << step << " (" << tree.Log()
                      << "): " << result.message();
        break;
      }
    }
  }
}

}  // namespace

#pragma once
// What the scene-tree and scene suites share: a scene that counts the notices reaching it, a form
// that owns named nodes as a layout's root does, and short texts of trees, light slots and
// vectors for the checks.

#include <gtest/gtest.h>

// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <cmath>
#include <string>
#include <vector>

#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/LightSource.h"
#include "engine/GLSceneGraph/Scene.h"

namespace scene_tree_test {

// Keeps the sender of each notice that gets past the scene's update counting.
class TCountingScene : public TGLSceneGraph {
  RTL_CLASS(TCountingScene, TGLSceneGraph)
  using TGLSceneGraph::TGLSceneGraph;
  void NotifyChange(TObject* Sender) override {
    if (!IsUpdating()) Notices.push_back(Sender);
    inherited::NotifyChange(Sender);
  }
  std::vector<TObject*> Notices;
};

// The root of a layout, owning the nodes it makes, by name.
class TTestForm : public TComponent {
  RTL_CLASS(TTestForm, TComponent)
  explicit TTestForm(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

  template <class T = TGLBaseSceneObject>
  T* Make(const std::string& name, TGLBaseSceneObject* parent = nullptr) {
    auto* node = new T(this);
    node->SetName(name);
    if (parent) parent->AddChild(node);
    return node;
  }
  template <class T = TGLBaseSceneObject>
  T* Get(const std::string& name) const {
    return dynamic_cast<T*>(FindComponent(name));
  }
};

// A node that publishes all the node properties, as the scene objects of a layout do.
class TPublishedNode : public TGLBaseSceneObject {
  RTL_CLASS(TPublishedNode, TGLBaseSceneObject)
  static const TPropertyTable& Published() {
    static const TPropertyTable table = [] {
      auto builder = TPropertyTable::Extend<TPublishedNode>(inherited::Published());
      return TPropertyTable(PublishNodeProperties(builder));
    }();
    return table;
  }
  using TGLBaseSceneObject::TGLBaseSceneObject;
};

// The form and the published node for layouts; registering again changes nothing.
inline void RegisterTestClasses() {
  static const bool registered = [] {
    RegisterClasses({TTestForm::StaticClass(), TPublishedNode::StaticClass()});
    return true;
  }();
  (void)registered;
}

inline std::string WriteLayout(TComponent* root) {
  TStringStream stream;
  stream.WriteComponent(root);
  return stream.DataString();
}

// "a(L x) b": the children of node by name, nested.
inline std::string Tree(const TGLBaseSceneObject* node) {
  std::string text;
  for (int i = 0; i < node->Count(); ++i) {
    const TGLBaseSceneObject* child = node->GetChild(i);
    if (i > 0) text += " ";
    text += child->GetName();
    if (child->GetParent() != node) text += "!";
    if (child->Count() > 0) text += "(" + Tree(child) + ")";
  }
  return text;
}

// "L - M -": the name in each of the scene's light slots, "-" for an empty one; trailing empty
// slots left out.
inline std::string Slots(const TGLSceneGraph& scene) {
  std::vector<std::string> names;
  for (int i = 0; i < scene.GetLights().Count(); ++i) {
    const auto* light = static_cast<const TGLBaseSceneObject*>(scene.GetLights().Get(i));
    names.push_back(light ? light->GetName() : "-");
  }
  while (!names.empty() && names.back() == "-") names.pop_back();
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
  return text;
}

inline testing::AssertionResult Near(const TVector& actual, const TVector& expected,
                                     double tolerance = 1e-5) {
  for (int i = 0; i < 4; ++i)
    if (!(std::fabs(actual[i] - expected[i]) <= tolerance))
      return testing::AssertionFailure()
             << "(" << actual[0] << ", " << actual[1] << ", " << actual[2] << ", " << actual[3]
             << ") is not (" << expected[0] << ", " << expected[1] << ", " << expected[2] << ", "
             << expected[3] << ")";
  return testing::AssertionSuccess();
}

inline testing::AssertionResult Near(const TMatrix& actual, const TMatrix& expected,
                                     double tolerance = 1e-5) {
  for (int row = 0; row < 4; ++row) {
    testing::AssertionResult result = Near(actual[row], expected[row], tolerance);
    if (!result) return result << " in row " << row;
  }
  return testing::AssertionSuccess();
}

}  // namespace scene_tree_test

#pragma once
// What the camera and light suites share: a node that counts the notices it sends towards its
// scene, named components for a layout's root, the layout text, and a near-equality of vectors.

#include <gtest/gtest.h>

#include <cstddef>
#include <limits>
#include <string>

#include "engine/base/VectorGeometry.h"
#include "platform/rtl/Classes.h"

namespace camera_light_test {

constexpr float Inf = std::numeric_limits<float>::infinity();
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

template <class Node>
class TCounting : public Node {
 public:
  using Node::Node;
  void NotifyChange(TObject* Sender) override {
    ++Notices;
    Node::NotifyChange(Sender);
  }
  size_t Notices = 0;
};

// A component owned by the root of a layout, as the reader makes it.
template <class T>
T* MakeNamed(TComponent& owner, const std::string& name) {
  auto* component = new T(&owner);
  component->SetName(name);
  return component;
}

inline std::string WriteLayout(TComponent* root) {
  TStringStream stream;
  stream.WriteComponent(root);
  return stream.DataString();
}

inline void ExpectNear(const TVector& actual, const TVector& expected, const std::string& what) {
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-5) << what << " [" << i << "]";
}

}  // namespace camera_light_test

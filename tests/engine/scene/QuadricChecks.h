#pragma once
// What the quadric suites share: whether a node's display list waits for a rebuild, vectors
// compared component by component, a ray case table's runner, and a layout written to text.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "platform/rtl/Classes.h"

namespace quadric_checks {

inline bool ListDirty(const TGLBaseSceneObject& node) {
  return (node.GetChangeFlags() & chListDirty) != 0;
}

inline void ExpectNear(const TVector& actual, const TVector& expected, const char* what,
                       double tolerance = 1e-5) {
  for (int i = 0; i < 4; ++i)
    EXPECT_NEAR(actual[i], expected[i], tolerance) << what << " [" << i << "]";
}

// A ray in absolute terms and what it should meet.
struct TRayCase {
  const char* name;
  TVector start, vector;
  bool hit;
  TVector point, normal;
};

// Each case against the object; the outputs keep their values on a miss, and a hit asked for
// no outputs answers the same.
inline void CheckRays(TGLBaseSceneObject& object, const std::vector<TRayCase>& cases) {
  for (const TRayCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TVector untouched{7, 7, 7, 7};
    TVector point = untouched, normal = untouched;
    EXPECT_EQ(object.RayCastIntersect(c.start, c.vector, &point, &normal), c.hit);
    if (c.hit) {
      ExpectNear(point, c.point, "point");
      ExpectNear(normal, c.normal, "normal");
    } else {
      EXPECT_EQ(point, untouched);
      EXPECT_EQ(normal, untouched);
    }
    EXPECT_EQ(object.RayCastIntersect(c.start, c.vector), c.hit) << "without outputs";
  }
}

inline std::string WriteLayout(TComponent* root) {
  TStringStream stream;
  stream.WriteComponent(root);
  return stream.DataString();
}

// The layout read into a fresh root; the classes must be registered.
inline void ReadLayout(const std::string& layout, TComponent* root) {
  TStringStream stream(layout);
  stream.ReadComponent(root);
}

}  // namespace quadric_checks
